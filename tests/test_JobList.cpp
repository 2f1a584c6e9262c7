// The job list set-up on the real version 6 list view: on a test dialog that carries the job
// dialog's list control, and inside the real MyDlg's own modal loop. A recorder under the
// wrapper logs what reaches the control, so the order of the set-up shows as a message sequence.
#include <doctest/doctest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/JobList.h"
#include "app/MyDlg.h"
#include "app/resource.h"
#include "services/XFolders.h"
#include "support/JobListDialogs.h"
#include "support/TestInput.h"
#include "support/WideText.h"

namespace {

const DWORD kJobListStyles = 0x4026;
// Extended styles that the set-up must switch off.
const DWORD kStrayStyles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_TRACKSELECT | LVS_EX_ONECLICKACTIVATE;

std::string Hex(unsigned long long value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "0x%llx", value);
    return text;
}

// One message as it reached the list control's own procedure. For the list messages that point
// at a structure, lParam spells out the fields of that structure that the set-up fills in.
struct ListCall {
    UINT message;
    long long wParam;
    std::string lParam;
    std::string handler;

    bool operator==(const ListCall& other) const
    {
        return message == other.message && wParam == other.wParam && lParam == other.lParam && handler == other.handler;
    }
};

std::string MessageName(UINT message)
{
    switch (message) {
    case WM_INITDIALOG: return "WM_INITDIALOG";
    case WM_SETREDRAW: return "WM_SETREDRAW";
    case LVM_SETEXTENDEDLISTVIEWSTYLE: return "LVM_SETEXTENDEDLISTVIEWSTYLE";
    case LVM_SETIMAGELIST: return "LVM_SETIMAGELIST";
    case LVM_INSERTCOLUMNW: return "LVM_INSERTCOLUMNW";
    case LVM_GETITEMCOUNT: return "LVM_GETITEMCOUNT";
    case LVM_INSERTITEMW: return "LVM_INSERTITEMW";
    case LVM_SETITEMW: return "LVM_SETITEMW";
    case LVM_SETITEMSTATE: return "LVM_SETITEMSTATE";
    default: return Hex(message);
    }
}

std::string Describe(const std::vector<ListCall>& calls)
{
    std::string text;
    for (const ListCall& c : calls)
        text += "    {" + MessageName(c.message) + ", " + std::to_string(c.wParam) + ", " + c.lParam + ", " + c.handler + "}\n";
    return text;
}

void CheckCalls(const std::vector<ListCall>& actual, const std::vector<ListCall>& expected, const char* file, int line)
{
    if (actual == expected)
        return;
    const std::string report = "message sequence differs\n  expected:\n" + Describe(expected) + "  actual:\n" + Describe(actual);
    ADD_FAIL_CHECK_AT(file, line, report);
}

#define CHECK_CALLS(actual, expected) CheckCalls((actual), (expected), __FILE__, __LINE__)

std::string DescribeLParam(UINT message, LPARAM lParam)
{
    switch (message) {
    case LVM_INSERTCOLUMNW: {
        const LVCOLUMNW* c = reinterpret_cast<const LVCOLUMNW*>(lParam);
        return "mask " + Hex(c->mask) + " fmt " + std::to_string(c->fmt) + " cx " + std::to_string(c->cx) + " sub "
               + std::to_string(c->iSubItem) + " \"" + Narrow(c->pszText) + "\"";
    }
    case LVM_INSERTITEMW:
    case LVM_SETITEMW: {
        const LVITEMW* i = reinterpret_cast<const LVITEMW*>(lParam);
        return "mask " + Hex(i->mask) + " item " + std::to_string(i->iItem) + " sub " + std::to_string(i->iSubItem)
               + " param " + std::to_string(i->lParam) + " \"" + Narrow(i->pszText) + "\"";
    }
    case LVM_SETITEMSTATE: {
        const LVITEMW* i = reinterpret_cast<const LVITEMW*>(lParam);
        return "state " + Hex(i->state) + " mask " + Hex(i->stateMask);
    }
    default:
        return Hex(static_cast<unsigned long long>(lParam));
    }
}

// Sits under whatever subclasses the list later (XListView's hook passes every set-up message
// on), logging WM_SETREDRAW, the list messages and painting. Wine's list view invalidates itself
// when redrawing is switched back on; the recorder takes that back right away, so whatever the
// list has to paint afterwards was invalidated by the caller.
class ListRecorder {
public:
    explicit ListRecorder(HWND list) : m_list(list)
    {
        SetPropW(list, kProp, this);
        m_original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~ListRecorder()
    {
        if (IsWindow(m_list) && GetWindowLongPtrW(m_list, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc)) {
            SetWindowLongPtrW(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
            RemovePropW(m_list, kProp);
        }
    }
    ListRecorder(const ListRecorder&) = delete;
    ListRecorder& operator=(const ListRecorder&) = delete;

    std::vector<ListCall> calls;

private:
    static constexpr const wchar_t* kProp = L"JobListRecorder";

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        ListRecorder* self = static_cast<ListRecorder*>(GetPropW(hwnd, kProp));
        if (!self)
            return DefWindowProcW(hwnd, message, wParam, lParam);
        const WNDPROC original = self->m_original;
        const bool listMessage = message >= LVM_FIRST && message < LVM_FIRST + 0x100;
        if (listMessage || message == WM_SETREDRAW || message == WM_PAINT || message == WM_ERASEBKGND)
            self->calls.push_back(ListCall{message, static_cast<long long>(wParam), DescribeLParam(message, lParam), "list"});
        if (message == WM_NCDESTROY)
            RemovePropW(hwnd, kProp);
        const LRESULT result = CallWindowProcW(original, hwnd, message, wParam, lParam);
        if (message == WM_SETREDRAW && wParam)
            ValidateRect(hwnd, nullptr);
        return result;
    }

    HWND m_list;
    WNDPROC m_original = nullptr;
};

// What the set-up sends to the list, in order: column widths w0 and w1, the image list given.
std::vector<ListCall> ExpectedSetUp(int w0, int w1, HIMAGELIST images)
{
    return {
        {LVM_SETEXTENDEDLISTVIEWSTYLE, 0, "0x4026", "list"},
        {LVM_SETIMAGELIST, LVSIL_SMALL, Hex(reinterpret_cast<UINT_PTR>(images)), "list"},
        {WM_SETREDRAW, FALSE, "0x0", "list"},
        {LVM_INSERTCOLUMNW, 0, "mask 0xf fmt 0 cx " + std::to_string(w0) + " sub 0 \"Destination File\"", "list"},
        {LVM_INSERTCOLUMNW, 1, "mask 0xf fmt 0 cx " + std::to_string(w1) + " sub 1 \"Source File\"", "list"},
        {LVM_INSERTCOLUMNW, 2, "mask 0xf fmt 0 cx 85 sub 2 \"Source Type\"", "list"},
        {LVM_INSERTCOLUMNW, 3, "mask 0xf fmt 1 cx 85 sub 3 \"Source Length\"", "list"},
        {LVM_INSERTCOLUMNW, 4, "mask 0xf fmt 1 cx 85 sub 4 \"Estimated Size\"", "list"},
        {LVM_GETITEMCOUNT, 0, "0x0", "list"},
        // Text and item data only: no LVIF_IMAGE.
        {LVM_INSERTITEMW, 0, "mask 0x5 item 0 sub 0 param 0 \"c:\\FileTo.bin\"", "list"},
        {LVM_GETITEMCOUNT, 0, "0x0", "list"},
        {LVM_SETITEMW, 0, "mask 0x1 item 0 sub 1 param 0 \"c:\\FileFrom.bin\"", "list"},
        {LVM_SETITEMSTATE, 0, "state 0x2000 mask 0xf000", "list"},
        {WM_SETREDRAW, TRUE, "0x0", "list"},
    };
}

struct Column {
    std::wstring title;
    int format;
    int width;
};

// The list as the control reports it.
struct ListContents {
    std::vector<Column> columns;
    int rows = -1;
    std::wstring texts[JOB_COLUMN_COUNT];
    UINT checkState = 0;
    LPARAM data = -1;
    DWORD extendedStyles = 0;
    HIMAGELIST smallImages = nullptr;
};

ListContents ReadList(HWND list)
{
    ListContents seen;
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < columns; ++i) {
        wchar_t title[64] = {};
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = 64;
        SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        seen.columns.push_back(Column{title, column.fmt & LVCFMT_JUSTIFYMASK, column.cx});
    }
    seen.rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int sub = 0; sub < JOB_COLUMN_COUNT; ++sub) {
        wchar_t text[64] = {};
        LVITEMW item = {};
        item.iSubItem = sub;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        seen.texts[sub] = text;
    }
    seen.checkState = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK));
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.lParam = -1;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    seen.data = item.lParam;
    seen.extendedStyles = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    seen.smallImages = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    return seen;
}

// The finished job list, with the first two columns w0 and w1 wide.
void CheckJobList(const ListContents& seen, int w0, int w1)
{
    const Column expected[JOB_COLUMN_COUNT] = {
        {L"Destination File", LVCFMT_LEFT, w0},
        {L"Source File", LVCFMT_LEFT, w1},
        {L"Source Type", LVCFMT_LEFT, 85},
        {L"Source Length", LVCFMT_RIGHT, 85},
        {L"Estimated Size", LVCFMT_RIGHT, 85},
    };
    REQUIRE(seen.columns.size() == JOB_COLUMN_COUNT);
    for (int i = 0; i < JOB_COLUMN_COUNT; ++i) {
        CAPTURE(i);
        CHECK(Narrow(seen.columns[i].title.c_str()) == Narrow(expected[i].title.c_str()));
        CHECK(seen.columns[i].format == expected[i].format);
        CHECK(seen.columns[i].width == expected[i].width);
    }
    CHECK(seen.rows == 1);
    CHECK(Narrow(seen.texts[0].c_str()) == "c:\\FileTo.bin");
    CHECK(Narrow(seen.texts[1].c_str()) == "c:\\FileFrom.bin");
    for (int sub = 2; sub < JOB_COLUMN_COUNT; ++sub)
        CHECK(seen.texts[sub].empty());
    CHECK(seen.checkState == 0x2000u);
    CHECK(seen.data == 0);
    CHECK(seen.extendedStyles == kJobListStyles);
    CHECK(seen.smallImages != nullptr);
    CHECK(seen.smallImages == XGetSmallSystemImageList());
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A modeless test dialog from one of the templates, shown at a fixed spot with nothing left to
// paint, and destroyed with the fixture.
class TestDialog {
public:
    explicit TestDialog(int templateId = IDD_JOBLIST_DIALOG)
    {
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, &QuietDialogProc, 0);
        list = GetDlgItem(dialog, IDC_JOB_LIST);
        SetWindowPos(dialog, HWND_TOP, 30, 30, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(dialog);
        PumpMessages(50);
    }
    ~TestDialog()
    {
        if (dialog)
            DestroyWindow(dialog);
    }
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    // Resizes the list so that its client area is `width` pixels wide; false when it is not.
    bool SetListClientWidth(int width)
    {
        RECT window = {};
        RECT client = {};
        GetWindowRect(list, &window);
        GetClientRect(list, &client);
        const int frame = (window.right - window.left) - client.right;
        SetWindowPos(list, nullptr, 0, 0, width + frame, window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // The dialog grows with it, so that all of the list is on the screen.
        RECT outer = {};
        GetWindowRect(dialog, &outer);
        SetWindowPos(dialog, nullptr, 0, 0, width + frame + 60, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateWindow(dialog);
        GetClientRect(list, &client);
        return client.right == width;
    }

    HWND dialog = nullptr;
    HWND list = nullptr;
};

bool UpdateRegionIsEmpty(HWND window)
{
    RECT rect = {};
    return !GetUpdateRect(window, &rect, FALSE);
}

} // namespace

TEST_CASE("column widths: a = (client width - 275) / 2, at least 200; w0 = a * 100 / 80; w1 = 2a - w0")
{
    const struct {
        int clientWidth;
        int widths[JOB_COLUMN_COUNT];
    } cases[] = {
        {0, {250, 150, 85, 85, 85}},        // no control: an empty rectangle
        {452, {250, 150, 85, 85, 85}},      // a raised from 88
        {676, {250, 150, 85, 85, 85}},      // a = 200 exactly (401 / 2)
        {677, {251, 151, 85, 85, 85}},
        {875, {375, 225, 85, 85, 85}},
        {1000, {452, 272, 85, 85, 85}},     // w0 = 36200 / 80 = 452.5, truncated
    };
    for (const auto& c : cases) {
        CAPTURE(c.clientWidth);
        const JobColumnWidths widths = ComputeJobColumnWidths(c.clientWidth);
        for (int i = 0; i < JOB_COLUMN_COUNT; ++i) {
            CAPTURE(i);
            CHECK(widths.width[i] == c.widths[i]);
        }
    }
}

TEST_CASE("set-up on lists whose client areas are 452, 676, 677 and 875 pixels wide")
{
    const struct {
        int clientWidth;
        int widths[JOB_COLUMN_COUNT];
    } cases[] = {
        {452, {250, 150, 85, 85, 85}},
        {676, {250, 150, 85, 85, 85}},
        {677, {251, 151, 85, 85, 85}},
        {875, {375, 225, 85, 85, 85}},
    };
    for (const auto& c : cases) {
        CAPTURE(c.clientWidth);
        TestDialog fixture;
        REQUIRE(fixture.SetListClientWidth(c.clientWidth));
        XListView list;
        SetUpJobList(list, fixture.dialog);
        for (int i = 0; i < JOB_COLUMN_COUNT; ++i) {
            CAPTURE(i);
            CHECK(SendMessageW(fixture.list, LVM_GETCOLUMNWIDTH, i, 0) == c.widths[i]);
        }
    }
}

TEST_CASE("set-up on the job dialog's list control: columns, the sample job, styles, images, redraw")
{
    TestDialog fixture;
    REQUIRE(fixture.list != nullptr);
    REQUIRE(fixture.SetListClientWidth(677));
    // Styles left on from before must go.
    SendMessageW(fixture.list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kStrayStyles | LVS_EX_CHECKBOXES);
    REQUIRE(static_cast<DWORD>(SendMessageW(fixture.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)) == (kStrayStyles | LVS_EX_CHECKBOXES));
    PumpMessages(20);
    REQUIRE(UpdateRegionIsEmpty(fixture.list));

    ListRecorder recorder(fixture.list);
    XListView list;
    SetUpJobList(list, fixture.dialog);

    CHECK_CALLS(recorder.calls, ExpectedSetUp(251, 151, XGetSmallSystemImageList()));
    CheckJobList(ReadList(fixture.list), 251, 151);
    CHECK(list.m_hList == fixture.list);
    CHECK(list.m_hwnd == fixture.list);     // subclassed
    CHECK(list.m_columns.GetCount() == JOB_COLUMN_COUNT);
    CHECK_FALSE(list.m_redrawSuspended);

    // Redrawing was off while the list was filled, and the whole list was invalidated, with its
    // background to be erased, only at the end.
    RECT update = {};
    RECT client = {};
    GetClientRect(fixture.list, &client);
    CHECK(GetUpdateRect(fixture.list, &update, FALSE));
    CHECK(EqualRect(&update, &client));
    recorder.calls.clear();
    UpdateWindow(fixture.list);
    std::vector<UINT> painting;
    for (const ListCall& c : recorder.calls)
        painting.push_back(c.message);
    CHECK(painting == std::vector<UINT>{WM_PAINT, WM_ERASEBKGND});
}

TEST_CASE("no list control: the set-up leaves everything inert")
{
    // A shown, fully painted dialog: invalidating a null window would invalidate it too.
    TestDialog bystander;
    REQUIRE(UpdateRegionIsEmpty(bystander.dialog));
    REQUIRE(UpdateRegionIsEmpty(bystander.list));

    SUBCASE("no dialog")
    {
        XListView list;
        SetUpJobList(list, nullptr);
        CHECK(list.m_hList == nullptr);
        CHECK(list.m_hwnd == nullptr);
        CHECK_FALSE(list.m_redrawSuspended);
        // AddColumn counts its column even when no control takes it.
        CHECK(list.m_columns.GetCount() == JOB_COLUMN_COUNT);
    }
    SUBCASE("a dialog without control 1002")
    {
        TestDialog empty(IDD_JOBLIST_NO_LIST);
        REQUIRE(empty.dialog != nullptr);
        REQUIRE(empty.list == nullptr);
        XListView list;
        SetUpJobList(list, empty.dialog);
        CHECK(list.m_hList == nullptr);
        CHECK(list.m_hwnd == nullptr);
        CHECK_FALSE(list.m_redrawSuspended);
        CHECK(list.m_columns.GetCount() == JOB_COLUMN_COUNT);
        CHECK(UpdateRegionIsEmpty(empty.dialog));
    }
    CHECK(UpdateRegionIsEmpty(bystander.dialog));
    CHECK(UpdateRegionIsEmpty(bystander.list));
    CHECK(SendMessageW(bystander.list, LVM_GETITEMCOUNT, 0, 0) == 0);
}

namespace {

// Runs the real MyDlg modally from its constructor. A hook meets WM_INITDIALOG before MyDlg
// does: it switches stray extended styles on in the list and puts the recorder under it. A
// thread timer then reads the list and MyDlg's job list from inside the modal loop, and ends
// the dialog with Cancel. Hooks and thread timers get no context: the one run of this thread
// is found through a pointer that lives exactly as long as the run.
class MyDlgRun {
public:
    MyDlgRun()
    {
        active = this;
        m_hook = SetWindowsHookExW(WH_CALLWNDPROC, &MyDlgRun::Hook, nullptr, GetCurrentThreadId());
        m_timer = SetTimer(nullptr, 0, 300, &MyDlgRun::Tick);
        {
            MyDlg dialog(&endCode);
        }
        KillTimer(nullptr, m_timer);
        UnhookWindowsHookEx(m_hook);
        // The quit message that Cancel posts must not end a later test's loop.
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        active = nullptr;
    }
    MyDlgRun(const MyDlgRun&) = delete;
    MyDlgRun& operator=(const MyDlgRun&) = delete;

    INT_PTR endCode = -2;
    HWND dialog = nullptr;
    HWND list = nullptr;
    DWORD stylesBefore = 0;
    bool inspected = false;
    std::vector<ListCall> calls;        // from WM_INITDIALOG to the inspection
    ListContents seen;
    HWND jobListTarget = nullptr;
    HWND jobListAttached = nullptr;
    int jobListColumns = -1;
    bool redrawSuspended = true;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) noexcept
    {
        const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && active && sent->message == WM_INITDIALOG && !active->dialog) {
            HWND list = GetDlgItem(sent->hwnd, IDC_JOB_LIST);
            if (list) {
                active->dialog = sent->hwnd;
                active->list = list;
                SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kStrayStyles);
                active->stylesBefore = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
                active->m_recorder.reset(new ListRecorder(list));
                active->m_recorder->calls.push_back(ListCall{WM_INITDIALOG, 0, "0x0", "dialog"});
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) noexcept
    {
        MyDlgRun* self = active;
        if (!self || self->inspected || !self->dialog)
            return;
        self->inspected = true;
        if (self->m_recorder)
            self->calls = self->m_recorder->calls;
        self->seen = ReadList(self->list);
        if (MyDlg* object = dynamic_cast<MyDlg*>(XWindow::FromHandle(self->dialog))) {
            self->jobListTarget = object->m_jobList.m_hList;
            self->jobListAttached = object->m_jobList.m_hwnd;
            self->jobListColumns = object->m_jobList.m_columns.GetCount();
            self->redrawSuspended = object->m_jobList.m_redrawSuspended;
        }
        PostMessageW(self->dialog, WM_COMMAND, IDCANCEL, 0);
    }

    static thread_local MyDlgRun* active;

    HHOOK m_hook = nullptr;
    UINT_PTR m_timer = 0;
    // Outlives the list window; it lets go of the window when the window goes.
    std::unique_ptr<ListRecorder> m_recorder;
};

thread_local MyDlgRun* MyDlgRun::active = nullptr;

} // namespace

TEST_CASE("the real MyDlg sets its job list up on WM_INITDIALOG")
{
    MyDlgRun run;
    REQUIRE(run.dialog != nullptr);
    REQUIRE(run.inspected);
    CHECK(run.endCode == 0);
    CHECK(run.stylesBefore == kStrayStyles);

    // The list of template 101 is narrower than 676 pixels: the minimum widths.
    std::vector<ListCall> expected = ExpectedSetUp(250, 150, XGetSmallSystemImageList());
    expected.insert(expected.begin(), ListCall{WM_INITDIALOG, 0, "0x0", "dialog"});
    // Anything after the set-up is painting, which the check below does not look at.
    std::vector<ListCall> setUp;
    for (const ListCall& c : run.calls)
        if (c.message != WM_PAINT && c.message != WM_ERASEBKGND)
            setUp.push_back(c);
    CHECK_CALLS(setUp, expected);

    CheckJobList(run.seen, 250, 150);
    CHECK(run.jobListTarget == run.list);
    CHECK(run.jobListAttached == run.list);
    CHECK(run.jobListColumns == JOB_COLUMN_COUNT);
    CHECK_FALSE(run.redrawSuspended);
}
