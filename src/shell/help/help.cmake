# The help pages, their browser, and the rule that maps tab:// links to tabs.
add_library(blenvar_tab_names STATIC ${CMAKE_CURRENT_LIST_DIR}/tab_names.cpp)
target_link_libraries(blenvar_tab_names PUBLIC blenvar_core_api)

add_library(blenvar_help STATIC
  ${CMAKE_CURRENT_LIST_DIR}/help_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_page.h)
target_link_libraries(blenvar_help PUBLIC blenvar_tab_names blenvar_core_api Qt6::Widgets)
set_target_properties(blenvar_help PROPERTIES AUTOMOC ON)
