# The key table, and X11 capture on a real X server.
blenvar_add_gtest(capture_key_table_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/key_table_test.cpp
  LIBS blenvar_capture
  LABELS capture)

if(BLENVAR_WITH_QT)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BLENVAR_CAPTURE_TEST_X11 REQUIRED IMPORTED_TARGET x11 xtst xi)
  # Types keys through XTest; the program's end-to-end tests use it too.
  add_executable(blenvar-xinject ${CMAKE_CURRENT_LIST_DIR}/support/xinject.cpp)
  target_link_libraries(blenvar-xinject PRIVATE PkgConfig::BLENVAR_CAPTURE_TEST_X11)

  # X11Capture driven by the program's capture controller, recording what it reports.
  add_executable(blenvar-capture-harness
    ${CMAKE_CURRENT_LIST_DIR}/capture/x11/capture_harness.cpp)
  target_include_directories(blenvar-capture-harness PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(blenvar-capture-harness PRIVATE blenvar_x11capture blenvar_x11keys
    blenvar_shell_window Qt6::Core)
endif()

if(BLENVAR_WITH_QT)
  add_executable(capture_x11_test ${CMAKE_CURRENT_LIST_DIR}/capture/x11/capture_x11_test.cpp)
  target_link_libraries(capture_x11_test PRIVATE blenvar_keyprobe_session blenvar_capture
    PkgConfig::BLENVAR_CAPTURE_TEST_X11 GTest::gtest GTest::gtest_main)
  target_compile_definitions(capture_x11_test PRIVATE
    BLENVAR_KEYPROBE="$<TARGET_FILE:blenvar-keyprobe>"
    BLENVAR_XINJECT="$<TARGET_FILE:blenvar-xinject>"
    BLENVAR_HARNESS="$<TARGET_FILE:blenvar-capture-harness>")
  add_dependencies(capture_x11_test blenvar-keyprobe blenvar-xinject blenvar-capture-harness)
  add_test(NAME capture_x11_test
    COMMAND ${BLENVAR_WITH_DESKTOP} --x -- $<TARGET_FILE:capture_x11_test>)
  set_tests_properties(capture_x11_test PROPERTIES LABELS "desktop;capture" TIMEOUT 180)
endif()

if(BLENVAR_WITH_QT)
  # The same physical keys through X11Capture (XTest on Xvfb) and EvdevTranslator, on the
  # us and de layouts: the events must agree.
  add_executable(capture_backends_test
    ${CMAKE_CURRENT_LIST_DIR}/capture/x11/backends_agree_test.cpp)
  target_include_directories(capture_backends_test PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(capture_backends_test PRIVATE blenvar_x11capture blenvar_uinput_keys
    Qt6::Core PkgConfig::BLENVAR_CAPTURE_TEST_X11 GTest::gtest)
  add_test(NAME capture_backends_test
    COMMAND ${BLENVAR_WITH_DESKTOP} --x -- $<TARGET_FILE:capture_backends_test>)
  set_tests_properties(capture_backends_test PROPERTIES LABELS "desktop;capture" TIMEOUT 120)
endif()
