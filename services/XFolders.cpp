#include "services/XFolders.h"

#include <shlobj.h>
#include <shellapi.h>

#include <vector>

#include "foundation/XPath.h"
#include "services/XRegistry.h"

namespace {

const wchar_t* const programFilesKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// No path is longer than 32767 units; a larger report is not a path worth a buffer.
const uint32_t longestPath = 32767;

// Owns an item list that the shell allocated and frees it through the shell's allocator.
class XShellItemList {
public:
    XShellItemList() : m_list(nullptr) {}
    ~XShellItemList()
    {
        if (m_list == nullptr)
            return;
        IMalloc* allocator = nullptr;
        // Without the allocator the list is left as it is. SHGetMalloc hands out COM's task
        // allocator, so when it fails CoTaskMemFree has no allocator either, and any other
        // heap would not own the block; a few leaked bytes are the safe outcome.
        if (SHGetMalloc(&allocator) != S_OK || allocator == nullptr)
            return;
        allocator->Free(m_list);
        allocator->Release();
    }
    XShellItemList(const XShellItemList&) = delete;
    XShellItemList& operator=(const XShellItemList&) = delete;

    LPITEMIDLIST m_list;
};

// Runs one of the kernel's directory calls. A path that does not fit leaves the buffer
// unfilled and reports the size it needs; it is asked for once more with a buffer of that
// size (one unit more, in case a call counts without the terminator). A path that still does
// not fit, having grown in between, gives nothing.
XString ReadKernelPath(XFolderPlatform& platform,
                       uint32_t (XFolderPlatform::*call)(wchar_t*, uint32_t))
{
    wchar_t buffer[MAX_PATH];
    uint32_t length = (platform.*call)(buffer, MAX_PATH);
    if (length == 0)
        return XString();
    if (length < MAX_PATH)
        return XString(buffer);
    if (length > longestPath + 1)
        return XString();
    std::vector<wchar_t> larger(length + 1);
    uint32_t second = (platform.*call)(larger.data(), length + 1);
    if (second == 0 || second > length)
        return XString();
    return XString(larger.data());
}

} // namespace

uint32_t XFolderPlatform::WindowsDirectory(wchar_t* buffer, uint32_t size)
{
    return GetWindowsDirectoryW(buffer, size);
}

uint32_t XFolderPlatform::SystemDirectory(wchar_t* buffer, uint32_t size)
{
    return GetSystemDirectoryW(buffer, size);
}

uint32_t XFolderPlatform::TempPath(wchar_t* buffer, uint32_t size)
{
    return GetTempPathW(size, buffer);
}

XString XFolderPlatform::ShellFolderPath(int csidl)
{
    return XGetShellFolderPath(csidl);
}

HIMAGELIST XFolderPlatform::SmallIconList(const wchar_t* path)
{
    SHFILEINFOW info;
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(path, 0, &info, sizeof(info),
                                                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

XString XGetShellFolderPath(int csidl)
{
    XString result;
    XShellItemList items;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &items.m_list) != S_OK)
        return result;
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(items.m_list, path))
        result = path;
    return result;
}

XString XGetFolderPath(const wchar_t* fallback, uint32_t code)
{
    XFolderPlatform platform;
    return XGetFolderPath(fallback, code, platform);
}

XString XGetFolderPath(const wchar_t* fallback, uint32_t code, XFolderPlatform& platform)
{
    XString result(fallback != nullptr ? fallback : L"C:\\Error");
    XString found;
    switch (code) {
    case XFOLDER_PROGRAM_FILES:
        found = XRegReadString(L"ProgramFilesDir", HKEY_LOCAL_MACHINE, programFilesKey);
        break;
    case XFOLDER_WINDOWS:
        found = ReadKernelPath(platform, &XFolderPlatform::WindowsDirectory);
        break;
    case XFOLDER_SYSTEM:
        found = ReadKernelPath(platform, &XFolderPlatform::SystemDirectory);
        break;
    case XFOLDER_TEMP:
        found = ReadKernelPath(platform, &XFolderPlatform::TempPath);
        break;
    case XFOLDER_PROGRAM_FILES_NATIVE:
        found = XRegReadString(L"ProgramW6432Dir", HKEY_LOCAL_MACHINE, programFilesKey);
        if (found.IsEmpty())
            found = XRegReadString(L"ProgramFilesDir", HKEY_LOCAL_MACHINE, programFilesKey);
        break;
    default:
        found = platform.ShellFolderPath(static_cast<int>(code));
        break;
    }
    if (!found.IsEmpty())
        result = found;
    if (result.IsEmpty() || result.GetAt(XSTR_LAST) != L'\\')
        result.Append(L"\\");
    if (result.Compare(L"\\", 0, false) == 0)
        result = L"";
    return result;
}

HIMAGELIST XGetSmallSystemImageList()
{
    XFolderPlatform platform;
    return XGetSmallSystemImageList(platform);
}

HIMAGELIST XGetSmallSystemImageList(XFolderPlatform& platform)
{
    XString path = XGetFolderPath(nullptr, XFOLDER_WINDOWS, platform);
    // Each split shortens the path, so the loop ends with the path cut to its root.
    while (!SplitLastComponent(path).IsEmpty()) {
    }
    if (path.IsEmpty())
        path = L"C:\\";
    return platform.SmallIconList(path.GetText());
}
