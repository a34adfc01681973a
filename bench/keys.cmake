# Typing speed of the X11 key sender (run under tests/support/with-desktop --x).
if(TARGET blenvar_x11keys AND TARGET blenvar-keyprobe)
  add_executable(keys_bench ${CMAKE_CURRENT_LIST_DIR}/keys/keys_bench.cpp
    ${CMAKE_SOURCE_DIR}/tests/keys/probe_session.cpp)
  target_include_directories(keys_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(keys_bench PRIVATE blenvar_x11keys benchmark::benchmark
    benchmark::benchmark_main)
  target_compile_definitions(keys_bench PRIVATE BLENVAR_KEYPROBE="$<TARGET_FILE:blenvar-keyprobe>")
  add_dependencies(keys_bench blenvar-keyprobe)
endif()
