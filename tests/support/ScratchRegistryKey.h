// Test helpers for the system services: a scratch registry key of a test's own.
#pragma once

#include <windows.h>

#include <string>

namespace scratch {

// A key under HKEY_CURRENT_USER\Software\XFrameworkTests, created empty (left-overs of an
// earlier run are removed first) and removed with everything under it when the object goes.
class ScratchRegistryKey {
public:
    explicit ScratchRegistryKey(const wchar_t* name);
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    // Path of the key under HKEY_CURRENT_USER.
    const wchar_t* Path() const { return m_path.c_str(); }
    // The key, opened with all access.
    HKEY Handle() const { return m_key; }

    // Writes a value under `subPath` (created when missing; null for the key itself).
    void SetValue(const wchar_t* subPath, const wchar_t* name, DWORD type, const void* data,
                  DWORD size);
    // Removes a value; a missing one is fine.
    void DeleteValue(const wchar_t* subPath, const wchar_t* name);
    // True when `subPath` exists under the key.
    bool HasSubKey(const wchar_t* subPath) const;

private:
    std::wstring m_path;
    HKEY m_key;
};

} // namespace scratch
