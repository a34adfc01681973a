blenvar_add_gtest(ini_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ini/ini_file_test.cpp
  LIBS blenvar_ini
  LABELS ini)
