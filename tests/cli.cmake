# blenvar-decode as a process.
if(TARGET blenvar-decode)
  blenvar_add_gtest(decode_cli_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli/decode_cli_test.cpp
    LIBS blenvar_core_api)
  target_compile_definitions(decode_cli_test PRIVATE BLENVAR_DECODE="$<TARGET_FILE:blenvar-decode>")
  add_dependencies(decode_cli_test blenvar-decode)
endif()
