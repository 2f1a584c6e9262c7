# 32-bit Windows XP-or-later build with mingw-w64 (win32 thread model: no extra runtime DLL).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(XTARGET_TRIPLE i686-w64-mingw32)
set(XMANIFEST_ARCH X86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
