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
