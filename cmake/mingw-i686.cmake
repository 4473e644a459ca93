# Cross build of the 32-bit Windows product: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(PALLIDOR_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
