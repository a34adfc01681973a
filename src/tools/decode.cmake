add_library(blenvar_decode_cli STATIC
  ${CMAKE_CURRENT_LIST_DIR}/decode_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_text.cpp)
target_link_libraries(blenvar_decode_cli PUBLIC blenvar_decode blenvar_output blenvar_ini blenvar_paths)

if(BLENVAR_WITH_QT)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_DECODE_X11 REQUIRED IMPORTED_TARGET x11)
  add_executable(blenvar-decode
    ${CMAKE_CURRENT_LIST_DIR}/blenvar_decode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/deliver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_check.cpp)
  target_link_libraries(blenvar-decode PRIVATE blenvar_decode_cli blenvar_delivery blenvar_sound
    blenvar_qtsound blenvar_qtadapters blenvar_x11keys blenvar_posix Qt6::Gui PkgConfig::BLENVAR_DECODE_X11)
  if(TARGET blenvar_sounds_files)
    add_dependencies(blenvar-decode blenvar_sounds_files)
  endif()
  install(TARGETS blenvar-decode RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
