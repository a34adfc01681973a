# X11Capture: the capture backend on libX11 + XTest + XInput 2, watched by the Qt event loop.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BLENVAR_X11CAPTURE REQUIRED IMPORTED_TARGET x11 xtst xi)
add_library(blenvar_x11capture STATIC
  ${CMAKE_CURRENT_LIST_DIR}/x11_capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_capture.h
  ${CMAKE_CURRENT_LIST_DIR}/x11_devices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_devices.h)
target_link_libraries(blenvar_x11capture PUBLIC blenvar_capture blenvar_keys Qt6::Core
  PRIVATE PkgConfig::BLENVAR_X11CAPTURE)
