# The three scan sounds, generated at build time beside the executables.
add_executable(blenvar_make_sounds ${CMAKE_CURRENT_LIST_DIR}/make_sounds.cpp)
set_target_properties(blenvar_make_sounds PROPERTIES OUTPUT_NAME blenvar-make-sounds)
target_compile_definitions(blenvar_make_sounds PRIVATE BLENVAR_VERSION="${BLENVAR_VERSION}")
target_link_libraries(blenvar_make_sounds PRIVATE blenvar_core_api)

set(BLENVAR_SOUND_FILES
  ${CMAKE_BINARY_DIR}/bin/buzz.wav
  ${CMAKE_BINARY_DIR}/bin/zing.wav
  ${CMAKE_BINARY_DIR}/bin/boin.wav)
add_custom_command(
  OUTPUT ${BLENVAR_SOUND_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
  COMMAND blenvar_make_sounds ${CMAKE_BINARY_DIR}/bin
  DEPENDS blenvar_make_sounds
  COMMENT "Generating buzz.wav, zing.wav, boin.wav"
  VERBATIM)
add_custom_target(blenvar_sounds_files ALL DEPENDS ${BLENVAR_SOUND_FILES})
install(FILES ${BLENVAR_SOUND_FILES} DESTINATION ${BLENVAR_INSTALL_PROGRAMDIR})
