// Special folders: code routing and fallbacks through a stand-in platform, the Program Files
// values through a stand-in HKEY_LOCAL_MACHINE, and the real kernel and shell under Wine.
#include <doctest/doctest.h>

#include "services/XFolders.h"
#include "support/ScratchRegistryKey.h"
#include "support/WideText.h"

#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

using scratch::ScratchRegistryKey;

namespace {

// Answers every kernel and shell lookup with one text (null fails them) and records the calls.
class FakePlatform : public XFolderPlatform {
public:
    explicit FakePlatform(const wchar_t* text) : m_text(text) {}

    uint32_t WindowsDirectory(wchar_t* buffer, uint32_t size) override
    {
        return Kernel("windows", buffer, size);
    }
    uint32_t SystemDirectory(wchar_t* buffer, uint32_t size) override
    {
        return Kernel("system", buffer, size);
    }
    uint32_t TempPath(wchar_t* buffer, uint32_t size) override
    {
        return Kernel("temp", buffer, size);
    }
    XString ShellFolderPath(int csidl) override
    {
        m_calls += "shell " + std::to_string(csidl) + ";";
        return XString(m_text != nullptr ? m_text : L"");
    }
    HIMAGELIST SmallIconList(const wchar_t* path) override
    {
        m_iconListPath = Narrow(path);
        return reinterpret_cast<HIMAGELIST>(static_cast<INT_PTR>(0x1234));
    }

    // In the kernel's manner: a path that does not fit reports the size it needs and leaves
    // the buffer unfilled, here filled with junk and no terminator so that reading it shows.
    virtual uint32_t Kernel(const char* name, wchar_t* buffer, uint32_t size)
    {
        m_calls += std::string(name) + ";";
        if (m_text == nullptr)
            return 0;
        std::wstring text(m_text);
        if (text.size() + 1 > size) {
            for (uint32_t i = 0; i < size; ++i)
                buffer[i] = L'#';
            return static_cast<uint32_t>(text.size() + 1);
        }
        for (size_t i = 0; i <= text.size(); ++i)
            buffer[i] = m_text[i];
        return static_cast<uint32_t>(text.size());
    }

    const wchar_t* m_text;
    std::string m_calls;
    std::string m_iconListPath;
};

std::wstring LongPath(size_t length)
{
    std::wstring path = L"C:\\";
    while (path.size() < length)
        path += L'a';
    return path;
}

// Shows the code under test a scratch key as HKEY_LOCAL_MACHINE, for this process only.
struct MachineStandIn {
    ScratchRegistryKey scratch{L"Folders"};

    MachineStandIn()
    {
        REQUIRE(RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch.Handle()) == ERROR_SUCCESS);
    }
    ~MachineStandIn() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); }

    // type 0 removes the value.
    void Set(const wchar_t* name, DWORD type, const wchar_t* text)
    {
        const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
        scratch.DeleteValue(key, name);
        if (type == REG_DWORD) {
            DWORD number = 7;
            scratch.SetValue(key, name, type, &number, sizeof(number));
        } else if (type != 0) {
            scratch.SetValue(key, name, type, text,
                             static_cast<DWORD>((std::wstring(text).size() + 1) * sizeof(wchar_t)));
        }
    }
};

std::string WithBackslash(const wchar_t* text)
{
    std::string path = Narrow(text);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

} // namespace

TEST_CASE("XGetFolderPath: the system's codes never reach the shell, every other code does")
{
    struct Row { uint32_t code; const char* calls; };
    const Row rows[] = {
        {XFOLDER_PROGRAM_FILES, ""},
        {XFOLDER_WINDOWS, "windows;"},
        {XFOLDER_SYSTEM, "system;"},
        {XFOLDER_TEMP, "temp;"},
        {XFOLDER_PROGRAM_FILES_NATIVE, ""},
        {0x4FFF, "shell 20479;"},
        {0x5005, "shell 20485;"},
        {CSIDL_WINDOWS, "shell 36;"},
        {0, "shell 0;"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.code);
        FakePlatform platform(L"C:\\Somewhere");
        XGetFolderPath(nullptr, row.code, platform);
        CHECK(platform.m_calls == row.calls);
    }
}

TEST_CASE("XGetFolderPath: one backslash at the end, the fallback when the lookup fails")
{
    struct Row { uint32_t code; const wchar_t* fallback; const wchar_t* found; const char* path; };
    const Row rows[] = {
        {XFOLDER_WINDOWS, nullptr, L"C:\\Windows", "C:\\Windows\\"},
        {XFOLDER_TEMP, nullptr, L"C:\\Temp\\", "C:\\Temp\\"},
        {XFOLDER_SYSTEM, nullptr, L"D:\\", "D:\\"},
        {CSIDL_WINDOWS, nullptr, L"C:\\Shell", "C:\\Shell\\"},
        {XFOLDER_WINDOWS, nullptr, nullptr, "C:\\Error\\"},
        {XFOLDER_WINDOWS, L"X:\\Fallback", nullptr, "X:\\Fallback\\"},
        {XFOLDER_WINDOWS, L"X:\\Fallback\\", nullptr, "X:\\Fallback\\"},
        {XFOLDER_WINDOWS, L"", nullptr, ""},
        {XFOLDER_WINDOWS, L"\\", nullptr, ""},
        {XFOLDER_WINDOWS, L"X:\\Fallback", L"\\", ""},
        {CSIDL_WINDOWS, L"X:\\Fallback", L"", "X:\\Fallback\\"},
        {CSIDL_WINDOWS, L"", L"", ""},
    };
    for (const Row& row : rows) {
        CAPTURE(row.code);
        CAPTURE(Narrow(row.fallback != nullptr ? row.fallback : L"(null)"));
        CAPTURE(Narrow(row.found != nullptr ? row.found : L"(fails)"));
        FakePlatform platform(row.found);
        XString path = XGetFolderPath(row.fallback, row.code, platform);
        CHECK(Narrow(path.GetText()) == row.path);
        CHECK(path.GetCount() == static_cast<int>(std::string(row.path).size()) + 1);
    }
}

TEST_CASE("XGetFolderPath: a kernel path of 260 units or more is asked for again")
{
    struct Row { size_t length; int calls; };
    const Row rows[] = { {259, 1}, {260, 2}, {299, 2}, {1000, 2} };
    for (const Row& row : rows) {
        CAPTURE(row.length);
        std::wstring windows = LongPath(row.length);
        FakePlatform platform(windows.c_str());
        XString path = XGetFolderPath(nullptr, XFOLDER_WINDOWS, platform);
        CHECK(Narrow(path.GetText()) == Narrow(windows.c_str()) + "\\");
        CHECK(std::count(platform.m_calls.begin(), platform.m_calls.end(), ';') == row.calls);
    }
}

TEST_CASE("XGetFolderPath: a kernel path that never fits keeps the fallback")
{
    // Grows between the calls, and reports a size no path can have.
    class Growing : public FakePlatform {
    public:
        Growing() : FakePlatform(L"unused") {}
        uint32_t Kernel(const char*, wchar_t*, uint32_t size) override
        {
            ++m_count;
            return size + 10;
        }
        int m_count = 0;
    };
    class Huge : public Growing {
        uint32_t Kernel(const char* name, wchar_t* buffer, uint32_t size) override
        {
            Growing::Kernel(name, buffer, size);
            return 0xFFFFFFFF;
        }
    };
    Growing growing;
    CHECK(Narrow(XGetFolderPath(nullptr, XFOLDER_SYSTEM, growing).GetText()) == "C:\\Error\\");
    CHECK(growing.m_count == 2);
    Huge huge;
    CHECK(Narrow(XGetFolderPath(nullptr, XFOLDER_TEMP, huge).GetText()) == "C:\\Error\\");
    CHECK(huge.m_count == 1);
}

TEST_CASE_FIXTURE(MachineStandIn, "XGetFolderPath: Program Files values from HKEY_LOCAL_MACHINE")
{
    struct Value { DWORD type; const wchar_t* text; };
    const Value missing = {0, nullptr};
    const Value empty = {REG_SZ, L""};
    const Value number = {REG_DWORD, nullptr};
    struct Row {
        Value programFiles;
        Value native;
        uint32_t code;
        const wchar_t* fallback;
        const char* path;
    };
    const Row rows[] = {
        {{REG_SZ, L"C:\\PF"}, {REG_SZ, L"C:\\PF64"}, XFOLDER_PROGRAM_FILES, nullptr, "C:\\PF\\"},
        {{REG_SZ, L"C:\\PF"}, {REG_SZ, L"C:\\PF64"}, XFOLDER_PROGRAM_FILES_NATIVE, nullptr, "C:\\PF64\\"},
        {{REG_SZ, L"C:\\PF\\"}, missing, XFOLDER_PROGRAM_FILES, nullptr, "C:\\PF\\"},
        {{REG_EXPAND_SZ, L"%X%\\PF"}, missing, XFOLDER_PROGRAM_FILES, nullptr, "%X%\\PF\\"},
        {{REG_SZ, L"C:\\PF"}, missing, XFOLDER_PROGRAM_FILES_NATIVE, nullptr, "C:\\PF\\"},
        {{REG_SZ, L"C:\\PF"}, empty, XFOLDER_PROGRAM_FILES_NATIVE, nullptr, "C:\\PF\\"},
        {{REG_SZ, L"C:\\PF"}, number, XFOLDER_PROGRAM_FILES_NATIVE, nullptr, "C:\\PF\\"},
        {missing, {REG_SZ, L"C:\\PF64"}, XFOLDER_PROGRAM_FILES, nullptr, "C:\\Error\\"},
        {missing, missing, XFOLDER_PROGRAM_FILES, nullptr, "C:\\Error\\"},
        {missing, missing, XFOLDER_PROGRAM_FILES_NATIVE, nullptr, "C:\\Error\\"},
        {empty, empty, XFOLDER_PROGRAM_FILES_NATIVE, L"X:\\Fallback", "X:\\Fallback\\"},
        {missing, missing, XFOLDER_PROGRAM_FILES_NATIVE, L"", ""},
        {missing, missing, XFOLDER_PROGRAM_FILES, L"\\", ""},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.programFiles.text != nullptr ? row.programFiles.text : L"-"));
        CAPTURE(Narrow(row.native.text != nullptr ? row.native.text : L"-"));
        CAPTURE(row.code);
        Set(L"ProgramFilesDir", row.programFiles.type, row.programFiles.text);
        Set(L"ProgramW6432Dir", row.native.type, row.native.text);
        CHECK(Narrow(XGetFolderPath(row.fallback, row.code).GetText()) == row.path);
    }
}

TEST_CASE("XGetFolderPath: the real Program Files values")
{
    {
        // The stand-in is gone again once its fixture is.
        MachineStandIn standIn;
        standIn.Set(L"ProgramFilesDir", REG_SZ, L"C:\\StandIn");
        REQUIRE(Narrow(XGetFolderPath(nullptr, XFOLDER_PROGRAM_FILES).GetText()) == "C:\\StandIn\\");
    }
    for (uint32_t code : {XFOLDER_PROGRAM_FILES, XFOLDER_PROGRAM_FILES_NATIVE}) {
        CAPTURE(code);
        std::string path = Narrow(XGetFolderPath(nullptr, code).GetText());
        CHECK(path != "C:\\Error\\");
        CHECK(path != "C:\\StandIn\\");
        REQUIRE(path.size() >= 4);
        CHECK(path.back() == '\\');
        CHECK(path[path.size() - 2] != '\\');
    }
}

TEST_CASE("XGetFolderPath: Windows, system and temporary folders from the kernel")
{
    wchar_t buffer[MAX_PATH];
    REQUIRE(GetWindowsDirectoryW(buffer, MAX_PATH) != 0);
    std::string windows = WithBackslash(buffer);
    REQUIRE(GetSystemDirectoryW(buffer, MAX_PATH) != 0);
    std::string system = WithBackslash(buffer);
    REQUIRE(GetTempPathW(MAX_PATH, buffer) != 0);
    std::string temp = WithBackslash(buffer);

    struct Row { uint32_t code; std::string path; };
    const Row rows[] = { {XFOLDER_WINDOWS, windows}, {XFOLDER_SYSTEM, system}, {XFOLDER_TEMP, temp} };
    for (const Row& row : rows) {
        CAPTURE(row.code);
        std::string path = Narrow(XGetFolderPath(nullptr, row.code).GetText());
        CHECK(path == row.path);
        REQUIRE(path.size() >= 4);
        CHECK(path.back() == '\\');
        CHECK(path[path.size() - 2] != '\\');
    }
}

TEST_CASE("XGetShellFolderPath: paths from the shell, empty where there is none")
{
    wchar_t windows[MAX_PATH];
    REQUIRE(GetWindowsDirectoryW(windows, MAX_PATH) != 0);
    CHECK(Narrow(XGetShellFolderPath(CSIDL_WINDOWS).GetText()) == Narrow(windows));
    CHECK(Narrow(XGetFolderPath(nullptr, CSIDL_WINDOWS).GetText()) == WithBackslash(windows));

    // My Computer has an item list but no file-system path; 0xFF is no folder at all.
    CHECK(XGetShellFolderPath(CSIDL_DRIVES).IsEmpty());
    CHECK(XGetShellFolderPath(0xFF).IsEmpty());
    CHECK(Narrow(XGetFolderPath(L"X:\\Fallback", CSIDL_DRIVES).GetText()) == "X:\\Fallback\\");
}

TEST_CASE("XGetSmallSystemImageList: the shell's list for the Windows drive's root")
{
    SHFILEINFOW info;
    HIMAGELIST shells = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    HIMAGELIST list = XGetSmallSystemImageList();
    CHECK(list != nullptr);
    CHECK(list == shells);
}

TEST_CASE("XGetSmallSystemImageList: asks the shell with the root of the Windows directory")
{
    std::wstring longWindows = LongPath(299) + L"\\Windows";
    struct Row { const wchar_t* windows; const char* root; };
    const Row rows[] = {
        {L"C:\\Windows", "C:\\"},
        {L"D:\\Windows\\System\\", "D:\\"},
        {L"E:\\", "E:\\"},
        {L"\\\\server\\share\\Windows", "\\\\server\\"},
        {longWindows.c_str(), "C:\\"},
        // Unreadable: "C:\Error\" is cut to its root.
        {nullptr, "C:\\"},
        // Resolves to the empty path, which is replaced by C:\.
        {L"\\", "C:\\"},
    };
    for (const Row& row : rows) {
        CAPTURE(Narrow(row.windows != nullptr ? row.windows : L"(fails)"));
        FakePlatform platform(row.windows);
        HIMAGELIST list = XGetSmallSystemImageList(platform);
        CHECK(list == reinterpret_cast<HIMAGELIST>(static_cast<INT_PTR>(0x1234)));
        CHECK(platform.m_iconListPath == row.root);
    }
}
