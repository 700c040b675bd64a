# The clip's data, checksums and folders, and trk-probe --clip. (Included from
# tests/CMakeLists.txt: the clip writers' own tests own tests/clip/CMakeLists.txt.)
trk_add_test(test_clip_data
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MakeClipTest.cpp
  LIBS trk_clip trk_synth
  MODE plain)
add_dependencies(test_clip_data trk-probe)
if(TARGET trk_clip_video)
  target_compile_definitions(test_clip_data PRIVATE TRK_TEST_SHAREABLE)
endif()
