# blenvar-decode as a process.
if(TARGET blenvar-decode)
  blenvar_add_gtest(decode_cli_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli/decode_cli_test.cpp
    LIBS blenvar_core_api)
  target_compile_definitions(decode_cli_test PRIVATE BLENVAR_DECODE="$<TARGET_FILE:blenvar-decode>"
    BLENVAR_MAKE_SOUNDS="$<TARGET_FILE:blenvar_make_sounds>" BLENVAR_VERSION="${BLENVAR_VERSION}")
  add_dependencies(decode_cli_test blenvar-decode blenvar_make_sounds)
endif()

# --deliver on a private headless desktop (X server and audio server).
if(TARGET blenvar-decode AND TARGET blenvar_keyprobe_session)
  add_executable(deliver_test ${CMAKE_CURRENT_LIST_DIR}/cli/deliver_test.cpp)
  target_include_directories(deliver_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(deliver_test PRIVATE blenvar_keyprobe_session GTest::gtest GTest::gtest_main)
  target_compile_definitions(deliver_test PRIVATE
    BLENVAR_DECODE="$<TARGET_FILE:blenvar-decode>"
    BLENVAR_KEYPROBE="$<TARGET_FILE:blenvar-keyprobe>"
    BLENVAR_ARGRECORD="$<TARGET_FILE:blenvar-argrecord>")
  add_dependencies(deliver_test blenvar-decode blenvar-keyprobe blenvar-argrecord)
  add_test(NAME deliver_test COMMAND ${BLENVAR_WITH_DESKTOP} --x --audio -- $<TARGET_FILE:deliver_test>)
  set_tests_properties(deliver_test PROPERTIES LABELS desktop TIMEOUT 300)
endif()

# The manual pages against each program's --help.
if(TARGET blenvar-decode AND TARGET blenvar_app_main AND TARGET blenvar_sounds_app)
  set(man ${CMAKE_SOURCE_DIR}/doc/man)
  add_test(NAME man_pages_test COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/cli/man_pages_test.sh
    $<TARGET_FILE:blenvar_app_main> ${man}/blenvar.1.scd
    $<TARGET_FILE:blenvar-decode> ${man}/blenvar-decode.1.scd
    $<TARGET_FILE:blenvar_sounds_app> ${man}/blenvar-sounds.1.scd)
  set_tests_properties(man_pages_test PROPERTIES LABELS cli)
endif()
