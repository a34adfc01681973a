# The update check's answer logic, without network or window.
blenvar_add_gtest(update_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/update/update_answer_test.cpp
  LIBS blenvar_update
  LABELS update)
