# The update check against the local test servers: request to result, 5 MB download,
# a 1 MB answer to the window shown.
if(BLENVAR_WITH_QT)
  add_executable(blenvar_update_bench ${CMAKE_CURRENT_LIST_DIR}/update/update_bench.cpp)
  target_compile_definitions(blenvar_update_bench PRIVATE
    BLENVAR_UPDATE_SERVER="${CMAKE_SOURCE_DIR}/tests/update/update_server.py")
  target_link_libraries(blenvar_update_bench PRIVATE blenvar_version blenvar_network blenvar_posix
    blenvar_update)
endif()
