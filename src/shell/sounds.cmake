# blenvar-sounds, the sound-event settings window.
add_library(blenvar_sounds_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/sounds/sound_events_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sounds/sound_events_window.h)
target_link_libraries(blenvar_sounds_window PUBLIC blenvar_sound blenvar_qtsound Qt6::Widgets)
set_target_properties(blenvar_sounds_window PROPERTIES AUTOMOC ON)

add_executable(blenvar_sounds_app ${CMAKE_CURRENT_LIST_DIR}/sounds/main.cpp)
set_target_properties(blenvar_sounds_app PROPERTIES OUTPUT_NAME blenvar-sounds)
target_compile_definitions(blenvar_sounds_app PRIVATE BLENVAR_VERSION="${BLENVAR_VERSION}")
target_link_libraries(blenvar_sounds_app PRIVATE blenvar_sounds_window blenvar_qtmessages blenvar_paths)
add_dependencies(blenvar_sounds_app blenvar_sounds_files)
install(TARGETS blenvar_sounds_app RUNTIME DESTINATION ${BLENVAR_INSTALL_PROGRAMDIR})
