# What the tests share, header only, in tests/support: a temporary folder and
# file helpers (TempFolder.h), the settings folder of a window test
# (ScopedSettingsDir.h), waiting on the event loop (WindowWait.h) and the
# container byte builder (ContainerBytes.h, also used by the fuzz seed
# generator). Every test links it; the benchmarks that reuse test fixtures too.
add_library(trk_test_support INTERFACE)
target_include_directories(trk_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests/support
                                                      ${PROJECT_SOURCE_DIR}/src)

# trk_add_test(NAME SOURCES a.cpp ... LIBS x y [MODE plain|offscreen|xvfb] [TIMEOUT s] [WEBENGINE])
#  plain:     GoogleTest cases discovered one by one.
#  offscreen: Qt widgets without a display (QT_QPA_PLATFORM=offscreen).
#  xvfb:      the whole binary runs under xvfb-run with a real X server (libvlc, QtWebEngine).
#  WEBENGINE: the test (or a program it starts) opens a web page.
function(trk_add_test name)
  cmake_parse_arguments(T "WEBENGINE" "MODE;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_MODE)
    set(T_MODE plain)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  # Every test starts in the same desktop locale, with a configuration folder
  # of its own (tests/PinnedEnvironment.cpp).
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/PinnedEnvironment.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} trk_test_support GTest::gtest GTest::gmock)
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
    # One X server started at a time (xvfb-run -a may hand two the same
    # display number); the other tests run beside it.
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} RESOURCE_LOCK xvfb
      ENVIRONMENT "QT_QPA_PLATFORM=xcb;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox;QTWEBENGINE_DISABLE_SANDBOX=1;TRK_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts")
  else()
    message(FATAL_ERROR "trk_add_test: unknown MODE ${T_MODE}")
  endif()
  if(TRK_SANITIZE)
    trk_sanitizer_exceptions(${name})
    if(T_WEBENGINE)
      # Chromium inside libQt6WebEngineCore frees some of its own objects with
      # a size that differs from the one it allocated them with. AddressSanitizer
      # cannot suppress that report by module (its suppression file covers
      # interceptors, not operator delete), so the one check is off in the
      # processes that load the web engine only; every other check stays on,
      # and every other test keeps this one for our own code.
      set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT_MODIFICATION
        "ASAN_OPTIONS=string_append::new_delete_type_mismatch=0")
    endif()
  endif()
endfunction()

# Sanitizer builds: libvlc unloads its plug-ins (and our engine unloads libvlc)
# before LeakSanitizer reports at exit, so what the plug-ins leave allocated
# would be reported from "<unknown module>" and could not be told from a leak
# of ours. The executable keeps them loaded (KeepLibVlcLoaded.cpp), so the
# report names their modules and tests/reliability/lsan.supp suppresses those
# modules only.
function(trk_sanitizer_exceptions target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/reliability/KeepLibVlcLoaded.cpp)
  target_link_options(${target} PRIVATE -Wl,--export-dynamic-symbol=dlclose)
  target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
endfunction()
