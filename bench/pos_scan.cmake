# A long HID POS scan from its last report to the file line, and blenvar-decode --capture's
# wake-ups while its scanners are silent.
add_executable(blenvar_pos_scan_bench ${CMAKE_CURRENT_LIST_DIR}/capture/pos_scan_bench.cpp)
target_compile_definitions(blenvar_pos_scan_bench PRIVATE
  BLENVAR_DECODE="$<TARGET_FILE:blenvar-decode>")
target_include_directories(blenvar_pos_scan_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(blenvar_pos_scan_bench PRIVATE blenvar_delivery blenvar_evdev blenvar_posix
  util)
add_dependencies(blenvar_pos_scan_bench blenvar-decode)
