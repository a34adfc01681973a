# Scan timing of blenvar on a desktop: start key to scan open, stop key to the raw text
# shown and to the file line written (run under tests/support/with-desktop --x).
if(BLENVAR_WITH_QT)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_BENCH_CAPTURE_X11 REQUIRED IMPORTED_TARGET x11 xtst)
  add_executable(blenvar_capture_scan_bench ${CMAKE_CURRENT_LIST_DIR}/capture/capture_scan_bench.cpp)
  target_compile_definitions(blenvar_capture_scan_bench PRIVATE
    BLENVAR_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  target_link_libraries(blenvar_capture_scan_bench PRIVATE PkgConfig::BLENVAR_BENCH_CAPTURE_X11)
  add_dependencies(blenvar_capture_scan_bench blenvar_app_main)
endif()
