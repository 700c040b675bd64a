# trk_add_test(NAME SOURCES a.cpp ... LIBS x y [MODE plain|offscreen|xvfb] [TIMEOUT s])
#  plain:     GoogleTest cases discovered one by one.
#  offscreen: Qt widgets without a display (QT_QPA_PLATFORM=offscreen).
#  xvfb:      the whole binary runs under xvfb-run with a real X server (libvlc, QtWebEngine).
function(trk_add_test name)
  cmake_parse_arguments(T "" "MODE;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_MODE)
    set(T_MODE plain)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  # Every test starts in the same desktop locale (tests/PinnedLocale.cpp).
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/PinnedLocale.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(NOT T_SOURCES MATCHES "main\\.cpp")
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    TRK_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
    TRK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(T_MODE STREQUAL "plain")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${T_TIMEOUT})
  elseif(T_MODE STREQUAL "offscreen")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TRK_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts")
  elseif(T_MODE STREQUAL "xvfb")
    add_test(NAME ${name}
      COMMAND xvfb-run -a -s "-screen 0 1920x1080x24" $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} RUN_SERIAL TRUE
      ENVIRONMENT "QT_QPA_PLATFORM=xcb;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox;QTWEBENGINE_DISABLE_SANDBOX=1;TRK_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts")
  else()
    message(FATAL_ERROR "trk_add_test: unknown MODE ${T_MODE}")
  endif()
endfunction()
