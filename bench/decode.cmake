add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/decode/decode_bench.cpp)
target_link_libraries(bench_decode PRIVATE blenvar_decode blenvar_output
  benchmark::benchmark benchmark::benchmark_main)
target_include_directories(bench_decode PRIVATE ${CMAKE_SOURCE_DIR}/tests)
