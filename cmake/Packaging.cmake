# The Debian package of the Linux program (`cmake --build --preset linux-release --target package`):
# the program in /usr/bin, its menu and autostart entries, icons, AppStream data, man page and
# copyright file. The sources of all of these are in packaging/linux.
set(VELLOMARCH_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging/linux)
set(VELLOMARCH_APP_ID org.vellomarch.Vellomarch)

# Directories the install step makes get the usual modes whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vellomarch RUNTIME DESTINATION bin)
install(FILES ${VELLOMARCH_PACKAGING_DIR}/applications/${VELLOMARCH_APP_ID}.desktop DESTINATION share/applications)
# The desktop starts every entry of /etc/xdg/autostart with the user's session; a user turns it off
# in the desktop's start-up settings, which hide it with an entry of the same name in ~/.config/autostart.
install(FILES ${VELLOMARCH_PACKAGING_DIR}/autostart/${VELLOMARCH_APP_ID}.desktop DESTINATION /etc/xdg/autostart)
install(FILES ${VELLOMARCH_PACKAGING_DIR}/${VELLOMARCH_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The icon theme's sizes: 32 and 64 are the pictures the program itself shows, the rest are
# rendered from the same design (packaging/linux/icons/render-icons).
foreach(size 16 32 48 64 128 256)
  if(size EQUAL 32 OR size EQUAL 64)
    set(picture ${CMAKE_SOURCE_DIR}/src/platform/linux/icons/vellomarch-${size}.png)
  else()
    set(picture ${VELLOMARCH_PACKAGING_DIR}/icons/vellomarch-${size}.png)
  endif()
  install(FILES ${picture} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME vellomarch.png)
endforeach()
install(FILES ${VELLOMARCH_PACKAGING_DIR}/icons/vellomarch.svg DESTINATION share/icons/hicolor/scalable/apps)

# Debian keeps man pages and changelogs compressed, without a time stamp in the gzip header.
set(VELLOMARCH_PACKAGE_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)
function(vellomarch_gzip_doc name)
  set(copy ${VELLOMARCH_PACKAGE_BUILD_DIR}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${VELLOMARCH_PACKAGING_DIR}/${name} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${VELLOMARCH_PACKAGING_DIR}/${name} VERBATIM)
endfunction()
vellomarch_gzip_doc(vellomarch.1)
vellomarch_gzip_doc(changelog)
add_custom_target(vellomarch_package_docs ALL
  DEPENDS ${VELLOMARCH_PACKAGE_BUILD_DIR}/vellomarch.1.gz ${VELLOMARCH_PACKAGE_BUILD_DIR}/changelog.gz)
install(FILES ${VELLOMARCH_PACKAGE_BUILD_DIR}/vellomarch.1.gz DESTINATION share/man/man1)
install(FILES ${VELLOMARCH_PACKAGE_BUILD_DIR}/changelog.gz ${VELLOMARCH_PACKAGING_DIR}/copyright
  DESTINATION share/doc/vellomarch)

# Files under /etc are the administrator's: dpkg keeps their changes across upgrades.
file(WRITE ${VELLOMARCH_PACKAGE_BUILD_DIR}/conffiles "/etc/xdg/autostart/${VELLOMARCH_APP_ID}.desktop\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellomarch)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vellomarch developers")
set(CPACK_PACKAGE_CONTACT "The Vellomarch developers <developers@vellomarch.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "clipboard history that pastes back where you type")
set(CPACK_PACKAGE_DESCRIPTION
  "Vellomarch stays resident in an X11 session and records every copied text,
image and list of files in a bounded history kept encrypted on disk. Alt+C
opens the list at the mouse pointer with a search box; Enter pastes the chosen
entry into the window the user came from. Entries can be pinned, deleted and
previewed; the menu also pastes timestamps and text and image templates.
It starts with the desktop session.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The autostart entry's destination is absolute: stage it under the package's root, never the builder's.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese captions need a CJK font and Qt's Japanese texts; the list's marks are colour emoji,
# which other fonts draw in black and white or not at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji")
# The history key is kept in the desktop's keyring (Secret Service) where there is one; without
# one it stays in a key file. libsecret itself comes with the libraries' dependencies.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-keyring")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${VELLOMARCH_PACKAGE_BUILD_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# Where the linux-release preset puts the package: the package tests of the test build check that one.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE VELLOMARCH_DEB_ARCH
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(VELLOMARCH_PACKAGE_FILE
  ${CMAKE_SOURCE_DIR}/build/linux-release/vellomarch_${PROJECT_VERSION}_${VELLOMARCH_DEB_ARCH}.deb)
