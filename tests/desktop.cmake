# The tray program: its icons, and the whole program on a private desktop.
if(BLENVAR_WITH_QT)
  add_executable(blenvar_icons_test shell/icons_test.cpp)
  target_link_libraries(blenvar_icons_test PRIVATE blenvar_icons GTest::gtest)
  add_test(NAME blenvar_icons_test COMMAND blenvar_icons_test)
  set_tests_properties(blenvar_icons_test PROPERTIES LABELS shell
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# The whole program on a private desktop with a tray host and an accessibility bus; skipped
# (exit 77) until blenvar has been built. Screenshots of each tab land in artifacts/desktop.
if(BLENVAR_WITH_QT)
  add_test(NAME blenvar_desktop_test
    COMMAND ${BLENVAR_WITH_DESKTOP} --tray --a11y --
      /usr/bin/python3 -B ${CMAKE_CURRENT_SOURCE_DIR}/shell/desktop_test.py
      ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${CMAKE_BINARY_DIR}/artifacts/desktop)
  set_tests_properties(blenvar_desktop_test PROPERTIES LABELS desktop TIMEOUT 180
    SKIP_RETURN_CODE 77)
endif()
