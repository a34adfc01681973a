# The update server's answer on arbitrary bytes.
blenvar_add_fuzzer(fuzz_update_answer ${CMAKE_CURRENT_LIST_DIR}/update/fuzz_update_answer.cpp blenvar_update)
