add_library(blenvar_posix STATIC
  ${CMAKE_CURRENT_LIST_DIR}/posix_process_starter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_file_appender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xdg_opener.cpp)
target_link_libraries(blenvar_posix PUBLIC blenvar_core_api)
