add_library(blenvar_qtadapters STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qt_clipboard.cpp)
target_link_libraries(blenvar_qtadapters PUBLIC blenvar_core_api Qt6::Gui)
