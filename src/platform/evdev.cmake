# Input devices and the virtual keyboard for the evdev backend: plain Linux interfaces, no
# Qt. Exercised for real only inside the test VM; elsewhere there is no /dev/input.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
# logind over the system bus tells when the session is switched away from or locked.
pkg_check_modules(BLENVAR_SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
add_library(blenvar_evdev STATIC
  ${CMAKE_CURRENT_LIST_DIR}/evdev_capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/evdev_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/evdev_devices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/evdev_uinput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logind_session.cpp)
target_link_libraries(blenvar_evdev PUBLIC blenvar_capture Threads::Threads
  PRIVATE PkgConfig::BLENVAR_SYSTEMD)
# Lets the "input" group use /dev/uinput. udev reads lib/udev/rules.d under /usr only, so a
# /usr/local install needs the file copied to /etc/udev/rules.d.
install(FILES ${PROJECT_SOURCE_DIR}/data/udev/70-blenvar.rules DESTINATION lib/udev/rules.d)
