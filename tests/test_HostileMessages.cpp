// Messages with hostile parameters sent to the real job dialog and to its list (through the
// list's subclass): out-of-range ids and items, garbage handles, null or garbage pointers where
// no code on the way reads them, extreme coordinates and wheel deltas, and a flood of WM_TIMER
// with ids that no timer has. Nothing crashes, and nothing changes that should not: the rows,
// the box, the texts and columns, the dialog's timer (which still ticks), the registry and the
// subclass. Each group ends the dialog with OK afterwards, which must still work.
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/MyDlg.h"
#include "app/resource.h"
#include "services/XProcessObjects.h"
#include "support/InputWatch.h"
#include "support/SoakDriver.h"
#include "support/TestInput.h"

namespace {

// Values that no control, window or block of this process has.
const LPARAM kGarbage = static_cast<LPARAM>(0xDEADBEEF);
const LPARAM kAllOnes = -1;

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Everything about the dialog and its list that no hostile message may change.
struct Snapshot {
    int windows = 0;
    bool registered = false;
    int timers = 0;
    UINT timerId = 0;
    int rows = 0;
    UINT check = 0;
    std::wstring destination;
    std::wstring source;
    int columns = 0;
    std::vector<int> widths;
    DWORD extendedStyles = 0;
    LONG_PTR listProc = 0;
    LONG_PTR listData = 0;
    bool visible = false;
    std::wstring caption;
    RECT rect = {};

};

std::wstring ItemText(HWND list, int item, int subitem)
{
    wchar_t buffer[128] = {};
    LVITEMW row = {};
    row.iSubItem = subitem;
    row.pszText = buffer;
    row.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
    return buffer;
}

Snapshot Take(HWND dialog, int windowsBefore)
{
    Snapshot s;
    XWindow* object = XWindow::FromHandle(dialog);
    MyDlg* dlg = static_cast<MyDlg*>(object);
    HWND list = GetDlgItem(dialog, IDC_JOB_LIST);
    s.windows = liveWindows.GetCount() - windowsBefore;
    s.registered = object != nullptr;
    if (dlg) {
        s.timers = dlg->m_timers.GetCount();
        s.timerId = s.timers ? dlg->m_timers.GetAt(0)->m_id : 0;
    }
    s.rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    s.check = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK));
    s.destination = ItemText(list, 0, 0);
    s.source = ItemText(list, 0, 1);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    s.columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < s.columns; ++i)
        s.widths.push_back(static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0)));
    s.extendedStyles = static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    s.listProc = GetWindowLongPtrW(list, GWLP_WNDPROC);
    s.listData = GetWindowLongPtrW(list, GWLP_USERDATA);
    s.visible = IsWindowVisible(dialog) != FALSE;
    wchar_t caption[32] = {};
    GetWindowTextW(dialog, caption, 32);
    s.caption = caption;
    GetWindowRect(dialog, &s.rect);
    return s;
}

// Runs the real dialog; once it is up, `attack` runs inside its modal loop between two
// snapshots that must match. Then OK must still end the dialog with 1.
void RunAttack(const std::function<void(HWND dialog, HWND list)>& attack)
{
    const int windowsBefore = liveWindows.GetCount();
    Snapshot before, after;
    bool ran = false;
    SoakDriver driver(
        [&](HWND dialog) {
            PumpMessages(100);
            before = Take(dialog, windowsBefore);
            attack(dialog, GetDlgItem(dialog, IDC_JOB_LIST));
            PumpMessages(200);
            after = Take(dialog, windowsBefore);
            ran = true;
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
            return false;
        },
        50, 60000);
    const INT_PTR code = driver.RunJobDialog();
    REQUIRE(ran);
    CHECK_FALSE(driver.SafetyFired());
    CHECK(code == 1);
    CHECK(before.windows == 1);
    CHECK(before.registered);
    CHECK(before.timers == 1);
    CHECK(before.rows == 1);
    CHECK(before.check == INDEXTOSTATEIMAGEMASK(2));
    CHECK(before.columns == 5);
    CHECK(after.windows == before.windows);
    CHECK(after.registered == before.registered);
    CHECK(after.timers == before.timers);
    CHECK(after.timerId == before.timerId);
    CHECK(after.rows == before.rows);
    CHECK(after.check == before.check);
    CHECK((after.destination == before.destination && after.source == before.source));
    CHECK(after.columns == before.columns);
    CHECK(after.widths == before.widths);
    CHECK(after.extendedStyles == before.extendedStyles);
    CHECK(after.listProc == before.listProc);
    CHECK(after.listData == before.listData);
    CHECK(after.visible == before.visible);
    CHECK((after.caption == before.caption));
    CHECK(EqualRect(&after.rect, &before.rect));
    CHECK(liveWindows.GetCount() == windowsBefore);
}

} // namespace

TEST_CASE("Hostile messages to the job dialog change nothing")
{
    SUBCASE("out-of-range command ids, notification codes and garbage control handles")
    {
        RunAttack([](HWND dialog, HWND) {
            const Message table[] = {
                {WM_COMMAND, MAKEWPARAM(0, 0), kGarbage},
                {WM_COMMAND, MAKEWPARAM(10, 0), kAllOnes},
                {WM_COMMAND, MAKEWPARAM(0xFFFF, 0xFFFF), kGarbage},
                {WM_COMMAND, MAKEWPARAM(IDC_JOB_LIST, 0x7FFF), kGarbage},
                // An id handler's id with a code other than 0 reaches OnCommand alone: not OK or Cancel.
                {WM_COMMAND, MAKEWPARAM(IDOK, 1), kGarbage},
                {WM_COMMAND, MAKEWPARAM(IDCANCEL, 0xFFFF), 0},
                {WM_COMMAND, MAKEWPARAM(IDCLOSE, 0), kGarbage},
                {WM_COMMAND, MAKEWPARAM(IDHELP, 0), kAllOnes},
            };
            for (const Message& m : table)
                SendMessageW(dialog, m.message, m.wParam, m.lParam);
        });
    }
    SUBCASE("WM_NOTIFY from controls that do not exist, and null or garbage headers")
    {
        RunAttack([](HWND dialog, HWND list) {
            NMHDR unknown = {reinterpret_cast<HWND>(kGarbage), 9999, LVN_ITEMCHANGED};
            NMHDR fromNowhere = {nullptr, 0, NM_CLICK};
            NMHDR lying = {list, 4242, static_cast<UINT>(-1)};
            NMLISTVIEW change = {};
            change.hdr = {reinterpret_cast<HWND>(kGarbage), 7777, LVN_ITEMCHANGED};
            change.iItem = 5000;
            change.uNewState = INDEXTOSTATEIMAGEMASK(1);
            change.uChanged = LVIF_STATE;
            const Message table[] = {
                {WM_NOTIFY, 9999, reinterpret_cast<LPARAM>(&unknown)},
                {WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&fromNowhere)},
                {WM_NOTIFY, IDC_JOB_LIST, reinterpret_cast<LPARAM>(&lying)},
                {WM_NOTIFY, 7777, reinterpret_cast<LPARAM>(&change)},
            };
            for (const Message& m : table)
                SendMessageW(dialog, m.message, m.wParam, m.lParam);
            // The dispatch and the dialog's handlers never read the header: straight into the
            // dialog procedure, null and garbage pointers are safe too (the platform's default
            // processing after it is not the framework's to test).
            CHECK(XWindow::DialogProc(dialog, WM_NOTIFY, 0, 0) == FALSE);
            CHECK(XWindow::DialogProc(dialog, WM_NOTIFY, 9999, kGarbage) == FALSE);
            CHECK(XWindow::DialogProc(dialog, WM_NOTIFY, 9999, 1) == FALSE);
        });
    }
    SUBCASE("a flood of WM_TIMER with ids that no timer has; the dialog's own timer still ticks")
    {
        RunAttack([](HWND dialog, HWND) {
            MyDlg* dlg = static_cast<MyDlg*>(XWindow::FromHandle(dialog));
            const UINT own = dlg->m_timers.GetAt(0)->m_id;
            int sent = 0;
            for (UINT id = 0; sent < 10000; ++id) {
                if (id == own)
                    continue;
                SendMessageW(dialog, WM_TIMER, id, 0);
                ++sent;
            }
            SendMessageW(dialog, WM_TIMER, static_cast<WPARAM>(-1), 0);
            // On 64 bits: an id whose low 32 bits are the timer's must not be cut down to match it.
            SendMessageW(dialog, WM_TIMER, static_cast<WPARAM>(own) | static_cast<WPARAM>(0x100000000ULL), 0);
            // Posted ones go the real way: the modal loop takes them from the queue.
            for (UINT id = 20000; id < 22000; ++id)
                PostMessageW(dialog, WM_TIMER, id, 0);
            PumpMessages(300);
            CHECK(dlg->m_timers.GetCount() == 1);
            InputWatch watch(dialog, own);
            PumpMessages(2300);
            CHECK(watch.ticks >= 1);
        });
    }
    SUBCASE("extreme coordinates, wheel deltas, handles and device contexts")
    {
        RunAttack([](HWND dialog, HWND) {
            const Message table[] = {
                // Keyboard-style and far-off points: none lies on the caption, where the platform
                // would open the system menu.
                {WM_CONTEXTMENU, static_cast<WPARAM>(kGarbage), kAllOnes},
                {WM_CONTEXTMENU, 0, MAKELPARAM(0x7FFF, 0x7FFF)},
                {WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dialog), MAKELPARAM(0x8000, 0x8000)},
                {WM_MOUSEWHEEL, MAKEWPARAM(0xFFFF, 0x7FFF), kAllOnes},
                {WM_MOUSEWHEEL, MAKEWPARAM(0, 0x8000), MAKELPARAM(0x8000, 0x8000)},
                {WM_MOUSEMOVE, static_cast<WPARAM>(-1), kAllOnes},
                {WM_LBUTTONDOWN, static_cast<WPARAM>(-1), MAKELPARAM(0x8000, 0x7FFF)},
                {WM_MBUTTONUP, 0, kAllOnes},
                {WM_KEYDOWN, 0xFFFF, kAllOnes},
                {WM_KEYUP, 0, kAllOnes},
                {WM_CHAR, 0xFFFF, kAllOnes},
                {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0xFFFF), kGarbage},
                {WM_ACTIVATE, MAKEWPARAM(0x7777, 1), kGarbage},
                {WM_SHOWWINDOW, 0, SW_PARENTCLOSING},
                {WM_CTLCOLORDLG, static_cast<WPARAM>(kGarbage), kGarbage},
                {WM_CTLCOLORSTATIC, static_cast<WPARAM>(kGarbage), kGarbage},
                {WM_ERASEBKGND, static_cast<WPARAM>(kGarbage), 0},
                {WM_MOVE, 0, kAllOnes},
                {WM_SIZE, 0xFFFF, kAllOnes},
            };
            for (const Message& m : table)
                SendMessageW(dialog, m.message, m.wParam, m.lParam);
            // The platform never sends WM_DRAWITEM without its structure; the dispatch reads
            // the structure, so a null one must not be followed.
            CHECK(XWindow::DialogProc(dialog, WM_DRAWITEM, 9999, 0) == FALSE);
            SendMessageW(dialog, WM_DRAWITEM, 9999, 0);
        });
    }
}

TEST_CASE("Hostile messages to the job list through its subclass change nothing")
{
    RunAttack([](HWND, HWND list) {
        // Park the cursor far from the list: a press takes its position from the cursor.
        SetCursorPos(0, 0);
        LVITEMW item = {};
        item.state = INDEXTOSTATEIMAGEMASK(1);
        item.stateMask = LVIS_STATEIMAGEMASK;
        wchar_t text[] = L"hostile";
        LVITEMW textItem = {};
        textItem.mask = LVIF_TEXT;
        textItem.iItem = 1000;
        textItem.pszText = text;
        textItem.cchTextMax = 8;
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 8;
        LVHITTESTINFO farAway = {};
        farAway.pt = {0x7FFFFFFF, -0x7FFFFFFF};
        const WPARAM outOfRange[] = {1000, static_cast<WPARAM>(-2), static_cast<WPARAM>(INT32_MAX),
                                     static_cast<WPARAM>(INT32_MIN)};
        for (WPARAM index : outOfRange) {
            const Message table[] = {
                {LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK},
                {LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)},
                {LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&textItem)},
                {LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&textItem)},
                {LVM_DELETEITEM, index, 0},
                {LVM_ENSUREVISIBLE, index, FALSE},
                {LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)},
                {LVM_GETNEXTITEM, index, LVNI_ALL},
                {LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column)},
                {LVM_SETCOLUMNWIDTH, index, 7},
                {LVM_DELETECOLUMN, index, 0},
                {LVM_REDRAWITEMS, index, static_cast<LPARAM>(index)},
                {LVM_UPDATE, index, 0},
            };
            for (const Message& m : table)
                SendMessageW(list, m.message, m.wParam, m.lParam);
        }
        const Message table[] = {
            {LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&textItem)},        // item 1000
            {LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&farAway)},
            {LVM_GETITEMRECT, 0, 0},                                        // null rectangle
            {LVM_SETITEMSTATE, 0, 0},                                       // null item
            {LVM_INSERTITEMW, 0, 0},                                        // null item
            {LVM_GETCOLUMNW, 0, 0},                                         // null column
            {WM_VSCROLL, MAKEWPARAM(0xFFFF, 0xFFFF), 0},
            {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0xFFFF), 0},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, 0x7FFF), kAllOnes},
            {WM_MOUSEWHEEL, MAKEWPARAM(0, 0x8000), MAKELPARAM(0x8000, 0x8000)},
            {WM_CONTEXTMENU, static_cast<WPARAM>(kGarbage), kAllOnes},
            // A press whose lParam lies far off while the cursor is elsewhere: the band takes
            // the cursor's word, and the control finds no row there.
            {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0x7FFF, 0x7FFF)},
            {WM_LBUTTONUP, 0, MAKELPARAM(0x7FFF, 0x7FFF)},
        };
        for (const Message& m : table)
            SendMessageW(list, m.message, m.wParam, m.lParam);
    });
}
