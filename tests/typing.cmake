# Typing through the virtual keyboard outside the VM: the layout lookup on the system's
# XKB data, and the key events the sender writes.
blenvar_add_gtest(xkb_keymap_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/output/xkb_keymap_test.cpp
  LIBS blenvar_uinput_keys
  LABELS output)
