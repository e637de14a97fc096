# Run by cmake --install (and so by cpack): writes the IBus component file with the place the
# engine is installed to under this prefix (IBus starts it by that absolute path).
set(KESTRUM_IBUS_EXEC "${CMAKE_INSTALL_PREFIX}/${KESTRUM_IBUS_LIBEXECDIR}/ibus-engine-kestrum")
configure_file("${KESTRUM_IBUS_SOURCE_DIR}/kestrum.xml.in" "${KESTRUM_IBUS_WORK_DIR}/kestrum.xml" @ONLY)
file(INSTALL "${KESTRUM_IBUS_WORK_DIR}/kestrum.xml"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/${KESTRUM_IBUS_DATADIR}/ibus/component")
