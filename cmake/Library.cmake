# The library for other programs: libpallidor.so with include/pallidor/, a pkg-config file and
# a CMake package (find_package(Pallidor)); and the Python module `pallidor`, built into
# build/python so that PYTHONPATH=build/python finds it. Native POSIX builds only; included
# from the top CMakeLists.txt after the API's objects.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(pallidor_shared SHARED $<TARGET_OBJECTS:pallidor_api_objects>)
target_link_libraries(pallidor_shared PRIVATE pallidor_core)
target_include_directories(pallidor_shared PUBLIC
  $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(pallidor_shared INTERFACE cxx_std_17)
set_target_properties(pallidor_shared PROPERTIES
  OUTPUT_NAME pallidor EXPORT_NAME pallidor
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
# The core's own names stay inside: only what include/pallidor/ declares is exported.
target_link_options(pallidor_shared PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)

install(TARGETS pallidor_shared EXPORT PallidorTargets COMPONENT library
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/pallidor DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT library)
install(EXPORT PallidorTargets NAMESPACE Pallidor:: COMPONENT library
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pallidor)
configure_package_config_file(packaging/library/PallidorConfig.cmake.in
  ${CMAKE_BINARY_DIR}/PallidorConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pallidor)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/PallidorConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/PallidorConfig.cmake ${CMAKE_BINARY_DIR}/PallidorConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pallidor COMPONENT library)
file(RELATIVE_PATH PALLIDOR_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(packaging/library/pallidor.pc.in ${CMAKE_BINARY_DIR}/pallidor.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pallidor.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT library)

# Debian's interpreter, not whichever python3 comes first on PATH: the module is built for it
# and packaged for it, and Debian's pybind11 and dask belong to it.
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python_EXECUTABLE /usr/bin/python3)
endif()
set(PYBIND11_FINDPYTHON ON)
find_package(Python 3 REQUIRED COMPONENTS Interpreter Development.Module)
find_package(pybind11 CONFIG REQUIRED)
# The package's interpreter range: the extension is built for this minor version alone.
math(EXPR PALLIDOR_PYTHON_NEXT_MINOR "${Python_VERSION_MINOR} + 1")

set(PALLIDOR_PYTHON_DIR ${CMAKE_BINARY_DIR}/python/pallidor)
pybind11_add_module(pallidor_python python/PallidorModule.cpp)
target_link_libraries(pallidor_python PRIVATE pallidor_api_objects)
set_target_properties(pallidor_python PROPERTIES
  OUTPUT_NAME _pallidor LIBRARY_OUTPUT_DIRECTORY ${PALLIDOR_PYTHON_DIR})
target_link_options(pallidor_python PRIVATE -Wl,--exclude-libs,ALL)
# The module's Python files beside the extension, refreshed whenever they change.
set(PALLIDOR_PYTHON_FILES __init__.py dask.py)
set(copied)
foreach(name ${PALLIDOR_PYTHON_FILES})
  add_custom_command(OUTPUT ${PALLIDOR_PYTHON_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/python/pallidor/${name} ${PALLIDOR_PYTHON_DIR}/${name}
    DEPENDS ${CMAKE_SOURCE_DIR}/python/pallidor/${name})
  list(APPEND copied ${PALLIDOR_PYTHON_DIR}/${name})
endforeach()
add_custom_target(pallidor_python_files ALL DEPENDS ${copied})

# Debian's place for modules of every Python 3 version.
set(PALLIDOR_PYTHON_INSTALL_DIR lib/python3/dist-packages/pallidor)
install(TARGETS pallidor_python LIBRARY DESTINATION ${PALLIDOR_PYTHON_INSTALL_DIR} COMPONENT python)
install(FILES ${copied} DESTINATION ${PALLIDOR_PYTHON_INSTALL_DIR} COMPONENT python)
