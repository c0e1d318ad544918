# A Debian package of what the install rules name: cpack -G DEB (see
# scripts/package.sh). The shared libraries the programs link decide most
# dependencies; the rest are files loaded at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavtools)
set(CPACK_PACKAGE_VENDOR "The Tav Tools developers")
set(CPACK_PACKAGE_CONTACT "Tav Tools maintainers <maintainers@users.noreply.c-seed-1c383458.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "Tav Tools is a desktop toolbox with a French interface. One main window holds
a file manager (folder tree, file list, drive selectors, command box); almost
every command acts on the files selected there and opens a tool: backup
archives spanning volumes, split and join, encryption, secure erase, text
tools, find files and text, compare, a disk cleaner, a hex editor, a dBase
table viewer, thumbnails and a picture viewer, system information, a
calculator, a euro converter, a clock, a calendar and a notepad.
tavtools-cli runs the same engines from the command line.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# French texts of Qt's own dialogs, and the fonts the metafile drawer uses.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-urw-base35")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
