// The list-view wrapper on the real common-controls version 6 list view: set-up operations and
// the check-box band, with presses made by placing the real cursor and sending real input.
#include <doctest/doctest.h>

#include <cctype>
#include <cwchar>
#include <string>
#include <vector>

#include "framework/XListView.h"
#include "support/ControlsListHost.h"
#include "support/ControlsRecorder.h"
#include "support/ControlsSpy.h"
#include "support/TestInput.h"

namespace {

const UINT kUnchecked = 0x1000;
const UINT kChecked = 0x2000;
const DWORD kListStyles = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;

struct Click {
    int item;
    int x;
    int y;
};

struct Scroll {
    UINT code;
    UINT pos;
};

// Logs the mouse-button and scroll messages that reach the hook, and the calls of the two
// derived-class hooks. With m_takeClicks set, OnItemClick keeps presses from the control.
class RecordingList : public XListView {
public:
    explicit RecordingList(ControlsRecorder& log) : m_log(log) {}

    LRESULT OnCtrlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override
    {
        m_log.Add(message, wParam, lParam, "hook");
        return XListView::OnCtrlMessage(hwnd, message, wParam, lParam, handled);
    }
    void OnItemClick(int item, int x, int y, int* handled) override
    {
        m_clicks.push_back(Click{item, x, y});
        XListView::OnItemClick(item, x, y, handled);
        if (m_takeClicks)
            *handled = 1;
    }
    void OnVScroll(UINT code, UINT pos) override
    {
        m_scrolls.push_back(Scroll{code, pos});
        if (code == SB_THUMBTRACK)
            InterlockedExchange(&m_lastTrack, static_cast<LONG>(pos));
    }

    ControlsRecorder& m_log;
    std::vector<Click> m_clicks;
    std::vector<Scroll> m_scrolls;
    volatile LONG m_lastTrack = -1;
    bool m_takeClicks = false;
};

// The shown test dialog with its list wrapped twice: a spy on the control's own procedure
// ("ctrl"), then the wrapper under test ("hook"). Members go in reverse order.
struct ListFixture {
    ListFixture() : spy(host.List(), log), list(log) { list.Attach(host.List()); }

    // Columns of the given widths (column 0 first), `rows` rows named "row N", extended styles.
    void Fill(std::vector<int> widths, int rows, DWORD styles = kListStyles)
    {
        list.SetExtendedStyle(styles);
        list.SetRedraw(false);
        for (std::size_t i = 0; i < widths.size(); ++i)
            list.AddColumn(L"column", widths[i], LVCFMT_LEFT);
        for (int i = 0; i < rows; ++i) {
            wchar_t text[32];
            std::swprintf(text, 32, L"row %d", i);
            list.AddItem(text);
        }
        list.SetRedraw(true);
        UpdateWindow(host.List());
        log.Clear();
        host.m_notes.Clear();
    }

    // A point of the list's client area at x, halfway down `row`.
    POINT RowPoint(int row, int x)
    {
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        SendMessageW(host.List(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        return POINT{x, (rect.top + rect.bottom) / 2};
    }

    UINT Check(int row) { return list.GetItemState(row, LVIS_STATEIMAGEMASK); }
    UINT Selection(int row) { return list.GetItemState(row, LVIS_SELECTED | LVIS_FOCUSED); }
    void SetChecks(std::vector<UINT> states)
    {
        for (std::size_t i = 0; i < states.size(); ++i)
            list.SetItemState(static_cast<int>(i), states[i], LVIS_STATEIMAGEMASK);
    }
    void Select(std::vector<int> rows)
    {
        list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int row : rows)
            list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
    bool Notified(UINT code)
    {
        for (const ControlsMsg& m : host.m_notes.Entries())
            if (m.wParam == static_cast<WPARAM>(code))
                return true;
        return false;
    }
    void Forget()
    {
        log.Clear();
        host.m_notes.Clear();
        list.m_clicks.clear();
        list.m_scrolls.clear();
    }

    ControlsRecorder log{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_VSCROLL};
    ControlsListHost host;
    ControlsSpy spy;
    RecordingList list;
};

// Moves the held-down cursor one pixel at a time from `start` until OnVScroll has seen a track
// position of at least `target`, then releases the button. Runs on its own thread because the
// scroll bar's tracking loop holds the list's thread.
struct ThumbDrag {
    POINT start;
    volatile LONG* lastTrack;
    LONG target;
};

DWORD WINAPI DragThumb(void* parameter)
{
    ThumbDrag* drag = static_cast<ThumbDrag*>(parameter);
    for (int dy = 1; dy < 400; ++dy) {
        SendMouse(MOUSEEVENTF_MOVE, POINT{drag->start.x, drag->start.y + dy});
        Sleep(20);
        if (InterlockedCompareExchange(drag->lastTrack, 0, 0) >= drag->target)
            break;
    }
    SendMouse(MOUSEEVENTF_LEFTUP, POINT{});
    return 0;
}

} // namespace

TEST_CASE("the list is the common-controls version 6 list view")
{
    ListFixture f;
    HMODULE module = nullptr;
    REQUIRE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCWSTR>(f.spy.m_original), &module));
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    std::string narrow;
    for (const wchar_t* p = path; *p; ++p)
        narrow += static_cast<char>(*p < 0x80 ? std::tolower(static_cast<int>(*p)) : '?');
    CAPTURE(narrow);
    // Version 6 lives in the side-by-side store; version 5 in the system folder.
    CHECK(narrow.find("\\winsxs\\") != std::string::npos);
    CHECK(narrow.find("6.0.") != std::string::npos);
}

TEST_CASE("set-up operations: columns, rows, states, styles and redraw")
{
    ListFixture f;
    // The dialog template gave the list no columns; five calls insert 0 to 4, a null title
    // giving an empty heading.
    const wchar_t* titles[] = {L"Destination File", nullptr, L"Source Type", L"Source Length", L"Estimated Size"};
    const int formats[] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_RIGHT};
    for (int i = 0; i < 5; ++i)
        f.list.AddColumn(titles[i], 60 + i, formats[i]);
    CHECK(f.list.m_columns.GetCount() == 5);
    CHECK(SendMessageW(ListView_GetHeader(f.host.List()), HDM_GETITEMCOUNT, 0, 0) == 5);
    for (int i = 0; i < 5; ++i) {
        CAPTURE(i);
        CHECK(f.list.m_columns.GetAt(i) == nullptr);
        wchar_t text[64] = L"unchanged";
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.pszText = text;
        column.cchTextMax = 64;
        REQUIRE(SendMessageW(f.host.List(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
        CHECK(column.iSubItem == i);
        CHECK(column.cx == 60 + i);
        CHECK((column.fmt & LVCFMT_JUSTIFYMASK) == formats[i]);
        CHECK(std::wcscmp(text, titles[i] ? titles[i] : L"") == 0);
    }

    // Every extended style takes its bit from the call: earlier ones are cleared.
    f.list.SetExtendedStyle(LVS_EX_GRIDLINES);
    f.list.SetExtendedStyle(0x4026);
    CHECK(SendMessageW(f.host.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) == 0x4026);

    f.list.SetRedraw(false);
    CHECK(f.list.m_redrawSuspended);
    f.list.AddItem(L"c:\\FileTo.bin");
    f.list.AddItem(L"second");
    f.list.SetItemText(f.list.GetItemCount() - 2, 1, L"c:\\FileFrom.bin");
    f.list.SetItemState(0, kChecked, LVIS_STATEIMAGEMASK);
    f.list.SetRedraw(true);
    CHECK_FALSE(f.list.m_redrawSuspended);
    CHECK(f.list.GetItemCount() == 2);
    wchar_t text[64] = {};
    ListView_GetItemText(f.host.List(), 0, 0, text, 64);
    CHECK(std::wcscmp(text, L"c:\\FileTo.bin") == 0);
    ListView_GetItemText(f.host.List(), 0, 1, text, 64);
    CHECK(std::wcscmp(text, L"c:\\FileFrom.bin") == 0);
    ListView_GetItemText(f.host.List(), 1, 0, text, 64);
    CHECK(std::wcscmp(text, L"second") == 0);
    CHECK(f.Check(0) == kChecked);
    CHECK(f.Check(1) == kUnchecked);

    // A second wrapper cannot subclass a list that the first holds, but can still fill it.
    {
        ControlsRecorder other;
        RecordingList second(other);
        second.Attach(f.host.List());
        CHECK(second.m_hwnd == nullptr);
        CHECK(second.m_hList == f.host.List());
        second.AddItem(L"third");
        CHECK(f.list.GetItemCount() == 3);
        CHECK(GetWindowLongPtrW(f.host.List(), GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(&f.list));
    }

    // Attach again starts the column count from 0, whatever the control already has.
    f.list.Attach(f.host.List());
    CHECK(f.list.m_columns.GetCount() == 0);
    CHECK(f.list.m_hwnd == f.host.List());
}

TEST_CASE("a press toggles exactly in the band from column 0's left edge to 20 pixels right of it")
{
    struct Case {
        const char* name;
        bool reorder;       // column 0 shown third, after columns 1 (100) and 2 (50)
        int scroll;         // horizontal scroll in pixels
        int left;           // expected band start
        std::vector<int> toggles;
        std::vector<int> stays;
    };
    const Case cases[] = {
        {"column 0 first", false, 0, 0, {0, 20}, {21}},
        {"column 0 third", true, 0, 150, {150, 170}, {149, 171}},
        {"column 0 third, scrolled by 30", true, 30, 120, {120, 140}, {119, 141}},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        ListFixture f;
        f.Fill({400, 100, 50}, 3);
        if (c.reorder) {
            int order[] = {1, 2, 0};
            REQUIRE(SendMessageW(f.host.List(), LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order)));
        }
        if (c.scroll) {
            SendMessageW(f.host.List(), LVM_SCROLL, c.scroll, 0);
            REQUIRE(f.RowPoint(0, 0).y > 0);
            RECT rect = {};
            rect.left = LVIR_BOUNDS;
            SendMessageW(f.host.List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect));
            REQUIRE(rect.left == -c.scroll);
        }
        CHECK(f.list.CheckAreaLeft() == c.left);
        for (int x : c.toggles) {
            CAPTURE(x);
            const UINT before = f.Check(1);
            f.Forget();
            REQUIRE(ClickInWindow(f.host.List(), f.RowPoint(1, x)));
            CHECK(f.Check(1) == (before == kChecked ? kUnchecked : kChecked));
            CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == 0);
            CHECK(f.list.m_clicks.empty());
        }
        for (int x : c.stays) {
            CAPTURE(x);
            const UINT before = f.Check(1);
            f.Forget();
            REQUIRE(ClickInWindow(f.host.List(), f.RowPoint(1, x)));
            CHECK(f.Check(1) == before);
            CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == 1);
            REQUIRE(f.list.m_clicks.size() == 1);
            CHECK(f.list.m_clicks[0].item == 1);
            CHECK(f.list.m_clicks[0].x == x);
        }
    }
}

TEST_CASE("without check boxes every press goes to OnItemClick and to the control")
{
    for (int x : {5, 150}) {
        CAPTURE(x);
        ListFixture f;
        f.Fill({200, 100}, 3, LVS_EX_FULLROWSELECT);
        const POINT at = f.RowPoint(2, x);
        REQUIRE(ClickInWindow(f.host.List(), at));
        REQUIRE(f.list.m_clicks.size() == 1);
        CHECK(f.list.m_clicks[0].item == 2);
        CHECK(f.list.m_clicks[0].x == at.x);
        CHECK(f.list.m_clicks[0].y == at.y);
        CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == 1);
        CHECK(f.Notified(NM_CLICK));
        CHECK(f.Selection(2) == (LVIS_SELECTED | LVIS_FOCUSED));
        CHECK(GetFocus() == f.host.List());
    }
}

TEST_CASE("a press in the band on an unselected, unchecked row selects only that row and checks it")
{
    ListFixture f;
    f.Fill({200, 100}, 4);
    f.SetChecks({kUnchecked, kUnchecked, kChecked, kUnchecked});
    f.Select({0});
    f.list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    f.Forget();

    REQUIRE(ClickInWindow(f.host.List(), f.RowPoint(1, 10)));
    CHECK(f.Selection(0) == 0);
    CHECK(f.Selection(1) == (LVIS_SELECTED | LVIS_FOCUSED));
    CHECK(f.Selection(2) == 0);
    CHECK(f.Selection(3) == 0);
    CHECK(SendMessageW(f.host.List(), LVM_GETSELECTIONMARK, 0, 0) == 1);
    CHECK(f.Check(0) == kUnchecked);
    CHECK(f.Check(1) == kChecked);
    CHECK(f.Check(2) == kChecked);
    CHECK(f.Check(3) == kUnchecked);
    // Row 0 loses selection and focus, row 1 gains both, then row 1's box changes; nothing
    // from the press itself (no click, no focus, no capture) reaches the parent. (The control
    // also asks LVN_ITEMCHANGING for rows whose state does not change; those are left out.)
    ControlsRecorder notes;
    for (const ControlsMsg& m : f.host.m_notes.Entries())
        if (m.wParam != static_cast<WPARAM>(LVN_ITEMCHANGING))
            notes.Add(m.message, m.wParam, m.lParam, m.handler);
    const ControlsMsg expected[] = {
        {WM_NOTIFY, LVN_ITEMCHANGED, 0, "parent"},
        {WM_NOTIFY, LVN_ITEMCHANGED, 1, "parent"},
        {WM_NOTIFY, LVN_ITEMCHANGED, 1, "parent"},
    };
    CONTROLS_CHECK_SEQUENCE(notes, expected);
}

TEST_CASE("a press in the band on a selected row acts on every selected row")
{
    struct Case {
        const char* name;
        std::vector<UINT> before;
        std::vector<UINT> after;
    };
    // Rows 1 to 3 are selected and row 2 is pressed; rows 0 and 4 are not selected.
    const Case cases[] = {
        {"checked among unchecked", {kUnchecked, kUnchecked, kChecked, kUnchecked, kChecked},
         {kUnchecked, kUnchecked, kUnchecked, kUnchecked, kChecked}},
        {"unchecked among checked", {kChecked, kChecked, kUnchecked, kChecked, kUnchecked},
         {kChecked, kChecked, kChecked, kChecked, kUnchecked}},
    };
    for (const Case& c : cases) {
        const std::string name = c.name;
        CAPTURE(name);
        ListFixture f;
        f.Fill({200, 100}, 5);
        f.SetChecks(c.before);
        f.Select({1, 2, 3});
        REQUIRE(ClickInWindow(f.host.List(), f.RowPoint(2, 10)));
        for (int row = 0; row < 5; ++row) {
            CAPTURE(row);
            CHECK(f.Check(row) == c.after[row]);
            CHECK((f.Selection(row) & LVIS_SELECTED) == (row >= 1 && row <= 3 ? LVIS_SELECTED : 0u));
        }
        CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == 0);
    }
}

TEST_CASE("a press in the band below the last row goes to OnItemClick with row -1")
{
    ListFixture f;
    f.Fill({200, 100}, 2);
    POINT below = f.RowPoint(1, 10);
    below.y += 60;
    REQUIRE(ClickInWindow(f.host.List(), below));
    REQUIRE(f.list.m_clicks.size() == 1);
    CHECK(f.list.m_clicks[0].item == -1);
    CHECK(f.list.m_clicks[0].x == below.x);
    CHECK(f.list.m_clicks[0].y == below.y);
    CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == 1);
    CHECK(f.Check(0) == kUnchecked);
    CHECK(f.Check(1) == kUnchecked);
}

TEST_CASE("a press taken over never reaches the control: no focus, no click, no drag")
{
    struct Case {
        int x;
        bool taken;
    };
    // The press outside the band shows that this gesture does start a drag when the control
    // sees it.
    const Case cases[] = {{10, true}, {100, false}};
    for (const Case& c : cases) {
        CAPTURE(c.x);
        ListFixture f;
        f.Fill({200, 100}, 4);
        f.Select({3});
        REQUIRE(GetFocus() == f.host.Other());
        f.Forget();

        POINT from = f.RowPoint(1, c.x);
        POINT to = from;
        to.y += 25;
        REQUIRE(DragInWindow(f.host.List(), from, to));
        const bool dragged = f.Notified(LVN_BEGINDRAG);
        const bool clicked = f.Notified(NM_CLICK);
        CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == (c.taken ? 0u : 1u));
        CHECK(dragged == !c.taken);
        CHECK((GetFocus() == f.host.Other()) == c.taken);
        if (c.taken) {
            CHECK_FALSE(clicked);
            CHECK(f.Selection(1) == (LVIS_SELECTED | LVIS_FOCUSED));
            CHECK(f.Selection(3) == 0);
            CHECK(f.Check(1) == kChecked);
        }
    }
}

TEST_CASE("a fast double press in the band toggles once; the second press reaches the control as a double click")
{
    ListFixture f;
    f.Fill({200, 100}, 3);
    REQUIRE(ClickInWindow(f.host.List(), f.RowPoint(1, 10), 2));
    CHECK(f.Check(1) == kChecked);
    const ControlsMsg expected[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, kControlsAny, "hook"},
        {WM_LBUTTONUP, 0, kControlsAny, "hook"},
        {WM_LBUTTONUP, 0, kControlsAny, "ctrl"},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, kControlsAny, "hook"},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, kControlsAny, "ctrl"},
        {WM_LBUTTONUP, 0, kControlsAny, "hook"},
        {WM_LBUTTONUP, 0, kControlsAny, "ctrl"},
    };
    CONTROLS_CHECK_SEQUENCE(f.log, expected);
}

TEST_CASE("the position of a press comes from the cursor, not from lParam")
{
    ListFixture f;
    f.Fill({200, 100}, 3);
    const POINT band = f.RowPoint(1, 10);
    POINT below = f.RowPoint(2, 10);
    below.y += 60;

    SUBCASE("cursor in the band, lParam elsewhere: toggles")
    {
        REQUIRE(PlaceCursor(f.host.List(), band));
        SendMessageW(f.host.List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(below.x + 200, below.y));
        CHECK(f.Check(1) == kChecked);
        CHECK(f.list.m_clicks.empty());
    }
    SUBCASE("cursor below the rows, lParam in the band: OnItemClick at the cursor")
    {
        f.list.m_takeClicks = true;
        REQUIRE(PlaceCursor(f.host.List(), below));
        SendMessageW(f.host.List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(band.x, band.y));
        CHECK(f.Check(1) == kUnchecked);
        REQUIRE(f.list.m_clicks.size() == 1);
        CHECK(f.list.m_clicks[0].item == -1);
        CHECK(f.list.m_clicks[0].x == below.x);
        CHECK(f.list.m_clicks[0].y == below.y);
    }
    CHECK(f.log.Count(WM_LBUTTONDOWN, "ctrl") == 0);
}

TEST_CASE("WM_VSCROLL reaches OnVScroll with code and position, and the list scrolls")
{
    ListFixture f;
    f.Fill({200, 100}, 100);
    const WPARAM track = MAKEWPARAM(SB_THUMBTRACK, 40);
    SendMessageW(f.host.List(), WM_VSCROLL, track, 0);
    REQUIRE(f.list.m_scrolls.size() == 1);
    CHECK(f.list.m_scrolls[0].code == SB_THUMBTRACK);
    CHECK(f.list.m_scrolls[0].pos == 40);
    const ControlsMsg expected[] = {
        {WM_VSCROLL, track, 0, "hook"},
        {WM_VSCROLL, track, 0, "ctrl"},
    };
    CONTROLS_CHECK_SEQUENCE(f.log, expected);

    // The list takes a thumb position from its scroll bar's tracking state, which only a real
    // drag sets: drag the thumb down a pixel at a time until a track at 40 has been seen.
    SCROLLBARINFO bar = {};
    bar.cbSize = sizeof(bar);
    REQUIRE(GetScrollBarInfo(f.host.List(), OBJID_VSCROLL, &bar));
    ThumbDrag drag = {};
    drag.start.x = (bar.rcScrollBar.left + bar.rcScrollBar.right) / 2;
    drag.start.y = bar.rcScrollBar.top + (bar.xyThumbTop + bar.xyThumbBottom) / 2;
    drag.lastTrack = &f.list.m_lastTrack;
    drag.target = 40;
    f.Forget();
    SetCursorPos(drag.start.x, drag.start.y);
    PumpMessages(20);
    SendMouse(MOUSEEVENTF_LEFTDOWN, POINT{});
    HANDLE thread = CreateThread(nullptr, 0, &DragThumb, &drag, 0, nullptr);
    REQUIRE(thread != nullptr);
    // The scroll bar's tracking loop runs inside this thread's dispatch until the button is up.
    CHECK(PumpMessagesUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000));
    CloseHandle(thread);
    PumpMessages(50);

    bool tracked40 = false;
    for (const Scroll& s : f.list.m_scrolls)
        tracked40 = tracked40 || (s.code == SB_THUMBTRACK && s.pos == 40);
    CHECK(tracked40);
    CHECK(SendMessageW(f.host.List(), LVM_GETTOPINDEX, 0, 0) == 40);
    // Every scroll message reached OnVScroll with its own code and position, then the control.
    const std::vector<ControlsMsg>& seen = f.log.Entries();
    REQUIRE(seen.size() == 2 * f.list.m_scrolls.size());
    for (std::size_t i = 0; i < f.list.m_scrolls.size(); ++i) {
        const WPARAM w = MAKEWPARAM(f.list.m_scrolls[i].code, f.list.m_scrolls[i].pos);
        CHECK(seen[2 * i].wParam == w);
        CHECK(std::string(seen[2 * i].handler) == "hook");
        CHECK(seen[2 * i + 1].wParam == w);
        CHECK(std::string(seen[2 * i + 1].handler) == "ctrl");
    }
}
