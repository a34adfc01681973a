# The tray program: its icons, and the whole program on a private desktop.
if(BLENVAR_WITH_QT)
  add_executable(blenvar_icons_test shell/icons_test.cpp)
  target_link_libraries(blenvar_icons_test PRIVATE blenvar_icons GTest::gtest)
  add_test(NAME blenvar_icons_test COMMAND blenvar_icons_test)
  set_tests_properties(blenvar_icons_test PROPERTIES LABELS shell
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# The whole program: every tab read and pressed as a screen reader does.
blenvar_add_desktop_script(blenvar_desktop_test ${CMAKE_CURRENT_LIST_DIR}/shell/desktop_test.py 180
  --x --a11y)
