# Help pages: the tab:// rule, the page browser offscreen, and the shipped pages' links.
if(TARGET blenvar_tab_names)
  blenvar_add_gtest(help_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/help/tab_names_test.cpp
    LIBS blenvar_tab_names
    LABELS help)
endif()
