# The Debian package: `cpack -G DEB` in a configured build folder (see
# scripts/package). It holds exactly what `cmake --install` installs, under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quenvo developers")
set(CPACK_PACKAGE_CONTACT "The Quenvo developers <maintainers@quenvo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for a handheld true-RMS multimeter")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0) # compress with every core

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # quenvo_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quenvo.org/")
# Depends: computed by dpkg-shlibdeps from the programs' shared libraries (the
# X11 platform plugin comes with libqt6gui6, the printing plugin with
# libqt6printsupport6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The drawn pictures and texts use Liberation Sans.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quenvo reads a handheld true-RMS digital multimeter through its USB receiver,
a cp210x USB to UART bridge that streams the meter's display as 14-byte frames
at 2400 baud. It decodes every frame into a reading and shows it on a virtual
meter with a bar graph and a trend chart, keeps a table of the readings and
saves them as a text listing or a comma-separated file.
.
The package also holds quenvo-log, a logger for the terminal, and a udev rule
that names the receiver /dev/quenvo-meter and gives the dialout group access.")

include(CPack)
