#include "support/ScratchRegistryKey.h"

#include <doctest/doctest.h>

namespace {

// RegDeleteTreeW is newer than XP: delete the children first, one by one.
void DeleteTree(HKEY parent, const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    wchar_t child[256];
    for (;;) {
        DWORD length = 256;
        if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr)
            != ERROR_SUCCESS)
            break;
        DeleteTree(key, child);
    }
    RegCloseKey(key);
    RegDeleteKeyW(parent, path);
}

} // namespace

namespace scratch {

ScratchRegistryKey::ScratchRegistryKey(const wchar_t* name)
    : m_path(std::wstring(L"Software\\XFrameworkTests\\") + name), m_key(nullptr)
{
    DeleteTree(HKEY_CURRENT_USER, m_path.c_str());
    REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &m_key, nullptr) == ERROR_SUCCESS);
}

ScratchRegistryKey::~ScratchRegistryKey()
{
    RegCloseKey(m_key);
    DeleteTree(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\XFrameworkTests");  // only when empty
}

void ScratchRegistryKey::SetValue(const wchar_t* subPath, const wchar_t* name, DWORD type,
                                  const void* data, DWORD size)
{
    HKEY key = nullptr;
    REQUIRE(RegCreateKeyExW(m_key, subPath != nullptr ? subPath : L"", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS);
    LONG status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    // The platform stores a string value one unit longer when a zero happens to follow the
    // given bytes; the tests that store a value without its terminator depend on the size.
    DWORD stored = 0;
    RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &stored);
    RegCloseKey(key);
    REQUIRE(status == ERROR_SUCCESS);
    REQUIRE(stored == size);
}

void ScratchRegistryKey::DeleteValue(const wchar_t* subPath, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(m_key, subPath != nullptr ? subPath : L"", 0, KEY_ALL_ACCESS, &key)
        != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, name);
    RegCloseKey(key);
}

bool ScratchRegistryKey::HasSubKey(const wchar_t* subPath) const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(m_key, subPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace scratch
