# The Debian package: `cpack -G DEB` in the build folder writes
# pelmo_<version>_<arch>.deb. The shared-library dependencies are found by
# dpkg-shlibdeps; what the program needs beyond them is named here. The icon
# cache, MIME database and desktop database are refreshed by the triggers of
# the packages that own them.
set(CPACK_PACKAGE_NAME "pelmo")
set(CPACK_PACKAGE_VENDOR "Pelmo developers")
set(PELMO_PACKAGE_MAINTAINER "Pelmo developers <pelmo@localhost>" CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${PELMO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The sheet's labels are measured in Arial or its metric twin; the window
# icon is drawn by Qt's SVG icon engine, a plugin that no binary links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, libqt6svg6")
# A native window on Wayland instead of one through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# The lines after the summary; CPack indents them.
set(CPACK_PACKAGE_DESCRIPTION "Pelmo designs and simulates passive crossover networks for loudspeakers:
draw the schematic of resistors, capacitors, inductors and drivers, give
every driver its measured frequency response and impedance, and tune part
values with the mouse wheel while the response graphs follow live.

pelmo-cli prints the same curves without a window, for scripts.")

include(CPack)
