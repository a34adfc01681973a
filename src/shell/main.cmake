# blenvar, the tray program: its window, tray, start-up order and single instance.
add_library(blenvar_shell_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/main/startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/tray_policy.cpp)
target_link_libraries(blenvar_shell_core PUBLIC blenvar_capture blenvar_delivery)

find_package(Qt6 REQUIRED COMPONENTS DBus)
add_library(blenvar_shell_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/main/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/capture_controller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/capture_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/relay_capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/scanner_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/setup_tab.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/scan_sources_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/layout_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/capture_driver.h
  ${CMAKE_CURRENT_LIST_DIR}/main/last_scan_tab.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/shell_tray.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main/single_instance.cpp)
target_link_libraries(blenvar_shell_window PUBLIC blenvar_shell_core blenvar_app blenvar_desktop
  blenvar_editor
  blenvar_help blenvar_icons blenvar_version blenvar_code128 Qt6::Widgets Qt6::Network Qt6::DBus)
set_target_properties(blenvar_shell_window PROPERTIES AUTOMOC ON)
target_compile_definitions(blenvar_shell_window PRIVATE BLENVAR_DESCRIPTION="${BLENVAR_DESCRIPTION}")

add_executable(blenvar_app_main ${CMAKE_CURRENT_LIST_DIR}/main/main.cpp)
set_target_properties(blenvar_app_main PROPERTIES OUTPUT_NAME blenvar)
target_compile_definitions(blenvar_app_main PRIVATE BLENVAR_VERSION="${BLENVAR_VERSION}"
  BLENVAR_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} BLENVAR_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  BLENVAR_VERSION_PATCH=${PROJECT_VERSION_PATCH})
target_link_libraries(blenvar_app_main PRIVATE blenvar_shell_window blenvar_x11capture
  blenvar_evdev)
add_dependencies(blenvar_app_main blenvar_sounds_files blenvar_help_pages blenvar_sounds_app)
install(TARGETS blenvar_app_main RUNTIME DESTINATION ${BLENVAR_INSTALL_PROGRAMDIR})
