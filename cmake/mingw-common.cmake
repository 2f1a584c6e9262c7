# Shared by both toolchain files: compilers, resource compiler and where to look for the target's files.
set(CMAKE_C_COMPILER   /usr/bin/${XTARGET_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER /usr/bin/${XTARGET_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER  /usr/bin/${XTARGET_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${XTARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests of the 64-bit build run under 64-bit Wine; 32-bit Wine cannot start on this kernel.
if(XTARGET_TRIPLE STREQUAL "x86_64-w64-mingw32" AND EXISTS /usr/lib/wine/wine64)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
