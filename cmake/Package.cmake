# The installed tree's data files and the Debian package that holds the whole tree.
#
# Programs and frameworks are installed by their own folders (src/app, src/platform/system);
# this file installs the rest, under GNUInstallDirs' folders:
#   share/lumenreel              interface files (interface/) and the info-graphic pictures
#   share/lumenreel/examples     the sample compositions and the demo sound
#   share/applications, share/icons/hicolor/scalable/apps, share/metainfo, share/mime/packages
#   share/man/man1               both manual pages, made from man/*.1.in when the build runs
#   share/bash-completion/completions/lumenreel-render
#   share/doc/lumenreel          copyright and changelog
#
# `cpack --config CPackConfig.cmake` (scripts/package) then writes
# lumenreel_<version>_<arch>.deb into the build folder. The package is made for /usr; configure
# with -DCMAKE_INSTALL_PREFIX=/usr so that libdir is the Debian multiarch one.

find_program(GZIP_PROGRAM gzip REQUIRED)
set(LUMENREEL_PACKAGE_MAINTAINER "Lumenreel developers <packages@lumenreel.org>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")

set(resources ${CMAKE_SOURCE_DIR}/resources)
set(generated ${CMAKE_BINARY_DIR}/installed)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/lumenreel)

# Text files that carry the version and the release date, compressed as Debian wants them
# (gzip -9n: the best compression and no time stamp, so the same sources give the same files).
set(compressed)
function(lumenreel_configure_compressed source name)
    configure_file(${source} ${generated}/${name} @ONLY)
    add_custom_command(
        OUTPUT ${generated}/${name}.gz
        COMMAND ${GZIP_PROGRAM} -9nf -k ${generated}/${name}
        DEPENDS ${generated}/${name}
        VERBATIM)
    set(compressed ${compressed} ${generated}/${name}.gz PARENT_SCOPE)
endfunction()

set(CPACK_PACKAGE_CONTACT ${LUMENREEL_PACKAGE_MAINTAINER})
lumenreel_configure_compressed(${CMAKE_SOURCE_DIR}/man/lumenreel.1.in lumenreel.1)
lumenreel_configure_compressed(${CMAKE_SOURCE_DIR}/man/lumenreel-render.1.in lumenreel-render.1)
lumenreel_configure_compressed(${resources}/packaging/changelog.in changelog)
add_custom_target(lumenreel_installed_files ALL DEPENDS ${compressed})
configure_file(${resources}/org.lumenreel.Lumenreel.metainfo.xml.in
               ${generated}/org.lumenreel.Lumenreel.metainfo.xml @ONLY)

install(DIRECTORY ${resources}/interface/ DESTINATION ${CMAKE_INSTALL_DATADIR}/lumenreel/interface)
install(DIRECTORY ${resources}/infographics/ DESTINATION ${CMAKE_INSTALL_DATADIR}/lumenreel)
install(DIRECTORY ${resources}/compositions/ ${resources}/sounds/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumenreel/examples
        PATTERN "*.py" EXCLUDE)
install(FILES ${resources}/lumenreel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${resources}/icons/lumenreel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/org.lumenreel.Lumenreel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${resources}/lumenreel-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME lumenreel.xml)
install(FILES ${generated}/lumenreel.1.gz ${generated}/lumenreel-render.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${resources}/completion/lumenreel-render
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${resources}/packaging/copyright ${generated}/changelog.gz DESTINATION ${docdir})

# The package. Its library dependencies are found by dpkg-shlibdeps; what the programs load at
# run time without linking it is listed by hand: Qt's platform plug-ins beyond xcb and
# offscreen, its image-format plug-ins (TIFF, WebP and more for --input pictures) and SVG
# support (the icon), and Mesa's EGL and OpenGL drivers (llvmpipe where there is no GPU).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumenreel)
set(CPACK_PACKAGE_VERSION ${LUMENREEL_FULL_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumenreel")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "render shader compositions into QuickTime movies")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumenreel turns a time-based visual composition, a GLSL shader program in the\n\
ISF or Shadertoy form, into a QuickTime movie, frame by frame, and joins the\n\
first track of a chosen sound movie into the final, self-contained movie.\n\
.\n\
The package holds the desktop application lumenreel and the headless renderer\n\
lumenreel-render, which renders off screen through EGL on servers without a\n\
display, and sample compositions with a demo sound.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-image-formats-plugins, libqt6svg6, libegl-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
