if(TARGET blenvar_ini)
  add_executable(decode_bench ${CMAKE_CURRENT_LIST_DIR}/decode/decode_bench.cpp)
  target_link_libraries(decode_bench PRIVATE blenvar_decode blenvar_output
    benchmark::benchmark benchmark::benchmark_main)
  target_include_directories(decode_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
