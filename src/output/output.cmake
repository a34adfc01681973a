# Output masks, default file names, conversions and the settings layout.
add_library(blenvar_output STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mask.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversions_ini.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_layout.cpp)
target_link_libraries(blenvar_output PUBLIC blenvar_core_api blenvar_decode blenvar_ini)
