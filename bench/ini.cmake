add_executable(bench_ini ${CMAKE_CURRENT_SOURCE_DIR}/ini/ini_bench.cpp)
target_link_libraries(bench_ini PRIVATE blenvar_ini benchmark::benchmark benchmark::benchmark_main)
