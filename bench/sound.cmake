# Return times of the real sound player's modes (run under tests/support/with-desktop --audio).
if(BLENVAR_WITH_QT)
  add_executable(bench_sound sound/play_modes_bench.cpp)
  target_link_libraries(bench_sound PRIVATE blenvar_qtsound benchmark::benchmark)
  add_dependencies(bench_sound blenvar_sounds_files)
endif()
