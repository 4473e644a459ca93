# Finds libwebp and its demuxer (for animations) and defines WebP::webp and WebP::webpdemux;
# WebP::webpmux too when the muxer is there (the tests assemble animations with it).
# Debian's packages and our Windows prefix both install plain libraries and headers, without
# a CMake package of their own on Debian 12.
find_path(WebP_INCLUDE_DIR webp/decode.h)
find_library(WebP_LIBRARY webp)
find_library(WebP_DEMUX_LIBRARY webpdemux)
find_library(WebP_MUX_LIBRARY webpmux)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(WebP REQUIRED_VARS WebP_LIBRARY WebP_DEMUX_LIBRARY WebP_INCLUDE_DIR)
if(WebP_FOUND AND NOT TARGET WebP::webp)
  add_library(WebP::webp UNKNOWN IMPORTED)
  set_target_properties(WebP::webp PROPERTIES IMPORTED_LOCATION ${WebP_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${WebP_INCLUDE_DIR})
  add_library(WebP::webpdemux UNKNOWN IMPORTED)
  set_target_properties(WebP::webpdemux PROPERTIES IMPORTED_LOCATION ${WebP_DEMUX_LIBRARY}
                        INTERFACE_LINK_LIBRARIES WebP::webp)
  if(WebP_MUX_LIBRARY)
    add_library(WebP::webpmux UNKNOWN IMPORTED)
    set_target_properties(WebP::webpmux PROPERTIES IMPORTED_LOCATION ${WebP_MUX_LIBRARY}
                          INTERFACE_LINK_LIBRARIES WebP::webp)
  endif()
endif()
