# The Debian package: `cpack -G DEB` in a build folder makes
# kalvenix_1.01_amd64.deb, installing to /usr, with its library dependencies
# found by dpkg-shlibdeps. Debian wants the man page and changelog gzipped
# without a time stamp, and a copyright file in the package's doc folder; a
# version without a Debian revision makes it a native package, whose
# changelog is plain changelog.gz. The package preset installs to /usr, so the
# program's folder is the multiarch one; CPack would add ldconfig scripts for
# a folder right below /usr/lib, and those keep a removed package listed.
include(GNUInstallDirs)

set(kalvenix_packaging ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${kalvenix_packaging})
foreach(pair IN ITEMS "resources/Kalvenix.1|Kalvenix.1.gz"
                      "resources/debian/changelog|changelog.gz")
  string(REPLACE "|" ";" pair ${pair})
  list(GET pair 0 from)
  list(GET pair 1 to)
  execute_process(COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/${from}
                  OUTPUT_FILE ${kalvenix_packaging}/${to} COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${from})
endforeach()
install(FILES ${kalvenix_packaging}/Kalvenix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${kalvenix_packaging}/changelog.gz ${CMAKE_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kalvenix)

set(CPACK_PACKAGE_NAME kalvenix)
set(CPACK_PACKAGE_VENDOR Orbelia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orbelia <kalvenix@orbelia.de>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts many pictures into one picture type at once")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kalvenix converts a list of BMP, GIF, JPG and PNG pictures into one\n"
  "chosen type, at a chosen size, with a JPEG quality and a GIF transparency\n"
  "option. Each picture is written beside its source, and sources are never\n"
  "changed. Its window is German.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orbelia.de")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by Qt at run time, so dpkg-shlibdeps cannot see them: the X11 and
# Wayland platform plugins, and Qt's own German texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
