# X11KeySender: key strokes through libX11 + XTest.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BLENVAR_X11KEYS REQUIRED IMPORTED_TARGET x11 xtst xkbcommon)
add_library(blenvar_x11keys STATIC
  ${CMAKE_CURRENT_LIST_DIR}/x11_key_sender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_key_sender.h)
target_link_libraries(blenvar_x11keys PUBLIC blenvar_keys PRIVATE PkgConfig::BLENVAR_X11KEYS)
