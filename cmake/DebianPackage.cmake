# The Debian package: `cpack` in the build directory (scripts/package.sh) makes
# solvane_<version>_<arch>.deb from the install rules, installed under /usr.
set(SOLVANE_PACKAGE_MAINTAINER "Solvane developers <solvane@kestrava.com>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME solvane)
set(CPACK_PACKAGE_VENDOR Kestrava)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D star screensaver with music and a clock")
# CPack indents the lines and marks the blank one between paragraphs as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION
    "Solvane flies a camera around a burning star, with its corona and flares,
the bodies that orbit it and a sky full of stars, and shows the time while
music plays. It draws with OpenGL 1.1.

It runs full screen on its own, or as a hack of XScreenSaver or of any
screen locker that hands its savers a window through XSCREENSAVER_WINDOW.
Its settings (music and volume, the clock, the frame counter, the display
mode, gamma and the camera speed) are kept per user and edited in a GTK
dialog; the host's dialog can override them for its runs.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SOLVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library dependencies come from the binaries themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver | xsecurelock")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
