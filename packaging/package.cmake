# Icons, AppStream data and the Debian package (cpack -G DEB from the build folder).
include(GNUInstallDirs)
# cpack packs what the build made; it does not first rebuild every test and benchmark. The
# package test runs after the build, and a missing program fails the install step loudly.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CORVANE_APP_ID io.corvane.Corvane)
set(packaging_dir ${CMAKE_SOURCE_DIR}/packaging)
set(icon_sizes 16 22 24 32 48 64 128 256)

set(icon_pngs)
foreach(size IN LISTS icon_sizes)
  list(APPEND icon_pngs ${CMAKE_BINARY_DIR}/icons/${size}x${size}/corvane.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_pngs}
  COMMAND corvane-icon-render ${packaging_dir}/icons/corvane.svg ${CMAKE_BINARY_DIR}/icons
          ${icon_sizes}
  DEPENDS corvane-icon-render ${packaging_dir}/icons/corvane.svg
  COMMENT "Rendering the icon")
add_custom_target(corvane_icons ALL DEPENDS ${icon_pngs})

configure_file(${packaging_dir}/${CORVANE_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/${CORVANE_APP_ID}.metainfo.xml @ONLY)

install(FILES ${packaging_dir}/${CORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_dir}/icons/corvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Notifications name their icon by the application's id, as desktops look it up.
install(FILES ${packaging_dir}/icons/corvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${CORVANE_APP_ID}.svg)
foreach(size IN LISTS icon_sizes)
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}x${size}/corvane.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/${CORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page and the changelog carry the version and are installed compressed, as
# Debian wants them: gzip -9, without a name or time stamp, so that builds are reproducible.
set(compressed_docs)
foreach(doc corvane.1 changelog)
  configure_file(${packaging_dir}/${doc} ${CMAKE_BINARY_DIR}/packaging/${doc} @ONLY)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/packaging/${doc}.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/${doc}
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/${doc}
    COMMENT "Compressing ${doc}")
  list(APPEND compressed_docs ${CMAKE_BINARY_DIR}/packaging/${doc}.gz)
endforeach()
add_custom_target(corvane_docs ALL DEPENDS ${compressed_docs})
install(FILES ${CMAKE_BINARY_DIR}/packaging/corvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The version has no Debian revision, so this is a native package, whose changelog is
# changelog.gz rather than changelog.Debian.gz.
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${packaging_dir}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Plasma applet that shows the labels as text in a panel (Plasma's tray shows icons only).
set(plasmoid_dir ${CMAKE_INSTALL_DATADIR}/plasma/plasmoids/${CORVANE_APP_ID}.status)
configure_file(${packaging_dir}/plasma/metadata.json ${CMAKE_BINARY_DIR}/plasmoid/metadata.json
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/plasmoid/metadata.json DESTINATION ${plasmoid_dir})
install(DIRECTORY ${packaging_dir}/plasma/contents DESTINATION ${plasmoid_dir})

set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_CONTACT "The Corvane developers <dev@corvane.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Day P&L of your Orrisfield trading bots in the panel")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane lives in the desktop's status area. With your Orrisfield API keys it
follows the regular session of the New York Stock Exchange, tallies the day's
bot positions per broker connection and shows each tally as a small two-line
label, green when the day is positive and red otherwise. A click opens the
day's positions.

It also relays Orrisfield's Pushover messages as desktop notifications. Panel
bars without a tray (waybar, polybar, XFCE's generic monitor) show its labels
through corvane --status. API keys are kept in the desktop's keyring. Corvane
trades nothing.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY corvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://corvane.app/)
# The libraries come from dpkg-shlibdeps; the Qt plugins (the history's SQLite driver among them)
# and services it cannot see are named, and libsecret, which QtKeychain loads when it first
# reaches the keyring. Everything else is optional: reachability falls back to the kernel's
# route tables, and without a keyring the secrets stay in the settings file.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, libqt6sql6-sqlite, libsecret-1-0, dbus, tzdata, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-keyring | keepassxc | kwalletmanager, network-manager")
set(CPACK_STRIP_FILES ON)
include(CPack)
