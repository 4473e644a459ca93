# Run by CPack after staging the install and before packing: Debian keeps manual pages and a
# package's changelog compressed, with gzip -9n (no name, no time stamp, so that builds are
# reproducible).
# Each package is staged in a folder of its own component below the temporary folder.
file(GLOB_RECURSE files
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/*/share/man/man*/*.[1-9]"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/*/changelog"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/*/share/doc/*/changelog")
foreach(file IN LISTS files)
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot compress ${file}")
  endif()
endforeach()
