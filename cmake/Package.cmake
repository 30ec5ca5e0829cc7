# The Debian package of the kit: what "cmake --install" puts under a prefix, laid out
# under /usr, with its dependencies worked out from the libraries the programs link
# (dpkg-shlibdeps). "cmake --build build --target package" writes it into build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarvel)
set(CPACK_PACKAGE_VENDOR Brevant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUARVEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "authoring kit for electronic books made of HTML pages")
set(CPACK_PACKAGE_DESCRIPTION
    "Quarvel turns a project of HTML pages, pictures and other files into one
stand-alone book program. The kit holds the editor Tomewright, the branding
tool Inkstamp, the command line quarvel and the reader pagelamp, which shows
compiled books on Linux.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs go in without their debugging information.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time as plug-ins, so no library dependency names them: the X11 platform
# of the window programs and the drawing of their SVG icons.
if(QUARVEL_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
endif()
include(CPack)
