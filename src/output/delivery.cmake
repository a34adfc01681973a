add_library(blenvar_delivery STATIC
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp)
target_link_libraries(blenvar_delivery PUBLIC blenvar_core_api)
