# Installing and packaging: `cmake --install`, the Debian package (cpack) and the portable
# tarball (target `portable`), all from the same install rules.
include(GNUInstallDirs)

set(packaging_out ${PROJECT_BINARY_DIR}/packaging)

# Installed binaries carry no debugging data, whatever the build type, unless asked for.
option(SKYRELLE_INSTALL_STRIPPED "Strip the programs when installing" ON)
if(SKYRELLE_INSTALL_STRIPPED)
  install(CODE "set(CMAKE_INSTALL_DO_STRIP ON)")
endif()

set(commands Skyrelle skyrelle-reg skyrelle-render skyrelle-publish)
install(TARGETS ${commands} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

configure_file(packaging/Skyrelle.desktop.in ${packaging_out}/${SKYRELLE_APP_ID}.desktop @ONLY)
configure_file(packaging/Skyrelle.metainfo.xml.in
  ${packaging_out}/${SKYRELLE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${packaging_out}/${SKYRELLE_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging_out}/${SKYRELLE_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages, compressed as Debian wants them (no name or time stamp in the gzip header).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(VERSION ${PROJECT_VERSION})
set(manual_pages)
foreach(command IN LISTS commands)
  configure_file(doc/${command}.1 ${packaging_out}/man/${command}.1 @ONLY)
  add_custom_command(OUTPUT ${packaging_out}/man/${command}.1.gz
    COMMAND ${GZIP_PROGRAM} -9nf -k ${packaging_out}/man/${command}.1
    DEPENDS ${packaging_out}/man/${command}.1
    VERBATIM)
  list(APPEND manual_pages ${packaging_out}/man/${command}.1.gz)
endforeach()
add_custom_target(skyrelle_manual_pages ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What Debian asks of every package's documentation folder.
configure_file(packaging/copyright ${packaging_out}/copyright @ONLY)
add_custom_command(OUTPUT ${packaging_out}/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${packaging_out}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(skyrelle_changelog ALL DEPENDS ${packaging_out}/changelog.gz)
install(FILES ${packaging_out}/copyright ${packaging_out}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/skyrelle)

# The portable tarball: the programs and their icon in one folder, to unpack and run. This is
# the install that updates itself; the Debian package's files belong to the package manager.
set(portable_name Skyrelle-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
install(TARGETS ${commands} RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES src/app/resources/skyrelle.svg README.md
  DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
add_custom_target(portable
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${packaging_out}/stage
  COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --component portable
          --prefix ${packaging_out}/stage/${portable_name} --strip
  COMMAND ${CMAKE_COMMAND} -E chdir ${packaging_out}/stage
          ${CMAKE_COMMAND} -E tar czf ${PROJECT_BINARY_DIR}/${portable_name}.tar.gz ${portable_name}
  DEPENDS ${commands}
  COMMENT "Packing ${portable_name}.tar.gz"
  VERBATIM)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyrelle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Halvorn)
set(CPACK_PACKAGE_CONTACT "Halvorn <support@${SKYRELLE_SITE_DOMAIN}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wide pictures as a slowly moving desktop wallpaper")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Skyrelle cuts a screen-sized window out of a wide picture without scaling\n\
and sets it as the wallpaper; every hour the window slides one step to the\n\
right, so a panorama is shown in eight sections. It lives in the tray.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads these as plugins, which no linker records: the X11 platform and the SVG icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.${SKYRELLE_SITE_DOMAIN}/wiki/doku.php")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
