# The Debian package of Sarnith, built from the build folder with
# `cpack -G DEB`: everything `cmake --install` installs, under /usr. Its
# version is the project's; its dependencies are what dpkg-shlibdeps finds
# the installed programs linked with (the C and C++ runtimes, zlib, ISA-L).
set(SARNITH_PACKAGE_MAINTAINER "Sarnith maintainers <sarnith@example.org>"
    CACHE STRING "The Maintainer line of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sarnith)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search the log database of a fleet of firewall gateways")
set(CPACK_PACKAGE_DESCRIPTION
    "Sarnith searches the log database that the Vantgard Logger keeps for a fleet
of firewall gateways: one folder per gateway, daily files plain or
gzip-compressed. A statement in LQL, its small query language, names the
fields, the gateways, the time range and a filter over addresses, ports,
protocols, rules, users and events; the matching entries come out merged in
time order as labelled or delimited text, or as a binary stream.
.
The package also holds mklogdb, which writes log databases for trials, an
example database, manual pages and bash and zsh completion.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SARNITH_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
