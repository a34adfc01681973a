# The udev helper that tells HID POS scanners from other hidraw devices.
add_executable(blenvar-hid-pos-id ${CMAKE_CURRENT_LIST_DIR}/hid_pos_id.cpp)
target_link_libraries(blenvar-hid-pos-id PRIVATE blenvar_capture)
# udev runs a rule's program by its bare name from lib/udev.
install(TARGETS blenvar-hid-pos-id RUNTIME DESTINATION lib/udev)
