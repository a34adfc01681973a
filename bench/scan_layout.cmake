# Reading scans on the scanner's layout against the fixed table.
add_executable(bench_scan_layout ${CMAKE_CURRENT_LIST_DIR}/capture/scan_layout_bench.cpp)
target_link_libraries(bench_scan_layout PRIVATE blenvar_scan_layout benchmark::benchmark
  benchmark::benchmark_main)
