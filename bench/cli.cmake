# blenvar-decode as a process: start-up, standard-input throughput, scan to delivery.
if(TARGET blenvar-decode)
  foreach(bench decode_cli_bench deliver_latency_bench decode_stream_bench sections_bench)
    add_executable(${bench} ${CMAKE_CURRENT_LIST_DIR}/cli/${bench}.cpp)
    target_compile_definitions(${bench} PRIVATE BLENVAR_DECODE="$<TARGET_FILE:blenvar-decode>")
    target_include_directories(${bench} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
    add_dependencies(${bench} blenvar-decode)
  endforeach()
  # Its per-scan breakdown runs the program's own decoder in process.
  target_link_libraries(decode_stream_bench PRIVATE blenvar_decode_cli)
endif()
