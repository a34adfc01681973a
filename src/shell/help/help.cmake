# The help pages, their browser, and the rule that maps tab:// links to tabs.
add_library(blenvar_tab_names STATIC ${CMAKE_CURRENT_LIST_DIR}/tab_names.cpp)
target_link_libraries(blenvar_tab_names PUBLIC blenvar_core_api)
