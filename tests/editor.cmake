# The per-type settings editor: its rules without a display, its widgets offscreen.
blenvar_add_gtest(editor_rules_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor/editor_rules_test.cpp
  LIBS blenvar_editor_rules
  LABELS editor)

if(BLENVAR_WITH_QT)
  find_package(SQLite3 REQUIRED)
  blenvar_add_gtest(editor_widgets_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor/type_editor_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/qt_test_main.cpp
    LIBS blenvar_editor SQLite::SQLite3
    LABELS editor
    ENV "QT_QPA_PLATFORM=offscreen")
endif()
