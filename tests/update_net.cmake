# The version window against real servers on 127.0.0.1, through the real adapters; the
# connection state for real inside network namespaces (root only: skipped otherwise).
if(BLENVAR_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  blenvar_add_gtest(update_net_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/update/version_window_test.cpp
      ${CMAKE_SOURCE_DIR}/tests/support/qt_test_main.cpp
    LIBS blenvar_version blenvar_network blenvar_posix Qt6::Test
    LABELS update
    ENV "QT_QPA_PLATFORM=offscreen"
    FILTER "-*OnlineAsTheNetworkInterfacesSay")
  target_compile_definitions(update_net_test PRIVATE
    BLENVAR_UPDATE_SERVER="${CMAKE_CURRENT_SOURCE_DIR}/update/update_server.py")
  foreach(mode offline online)
    add_test(NAME update_${mode}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/update/in-netns ${mode}
        $<TARGET_FILE:update_net_test> --gtest_filter=*OnlineAsTheNetworkInterfacesSay)
    set_tests_properties(update_${mode} PROPERTIES LABELS update SKIP_RETURN_CODE 77
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endif()

# Updates in the whole program.
blenvar_add_desktop_script(blenvar_version_desktop_test
  ${CMAKE_CURRENT_LIST_DIR}/shell/version_desktop_test.py 120)
