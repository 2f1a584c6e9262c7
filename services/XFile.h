// XFile manages one file handle and the file's name; its destruction closes a handle it owns.
#pragma once

#include <windows.h>
#include <cstdint>

#include "foundation/XString.h"

class XFile {
public:
    XFile();
    ~XFile();
    XFile(const XFile&) = delete;
    XFile& operator=(const XFile&) = delete;

    XString m_name;
    HANDLE m_handle;                // INVALID_HANDLE_VALUE when no file is open
    uint8_t m_reserved;
    uint8_t m_ownsHandle;           // destruction closes m_handle only when set
};
