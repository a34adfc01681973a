# Sound events component, the real player, the sound files and blenvar-sounds.
if(BLENVAR_WITH_QT)
  # Real audio: one private PulseAudio server with a null sink for the whole binary.
  add_executable(blenvar_sound_player_test sound/qt_sound_player_test.cpp)
  target_link_libraries(blenvar_sound_player_test PRIVATE blenvar_qtsound blenvar_qtsound_lazy
    GTest::gtest)
  add_dependencies(blenvar_sound_player_test blenvar_sounds_files)
  add_test(NAME blenvar_sound_player_test
    COMMAND ${BLENVAR_WITH_DESKTOP} --audio -- $<TARGET_FILE:blenvar_sound_player_test>)
  set_tests_properties(blenvar_sound_player_test PROPERTIES LABELS "desktop;audio" TIMEOUT 120
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/sound/lsan.supp")
endif()

find_package(SQLite3 REQUIRED)
blenvar_add_gtest(blenvar_sound_control_test
  SOURCES sound/sound_control_test.cpp sound/sound_files_test.cpp
  LIBS blenvar_sound SQLite::SQLite3
  LABELS sound)
add_dependencies(blenvar_sound_control_test blenvar_sounds_files)

if(BLENVAR_WITH_QT)
  blenvar_add_gtest(blenvar_sounds_window_test
    SOURCES sound/sound_events_window_test.cpp ${CMAKE_SOURCE_DIR}/tests/support/qt_test_main.cpp sound/sounds_cli_test.cpp
    LIBS blenvar_sounds_window SQLite::SQLite3
    LABELS sound
    ENV "QT_QPA_PLATFORM=offscreen")
  add_dependencies(blenvar_sounds_window_test blenvar_sounds_app)
  target_compile_definitions(blenvar_sounds_window_test PRIVATE
    BLENVAR_SOUNDS_BIN="$<TARGET_FILE:blenvar_sounds_app>" BLENVAR_VERSION="${BLENVAR_VERSION}")
endif()
