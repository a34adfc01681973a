find_package(SQLite3 REQUIRED)

blenvar_add_gtest(registry_tests
  SOURCES registry/c_registry_test.cpp registry/store_test.cpp
  LIBS blenvar_registry
  LABELS registry)

# Crash safety: a helper process writes through cRegistry and is killed at random points.
add_executable(registry_crash_writer registry/crash_writer.cpp)
target_link_libraries(registry_crash_writer PRIVATE blenvar_registry)
target_include_directories(registry_crash_writer PRIVATE ${CMAKE_SOURCE_DIR}/tests)
blenvar_add_gtest(registry_crash_tests
  SOURCES registry/crash_test.cpp
  LIBS blenvar_registry SQLite::SQLite3
  LABELS registry)
add_dependencies(registry_crash_tests registry_crash_writer)
target_compile_definitions(registry_crash_tests PRIVATE
  BLENVAR_CRASH_WRITER="$<TARGET_FILE:registry_crash_writer>")
