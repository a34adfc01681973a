# The settings layout sits below decoding and delivery, which both take names from it.
add_library(blenvar_settings_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/settings_layout.cpp)
target_link_libraries(blenvar_settings_layout PUBLIC blenvar_core_api blenvar_ini)

# Output masks and conversions.
add_library(blenvar_output STATIC
  ${CMAKE_CURRENT_LIST_DIR}/mask.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/conversions_ini.cpp)
target_link_libraries(blenvar_output PUBLIC blenvar_core_api blenvar_decode blenvar_ini
  blenvar_settings_layout)

# Rules of the per-type settings editor (no widgets).
add_library(blenvar_editor_rules STATIC ${CMAKE_CURRENT_LIST_DIR}/editor_rules.cpp)
target_link_libraries(blenvar_editor_rules PUBLIC blenvar_core_api blenvar_settings_layout)
