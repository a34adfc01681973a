# Delivering scans: ProcessScan with fakes, and the real POSIX adapters.
blenvar_add_gtest(delivery_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/delivery/process_scan_test.cpp
  LIBS blenvar_delivery)
