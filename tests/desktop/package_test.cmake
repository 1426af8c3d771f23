# Builds the Debian package from a finished build, unpacks it into a scratch root and runs the
# program from there. Arguments: BUILD_DIR, VERSION.
set(work ${BUILD_DIR}/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/root)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(cpack -G DEB -B ${work} --config ${BUILD_DIR}/CPackConfig.cmake)
file(GLOB debs ${work}/corvane_${VERSION}_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one corvane_${VERSION} package in ${work}, found: ${debs}")
endif()

run(dpkg-deb -f ${debs} Depends)
if(NOT out MATCHES "libqt6core6" OR NOT out MATCHES "libqt6dbus6")
  message(FATAL_ERROR "the package does not declare Qt among its dependencies: ${out}")
endif()

# A plain install must not pull in a network stack the desktop may not want.
run(dpkg-deb -f ${debs} Recommends)
if(out MATCHES "network-manager")
  message(FATAL_ERROR "the package recommends NetworkManager: ${out}")
endif()

run(dpkg-deb -x ${debs} ${work}/root)
set(root ${work}/root/usr)
foreach(file bin/corvane share/applications/io.corvane.Corvane.desktop
             share/metainfo/io.corvane.Corvane.metainfo.xml
             share/icons/hicolor/scalable/apps/corvane.svg
             share/icons/hicolor/48x48/apps/corvane.png
             share/icons/hicolor/256x256/apps/corvane.png
             share/man/man1/corvane.1.gz share/doc/corvane/copyright
             share/doc/corvane/changelog.gz
             share/plasma/plasmoids/io.corvane.Corvane.status/contents/ui/main.qml)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "the package lacks /usr/${file}")
  endif()
endforeach()
file(READ ${root}/share/plasma/plasmoids/io.corvane.Corvane.status/metadata.json plasmoid)
string(JSON plasmoid_version ERROR_VARIABLE json_error GET "${plasmoid}" KPlugin Version)
if(NOT plasmoid_version STREQUAL "${VERSION}")
  message(FATAL_ERROR "the Plasma applet's metadata says version '${plasmoid_version}' ${json_error}")
endif()
file(SIZE ${root}/share/icons/hicolor/48x48/apps/corvane.png png_size)
if(png_size LESS 100)
  message(FATAL_ERROR "the 48 px icon is empty (${png_size} bytes)")
endif()

run(${root}/bin/corvane --version)
if(NOT out STREQUAL "corvane ${VERSION}\n")
  message(FATAL_ERROR "--version from the package printed '${out}'")
endif()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  run(${APPSTREAMCLI} validate --no-net ${root}/share/metainfo/io.corvane.Corvane.metainfo.xml)
else()
  message(STATUS "appstreamcli is not installed; the metainfo file was not validated")
endif()

find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${debs}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR out MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian finds fault with the package (${rc}):\n${out}\n${err}")
  endif()
else()
  message(STATUS "lintian is not installed; the package was not checked against Debian's rules")
endif()
