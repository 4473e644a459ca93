# Finds libwebp and its demuxer (for animations) and defines WebP::webp and WebP::webpdemux.
# Debian's packages and our Windows prefix both install plain libraries and headers, without
# a CMake package of their own on Debian 12.
find_path(WebP_INCLUDE_DIR webp/decode.h)
find_library(WebP_LIBRARY webp)
find_library(WebP_DEMUX_LIBRARY webpdemux)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(WebP REQUIRED_VARS WebP_LIBRARY WebP_DEMUX_LIBRARY WebP_INCLUDE_DIR)
if(WebP_FOUND AND NOT TARGET WebP::webp)
  add_library(WebP::webp UNKNOWN IMPORTED)
  set_target_properties(WebP::webp PROPERTIES IMPORTED_LOCATION ${WebP_LIBRARY}
                        INTERFACE_INCLUDE_DIRECTORIES ${WebP_INCLUDE_DIR})
  add_library(WebP::webpdemux UNKNOWN IMPORTED)
  set_target_properties(WebP::webpdemux PROPERTIES IMPORTED_LOCATION ${WebP_DEMUX_LIBRARY}
                        INTERFACE_LINK_LIBRARIES WebP::webp)
endif()
