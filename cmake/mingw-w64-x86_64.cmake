# Cross-compiling for 64-bit Windows with MinGW-w64 from a Debian machine
# (packages g++-mingw-w64-x86-64-posix and mingw-w64):
#   cmake -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The POSIX thread model gives the standard library its threads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TORVANE_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TORVANE_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVANE_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVANE_MINGW_TARGET}-windres)

# Libraries and packages come from the target's tree, programs from the host.
# Look-ups are re-rooted, so a prefix outside that tree (a Qt for MinGW) is
# found only when it is given on CMAKE_FIND_ROOT_PATH too, which is kept.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TORVANE_MINGW_TARGET})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
