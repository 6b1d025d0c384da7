# The Debian package (make deb, or cpack -G DEB in a build folder): what
# cmake --install puts in place, under /usr, with the dependencies taken
# from the shared libraries the executables link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORREL_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quorrel_VERSION_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUORREL_HOME_PAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop auction sniper")
# CPack puts the summary first and indents the rest; an empty line becomes
# the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorrel keeps a list of auctions, each with the highest price you will
pay and a margin in seconds. It reads each auction's page to learn its
title, current bid, high bidder and ending time, keeps the list up to
date, and places your maximum bid when the auction comes within its
margin of the end. After the end it shows whether you won.

Everything it knows about the site's pages is data (servers.xml). A
practice auction site, quorrel-practice-site, comes with it.")
include(CPack)
