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
# Each package gets its own pair, under its own name.
function(pallidor_package_docs package what component)
  set(PALLIDOR_PACKAGE ${package})
  set(PALLIDOR_PACKAGE_WHAT "${what}")
  configure_file(packaging/debian/copyright.in ${CMAKE_BINARY_DIR}/doc/${package}/copyright @ONLY)
  configure_file(packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/${package}/changelog @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/doc/${package}/copyright ${CMAKE_BINARY_DIR}/doc/${package}/changelog
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

install(TARGETS pallidor-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(FILES ${PALLIDOR_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES packaging/bash-completion/pallidor-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)
pallidor_package_docs(pallidor-cli "the console tool" cli)
set(CPACK_COMPONENTS_ALL cli)
if(PALLIDOR_LIBRARY)
  pallidor_package_docs(python3-pallidor "the Python module" python)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()

# build/pallidor-cli_<version>_<arch>.deb and build/python3-pallidor_<version>_<arch>.deb, by
# `cpack` in the build folder: one package per install component.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME pallidor)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME pallidor-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Each component's description begins with its own synopsis line; a package-wide summary
# would be put in front of both.
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "sort image files into monochrome and colour
pallidor-cli decodes PNG, GIF, BMP and JPEG files, judges from their
pixels whether each picture is monochrome or in colour, and either prints
the verdicts or moves each file into a monochrome or a color folder, with
one line per file in a log. A sorting run can be taken back from its log.
Settings live in ~/.config/pallidor and logs in ~/.local/state/pallidor.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PALLIDOR_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The module judges in Python; with dask it judges on many machines.
if(PALLIDOR_LIBRARY)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-pallidor)
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION
      "judge pictures as monochrome or colour from Python
The Python module pallidor decodes a PNG, GIF, BMP or JPEG picture, from a
file or from bytes, and judges from its pixels whether it is monochrome or
in colour, as pallidor-cli does, releasing the interpreter lock meanwhile.
pallidor.dask judges many pictures on a dask cluster, reading them from any
file system fsspec knows.")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}), python3 (<< ${Python_VERSION_MAJOR}.${PALLIDOR_PYTHON_NEXT_MINOR})")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-dask, python3-distributed, python3-fsspec")
endif()
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages, found by dpkg-shlibdeps from what the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Debian keeps manual pages and changelogs compressed; `cmake --install` leaves them as they are.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/CompressForDebian.cmake)
include(CPack)
