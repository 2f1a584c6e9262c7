// The real job dialog kept open for XSOAK_SECONDS (default 20) while its timer runs and a
// bounded, seeded stream of real input arrives (SendInput presses in and out of the check-box
// band, a right press on the row, presses on the dialog's surface, wheel turns, arrow keys and
// Home + Space in the list): the framework's own counts stay exact, the heaps' busy blocks and
// the process's memory stay flat after a warm-up, and the row's box ends as the input implies.
// CTest runs it a second time under WINEDEBUG=warn+heap and fails on any heap message.
#include <doctest/doctest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <vector>

#include "app/MyDlg.h"
#include "app/resource.h"
#include "services/XProcessObjects.h"
#include "support/InputWatch.h"
#include "support/SoakDriver.h"
#include "support/TestInput.h"

namespace {

const DWORD kStepMs = 60;               // one input action per step
const DWORD kSampleMs = 1000;           // one census per second
const DWORD kSettleMs = 150;            // input and its messages are handled before a census
const unsigned kSeed = 6;

// Growth allowed between the census after the warm-up and the last one. Runs under Wine show
// none at all; the slack leaves room for a platform cache that fills late, while a leak of one
// block per timer tick (15 blocks after the default warm-up) or per input action already
// exceeds it.
const long long kBlockSlack = 8;
const long long kByteSlack = 4 * 1024;
const long long kPagefileSlack = 512 * 1024;

// Wine's heap checking (WINEDEBUG with +heap) holds freed blocks back for a while before it
// really frees them, so under it the count of busy blocks says nothing about leaks.
bool WineChecksHeaps()
{
    const char* channels = std::getenv("WINEDEBUG");
    return channels && std::strstr(channels, "heap");
}

int SoakSeconds()
{
    const char* text = std::getenv("XSOAK_SECONDS");
    const int seconds = text ? std::atoi(text) : 0;
    return seconds > 0 ? seconds : 20;
}

// Busy blocks and their bytes over every heap of the process (the process heap, the C runtime's
// and Wine's own).
void HeapCensus(long long* blocks, long long* bytes)
{
    *blocks = 0;
    *bytes = 0;
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++*blocks;
                *bytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
}

BOOL CALLBACK CountSubclassed(HWND hwnd, LPARAM param)
{
    if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&XSubClassCtrl::SubClassProc))
        ++*reinterpret_cast<int*>(param);
    return TRUE;
}

struct Census {
    DWORD atMs;
    int windows;
    int timers;
    int subclassed;
    bool checked;
    long long busyBlocks;
    long long busyBytes;
    long long pagefile;
    long long workingSet;
};

// The input stream and what it implies, run one action per step inside the dialog's loop.
class Soak {
public:
    enum Action { BandOnRow, BandBelowRows, ListEmptyArea, RightPressOnRow, DialogSurface, Wheel, ArrowKey, HomeSpace };

    Soak(int seconds, int windowsBefore, InputWatch* watch)
        : m_durationMs(static_cast<DWORD>(seconds) * 1000), m_windowsBefore(windowsBefore), m_watch(watch),
          m_random(kSeed)
    {
        // Warm-up: a quarter of the run, at least 3 s and at most 30 s.
        m_warmUpMs = m_durationMs / 4;
        if (m_warmUpMs < 3000)
            m_warmUpMs = 3000;
        if (m_warmUpMs > 30000)
            m_warmUpMs = 30000;
        m_censuses.reserve(static_cast<size_t>(seconds) + 16);
    }

    bool Step(HWND dialog)
    {
        if (!m_start) {
            m_start = GetTickCount();
            m_dialog = dialog;
            m_list = GetDlgItem(dialog, IDC_JOB_LIST);
            m_object = static_cast<MyDlg*>(XWindow::FromHandle(dialog));
            if (!m_list || !m_object || m_object->m_timers.GetCount() != 1) {
                m_setUpFailed = true;
                SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                return false;
            }
            m_watch->window = dialog;
            m_watch->id = m_object->m_timers.GetAt(0)->m_id;
            m_expectChecked = IsChecked();
        }
        const DWORD now = GetTickCount() - m_start;
        if (now >= m_durationMs) {
            TakeCensus(now);
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
            return false;
        }
        if (now >= m_nextCensusMs) {
            TakeCensus(now);
            if (now >= m_warmUpMs && m_baseline < 0)
                m_baseline = static_cast<int>(m_censuses.size()) - 1;
            m_nextCensusMs += kSampleMs;
            return true;
        }
        // The band reads the cursor when it handles a press, so the next action may move the
        // cursor only after this one's input has been handled.
        const int target = m_watch->inputEnds + Act(static_cast<Action>(Pick()));
        const DWORD sent = GetTickCount();
        while (m_watch->inputEnds < target && GetTickCount() - sent < 2000)
            PumpMessages(5);
        if (m_watch->inputEnds < target)
            ++m_unhandledActions;
        PumpMessages(10);
        return true;
    }

    bool IsChecked() const
    {
        return SendMessageW(m_list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    }

    std::vector<Census> m_censuses;
    int m_baseline = -1;
    bool m_setUpFailed = false;
    bool m_expectChecked = false;
    int m_actions = 0;
    int m_toggles = 0;
    int m_stateMismatches = 0;
    int m_firstMismatchAction = -1;
    int m_unhandledActions = 0;

private:
    int Pick()
    {
        // Weighted: the band press on the row thrice as often as each other action.
        static const Action table[] = {BandOnRow, BandOnRow, BandOnRow, BandBelowRows, ListEmptyArea,
                                       RightPressOnRow, DialogSurface, Wheel, ArrowKey, HomeSpace};
        std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(table) / sizeof(table[0])) - 1);
        return table[pick(m_random)];
    }

    // Places the real cursor at a point of `window`'s client area.
    void Place(HWND window, int x, int y)
    {
        POINT at = {x, y};
        ClientToScreen(window, &at);
        SetCursorPos(at.x, at.y);
    }

    int Keys(std::initializer_list<WORD> keys)
    {
        // The list takes the keys; a key on the dialog's buttons could end it.
        SetFocus(m_list);
        TapKeys(keys);
        return static_cast<int>(keys.size());
    }

    // Sends one action's input; returns how many input ends (releases, wheel turns) it makes.
    int Act(Action action)
    {
        ++m_actions;
        // Every other left press lands a few pixels away, so that no two left presses in a row
        // pair into a double click (which the band does not take; the list handles it itself).
        if (action == BandOnRow || action == BandBelowRows || action == ListEmptyArea || action == DialogSurface)
            ++m_leftPresses;
        const int jitter = (m_leftPresses % 2) * 6;
        RECT client = {};
        GetClientRect(m_list, &client);
        RECT row = {};
        row.left = LVIR_BOUNDS;
        SendMessageW(m_list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
        const int band = m_object->m_jobList.CheckAreaLeft();
        const int rowY = (row.top + row.bottom) / 2 - 2 + jitter / 2;
        const int belowY = row.bottom + 40 + jitter;
        switch (action) {
        case BandOnRow:
            Place(m_list, band + 4 + jitter * 2, rowY);
            SendButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            Expect(true);
            return 1;
        case BandBelowRows:
            Place(m_list, band + 4 + jitter * 2, belowY);
            SendButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            return 1;
        case ListEmptyArea:
            Place(m_list, band + 120 + jitter, belowY);
            SendButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            return 1;
        case RightPressOnRow:
            Place(m_list, band + 60 + jitter, rowY);
            SendButton(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
            return 1;
        case DialogSurface: {
            RECT dialogClient = {};
            GetClientRect(m_dialog, &dialogClient);
            Place(m_dialog, 12 + jitter, dialogClient.bottom - 10);
            SendButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            return 1;
        }
        case Wheel: {
            Place(m_list, client.right / 2, client.bottom / 2 + jitter);
            SendMouse(MOUSEEVENTF_WHEEL, POINT{}, static_cast<DWORD>(m_actions % 3 == 0 ? -WHEEL_DELTA : WHEEL_DELTA));
            return 1;
        }
        case ArrowKey: {
            static const WORD keys[] = {VK_DOWN, VK_UP, VK_END, VK_PRIOR, VK_NEXT};
            return Keys({keys[m_actions % 5]});
        }
        case HomeSpace:
            // Home focuses row 0; Space then sets or clears the focused row's box.
            Expect(true);
            return Keys({VK_HOME, VK_SPACE});
        }
        return 0;
    }

    void Expect(bool toggles)
    {
        if (toggles) {
            m_expectChecked = !m_expectChecked;
            ++m_toggles;
        }
    }

    void TakeCensus(DWORD now)
    {
        PumpMessages(kSettleMs);
        Census c = {};
        c.atMs = now;
        c.windows = liveWindows.GetCount() - m_windowsBefore;
        c.timers = m_object->m_timers.GetCount();
        EnumChildWindows(m_dialog, &CountSubclassed, reinterpret_cast<LPARAM>(&c.subclassed));
        c.checked = IsChecked();
        if (c.checked != m_expectChecked) {
            ++m_stateMismatches;
            if (m_firstMismatchAction < 0)
                m_firstMismatchAction = m_actions;
            // Go on from what the list shows, so one lost press is reported once.
            m_expectChecked = c.checked;
        }
        HeapCensus(&c.busyBlocks, &c.busyBytes);
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof(memory);
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
        c.pagefile = static_cast<long long>(memory.PagefileUsage);
        c.workingSet = static_cast<long long>(memory.WorkingSetSize);
        m_censuses.push_back(c);
    }

    DWORD m_durationMs;
    DWORD m_warmUpMs;
    int m_windowsBefore;
    InputWatch* m_watch;
    std::mt19937 m_random;
    DWORD m_start = 0;
    int m_leftPresses = 0;
    DWORD m_nextCensusMs = 0;
    HWND m_dialog = nullptr;
    HWND m_list = nullptr;
    MyDlg* m_object = nullptr;
};

// Ends the process when the soak overruns its time by far: a modal loop that hangs would
// otherwise keep a long soak from ever reporting.
class Watchdog {
public:
    explicit Watchdog(DWORD ms)
        : m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_ms(ms),
          m_thread(CreateThread(nullptr, 0, &Run, this, 0, nullptr))
    {
    }
    ~Watchdog()
    {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_stop);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Run(void* param)
    {
        Watchdog* self = static_cast<Watchdog*>(param);
        if (WaitForSingleObject(self->m_stop, self->m_ms) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "test_Soak: still running %lu ms after its start; ending the process\n", self->m_ms);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 124);
        }
        return 0;
    }

    HANDLE m_stop;
    DWORD m_ms;
    HANDLE m_thread;
};

} // namespace

TEST_CASE("Soak: the job dialog under a stream of real input keeps its counts, heaps and memory flat")
{
    const int seconds = SoakSeconds();
    Watchdog watchdog(static_cast<DWORD>(seconds) * 1000 + 120000);
    const int windowsBefore = liveWindows.GetCount();
    InputWatch watch;
    Soak soak(seconds, windowsBefore, &watch);
    SoakDriver driver([&soak](HWND dialog) { return soak.Step(dialog); }, kStepMs,
                      static_cast<DWORD>(seconds) * 1000 + 30000);
    const INT_PTR code = driver.RunJobDialog();

    REQUIRE_FALSE(driver.SafetyFired());
    REQUIRE_FALSE(soak.m_setUpFailed);
    CHECK(code == 1);
    CHECK(liveWindows.GetCount() == windowsBefore);
    REQUIRE(soak.m_baseline >= 0);
    REQUIRE(soak.m_censuses.size() >= 2);

    const Census& base = soak.m_censuses[static_cast<size_t>(soak.m_baseline)];
    const Census& last = soak.m_censuses.back();
    char summary[512];
    std::snprintf(summary, sizeof(summary),
                  "%d s, %d actions (%d toggles), %d timer ticks; heap busy blocks %lld -> %lld, bytes %lld -> %lld; "
                  "pagefile %lld -> %lld KB; working set %lld -> %lld KB (warm-up to %lu ms)",
                  seconds, soak.m_actions, soak.m_toggles, watch.ticks, base.busyBlocks, last.busyBlocks,
                  base.busyBytes, last.busyBytes, base.pagefile / 1024, last.pagefile / 1024, base.workingSet / 1024,
                  last.workingSet / 1024, static_cast<unsigned long>(base.atMs));
    MESSAGE(summary);

    // The framework's own counts are exact at every census.
    for (const Census& c : soak.m_censuses) {
        INFO("census at " << c.atMs << " ms");
        CHECK(c.windows == 1);
        CHECK(c.timers == 1);
        CHECK(c.subclassed == 1);
    }
    // Every action's input was handled, and the box follows the presses and keys that set or
    // clear it.
    CHECK(soak.m_unhandledActions == 0);
    CHECK(soak.m_stateMismatches == 0);
    INFO("first mismatch after action " << soak.m_firstMismatchAction);
    CHECK(last.checked == soak.m_expectChecked);
    CHECK(soak.m_toggles > 0);
    // The timer ran throughout: about one tick a second.
    CHECK(watch.ticks >= seconds - 3);
    // Nothing grows after the warm-up.
    if (!WineChecksHeaps()) {
        CHECK(last.busyBlocks - base.busyBlocks <= kBlockSlack);
        CHECK(last.busyBytes - base.busyBytes <= kByteSlack);
    }
    CHECK(last.pagefile - base.pagefile <= kPagefileSlack);
}
