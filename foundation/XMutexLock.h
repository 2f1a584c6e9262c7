// Holds an XMutex for the length of a scope: Lock on entry, Unlock on every way out.
#pragma once

#include "foundation/XMutex.h"

class XMutexLock {
public:
    explicit XMutexLock(XMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~XMutexLock() { m_mutex.Unlock(); }
    XMutexLock(const XMutexLock&) = delete;
    XMutexLock& operator=(const XMutexLock&) = delete;

private:
    XMutex& m_mutex;
};
