# Installation layout and the Debian package. Included last by the top-level
# CMakeLists.txt, when every target exists. `cmake --install` (prefix
# /usr/local by default) lays out:
#   bin/skyweave, bin/skyweave-render, bin/skyweave-pan
#   libexec/xscreensaver/skyweave            link to the program, where the
#                                           daemon looks for its hacks
#   share/xscreensaver/config/skyweave.xml   the daemon's settings description
#   share/man/man6/skyweave.6
#   share/applications/skyweave-options.desktop
# CPack builds the .deb from the same rules, under /usr.

# A program that is not part of this configuration (SKYWEAVE_GUI off, or a
# folder still without its target) is left out instead of failing.
foreach(program skyweave skyweave-render skyweave-pan)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET skyweave)
  # A relative link, so that the tree can move (DESTDIR, the package) and
  # still point at the program beside it.
  file(RELATIVE_PATH skyweave_hack_link_target
       /prefix/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver /prefix/${CMAKE_INSTALL_BINDIR}/skyweave)
  set(skyweave_hack_link ${PROJECT_BINARY_DIR}/install-links/skyweave)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/install-links)
  file(CREATE_LINK ${skyweave_hack_link_target} ${skyweave_hack_link} SYMBOLIC)
  install(FILES ${skyweave_hack_link} DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)

  install(FILES ${PROJECT_SOURCE_DIR}/resources/xscreensaver/skyweave.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/man/skyweave.6
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/skyweave-options.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyweave)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT Corvane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "panorama screen saver")
set(CPACK_PACKAGE_DESCRIPTION
    "Skyweave shows continuously turning perspective views from inside a spherical \
panorama (a Velmora .pan file, or a BMP or JPEG picture of the whole sphere). \
It runs as an XScreenSaver display mode, full screen on its own, or in a \
window, and comes with tools to make and inspect .pan files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME skyweave)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER Corvane)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl2-2.0-0, libsdl2-ttf-2.0-0, libgtk-3-0, libjpeg62-turbo, libpng16-16, fonts-dejavu-core, libx11-6, libglib2.0-0, libfontconfig1")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
