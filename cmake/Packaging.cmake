# The Debian packages: cpack --config build/CPackConfig.cmake -G DEB writes
# build/kestrum_<version>_amd64.deb from what cmake --install installs, under /usr (cpack -B DIR
# writes it into DIR instead), and beside it one package for each input-method framework the
# build has: fcitx5-kestrum (the Fcitx5 addon) and ibus-kestrum (the IBus engine), which need
# kestrum's tables and their framework, so a user of Kestrum's window needs neither framework.
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VENDOR "The Kestrum developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write Bengali on a Latin keyboard (SutonnyMJ and Unicode)")
set(CPACK_PACKAGE_CONTACT ${KESTRUM_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The package and its staging folder go into the build folder, wherever cpack is run from,
# unless cpack -B names another folder.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
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
# The libraries in /usr/lib get a shlibs file, and ldconfig runs through its trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)

# What Debian asks of every package, in share/doc/kestrum: the machine-readable copyright file
# (each licence's text taken from the file the tree ships it in) and the changelog, both also in
# a plain install.
function(kestrum_dep5_text variable file)
  file(READ ${file} text)
  string(REGEX REPLACE "\n+$" "" text "${text}")
  # DEP-5 continuation lines: indented by one space, an empty line written as " .".
  string(REPLACE "\n" "\n " text " ${text}")
  string(REGEX REPLACE "\n \n" "\n .\n" text "${text}")
  string(REGEX REPLACE "\n \n" "\n .\n" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()
set(_debian ${CMAKE_BINARY_DIR}/debian)
kestrum_dep5_text(KESTRUM_DEP5_MIT ${PROJECT_SOURCE_DIR}/LICENSE)
# The OFL's own text, without the font's notice in front of it.
file(READ ${PROJECT_SOURCE_DIR}/fonts/OFL.txt _ofl)
string(FIND "${_ofl}" "SIL OPEN FONT LICENSE" _at)
string(SUBSTRING "${_ofl}" ${_at} -1 _ofl)
file(WRITE ${_debian}/OFL-1.1.txt "${_ofl}")
kestrum_dep5_text(KESTRUM_DEP5_OFL ${_debian}/OFL-1.1.txt)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${_debian}/copyright @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${_debian}/changelog @ONLY)
file(STRINGS ${_debian}/changelog _entry LIMIT_COUNT 1)
if(NOT _entry MATCHES "^kestrum \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog.in: its first entry is not version ${PROJECT_VERSION}")
endif()
execute_process(COMMAND gzip -9nc ${_debian}/changelog OUTPUT_FILE ${_debian}/changelog.gz
  COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${_debian}/copyright ${_debian}/changelog.gz DESTINATION ${KESTRUM_INSTALL_DOCDIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE
  ${PROJECT_SOURCE_DIR}/fonts/OFL.txt)

# One package for each install component: the rest of the tree (CMake's "Unspecified") is
# kestrum, the input methods' files have components of their own.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME kestrum)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA)
set(_ime_long "Kestrum's romanisation typed straight into any program: Bengali typed
phonetically in Latin letters is written word by word, as Unicode Bengali or
as the glyph codes of the SutonnyMJ font for documents set in it. The word
being typed shows under the caret as it will be written; with Debian's
Bengali word list (hunspell-bn) words typed in lower case are written right
and candidates are offered.")
foreach(_framework fcitx5 ibus)
  string(TOUPPER ${_framework} _c)
  if(_framework STREQUAL fcitx5)
    set(_name fcitx5-kestrum)
    set(_title Fcitx5)
  else()
    set(_name ibus-kestrum)
    set(_title IBus)
  endif()
  set(CPACK_DEBIAN_${_c}_PACKAGE_NAME ${_name})
  set(CPACK_DEBIAN_${_c}_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_${_c}_PACKAGE_DEPENDS "kestrum (= ${PROJECT_VERSION}), ${_framework}")
  set(CPACK_DEBIAN_${_c}_PACKAGE_SUGGESTS "hunspell-bn")
  set(CPACK_DEBIAN_${_c}_PACKAGE_RECOMMENDS "")
  # No shared library of their own, so no ldconfig either.
  set(CPACK_DEBIAN_${_c}_PACKAGE_GENERATE_SHLIBS OFF)
  set(CPACK_DEBIAN_${_c}_DESCRIPTION
    "Bengali input method for ${_title}, Kestrum's romanisation\n${_ime_long}")
  # Every package has its own copyright file and changelog.
  install(FILES ${_debian}/copyright ${_debian}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${_name} COMPONENT ${_framework})
endforeach()

include(CPack)
