# The tray program: start-up order, tray policy, single copy, and its window.
blenvar_add_gtest(shell_core_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/shell/startup_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell/tray_policy_test.cpp
  LIBS blenvar_shell_core
  LABELS shell)

if(BLENVAR_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  blenvar_add_gtest(shell_window_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/shell/main_window_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/shell/capture_controller_test.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/qt_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/shell/single_copy_test.cpp
    LIBS blenvar_shell_window Qt6::Test
    LABELS shell
    ENV "QT_QPA_PLATFORM=offscreen")
  add_dependencies(shell_window_test blenvar_app_main)
  target_compile_definitions(shell_window_test PRIVATE
    BLENVAR_BIN="$<TARGET_FILE:blenvar_app_main>"
    ARTIFACTS="${CMAKE_BINARY_DIR}/artifacts/desktop")
endif()
