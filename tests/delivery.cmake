# Delivering scans: ProcessScan with fakes, and the real POSIX adapters.
blenvar_add_gtest(delivery_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/delivery/process_scan_test.cpp
  LIBS blenvar_delivery)

# Records the argument list it was started with.
add_executable(blenvar-argrecord ${CMAKE_CURRENT_LIST_DIR}/delivery/argrecord.cpp)

blenvar_add_gtest(posix_adapters_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/delivery/posix_adapters_test.cpp
  LIBS blenvar_posix blenvar_desktop)
target_compile_definitions(posix_adapters_test PRIVATE
  BLENVAR_ARGRECORD="$<TARGET_FILE:blenvar-argrecord>")
add_dependencies(posix_adapters_test blenvar-argrecord)

# Sending to a server: the masks and the outbox's rules, then real HTTP on 127.0.0.1.
blenvar_add_gtest(server_outbox_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/delivery/server_outbox_test.cpp
  LIBS blenvar_delivery blenvar_server_transport blenvar_posix)
target_compile_definitions(server_outbox_test PRIVATE
  SCAN_SERVER="${CMAKE_CURRENT_LIST_DIR}/delivery/scan_server.py"
  BLENVAR_DECODE="$<TARGET_FILE:blenvar-decode>")
add_dependencies(server_outbox_test blenvar-decode)
