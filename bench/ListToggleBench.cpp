// Times one press in the check-box band that sets or clears the boxes of N selected rows, for
// N = 100, 1,000 and 10,000, and counts the list messages that the press sends per row.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "framework/XListView.h"

namespace {

const int kPresses = 5;

// Counts every message that passes the hook while a press is handled: the press itself and
// each message that the band code sends to its own list (they re-enter the subclass).
class CountingList : public XListView {
public:
    LRESULT OnCtrlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override
    {
        if (m_counting) {
            ++m_total;
            ++m_byMessage[message];
        }
        return XListView::OnCtrlMessage(hwnd, message, wParam, lParam, handled);
    }

    bool m_counting = false;
    long long m_total = 0;
    std::map<UINT, long long> m_byMessage;
};

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

const char* Name(UINT message)
{
    switch (message) {
    case LVM_GETITEMCOUNT: return "LVM_GETITEMCOUNT";
    case LVM_GETITEMSTATE: return "LVM_GETITEMSTATE";
    case LVM_SETITEMSTATE: return "LVM_SETITEMSTATE";
    default: return nullptr;
    }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The host window: a plain top-level window whose only child is the list.
struct Host {
    Host()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"ListToggleBench";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_CAPTION | WS_VISIBLE, 20, 20, 640,
                                 480, nullptr, nullptr, wc.hInstance, nullptr);
        RECT client = {};
        GetClientRect(window, &client);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT |
                               LVS_SHOWSELALWAYS, 0, 0, client.right, client.bottom, window, nullptr,
                               wc.hInstance, nullptr);
    }
    ~Host() { DestroyWindow(window); }

    HWND window;
    HWND list;
};

} // namespace

int wmain()
{
    Host host;
    if (!host.list) {
        std::printf("no list view window\n");
        return 1;
    }
    CountingList list;
    list.Attach(host.list);
    list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    list.AddColumn(L"Destination File", 250, LVCFMT_LEFT);
    list.AddColumn(L"Source File", 150, LVCFMT_LEFT);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    std::printf("%8s %14s %14s %14s %14s\n", "rows", "ms/press", "us/row", "ms+repaint", "messages/row");
    double firstPerRow = 0, lastPerRow = 0;
    for (int rows : {100, 1000, 10000}) {
        SendMessageW(host.list, LVM_DELETEALLITEMS, 0, 0);
        list.SetRedraw(false);
        for (int i = 0; i < rows; ++i)
            list.AddItem(L"c:\\FileTo.bin");
        list.SetRedraw(true);
        list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        UpdateWindow(host.window);
        Pump();

        // The cursor really over row 0, 10 pixels into the band; the press reads it from there.
        RECT row = {};
        row.left = LVIR_BOUNDS;
        SendMessageW(host.list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
        POINT at = {list.CheckAreaLeft() + 10, (row.top + row.bottom) / 2};
        const LPARAM position = MAKELPARAM(at.x, at.y);
        ClientToScreen(host.list, &at);
        SetCursorPos(at.x, at.y);
        Pump();

        std::vector<double> handled;
        std::vector<double> painted;
        long long messages = 0;
        bool allToggled = true;
        for (int press = 0; press < kPresses; ++press) {
            const UINT before = list.GetItemState(0, LVIS_STATEIMAGEMASK);
            list.m_total = 0;
            list.m_byMessage.clear();
            list.m_counting = true;
            LARGE_INTEGER t0, t1, t2;
            QueryPerformanceCounter(&t0);
            SendMessageW(host.list, WM_LBUTTONDOWN, MK_LBUTTON, position);
            QueryPerformanceCounter(&t1);
            list.m_counting = false;
            UpdateWindow(host.list);
            QueryPerformanceCounter(&t2);
            SendMessageW(host.list, WM_LBUTTONUP, 0, position);
            Pump();
            handled.push_back(Seconds(t0, t1, frequency));
            painted.push_back(Seconds(t0, t2, frequency));
            messages = list.m_total;
            const UINT after = before == 0x1000 ? 0x2000 : 0x1000;
            allToggled = allToggled && list.GetItemState(0, LVIS_STATEIMAGEMASK) == after
                && list.GetItemState(rows - 1, LVIS_STATEIMAGEMASK) == after;
        }
        std::sort(handled.begin(), handled.end());
        std::sort(painted.begin(), painted.end());
        const double median = handled[kPresses / 2];
        const double perRow = median * 1e6 / rows;
        if (firstPerRow == 0)
            firstPerRow = perRow;
        lastPerRow = perRow;
        std::printf("%8d %14.3f %14.3f %14.3f %14.2f%s\n", rows, median * 1e3, perRow, painted[kPresses / 2] * 1e3,
                    static_cast<double>(messages) / rows, allToggled ? "" : "  (not every row toggled!)");
        for (const auto& entry : list.m_byMessage) {
            const char* name = Name(entry.first);
            if (name)
                std::printf("%8s   %-18s %10.2f per row\n", "", name, static_cast<double>(entry.second) / rows);
        }
    }
    // Linear in N: the time per row stays the same from 100 to 10,000 rows.
    std::printf("time per row at 10000 rows against 100 rows: %.2fx (1.00x is linear)\n", lastPerRow / firstPerRow);
    return 0;
}
