# blenvar as a process on a desktop with a tray: start to tray icon, idle CPU and memory,
# beside the smallest Qt tray program.
if(BLENVAR_WITH_QT)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_BENCH_X11 REQUIRED IMPORTED_TARGET x11)
  add_executable(blenvar_tray_start_bench ${CMAKE_CURRENT_LIST_DIR}/app/tray_start_bench.cpp)
  target_compile_definitions(blenvar_tray_start_bench PRIVATE
    BLENVAR_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  target_link_libraries(blenvar_tray_start_bench PRIVATE PkgConfig::BLENVAR_BENCH_X11)
  add_executable(blenvar_minimal_tray ${CMAKE_CURRENT_LIST_DIR}/app/minimal_tray.cpp)
  target_link_libraries(blenvar_minimal_tray PRIVATE Qt6::Widgets)
  add_dependencies(blenvar_tray_start_bench blenvar_minimal_tray)
endif()
