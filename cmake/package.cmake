# SPDX-License-Identifier: GPL-3.0-or-later
# (the package's licence; /usr/share/doc/quillmark/copyright states it too)
# The Debian package, built by scripts/package.sh: everything `cmake --install`
# puts under /usr, with the dependencies that dpkg-shlibdeps reads off the programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${QUILLMARK_COMPANY}")
string(REGEX REPLACE "^www\\." "" maker_domain "${QUILLMARK_WEBSITE}")
set(CPACK_PACKAGE_CONTACT "${QUILLMARK_COMPANY} <support@${maker_domain}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link-popularity checker for web addresses")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Quillmark asks six search engines how many pages link to each address of a
list, and shows the counts in a sortable grid with totals and a popularity
rating. Rows can be saved into dated histories and charted, and an embedded
browser shows every result page. quillmark-scan runs the same scan from a
terminal or from cron and prints the grid as CSV; quillmark-graph gives free,
offline counts of linking domains from the open web graph.]])
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${QUILLMARK_WEBSITE}/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quillmark_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUILLMARK_GUI)
  # Loaded at run time, so no library dependency names it: the X11 platform plugin.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
