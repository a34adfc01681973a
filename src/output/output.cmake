# Output masks, default file names and conversions (pure), plus the settings layout.
add_library(blenvar_output STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mask.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversions.cpp)
target_link_libraries(blenvar_output PUBLIC blenvar_core_api blenvar_decode)

# The parts that read and write settings need the INI component.
if(TARGET blenvar_ini)
  target_sources(blenvar_output PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/settings_layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/conversions_ini.cpp)
  target_link_libraries(blenvar_output PUBLIC blenvar_ini)
endif()
