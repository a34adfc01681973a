# The evdev backend's plain parts: event translation, device choice, backend choice.
blenvar_add_gtest(capture_evdev_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/evdev_translate_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/capture/input_devices_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/capture/hid_pos_test.cpp
  LIBS blenvar_capture
  LABELS capture)

# Following the login session: the allowed decision and the no-logind fallback. Real logind
# needs a system bus, a seat and a login, which neither the build machine nor the VM has.
blenvar_add_gtest(logind_session_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/logind_session_test.cpp
  LIBS blenvar_evdev
  LABELS capture)
# The sd-bus side against a stand-in logind on a private dbus-daemon (dbus-daemon from
# dbus-x11, Gio from python3-gi).
blenvar_add_gtest(logind_bus_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/logind_bus_test.cpp
  LIBS blenvar_evdev
  LABELS capture)
target_compile_definitions(logind_bus_test PRIVATE
  BLENVAR_LOGIND_STANDIN="${CMAKE_CURRENT_LIST_DIR}/capture/logind_standin.py")
# The scan sources as the Setup tab lists them, from a made-up /dev and /sys.
blenvar_add_gtest(scan_source_lister_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/scan_source_lister_test.cpp
  LIBS blenvar_evdev
  LABELS capture)
