# The capture and training state machines, driven by the transcripts in capture/transcripts.
blenvar_add_gtest(capture_transcript_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/transcript_test.cpp
  LIBS blenvar_capture
  LABELS capture)
target_compile_definitions(capture_transcript_test PRIVATE
  BLENVAR_TRANSCRIPTS="${CMAKE_CURRENT_LIST_DIR}/capture/transcripts")
# A changed or new transcript rebuilds the test, so its rows are discovered again.
file(GLOB BLENVAR_TRANSCRIPT_FILES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/capture/transcripts/*.t)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/capture/transcript_test.cpp
  PROPERTIES OBJECT_DEPENDS "${BLENVAR_TRANSCRIPT_FILES}")
# Key strokes read on the scanner's XKB layouts.
blenvar_add_gtest(capture_scan_layout_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture/scan_layout_test.cpp
  LIBS blenvar_scan_layout blenvar_uinput_keys
  LABELS capture)
