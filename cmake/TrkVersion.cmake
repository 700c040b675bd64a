# trk_version: the generated header TrkVersion.h (version, application id and
# the --version text), for every program.
set(TRK_APP_ID "org.trkviewer.TrkViewer" CACHE STRING "Reverse-DNS application id")
configure_file(${CMAKE_CURRENT_LIST_DIR}/TrkVersion.h.in ${CMAKE_BINARY_DIR}/generated/TrkVersion.h @ONLY)
add_library(trk_version INTERFACE)
target_include_directories(trk_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
