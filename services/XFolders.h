// Special folders resolves folder codes to paths and reaches the shell's small system image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "foundation/XString.h"

// The system's own folder codes; every other code is a CSIDL. These five never reach the shell,
// whatever CSIDL flag bits their values might be read as.
const uint32_t XFOLDER_PROGRAM_FILES = 0x5000;         // "ProgramFilesDir"
const uint32_t XFOLDER_WINDOWS = 0x5001;               // GetWindowsDirectoryW
const uint32_t XFOLDER_SYSTEM = 0x5002;                // GetSystemDirectoryW
const uint32_t XFOLDER_TEMP = 0x5003;                  // GetTempPathW
const uint32_t XFOLDER_PROGRAM_FILES_NATIVE = 0x5004;  // "ProgramW6432Dir", else "ProgramFilesDir"

// The shell's path for a CSIDL folder as the shell gives it (no backslash added), or empty.
XString XGetShellFolderPath(int csidl);

// The folder's path ending with one backslash. When the lookup yields nothing the result is
// `fallback` (or "C:\Error" when it is null) with a backslash appended; only a fallback of
// length 0 or "\" gives the empty path.
XString XGetFolderPath(const wchar_t* fallback, uint32_t code);

// The shell's small-icon system image list, asked for through the root of the Windows
// directory's drive ("C:\" when that cannot be read). It belongs to the shell: never destroy it.
HIMAGELIST XGetSmallSystemImageList();

// The platform calls behind the two functions above. They use this one; tests derive from it
// to stand in for the kernel and the shell.
class XFolderPlatform {
public:
    virtual ~XFolderPlatform() = default;
    // In the manner of GetWindowsDirectoryW: the length written without the terminator, the
    // size needed when `size` is too small (nothing is written then), or 0 on failure.
    virtual uint32_t WindowsDirectory(wchar_t* buffer, uint32_t size);
    virtual uint32_t SystemDirectory(wchar_t* buffer, uint32_t size);
    virtual uint32_t TempPath(wchar_t* buffer, uint32_t size);
    virtual XString ShellFolderPath(int csidl);
    virtual HIMAGELIST SmallIconList(const wchar_t* path);
};

XString XGetFolderPath(const wchar_t* fallback, uint32_t code, XFolderPlatform& platform);
HIMAGELIST XGetSmallSystemImageList(XFolderPlatform& platform);
