# Typing speed of the X11 key sender (run under tests/support/with-desktop --x).
if(TARGET blenvar_x11keys AND TARGET blenvar-keyprobe)
  add_executable(bench_keys ${CMAKE_CURRENT_LIST_DIR}/keys/keys_bench.cpp
    ${CMAKE_SOURCE_DIR}/tests/keys/probe_session.cpp)
  target_include_directories(bench_keys PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(bench_keys PRIVATE blenvar_x11keys benchmark::benchmark
    benchmark::benchmark_main)
  target_compile_definitions(bench_keys PRIVATE BLENVAR_KEYPROBE="$<TARGET_FILE:blenvar-keyprobe>")
  add_dependencies(bench_keys blenvar-keyprobe)
endif()
