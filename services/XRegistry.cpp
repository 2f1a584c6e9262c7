#include "services/XRegistry.h"

#include <cstring>

#include "foundation/XMemBuffer.h"
#include "services/XProcessObjects.h"
#include "services/XRegKey.h"

HKEY regDefaultRoot = nullptr;

HKEY XRegOpenKey(REGSAM access, HKEY root, const wchar_t* path)
{
    // A given path replaces the base path; it is not appended to it.
    XString keyPath = path != nullptr ? XString(path) : regBasePath;
    if (keyPath.IsEmpty())
        return nullptr;
    if (root == nullptr)
        root = regDefaultRoot;
    HKEY key = nullptr;
    DWORD disposition = 0;
    wchar_t noClass[] = L"";
    if (RegCreateKeyExW(root, keyPath.GetText(), 0, noClass, REG_OPTION_NON_VOLATILE, access,
                        nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY XRegKeyOpener::Open(REGSAM access, HKEY root, const wchar_t* path)
{
    return XRegOpenKey(access, root, path);
}

void XRegReadValue(HKEY root, const wchar_t* path, const wchar_t* name, void* buffer,
                   uint32_t size, unsigned char* failed)
{
    XRegKeyOpener opener;
    XRegReadValue(root, path, name, buffer, size, failed, opener);
}

void XRegReadValue(HKEY root, const wchar_t* path, const wchar_t* name, void* buffer,
                   uint32_t size, unsigned char* failed, XRegKeyOpener& opener)
{
    bool success = false;
    XRegKey key(opener.Open(KEY_QUERY_VALUE, root, path));
    if (key.m_key != nullptr) {
        DWORD type = REG_NONE;
        DWORD bytes = size;
        LONG status = RegQueryValueExW(key.m_key, name, nullptr, &type,
                                       static_cast<BYTE*>(buffer), &bytes);
        // The type only counts when the query succeeded. ERROR_MORE_DATA leaves the buffer's
        // contents undefined, so it is zeroed like every other failure.
        success = status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
    }
    if (!success && size != 0)
        std::memset(buffer, 0, size);
    if (failed != nullptr)
        *failed = success ? 0 : 1;
}

XString XRegReadString(const wchar_t* name, HKEY root, const wchar_t* path)
{
    XRegKeyOpener opener;
    return XRegReadString(name, root, path, opener);
}

XString XRegReadString(const wchar_t* name, HKEY root, const wchar_t* path,
                       XRegKeyOpener& opener)
{
    XString result;
    DWORD size = 0;
    bool success = false;
    {
        XRegKey key(opener.Open(KEY_QUERY_VALUE, root, path));
        if (key.m_key != nullptr)
            success = RegQueryValueExW(key.m_key, name, nullptr, nullptr, nullptr, &size)
                      == ERROR_SUCCESS;
    }
    if (!success || size == 0 || size > UINT32_MAX - 3)
        return result;
    // Zero bytes behind the data end the text even when it was stored without its terminator.
    // An odd size gets one byte more, so that the unit holding the last data byte is followed
    // by a whole zero unit inside the block.
    XMemBuffer data(size + 2 + (size & 1));
    if (data.m_block == nullptr)
        return result;
    unsigned char failed = 1;
    XRegReadValue(root, path, name, data.m_block, size, &failed, opener);
    if (failed == 0)
        result = reinterpret_cast<const wchar_t*>(data.m_block);
    return result;
}
