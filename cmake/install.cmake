# What `cmake --install` puts where. On Linux the usual tree: the tool in bin/, its manual page (compressed,
# as man reads it and Debian ships it) in share/man/man1/, the copyright and changelog in share/doc/devlist/
# and the Ansible facts (Linux and PowerShell) with the playbook in share/devlist/ansible/. On Windows a flat
# folder: the .exe, the README and the licence, as the zip carries them.
include(GNUInstallDirs)

# Directories the install creates are 0755 whatever the umask, as a package needs them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  install(TARGETS devlist RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
  return()
endif()

install(TARGETS devlist RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# gzip -n leaves out the name and time, so the same sources give the same bytes.
find_program(DEVLIST_GZIP gzip REQUIRED)
set(devlist_compressed "")
foreach(source docs/devlist.1 packaging/debian/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
                     COMMAND ${DEVLIST_GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/${source} > ${output}
                     DEPENDS ${CMAKE_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND devlist_compressed ${output})
endforeach()
add_custom_target(devlist_compressed_docs ALL DEPENDS ${devlist_compressed})

install(FILES ${CMAKE_BINARY_DIR}/compressed/devlist.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(PROGRAMS ${CMAKE_SOURCE_DIR}/contrib/ansible/devlist.fact
        DESTINATION ${CMAKE_INSTALL_DATADIR}/devlist/ansible)
install(FILES ${CMAKE_SOURCE_DIR}/contrib/ansible/inventory.yml ${CMAKE_SOURCE_DIR}/contrib/ansible/README.md
              ${CMAKE_SOURCE_DIR}/contrib/ansible/devlist.ps1
        DESTINATION ${CMAKE_INSTALL_DATADIR}/devlist/ansible)
