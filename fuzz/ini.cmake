blenvar_add_fuzzer(fuzz_ini ${CMAKE_CURRENT_SOURCE_DIR}/ini/fuzz_ini.cpp blenvar_ini)
