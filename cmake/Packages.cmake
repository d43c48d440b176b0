# The Debian and RPM packages: `cpack` in the build directory (scripts/package.sh) makes
# solvane_<version>_<arch>.deb and solvane-<version>-1.<arch>.rpm from the install rules, both
# installed under /usr with the same files.
set(SOLVANE_PACKAGE_MAINTAINER "Solvane developers <solvane@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
find_program(SOLVANE_RPMBUILD rpmbuild)
if(SOLVANE_RPMBUILD)
  list(APPEND CPACK_GENERATOR RPM)
else()
  message(STATUS "rpmbuild not found, so cpack makes no RPM: run scripts/install-deps.sh")
endif()
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

# The RPM: rpm's own dependency generator finds the libraries. The documents stay where the
# Debian package has them, marked as documentation and licence. Directories that the system's
# own packages own (the icon theme, the manual sections, the menus) are left to them.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Amusements/Graphics")
set(CPACK_RPM_PACKAGE_URL "https://example.org/solvane")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_PACKAGE_AUTOPROV OFF)
set(CPACK_RPM_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_RPM_USER_FILELIST
    "%doc /usr/share/doc/solvane/README.md"
    "%doc /usr/share/doc/solvane/changelog.gz"
    "%license /usr/share/doc/solvane/copyright")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/libexec /usr/share/applications /usr/share/applications/screensavers /usr/share/icons
    /usr/share/icons/hicolor /usr/share/man /usr/share/man/man1 /usr/share/man/man6)
foreach(size IN ITEMS ${SOLVANE_THEME_ICON_SIZES})
  list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
       "/usr/share/icons/hicolor/${size}x${size}" "/usr/share/icons/hicolor/${size}x${size}/apps")
endforeach()
# The same commit makes the same package: no build host, build time or build-id links.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${SOLVANE_PACKAGE_MAINTAINER}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _build_id_links none")
# cpack reads this file when it runs: SOURCE_DATE_EPOCH for both packages from the last commit.
configure_file("${PROJECT_SOURCE_DIR}/cmake/CPackProject.cmake.in"
               "${PROJECT_BINARY_DIR}/CPackProject.cmake" @ONLY)
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/CPackProject.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/CPackPreBuild.cmake")

include(CPack)
