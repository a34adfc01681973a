# QtSoundPlayer: the sound player on Qt Multimedia (GStreamer backend).
add_library(blenvar_qtsound STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qt_sound_player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_sound_player.h)
target_link_libraries(blenvar_qtsound PUBLIC blenvar_core_api Qt6::Core Qt6::Multimedia)
set_target_properties(blenvar_qtsound PROPERTIES AUTOMOC ON)

# QuietDesktopMessages: keeps Qt's and the audio system's chatter off standard error.
add_library(blenvar_qtmessages STATIC ${CMAKE_CURRENT_LIST_DIR}/qt_messages.cpp)
target_link_libraries(blenvar_qtmessages PUBLIC blenvar_core_api Qt6::Core)
