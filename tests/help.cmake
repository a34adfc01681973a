# Help pages: the tab:// rule, the page browser offscreen, and the shipped pages' links.
if(TARGET blenvar_help)
  blenvar_add_gtest(help_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/help/help_page_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/qt_test_main.cpp
    LIBS blenvar_help
    LABELS help
    ENV "QT_QPA_PLATFORM=offscreen")
  target_compile_definitions(help_test PRIVATE BLENVAR_PAGES_DIR="${CMAKE_BINARY_DIR}/bin")
endif()
