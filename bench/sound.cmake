# Return times of the real sound player's modes (run under tests/support/with-desktop --audio).
if(BLENVAR_WITH_QT)
  add_executable(blenvar_sound_bench sound/play_modes_bench.cpp)
  target_link_libraries(blenvar_sound_bench PRIVATE blenvar_qtsound benchmark::benchmark)
  add_dependencies(blenvar_sound_bench blenvar_sounds_files)
endif()
