# The "Version Information" window: the update check and the upgrade.
add_library(blenvar_version STATIC
  ${CMAKE_CURRENT_LIST_DIR}/version_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_window.h)
target_link_libraries(blenvar_version PUBLIC blenvar_update blenvar_ini blenvar_icons Qt6::Widgets)
set_target_properties(blenvar_version PROPERTIES AUTOMOC ON)
target_compile_definitions(blenvar_version PRIVATE BLENVAR_HOME_PAGE="${BLENVAR_HOME_PAGE}")
