# The same sources built for 64-bit Windows. It serves to run the Windows tests under Wine on
# hosts whose kernel cannot execute 32-bit code; the product stays the i686 build.
set(PALLIDOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
