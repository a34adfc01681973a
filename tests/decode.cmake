blenvar_add_gtest(decode_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/decode/wildcard_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decode/converter_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decode/readings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decode/driver_test.cpp
  LIBS blenvar_decode)
