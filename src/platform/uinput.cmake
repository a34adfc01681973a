# UinputKeySender: key strokes through the virtual keyboard, characters looked up on an
# XKB layout with libxkbcommon. No Qt: headless capture types with it too.
find_package(PkgConfig REQUIRED)
pkg_check_modules(BLENVAR_XKBCOMMON REQUIRED IMPORTED_TARGET xkbcommon)
add_library(blenvar_uinput_keys STATIC
  ${CMAKE_CURRENT_LIST_DIR}/xkb_keymap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uinput_key_sender.cpp)
target_link_libraries(blenvar_uinput_keys PUBLIC blenvar_keys blenvar_evdev
  PRIVATE PkgConfig::BLENVAR_XKBCOMMON)
