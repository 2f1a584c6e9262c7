// XRegKey owns one open registry key handle and closes it when it goes.
#pragma once

#include <windows.h>

class XRegKey {
public:
    explicit XRegKey(HKEY key = nullptr) : m_key(key) {}
    ~XRegKey()
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    XRegKey(const XRegKey&) = delete;
    XRegKey& operator=(const XRegKey&) = delete;

    HKEY m_key;                     // null when nothing was opened
};
