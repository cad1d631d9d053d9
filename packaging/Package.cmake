# The Debian package, written by CPack's DEB generator (`make package`).
# Runtime dependencies come from the installed binaries through
# dpkg-shlibdeps (the module's Qt libraries; libqt6gui6 carries the xcb
# platform plugin itself; the Wayland one is recommended).

include(GNUInstallDirs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME artisanscope)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Artisanscope maintainers")
set(CPACK_PACKAGE_CONTACT "Artisanscope maintainers <maintainers@users.noreply.c-seed-d5ab7b80.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browse and export the crafting recipes of Camelot")
set(CPACK_PACKAGE_DESCRIPTION
"Artisanscope opens the archive of a Camelot game installation, extracts and
checks the crafting recipe table inside it and shows every recipe in a tree:
realm, skill, category, pattern and the pattern's ingredients. It exports the
whole table as XML or as semicolon-separated text for spreadsheets, and runs
unattended from the command line, also without a display.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/artisanscope/artisanscope)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Wayland platform plugin, so that a session with Wayland alone shows
# the dialog natively; X11 sessions and XWayland need nothing more.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_STRIP_FILES ON)
# Directories the package shares with others keep their usual modes.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian's changelog and copyright files, which every package carries.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -R -d "${ARTISANSCOPE_RELEASE_DATE} 12:00"
  OUTPUT_VARIABLE ARTISANSCOPE_RELEASE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${GZIP} -9 -n -c ${PROJECT_BINARY_DIR}/packaging/changelog > ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
  COMMENT "Compressing the package changelog")
add_custom_target(artisanscope_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/artisanscope)

include(CPack)
