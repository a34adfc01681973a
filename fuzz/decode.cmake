blenvar_add_fuzzer(fuzz_wildcard ${CMAKE_CURRENT_LIST_DIR}/decode/fuzz_wildcard.cpp blenvar_decode)
blenvar_add_fuzzer(fuzz_decode ${CMAKE_CURRENT_LIST_DIR}/decode/fuzz_decode.cpp
  blenvar_decode blenvar_output)
target_include_directories(fuzz_decode PRIVATE ${CMAKE_SOURCE_DIR}/tests)
