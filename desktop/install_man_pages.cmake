# Run by cmake --install (and so by cpack): writes the man pages with the folders of the prefix
# being installed to and installs them compressed (gzip -9n, so the same input gives the same
# file), as Debian wants them.
foreach(dir DATA DOC MAN)
  if(IS_ABSOLUTE "${KESTRUM_${dir}_DIR}")
    set(_${dir} "${KESTRUM_${dir}_DIR}")
  else()
    set(_${dir} "${CMAKE_INSTALL_PREFIX}/${KESTRUM_${dir}_DIR}")
  endif()
endforeach()
set(KESTRUM_FULL_DATADIR "${_DATA}")
set(KESTRUM_FULL_DOCDIR "${_DOC}")
foreach(page IN LISTS KESTRUM_MAN_PAGES)
  set(written "${KESTRUM_MAN_WORK_DIR}/${page}")
  configure_file("${KESTRUM_MAN_SOURCE_DIR}/${page}.in" "${written}" @ONLY)
  execute_process(COMMAND gzip -9nf "${written}" COMMAND_ERROR_IS_FATAL ANY)
  file(INSTALL "${written}.gz" DESTINATION "${_MAN}")
endforeach()
