# What `cmake --install` puts where, and the Debian package `cpack -G DEB`
# makes of it:
#   <prefix>/bin/strands
#   <prefix>/share/strands/Resources/   the icons the windows draw
#   <prefix>/share/strands/DataSet/     sample tables, origin.txt the default
#   <prefix>/share/applications/strands.desktop
#   <prefix>/share/icons/hicolor/<size>/apps/strands.png
# The program finds share/strands from its own location (bin/../share/strands),
# so an installed tree works under any prefix.

install(TARGETS strands RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Resources ${CMAKE_SOURCE_DIR}/DataSet
        DESTINATION ${CMAKE_INSTALL_DATADIR}/strands)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/strands.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/Resources/app_icon_${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME strands.png)
endforeach()

set(CPACK_PACKAGE_NAME strands)
set(CPACK_PACKAGE_VENDOR "Strands developers")
set(CPACK_PACKAGE_CONTACT "Strands developers <strands@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Strands loads a comma-separated table and draws every row as a line across one vertical axis per numeric column. Clusters are carved with angular-region operators, kept as a tree shown in a live graph, and regrouped with hint paths through per-axis Gaussian mixtures.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # strands_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Runtime dependencies from the libraries the binary links (dpkg-shlibdeps).
# Mesa's GL drivers come with them: libgl1 -> libglx0 -> libglx-mesa0, which
# depends on libgl1-mesa-dri.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
