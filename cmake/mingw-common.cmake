# Shared part of the MinGW-w64 cross toolchains; the including file sets
# PALLIDOR_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: GCC's -win32 thread model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${PALLIDOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PALLIDOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PALLIDOR_MINGW_TRIPLE}-windres)

# Our static libraries (scripts/build-win32-deps.sh) come first, so a DLL import library of
# the same name in the compiler's own root is never picked instead.
set(PALLIDOR_WIN32_PREFIX "$ENV{PALLIDOR_WIN32_PREFIX}" CACHE PATH "Static Windows libraries")
set(CMAKE_FIND_ROOT_PATH ${PALLIDOR_WIN32_PREFIX} /usr/${PALLIDOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and test discovery run the executables under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec.sh)
