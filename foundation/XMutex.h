// XMutex manages one unnamed Win32 mutex, which its owning thread may lock again without blocking.
#pragma once

#include <windows.h>
#include <cstdint>

// Without a handle (creation failed, or after Close) Lock, Unlock and Close do nothing.
class XMutex {
public:
    XMutex();
    ~XMutex();
    XMutex(const XMutex&) = delete;
    XMutex& operator=(const XMutex&) = delete;

    // Waits without time limit; the wait's result is not examined.
    void Lock();
    // Gives up one ownership: a mutex locked twice needs two Unlock calls.
    void Unlock();
    void Close();

    HANDLE m_handle;
    uint8_t m_locked;               // records the last Lock or Unlock only; unreliable when nested
    uint8_t m_existed;              // GetLastError() was ERROR_ALREADY_EXISTS after creation
};
