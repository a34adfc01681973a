# blenvar capturing scans on a private X desktop: a focused test window beside it, keys
# played by XTest; skipped (exit 77) until blenvar, the probe and the injector are built.
if(BLENVAR_WITH_QT)
  add_test(NAME capture_desktop_test
    COMMAND ${BLENVAR_WITH_DESKTOP} --tray --a11y --
      /usr/bin/python3 -B ${CMAKE_CURRENT_LIST_DIR}/capture/desktop/capture_desktop_test.py
      ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(capture_desktop_test PROPERTIES LABELS desktop TIMEOUT 240
    SKIP_RETURN_CODE 77)
endif()
