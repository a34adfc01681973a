# The per-type settings editor of the "Control" tab and the encoding options of "Setup".
add_library(blenvar_editor STATIC
  ${CMAKE_CURRENT_LIST_DIR}/type_editor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/type_editor.h
  ${CMAKE_CURRENT_LIST_DIR}/encoding_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoding_options.h
  ${CMAKE_CURRENT_LIST_DIR}/settings_text.cpp)
target_link_libraries(blenvar_editor PUBLIC blenvar_editor_rules blenvar_sound Qt6::Widgets)
set_target_properties(blenvar_editor PROPERTIES AUTOMOC ON)
