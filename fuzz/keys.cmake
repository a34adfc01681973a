# Key-sequence parser on arbitrary bytes, with arbitrary field flags.
blenvar_add_fuzzer(fuzz_key_sequence ${CMAKE_CURRENT_LIST_DIR}/keys/fuzz_key_sequence.cpp blenvar_keys blenvar_output)
