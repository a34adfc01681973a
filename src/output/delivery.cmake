add_library(blenvar_delivery STATIC
  ${CMAKE_CURRENT_LIST_DIR}/command_action.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process_scan.cpp)
target_link_libraries(blenvar_delivery PUBLIC blenvar_core_api blenvar_output blenvar_keys blenvar_ini)
