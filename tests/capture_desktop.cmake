# blenvar capturing scans: a focused test window beside it, keys played by XTest.
blenvar_add_desktop_script(capture_desktop_test
  ${CMAKE_CURRENT_LIST_DIR}/capture/desktop/capture_desktop_test.py 240)
