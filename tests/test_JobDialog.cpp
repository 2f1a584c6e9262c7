// The job dialog as the user meets it: the real MyDlg runs modally from its constructor and is
// driven from inside its own modal loop with real input; and dialog template 101, icon group
// 102 and the manifest as they sit in the resources that this program links (the same ones as
// JobDialog.exe).
#include <doctest/doctest.h>

#include "app/MyDlg.h"
#include "app/resource.h"
#include "support/SoakDriver.h"
#include "support/CallLog.h"
#include "support/TestInput.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using calllog::Sequence;

namespace {

// Runs steps inside the dialog's own modal loop, on the dialog's thread (through a SoakDriver
// that looks for the dialog every 50 ms): once the dialog is up, each step runs when its time
// (milliseconds since the dialog was first seen) has come. The driver's safety timer ends the
// dialog with kSoakSafetyCode, so a case that fails to end it never hangs.
class DialogDriver {
public:
    struct Step {
        DWORD atMs;
        std::function<void(HWND dialog)> run;
    };

    explicit DialogDriver(std::vector<Step> steps, DWORD safetyMs = 20000)
        : m_steps(std::move(steps)), m_driver([this](HWND d) { return Tick(d); }, 50, safetyMs)
    {
    }

    bool AllStepsRan() const { return stepsRun == m_steps.size(); }
    bool SafetyFired() const { return m_driver.SafetyFired(); }

    HWND dialog = nullptr;
    DWORD foundAt = 0;
    size_t stepsRun = 0;

private:
    // Runs the steps whose time has come; false once all have run.
    bool Tick(HWND d)
    {
        if (!dialog) {
            dialog = d;
            foundAt = GetTickCount();
        }
        while (stepsRun < m_steps.size() && GetTickCount() - foundAt >= m_steps[stepsRun].atMs)
            m_steps[stepsRun++].run(dialog);
        return stepsRun < m_steps.size();
    }

    std::vector<Step> m_steps;
    SoakDriver m_driver;
};

POINT CentreOf(HWND hwnd)
{
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The close box found by the platform's own hit test along the middle of the caption.
POINT CloseBoxOf(HWND dialog)
{
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    const int y = rect.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = rect.right - 1; x > rect.right - 80; --x)
        if (SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
            return POINT{x, y};
    return POINT{-1, -1};
}

// A point of the dialog's client area, below the list and left of the buttons, in client
// coordinates: 4, 172 in dialog units.
POINT SurfacePoint(HWND dialog)
{
    RECT units = {4, 172, 4, 172};
    MapDialogRect(dialog, &units);
    return POINT{units.left, units.top};
}

// Runs the real MyDlg to its end (a DialogDriver built before it drives it). The quit message
// that ending the dialog posts is taken from the queue here and reported, so that it cannot end
// the next dialog's modal loop.
struct DialogRun {
    INT_PTR endCode = -2;
    bool quitPosted = false;
    WPARAM quitCode = 99;

    DialogRun()
    {
        {
            MyDlg dialog(&endCode);
        }
        MSG msg;
        quitPosted = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        if (quitPosted)
            quitCode = msg.wParam;
    }
};

} // namespace

TEST_CASE("Job dialog: OK and Enter end it with 1; Cancel, Escape, the close box and Alt+F4 with 0")
{
    const struct {
        const char* how;
        std::function<void(HWND)> action;
        INT_PTR endCode;
    } cases[] = {
        {"OK button clicked (BM_CLICK)", [](HWND d) { PostMessageW(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }, 1},
        {"Enter", [](HWND) { PressChord({VK_RETURN}); }, 1},
        {"Cancel button, real mouse click", [](HWND d) { ClickAtScreen(CentreOf(GetDlgItem(d, IDCANCEL))); }, 0},
        {"Escape", [](HWND) { PressChord({VK_ESCAPE}); }, 0},
        {"close box: WM_SYSCOMMAND SC_CLOSE", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, 0},
        {"close box, real mouse click", [](HWND d) { ClickAtScreen(CloseBoxOf(d)); }, 0},
        {"Alt+F4", [](HWND) { PressChord({VK_MENU, VK_F4}); }, 0},
    };
    for (const auto& c : cases) {
        CAPTURE(c.how);
        DialogDriver driver({{300, c.action}});
        DialogRun run;
        CHECK(run.endCode == c.endCode);
        CHECK(driver.AllStepsRan());
        CHECK_FALSE(driver.SafetyFired());
        CHECK(run.quitPosted);
        CHECK(run.quitCode == 0);
    }
}

TEST_CASE("Job dialog: caption, centred on the desktop, surface clicks handled, its one-second timer ticks")
{
    struct Observed {
        std::wstring caption;
        RECT window = {};
        RECT desktop = {};
        XWindow* object = nullptr;
        bool isDialog = false;
        int timers = 0;
        UINT timerId = 0;
        HWND focus = nullptr;
        HWND ok = nullptr;
        HWND hit = nullptr;
        INT_PTR clickReturn = -1;
        int handledAfterClick = -1;
        INT_PTR timerReturn = -1;
    } seen;

    Sequence log;
    calllog::MessageSpy spy(&log, {WM_TIMER, WM_LBUTTONDOWN}, L"#32770");
    POINT surface = {};
    DialogDriver driver({
        {200, [&](HWND d) {
             wchar_t caption[64] = {};
             GetWindowTextW(d, caption, 64);
             seen.caption = caption;
             GetWindowRect(d, &seen.window);
             GetClientRect(GetDesktopWindow(), &seen.desktop);
             seen.object = XWindow::FromHandle(d);
             if (seen.object) {
                 seen.isDialog = seen.object->m_isDialog;
                 seen.timers = seen.object->m_timers.GetCount();
                 if (seen.timers > 0)
                     seen.timerId = seen.object->m_timers.GetAt(0)->m_id;
             }
             seen.focus = GetFocus();
             seen.ok = GetDlgItem(d, IDOK);
             // A press on the dialog's own surface, outside every control.
             surface = SurfacePoint(d);
             seen.hit = ChildWindowFromPointEx(d, surface, CWP_ALL);
             seen.clickReturn = XWindow::DialogProc(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(surface.x, surface.y));
             if (seen.object)
                 seen.handledAfterClick = seen.object->m_handled;
             seen.timerReturn = XWindow::DialogProc(d, WM_TIMER, 1, 0);
         }},
        {400, [&](HWND d) {
             POINT screen = surface;
             ClientToScreen(d, &screen);
             ClickAtScreen(screen);
         }},
        {3400, [](HWND) { PressChord({VK_ESCAPE}); }},
    });
    DialogRun run;

    CHECK(run.endCode == 0);
    CHECK(driver.AllStepsRan());
    CHECK_FALSE(driver.SafetyFired());
    CHECK(seen.caption == L"Dialog");

    // Centred by the formula: desktop half minus window half.
    const int width = seen.window.right - seen.window.left;
    const int height = seen.window.bottom - seen.window.top;
    CHECK(width > 0);
    CHECK(seen.window.left == seen.desktop.right / 2 - width / 2);
    CHECK(seen.window.top == seen.desktop.bottom / 2 - height / 2);

    CHECK(seen.object != nullptr);
    CHECK(seen.isDialog);
    CHECK(seen.focus == seen.ok);
    CHECK(seen.hit == driver.dialog);
    CHECK(seen.clickReturn == TRUE);
    CHECK(seen.handledAfterClick == 1);
    CHECK(seen.timerReturn == TRUE);
    CHECK(seen.timers == 1);
    CHECK(seen.timerId == 1);

    // The real click reached the dialog itself, and the dialog stayed open until Escape.
    const Sequence presses = calllog::Only(log, {"posted"});
    CHECK(std::any_of(presses.begin(), presses.end(), [](const calllog::Call& c) { return c.message == WM_LBUTTONDOWN; }));

    // Ticks of timer 1 about a second apart while the dialog was open (about 3.4 s).
    std::vector<long long> ticks;
    for (const calllog::Call& c : presses)
        if (c.message == WM_TIMER && c.wParam == 1)
            ticks.push_back(c.args[0]);
    CAPTURE(ticks.size());
    CHECK(ticks.size() >= 2);
    CHECK(ticks.size() <= 4);
    // Bounds loose enough for a loaded machine, tight enough to tell 1000 ms from 500 or 2000.
    for (size_t i = 1; i < ticks.size(); ++i) {
        CAPTURE(i);
        CHECK(ticks[i] - ticks[i - 1] >= 800);
        CHECK(ticks[i] - ticks[i - 1] <= 1700);
    }
}

namespace {

// Reads a resource as the platform stores it: little-endian words and double words, strings of
// UTF-16 code units ended by a zero, "sz_Or_Ord" fields, and DWORD alignment from the start.
class ResourceReader {
public:
    ResourceReader(const BYTE* data, DWORD size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    WORD Word()
    {
        WORD value = 0;
        Read(&value, 2);
        return value;
    }
    DWORD Dword()
    {
        DWORD value = 0;
        Read(&value, 4);
        return value;
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte()
    {
        BYTE value = 0;
        Read(&value, 1);
        return value;
    }
    std::wstring String()
    {
        std::wstring text;
        for (WORD unit = Word(); m_ok && unit != 0; unit = Word())
            text += static_cast<wchar_t>(unit);
        return text;
    }
    // A name or an ordinal: ordinal is 0 for a name or no value.
    void NameOrOrdinal(WORD* ordinal, std::wstring* name)
    {
        *ordinal = 0;
        name->clear();
        const WORD first = Word();
        if (first == 0xFFFF) {
            *ordinal = Word();
        } else if (first != 0) {
            *name = static_cast<wchar_t>(first);
            *name += String();
        }
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~static_cast<DWORD>(3); }
    void Skip(DWORD count) { m_pos += count; }

private:
    void Read(void* out, DWORD count)
    {
        if (m_pos + count > m_size) {
            m_ok = false;
            return;
        }
        std::memcpy(out, m_data + m_pos, count);
        m_pos += count;
    }

    const BYTE* m_data;
    DWORD m_size;
    DWORD m_pos = 0;
    bool m_ok = true;
};

struct Resource {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Resource LoadRaw(LPCWSTR type, LPCWSTR name, WORD language)
{
    Resource resource;
    HRSRC info = FindResourceExW(nullptr, type, name, language);
    if (!info)
        return resource;
    HGLOBAL block = LoadResource(nullptr, info);
    resource.data = static_cast<const BYTE*>(LockResource(block));
    resource.size = SizeofResource(nullptr, info);
    return resource;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

std::vector<WORD> LanguagesOf(LPCWSTR type, LPCWSTR name)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesW(nullptr, type, name, &AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

const WORD kEnglishUK = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);
const WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

} // namespace

TEST_CASE("Job dialog template 101: every field of the extended template, in English (United Kingdom)")
{
    CHECK(LanguagesOf(RT_DIALOG, MAKEINTRESOURCEW(IDD_JOB_DIALOG)) == std::vector<WORD>{kEnglishUK});
    const Resource resource = LoadRaw(RT_DIALOG, MAKEINTRESOURCEW(IDD_JOB_DIALOG), kEnglishUK);
    REQUIRE(resource.data != nullptr);
    ResourceReader r(resource.data, resource.size);

    CHECK(r.Word() == 1);           // dlgVer
    CHECK(r.Word() == 0xFFFF);      // signature of DLGTEMPLATEEX
    CHECK(r.Dword() == 0);          // help id
    CHECK(r.Dword() == 0);          // extended style
    const DWORD style = r.Dword();
    CHECK(style == 0x90C800C8u);
    const WORD count = r.Word();
    CHECK(count == 3);
    CHECK(r.Short() == 0);
    CHECK(r.Short() == 0);
    CHECK(r.Short() == 318);
    CHECK(r.Short() == 185);
    WORD ordinal = 0;
    std::wstring name;
    r.NameOrOrdinal(&ordinal, &name);
    CHECK(ordinal == 0);            // no menu
    CHECK(name.empty());
    r.NameOrOrdinal(&ordinal, &name);
    CHECK(ordinal == 0);            // the platform's dialog class
    CHECK(name.empty());
    CHECK(r.String() == L"Dialog");
    REQUIRE((style & DS_SETFONT) != 0);
    CHECK(r.Word() == 8);           // points
    CHECK(r.Word() == 400);         // weight
    CHECK(r.Byte() == 0);           // not italic
    CHECK(r.Byte() == DEFAULT_CHARSET);
    CHECK(r.String() == L"MS Shell Dlg");
    REQUIRE(r.Ok());

    const struct {
        DWORD id;
        WORD classAtom;
        const wchar_t* className;
        const wchar_t* text;
        short x, y, cx, cy;
        DWORD style;
    } controls[] = {
        {IDOK, 0x0080, L"", L"OK", 206, 164, 50, 14, 0x50010001u},
        {IDCANCEL, 0x0080, L"", L"Cancel", 261, 164, 50, 14, 0x50010000u},
        {IDC_JOB_LIST, 0, L"SysListView32", L"", 7, 7, 304, 149, 0x50818A41u},
    };
    for (const auto& c : controls) {
        CAPTURE(c.id);
        r.AlignDword();
        CHECK(r.Dword() == 0);      // help id
        CHECK(r.Dword() == 0);      // extended style
        CHECK(r.Dword() == c.style);
        CHECK(r.Short() == c.x);
        CHECK(r.Short() == c.y);
        CHECK(r.Short() == c.cx);
        CHECK(r.Short() == c.cy);
        CHECK(r.Dword() == c.id);
        r.NameOrOrdinal(&ordinal, &name);
        CHECK(ordinal == c.classAtom);
        // GNU windres writes control class names in capitals; the platform looks classes up
        // without regard to case, so "SYSLISTVIEW32" creates the same control.
        CHECK(_wcsicmp(name.c_str(), c.className) == 0);
        WORD textOrdinal = 0;
        std::wstring text;
        r.NameOrOrdinal(&textOrdinal, &text);
        CHECK(textOrdinal == 0);
        CHECK(text == c.text);
        r.Skip(r.Word());           // creation data
        REQUIRE(r.Ok());
    }
}

TEST_CASE("Job dialog resources: icon group 102 (32 x 32, 16 colours) and the manifest that binds common controls 6")
{
    SUBCASE("icon group 102")
    {
        CHECK(LanguagesOf(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP_ICON)) == std::vector<WORD>{kEnglishUK});
        const Resource group = LoadRaw(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP_ICON), kEnglishUK);
        REQUIRE(group.data != nullptr);
        ResourceReader r(group.data, group.size);
        CHECK(r.Word() == 0);       // reserved
        CHECK(r.Word() == 1);       // icons, not cursors
        REQUIRE(r.Word() == 1);     // one image
        CHECK(r.Byte() == 32);      // width
        CHECK(r.Byte() == 32);      // height
        CHECK(r.Byte() == 16);      // colours
        CHECK(r.Byte() == 0);
        CHECK(r.Word() == 1);       // planes
        CHECK(r.Word() == 4);       // bits per pixel
        const DWORD bytes = r.Dword();
        const WORD imageId = r.Word();
        REQUIRE(r.Ok());

        HRSRC image = FindResourceW(nullptr, MAKEINTRESOURCEW(imageId), RT_ICON);
        REQUIRE(image != nullptr);
        CHECK(SizeofResource(nullptr, image) == bytes);
        const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, image)));
        REQUIRE(header != nullptr);
        CHECK(header->biWidth == 32);
        CHECK(header->biHeight == 64);      // colour and mask images stacked
        CHECK(header->biBitCount == 4);
    }
    SUBCASE("manifest 1 in English (United States)")
    {
        CHECK(LanguagesOf(RT_MANIFEST, MAKEINTRESOURCEW(1)) == std::vector<WORD>{kEnglishUS});
        const Resource manifest = LoadRaw(RT_MANIFEST, MAKEINTRESOURCEW(1), kEnglishUS);
        REQUIRE(manifest.data != nullptr);
        const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
        const size_t begin = text.find("<dependentAssembly>");
        const size_t end = text.find("</dependentAssembly>");
        REQUIRE(begin != std::string::npos);
        REQUIRE(end != std::string::npos);
        const std::string dependency = text.substr(begin, end - begin);
        CAPTURE(dependency);
        CHECK(dependency.find("name=\"Microsoft.Windows.Common-Controls\"") != std::string::npos);
        CHECK(dependency.find("version=\"6.0.0.0\"") != std::string::npos);
        CHECK(dependency.find("publicKeyToken=\"6595b64144ccf1df\"") != std::string::npos);
        CHECK(dependency.find("type=\"win32\"") != std::string::npos);
        CHECK(dependency.find("language=\"*\"") != std::string::npos);
        // The build names its own architecture: a 64-bit process asking for X86 would not start.
#ifdef _WIN64
        CHECK(dependency.find("processorArchitecture=\"amd64\"") != std::string::npos);
#else
        CHECK(dependency.find("processorArchitecture=\"X86\"") != std::string::npos);
#endif
        CHECK(text.find("level=\"asInvoker\"") != std::string::npos);
        CHECK(text.find("uiAccess=\"false\"") != std::string::npos);
        CHECK(text.find("<description>PROJECT DESCRIPTION</description>") != std::string::npos);
    }
    SUBCASE("the manifest binds this process to common controls 6 from the side-by-side store")
    {
        HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
        REQUIRE(comctl != nullptr);
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(comctl, path, MAX_PATH);
        std::wstring lower(path);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t ch) { return static_cast<wchar_t>(towlower(ch)); });
        CAPTURE(std::string(lower.begin(), lower.end()));
        CHECK(lower.find(L"winsxs") != std::wstring::npos);
        CHECK(lower.find(L"common-controls") != std::wstring::npos);
    }
}
