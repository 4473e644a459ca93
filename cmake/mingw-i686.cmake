# Cross build of the 32-bit Windows product: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(PALLIDOR_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# SSE2 doubles: with x87's 80-bit intermediates the sampling grid's positions would differ in
# their last bits from every other build, and with them the pixels that are judged.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
