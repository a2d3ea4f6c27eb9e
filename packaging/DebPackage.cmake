# SPDX-License-Identifier: MIT
# The Debian package of every install rule: `cpack -G DEB` in the build folder
# (scripts/package-deb.sh) makes lanbrook_<version>_amd64.deb. Its library
# dependencies are computed by dpkg-shlibdeps from the programs' links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lanbrook)
set(CPACK_PACKAGE_VENDOR "The Lanbrook developers")
set(CPACK_PACKAGE_CONTACT "${LANBROOK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate files and see where the disk space goes")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
# Stripped as dh_strip strips: without the .comment and .note sections.
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripSections.cmake)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins are only recommended by libqt6gui6, yet the window
# program cannot open a window without one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The extended description; CPACK_PACKAGE_DESCRIPTION_SUMMARY is the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Lanbrook scans the drives, or the folders chosen, into a local SQLite
database, gives each file a cheap fingerprint (its size and samples of its
content) and lists the groups of duplicate files by file category, the
largest waste first, in a Qt window. Later scans read only new and changed
files. A content check confirms groups by hashing whole files, and a copy is
moved to the trash only after a byte-for-byte comparison with the file that
stays.
.
The console program lanbrook-scan runs the same analysis without a display.")
include(CPack)
