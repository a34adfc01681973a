# The tray images and the application icon, compiled into the program as Qt resources.
add_library(blenvar_icons STATIC
  ${CMAKE_CURRENT_LIST_DIR}/icons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/icons.h
  ${CMAKE_CURRENT_LIST_DIR}/icons.qrc)
set_target_properties(blenvar_icons PROPERTIES AUTORCC ON)
target_include_directories(blenvar_icons PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(blenvar_icons PUBLIC Qt6::Gui)


# The desktop's menu entry and the icon it names, under the prefix's shared folders.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/blenvar.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/blenvar.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
