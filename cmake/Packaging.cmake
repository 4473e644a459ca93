# Installing the console tool and its Debian package (native POSIX builds). Included from the
# top CMakeLists.txt after the pallidor-cli target.
include(GNUInstallDirs)

# The manual page is written from the very text of --help by a small program built here, so
# the two cannot say different things.
add_executable(pallidor-manpage src/cli/ManPageMain.cpp)
target_link_libraries(pallidor-manpage PRIVATE pallidor_cli_commands)
set(PALLIDOR_MAN_PAGE ${CMAKE_BINARY_DIR}/pallidor-cli.1)
add_custom_command(
  OUTPUT ${PALLIDOR_MAN_PAGE}
  COMMAND pallidor-manpage ${PALLIDOR_MAN_PAGE}
  DEPENDS pallidor-manpage
  COMMENT "Writing the manual page from the help text")
add_custom_target(pallidor_man_page ALL DEPENDS ${PALLIDOR_MAN_PAGE})

set(PALLIDOR_MAINTAINER "Pallidor developers <maintainers@users.noreply.c-seed-a4673e11.example>")
# Pallidor's licence and the names of the libraries' licences; the changelog Debian asks of
# every package.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE PALLIDOR_LICENSE)
string(STRIP "${PALLIDOR_LICENSE}" PALLIDOR_LICENSE)
configure_file(packaging/debian/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
configure_file(packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)

install(TARGETS pallidor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PALLIDOR_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/bash-completion/pallidor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${CMAKE_BINARY_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pallidor-cli)

# build/pallidor-cli_<version>_<arch>.deb, by `cpack` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pallidor-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sort image files into monochrome and colour")
set(CPACK_PACKAGE_DESCRIPTION
    "pallidor-cli decodes PNG, GIF, BMP and JPEG files, judges from their
pixels whether each picture is monochrome or in colour, and either prints
the verdicts or moves each file into a monochrome or a color folder, with
one line per file in a log. A sorting run can be taken back from its log.
Settings live in ~/.config/pallidor and logs in ~/.local/state/pallidor.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PALLIDOR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages, found by dpkg-shlibdeps from what the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Debian keeps manual pages and changelogs compressed; `cmake --install` leaves them as they are.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/CompressForDebian.cmake)
include(CPack)
