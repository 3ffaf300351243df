# The Debian package: cpack -G DEB in the build folder makes kovalo_<version>_<arch>.deb
# from the install rules. Its dependencies (Qt, libcurl, libmicrohttpd) are
# read from the installed programs by dpkg-shlibdeps (package dpkg-dev).
# Kovalo is free software under GPL-3.0-or-later: the package carries the
# machine-readable copyright file where Debian looks for it.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../data/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kovalo)
set(CPACK_PACKAGE_NAME kovalo)
set(CPACK_PACKAGE_VENDOR "The Kovalo developers")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_LIST_DIR}/../LICENSE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play and solve 9 x 9 Sudoku puzzles")
set(CPACK_PACKAGE_CONTACT "The Kovalo developers <kovalo@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "One window with the board, solving aids and saved positions; daily\nand random puzzles come from the bundled puzzle sites (kovalo-sites),\nwhich need no internet connection.")
set(CPACK_STRIP_FILES ON)
include(CPack)
