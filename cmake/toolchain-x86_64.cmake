# 64-bit Windows build with mingw-w64 (win32 thread model: no extra runtime DLL).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(XTARGET_TRIPLE x86_64-w64-mingw32)
set(XMANIFEST_ARCH amd64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
