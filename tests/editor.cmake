# The per-type settings editor: its rules without a display, its widgets offscreen.
blenvar_add_gtest(editor_rules_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor/editor_rules_test.cpp
  LIBS blenvar_editor_rules
  LABELS editor)
