# X11 capture: idle key delay with and without it, and capture throughput (run under
# tests/support/with-desktop --x).
if(TARGET blenvar_x11capture AND TARGET blenvar-capture-harness)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_BENCH_CAPTURE_X11 REQUIRED IMPORTED_TARGET x11 xtst xi)
  add_executable(bench_capture_x11 ${CMAKE_CURRENT_LIST_DIR}/capture_x11/capture_x11_bench.cpp)
  target_link_libraries(bench_capture_x11 PRIVATE blenvar_x11capture
    PkgConfig::BLENVAR_BENCH_CAPTURE_X11 Qt6::Core)
  target_compile_definitions(bench_capture_x11 PRIVATE
    BLENVAR_HARNESS="$<TARGET_FILE:blenvar-capture-harness>")
  add_dependencies(bench_capture_x11 blenvar-capture-harness)
endif()
