# Key-sequence notation, the key-sender interface and the guard that marks our own keystrokes.
add_library(blenvar_keys STATIC
  ${CMAKE_CURRENT_LIST_DIR}/key_sequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_sequence.h
  ${CMAKE_CURRENT_LIST_DIR}/key_sender.h
  ${CMAKE_CURRENT_LIST_DIR}/synthetic_key_guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/synthetic_key_guard.h)
target_link_libraries(blenvar_keys PUBLIC blenvar_core_api)
