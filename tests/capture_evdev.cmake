# The evdev backend's plain parts: event translation, device choice, backend choice.
blenvar_add_gtest(capture_evdev_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/evdev_translate_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/capture/input_devices_test.cpp
  LIBS blenvar_capture
  LABELS capture)
