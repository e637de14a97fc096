# The Debian package: cpack --config build/CPackConfig.cmake -G DEB writes
# build/kestrum_<version>_amd64.deb from what cmake --install installs, under /usr.
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VENDOR "The Kestrum developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write Bengali on a Latin keyboard (SutonnyMJ and Unicode)")
set(CPACK_PACKAGE_CONTACT ${KESTRUM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package and its staging folder go into the build folder, wherever cpack is run from.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KESTRUM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KESTRUM_HOMEPAGE})
# The long description; CPack puts the summary in front and indents the lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kestrum is a desktop program for writing Bengali on a Latin keyboard: Bengali
typed phonetically in Latin letters is converted, word by word, into the glyph
codes of the SutonnyMJ Bengali font, shown in SutonnyMJ or in Kestrum Bangla,
a free font of its own that draws the same codes, and saved as RTF. It also
copies, saves and opens Unicode Bengali and tells how to type a word.

The package also holds kestrum-convert, a command-line converter between
romanised text, SutonnyMJ glyph codes and Unicode Bengali, and Glimmet3, a
rollover push-button control library, with the headers and the CMake package
that let other Qt programs create it through its control runtime.")
# The shared-library dependencies (Qt, libstdc++, X11) are worked out by dpkg-shlibdeps; our own
# libraries lie in the package, found through the programs' relative run path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What no library names: Qt's platform plugins (xcb and the rest) are loaded at run time, and the
# fonts the windows are designed in come from fontconfig: Times New Roman and Arial through their
# metric twins, Garamond through EB Garamond, the rest through DejaVu.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fontconfig")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-ebgaramond, fonts-dejavu-core")

include(CPack)
