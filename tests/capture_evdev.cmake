# The evdev backend's plain parts: event translation, device choice, backend choice.
blenvar_add_gtest(capture_evdev_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/evdev_translate_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/capture/input_devices_test.cpp
  LIBS blenvar_capture
  LABELS capture)

# Following the login session: the allowed decision and the no-logind fallback. The real
# logind path needs a system bus with logind and a seat, which neither the build machine
# nor the test VM has.
blenvar_add_gtest(logind_session_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/logind_session_test.cpp
  LIBS blenvar_evdev
  LABELS capture)
