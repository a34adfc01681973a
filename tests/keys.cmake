# Key-sequence notation and the X11 key sender.
blenvar_add_gtest(keys_notation_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/keys/key_sequence_test.cpp
  LIBS blenvar_keys)

if(BLENVAR_WITH_QT)
  # Test window that records the keys it receives.
  add_executable(blenvar-keyprobe ${CMAKE_CURRENT_LIST_DIR}/keys/keyprobe.cpp)
  target_link_libraries(blenvar-keyprobe PRIVATE Qt6::Widgets)

  # Starts the probe itself; one private desktop serves the whole binary.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_KEYS_TEST_X11 REQUIRED IMPORTED_TARGET x11 xtst xkbcommon)
  # The same for a plain Xlib client, which reads the keymap as xev does.
  add_executable(blenvar-xlibprobe ${CMAKE_CURRENT_LIST_DIR}/keys/xlibprobe.cpp)
  target_link_libraries(blenvar-xlibprobe PRIVATE PkgConfig::BLENVAR_KEYS_TEST_X11)
  add_library(blenvar_keyprobe_session STATIC ${CMAKE_CURRENT_LIST_DIR}/keys/probe_session.cpp)
  target_include_directories(blenvar_keyprobe_session PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  add_executable(keys_x11_sender_test ${CMAKE_CURRENT_LIST_DIR}/keys/x11_key_sender_test.cpp)
  target_link_libraries(keys_x11_sender_test PRIVATE blenvar_x11keys blenvar_keyprobe_session
    PkgConfig::BLENVAR_KEYS_TEST_X11 GTest::gtest GTest::gtest_main)
  target_compile_definitions(keys_x11_sender_test PRIVATE
    BLENVAR_KEYPROBE="$<TARGET_FILE:blenvar-keyprobe>"
    BLENVAR_XLIBPROBE="$<TARGET_FILE:blenvar-xlibprobe>")
  add_dependencies(keys_x11_sender_test blenvar-keyprobe blenvar-xlibprobe)
  add_test(NAME keys_x11_sender_test
    COMMAND ${BLENVAR_WITH_DESKTOP} --x -- $<TARGET_FILE:keys_x11_sender_test>)
  set_tests_properties(keys_x11_sender_test PROPERTIES LABELS desktop TIMEOUT 120)
  # Some faults show only on a server that has just started: try a row of them.
  add_test(NAME keys_x11_fresh_servers_test
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/keys/on_fresh_servers 8 ${BLENVAR_WITH_DESKTOP}
      $<TARGET_FILE:keys_x11_sender_test> --gtest_filter=X11KeySenderXlibClient.*)
  set_tests_properties(keys_x11_fresh_servers_test PROPERTIES LABELS desktop TIMEOUT 120)

  # The test desktop must start cleanly however late Xvfb gets to report its display.
  add_library(blenvar_slow_display_file SHARED ${CMAKE_CURRENT_LIST_DIR}/keys/slow_display_file.cpp)
  # Preloaded into programs built without sanitizers.
  set_target_properties(blenvar_slow_display_file PROPERTIES COMPILE_OPTIONS "" LINK_OPTIONS "")
  target_link_libraries(blenvar_slow_display_file PRIVATE ${CMAKE_DL_LIBS})
  add_test(NAME desktop_slow_start_test
    COMMAND env LD_PRELOAD=$<TARGET_FILE:blenvar_slow_display_file>
      ${CMAKE_CURRENT_LIST_DIR}/keys/on_fresh_servers 1 ${BLENVAR_WITH_DESKTOP} true)
  set_tests_properties(desktop_slow_start_test PROPERTIES LABELS desktop TIMEOUT 60)
endif()
