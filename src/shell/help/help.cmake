# The help pages, their browser, and the rule that maps tab:// links to tabs.
add_library(blenvar_tab_names STATIC ${CMAKE_CURRENT_LIST_DIR}/tab_names.cpp)
target_link_libraries(blenvar_tab_names PUBLIC blenvar_core_api)

add_library(blenvar_help STATIC
  ${CMAKE_CURRENT_LIST_DIR}/help_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_page.h)
target_link_libraries(blenvar_help PUBLIC blenvar_tab_names blenvar_core_api Qt6::Widgets)
set_target_properties(blenvar_help PROPERTIES AUTOMOC ON)

# The pages sit beside the executables, in the build tree as when installed.
set(BLENVAR_HELP_PAGES main.htm setup.htm help.htm)
set(BLENVAR_HELP_PAGE_FILES "")
foreach(page ${BLENVAR_HELP_PAGES})
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/bin/${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/pages/${page} ${CMAKE_BINARY_DIR}/bin/${page}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/pages/${page}
    COMMENT "Copying ${page}"
    VERBATIM)
  list(APPEND BLENVAR_HELP_PAGE_FILES ${CMAKE_BINARY_DIR}/bin/${page})
endforeach()
add_custom_target(blenvar_help_pages ALL DEPENDS ${BLENVAR_HELP_PAGE_FILES})
add_dependencies(blenvar_help blenvar_help_pages)
install(FILES ${BLENVAR_HELP_PAGE_FILES} DESTINATION ${BLENVAR_INSTALL_PROGRAMDIR})
