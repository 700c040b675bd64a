# The shareable MP4: a synthesized trip across a recording boundary, encoded
# with its overlay and read back (ffprobe and our own decoder).
trk_add_test(clip_shareable_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/../controls/main.cpp ${CMAKE_CURRENT_LIST_DIR}/ShareableClipTest.cpp
  LIBS trk_clip_video trk_pictures trk_synth
  MODE offscreen)
target_include_directories(clip_shareable_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../repair)
