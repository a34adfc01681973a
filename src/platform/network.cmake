# The update check's adapters: the page request (Qt Network), the connection state
# (getifaddrs) and the package download (libcurl, since Qt has no FTP).
find_package(CURL REQUIRED)
add_library(blenvar_network STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qt_page_fetcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ifaddrs_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/curl_downloader.cpp)
target_link_libraries(blenvar_network PUBLIC blenvar_core_api blenvar_paths Qt6::Network
  PRIVATE CURL::libcurl)
set_target_properties(blenvar_network PROPERTIES AUTOMOC ON)
