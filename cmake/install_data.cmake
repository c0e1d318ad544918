# What the program needs beside its executables: the desktop entry, icons,
# AppStream data, manual pages, shell completion and the package's notices.
set(data ${PROJECT_SOURCE_DIR}/data)

install(FILES ${data}/tavtools.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/tavtools.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
  RENAME org.tavtools.TavTools.metainfo.xml)
install(FILES ${data}/icons/tavtools.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${data}/icons/tavtools-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tavtools.png)
endforeach()
install(FILES ${data}/completion/tavtools-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${data}/screenshots/tavtools-main.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavtools/screenshots)

# Manual pages and the changelog, compressed as the system keeps them.
set(compressed)
foreach(source man/tavtools.1 man/tavtools-cli.1 debian/changelog)
  get_filename_component(name ${source} NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/data/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/data
    COMMAND sh -c "gzip -9n -c '${data}/${source}' > '${out}'"
    DEPENDS ${data}/${source} VERBATIM)
  list(APPEND compressed ${out})
endforeach()
add_custom_target(compressed_data ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/data/tavtools.1.gz
  ${CMAKE_CURRENT_BINARY_DIR}/data/tavtools-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/data/changelog.gz ${data}/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavtools)
