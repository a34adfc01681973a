# Sending to a server against the local test server: scan to accepted, the drain of 10,000
# queued scans, and what the outbox adds to a scan.
find_program(BLENVAR_MOSQUITTO mosquitto PATHS /usr/sbin)
add_executable(blenvar_server_bench ${CMAKE_CURRENT_LIST_DIR}/server/server_bench.cpp)
target_compile_definitions(blenvar_server_bench PRIVATE
  SCAN_SERVER="${CMAKE_SOURCE_DIR}/tests/delivery/scan_server.py"
  MOSQUITTO="${BLENVAR_MOSQUITTO}")
target_include_directories(blenvar_server_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(blenvar_server_bench PRIVATE blenvar_delivery blenvar_server_transport)
