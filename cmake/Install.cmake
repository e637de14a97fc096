# What `cmake --install` puts beside the programs, libraries and data that the folders install
# themselves: the CMake package of Glimmet3 for other hosts, and the documentation.
include(CMakePackageConfigHelpers)

if(NOT KESTRUM_ENGINE_ONLY)
  set(_glimmet_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Glimmet3)
  install(EXPORT Glimmet3Targets NAMESPACE Glimmet3:: DESTINATION ${_glimmet_cmake_dir})
  configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Glimmet3Config.cmake.in
    ${CMAKE_BINARY_DIR}/cmake/Glimmet3Config.cmake INSTALL_DESTINATION ${_glimmet_cmake_dir})
  # The major version is the library's SONAME: a host built for 2.x loads any 2.y.
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/Glimmet3ConfigVersion.cmake
    VERSION ${GLIMMET_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_BINARY_DIR}/cmake/Glimmet3Config.cmake
    ${CMAKE_BINARY_DIR}/cmake/Glimmet3ConfigVersion.cmake DESTINATION ${_glimmet_cmake_dir})
endif()

# Debian's place for a package's documents is share/doc/<package>, lower case.
set(KESTRUM_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrum)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${KESTRUM_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/kestrum.png ${PROJECT_SOURCE_DIR}/docs/kestrum-table.png
  DESTINATION ${KESTRUM_INSTALL_DOCDIR}/docs)
if(NOT KESTRUM_ENGINE_ONLY)
  # The licence of Kestrum Bangla, the one font the package ships.
  install(FILES ${PROJECT_SOURCE_DIR}/fonts/OFL.txt DESTINATION ${KESTRUM_INSTALL_DOCDIR})
endif()
