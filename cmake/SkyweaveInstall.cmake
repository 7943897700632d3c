# Installation layout and the Debian package. Included last by the top-level
# CMakeLists.txt, when every target exists. `cmake --install` (prefix
# /usr/local by default) lays out:
#   bin/skyweave, bin/skyweave-render, bin/skyweave-pan, bin/skyweave-view
#   libexec/xscreensaver/skyweave              link to the program, where the
#                                             daemon looks for its hacks
#   share/xscreensaver/config/skyweave.xml     the daemon's settings description
#   share/applications/screensavers/skyweave.desktop
#                                             the hack for MATE's and Xfce's
#                                             screen savers
#   share/applications/skyweave-options.desktop
#   share/applications/skyweave-view.desktop  the viewer, under "Open With"
#   share/icons/hicolor/scalable/apps/skyweave.svg
#   share/mime/packages/skyweave.xml          the .pan type
#   share/thumbnailers/skyweave.thumbnailer   thumbnails of .pan files
#   share/man/man6/skyweave.6x.gz, share/man/man1/skyweave-render.1.gz,
#   share/man/man1/skyweave-pan.1.gz,
#   share/man/man1/skyweave-view.1.gz         compressed with gzip -9n
#   share/doc/skyweave/copyright, share/doc/skyweave/changelog.gz
# CPack builds the .deb from the same rules, under /usr, the way Debian's
# own screen-saver packages are laid out (section x11, the hack's page in
# section 6x, the daemons suggested rather than required).

# A program that is not part of this configuration (SKYWEAVE_GUI off, or a
# folder still without its target) is left out instead of failing.
foreach(program skyweave skyweave-render skyweave-pan skyweave-view)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Compressed copies of the manual pages and the changelog, made at build
# time: gzip -9n stores no name or time, so the same text gives the same
# bytes in every build.
set(skyweave_doc_dir ${PROJECT_BINARY_DIR}/install-docs)
file(MAKE_DIRECTORY ${skyweave_doc_dir})
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${skyweave_doc_dir}/changelog
               @ONLY)
set(skyweave_compressed)
foreach(source resources/man/skyweave.6x resources/man/skyweave-render.1
               resources/man/skyweave-pan.1 resources/man/skyweave-view.1
               ${skyweave_doc_dir}/changelog)
  get_filename_component(name ${source} NAME)
  if(NOT IS_ABSOLUTE ${source})
    set(source ${PROJECT_SOURCE_DIR}/${source})
  endif()
  set(compressed ${skyweave_doc_dir}/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
                     COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${source} ${compressed}
                     DEPENDS ${source} VERBATIM)
  list(APPEND skyweave_compressed ${compressed})
endforeach()
add_custom_target(skyweave_install_docs ALL DEPENDS ${skyweave_compressed})

install(FILES ${skyweave_doc_dir}/skyweave-render.1.gz ${skyweave_doc_dir}/skyweave-pan.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The .pan type and its thumbnails come with the renderer, whatever else is
# built.
install(FILES ${PROJECT_SOURCE_DIR}/resources/mime/skyweave.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/resources/thumbnailers/skyweave.thumbnailer
        DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/skyweave.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(TARGET skyweave-view)
  install(FILES ${skyweave_doc_dir}/skyweave-view.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/skyweave-view.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${skyweave_doc_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
  install(FILES ${skyweave_doc_dir}/skyweave.6x.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/skyweave-options.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # MATE and Xfce list the hacks they may run from this folder; its Exec
  # names the program through PATH, so the entry holds for every prefix.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/skyweave-screensaver.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers
          RENAME skyweave.desktop)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyweave)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "Corvane <skyweave@corvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "panorama screen saver")
# Lines of at most 80 characters, as the package's description shows them.
set(CPACK_PACKAGE_DESCRIPTION
    "Skyweave shows continuously turning perspective views from inside a
spherical panorama: a Velmora .pan file, a JPEG, PNG, WebP, HEIC, AVIF or
BMP picture of the whole sphere, or every panorama of a folder in turn,
cross-fading from one to the next. It runs as a display mode of
XScreenSaver and of the MATE and Xfce screen savers, full screen on its own,
or in a window, and comes with tools to make and inspect .pan files and to
draw single views.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME skyweave)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the font the saver writes its
# messages in is the one dependency no binary names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | mate-screensaver | xfce4-screensaver")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
