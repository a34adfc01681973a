# The Debian package, built by scripts/package (cpack -G DEB in its own build tree). The
# install rules above are its contents, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME blenvar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The Blenvar developers <blenvar@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "barcode scanner helper for keyboard-wedge scanners")
set(CPACK_PACKAGE_DESCRIPTION
  "Blenvar recognises the scans of a keyboard-wedge barcode scanner in the
keyboard stream, decodes them (AIM symbology identifiers, identifier prefixes
of your own, CueCat scans), converts UPC-E and Bookland EAN, and delivers each
scan by the settings of its barcode type: keystrokes into the active program,
clipboard text, a command, a line appended to a file, a sound.

The tray program blenvar works on X11, and on Wayland and consoles through the
input devices; blenvar-decode decodes and delivers scans from the command
line; blenvar-sounds chooses the sound of each barcode type.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${BLENVAR_HOME_PAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Libraries linked in are found by dpkg-shlibdeps; what Qt and GStreamer load by name at
# run time (the display platform, SVG icons, Wayland, the sound pipeline, "open", the update
# download's libcurl) is not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "qt6-qpa-plugins, libqt6svg6, qt6-wayland, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, xdg-utils, libcurl4")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
