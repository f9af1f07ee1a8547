# cpack -G DEB: one Debian package of the program and its desktop files. The
# dependencies are the Debian packages of the shared libraries the program
# links (found by dpkg-shlibdeps) plus the Japanese fonts it names.
set(VELNARO_PACKAGE_MAINTAINER "Velnaro developers <velnaro@velnaro.org>" CACHE STRING
  "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velnaro)
set(CPACK_PACKAGE_VENDOR Velnaro)
set(CPACK_PACKAGE_CONTACT "${VELNARO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "e-mail client for Japanese-language users (POP3, SMTP)")
set(CPACK_PACKAGE_DESCRIPTION "Velnaro lists the messages on a POP3 server, reads the chosen ones and
sends mail through an SMTP server. It decodes MIME and Japanese text in
ISO-2022-JP, Shift_JIS, EUC-JP and UTF-8, saves attachments, replies, keeps
several accounts and an address book, and opens its send page for mailto
links.")
# CPack takes three version parts by default; the program's version has four.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELNARO_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
# Qt runs on X11 (and XWayland) with libqt6gui6 alone; native Wayland needs the plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
include(CPack)
