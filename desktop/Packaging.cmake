# The Debian package, built by scripts/package.sh through CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora developers <dev@velmora.app>")
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download center with resumable downloads and browser hand-off")
set(CPACK_PACKAGE_DESCRIPTION "Velmora keeps every download in one window: pause and resume them,
run several at once, and find finished files again. Links come from the
browser through the Velmora extension and its native-messaging host.
Its behaviour is written in Lua scripts that anyone can change.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://velmora.app)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not a library: the layouts name this font, and nothing links it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
# Files under /etc are the administrator's once installed.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles
  "/etc/chromium/native-messaging-hosts/app.velmora.native_host.json\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
