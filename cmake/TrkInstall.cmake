# Install rules and the Debian package.
#   cmake --install BUILD [--prefix P] (DESTDIR=... honoured): the programs,
#   their manual pages (help2man at build time), and with the viewer its
#   desktop entry, AppStream file and icons, all named after TRK_APP_ID.
#   cpack -G DEB (scripts/package): trk-viewer_<version>_<arch>.deb.
include(GNUInstallDirs)

# A sanitizer build is for the tests: its programs carry the sanitizers and
# the test-only dlclose() of trk_sanitizer_exceptions, and are never installed.
if(TRK_SANITIZE)
  install(CODE "message(FATAL_ERROR \"A build with TRK_SANITIZE=ON is not installed; configure one without it\")")
  return()
endif()

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(_trk_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_trk_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/trk-viewer)

set(_trk_programs trk-probe trk-synth)
set(_trk_man_name_trk-probe "print what dash camera recordings hold, as JSON lines")
set(_trk_man_name_trk-synth "write synthetic dash camera recordings and memory card trees")
if(TRK_BUILD_GUI)
  list(PREPEND _trk_programs trk-viewer)
  set(_trk_man_name_trk-viewer "play car dash camera recordings with their GPS track and G-sensor curve")
endif()
install(TARGETS ${_trk_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages from each program's --help and --version.
find_program(TRK_HELP2MAN help2man)
find_program(TRK_GZIP gzip REQUIRED)
if(TRK_HELP2MAN)
  set(_trk_man_pages)
  foreach(_program IN LISTS _trk_programs)
    set(_page ${CMAKE_BINARY_DIR}/man/${_program}.1)
    add_custom_command(
      OUTPUT ${_page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
              ${TRK_HELP2MAN} --no-info --section=1 "--name=${_trk_man_name_${_program}}"
              --output=${_page} $<TARGET_FILE:${_program}>
      # -n: no name or time stamp in the archive, so the page is reproducible.
      COMMAND ${TRK_GZIP} -9 -n -f ${_page}
      DEPENDS ${_program}
      COMMENT "Writing the manual page of ${_program}"
      VERBATIM)
    list(APPEND _trk_man_pages ${_page}.gz)
  endforeach()
  add_custom_target(trk_man_pages ALL DEPENDS ${_trk_man_pages})
  install(FILES ${_trk_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found: no manual pages (Debian package help2man)")
endif()

# The menu entry, its AppStream data and the icon in every size.
if(TRK_BUILD_GUI)
  install(FILES ${_trk_packaging}/${TRK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES ${_trk_packaging}/${TRK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
  # Painted by trk_paint_icon (resources/pictures).
  set(_trk_icons ${CMAKE_BINARY_DIR}/resources/pictures/icon)
  foreach(_size 16 22 24 32 48 64 128 256)
    install(FILES ${_trk_icons}/${_size}.png
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${_size}x${_size}/apps RENAME ${TRK_APP_ID}.png)
  endforeach()
  install(FILES ${_trk_icons}/scalable.svg
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps RENAME ${TRK_APP_ID}.svg)
endif()

# Debian's machine-readable copyright file and the changelog a native package carries.
set(_trk_changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
add_custom_command(
  OUTPUT ${_trk_changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E copy ${_trk_packaging}/changelog ${_trk_changelog}
  COMMAND ${TRK_GZIP} -9 -n -f ${_trk_changelog}
  DEPENDS ${_trk_packaging}/changelog
  VERBATIM)
add_custom_target(trk_changelog ALL DEPENDS ${_trk_changelog}.gz)
install(FILES ${_trk_packaging}/copyright ${_trk_changelog}.gz DESTINATION ${_trk_doc_dir})

# The package. Dependencies: what dpkg-shlibdeps finds in the binaries, and
# what the viewer loads at run time: libvlc and its plug-ins (demuxers,
# decoders, the marquee and transform filters, the X11 video output), Qt's
# platform plug-in and the web engine's helper process, and Leaflet.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trk-viewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The TRK viewer developers")
set(CPACK_PACKAGE_CONTACT "The TRK viewer developers <trk-viewer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for car dash camera recordings")
# The synopsis is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TRK Viewer plays the recordings of a car dash camera (AVI and QuickTime
files with the camera's GPS and G-sensor records) and keeps the map with
the car's position and track, the speed, the heading and the G-sensor curve
in step with the video. It groups the recordings of a drive, exports GPS
tracks as KML, saves snapshots, and copies, deletes and unlocks the
recordings of a memory card.

The package also holds trk-probe, which prints what recordings hold as JSON,
and trk-synth, which writes synthetic recordings for trying the viewer out.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libvlc5, vlc-plugin-base, vlc-plugin-video-output, qt6-qpa-plugins, libqt6webenginecore6-bin, libjs-leaflet")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-liberation, qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
