blenvar_add_gtest(output_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/output/mask_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/output/settings_test.cpp
  LIBS blenvar_output)
