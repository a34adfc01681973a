# The tray images and the application icon, compiled into the program as Qt resources.
add_library(blenvar_icons STATIC
  ${CMAKE_CURRENT_LIST_DIR}/icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icons.h
  ${CMAKE_CURRENT_LIST_DIR}/icons.qrc)
set_target_properties(blenvar_icons PROPERTIES AUTORCC ON)
target_include_directories(blenvar_icons PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(blenvar_icons PUBLIC Qt6::Gui)


# The desktop's menu entry and the icon it names, under the prefix's shared folders: the
# SVG, and PNGs rendered from it for desktops and sizes that want pixels.
configure_file(${CMAKE_CURRENT_LIST_DIR}/blenvar.desktop.in
  ${CMAKE_CURRENT_BINARY_DIR}/blenvar.desktop @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/blenvar.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/blenvar.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(BLENVAR_RSVG_CONVERT rsvg-convert)
if(BLENVAR_RSVG_CONVERT)
  set(BLENVAR_ICON_PNGS "")
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/blenvar.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${BLENVAR_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
        ${CMAKE_CURRENT_LIST_DIR}/blenvar.svg
      DEPENDS ${CMAKE_CURRENT_LIST_DIR}/blenvar.svg
      VERBATIM)
    list(APPEND BLENVAR_ICON_PNGS ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(blenvar_icon_pngs ALL DEPENDS ${BLENVAR_ICON_PNGS})
else()
  message(STATUS "rsvg-convert not found: only the SVG icon is installed (scripts/install-deps)")
endif()
