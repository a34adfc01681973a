# Key-sequence parser on arbitrary bytes, with arbitrary field flags.
blenvar_add_fuzzer(keys_sequence_fuzz ${CMAKE_CURRENT_LIST_DIR}/keys/key_sequence_fuzz.cpp blenvar_keys)
