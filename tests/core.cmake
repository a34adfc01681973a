# Plain helpers of the core: where settings and the autostart entry go.
blenvar_add_gtest(core_paths_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/core/paths_test.cpp
  LIBS blenvar_paths
  LABELS core)
blenvar_add_gtest(core_autostart_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/core/autostart_test.cpp
  LIBS blenvar_desktop
  LABELS core)
blenvar_add_gtest(core_code128_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/core/code128_test.cpp
  LIBS blenvar_code128
  LABELS core)
