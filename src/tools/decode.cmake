add_library(blenvar_decode_cli STATIC
  ${CMAKE_CURRENT_LIST_DIR}/capture_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scan_input.cpp)
target_link_libraries(blenvar_decode_cli PUBLIC blenvar_decode blenvar_output blenvar_ini blenvar_paths
  blenvar_evdev blenvar_uinput_keys blenvar_scan_layout)

# Decoding alone: no Qt, audio or X library is linked into the program itself.
add_executable(blenvar-decode
  ${CMAKE_CURRENT_LIST_DIR}/blenvar_decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deliver_loader.cpp)
target_link_libraries(blenvar-decode PRIVATE blenvar_decode_cli ${CMAKE_DL_LIBS})
target_compile_definitions(blenvar-decode PRIVATE BLENVAR_VERSION="${BLENVAR_VERSION}")
install(TARGETS blenvar-decode RUNTIME DESTINATION ${BLENVAR_INSTALL_PROGRAMDIR})

# Static libraries linked into a shared library must be position-independent.
function(blenvar_make_pic target)
  get_target_property(type ${target} TYPE)
  get_target_property(done ${target} BLENVAR_PIC_DONE)
  if(done OR NOT type MATCHES "STATIC_LIBRARY|INTERFACE_LIBRARY")
    return()
  endif()
  set_target_properties(${target} PROPERTIES BLENVAR_PIC_DONE ON)
  if(type STREQUAL "STATIC_LIBRARY")
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    get_target_property(deps ${target} LINK_LIBRARIES)
  else()
    get_target_property(deps ${target} INTERFACE_LINK_LIBRARIES)
  endif()
  foreach(dep IN LISTS deps)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
    if(TARGET ${dep})
      get_target_property(imported ${dep} IMPORTED)
      if(NOT imported)
        blenvar_make_pic(${dep})
      endif()
    endif()
  endforeach()
endfunction()

# --deliver: the desktop actions and the composition root, loaded with dlopen.
if(BLENVAR_WITH_QT)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_DECODE_X11 REQUIRED IMPORTED_TARGET x11)
  add_library(blenvar_deliver MODULE
    ${CMAKE_CURRENT_LIST_DIR}/deliver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_check.cpp)
  target_link_libraries(blenvar_deliver PRIVATE blenvar_decode_cli blenvar_app
    PkgConfig::BLENVAR_DECODE_X11)
  set_target_properties(blenvar_deliver PROPERTIES
    OUTPUT_NAME blenvar-deliver
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  # Only the entry point is exported; the copies of the core inside stay private.
  target_link_options(blenvar_deliver PRIVATE -Wl,--exclude-libs,ALL -Wl,-z,defs)
  blenvar_make_pic(blenvar_decode_cli)
  blenvar_make_pic(blenvar_app)
  add_dependencies(blenvar-decode blenvar_deliver)
  if(TARGET blenvar_sounds_files)
    add_dependencies(blenvar_deliver blenvar_sounds_files)
  endif()
  # A private module beside the program that loads it, not a library for others.
  install(TARGETS blenvar_deliver LIBRARY DESTINATION ${BLENVAR_INSTALL_PROGRAMDIR})
endif()
