// Window timers: id choice, routing of WM_TIMER to OnTimer, and stopping them all.
#include <doctest/doctest.h>

#include <vector>

#include "foundation/XMutexLock.h"
#include "framework/XWindow.h"
#include "support/ControlsDialogs.h"
#include "support/TestInput.h"

namespace {

struct Tick {
    UINT id;
    UINT value;
};

// A window whose OnTimer logs its ticks and can start a timer from inside the tick.
class TimerWindow : public XWindow {
public:
    void OnTimer(UINT id, UINT value) override
    {
        m_ticks.push_back(Tick{id, value});
        if (m_startInTick && m_startedInTick == 0)
            m_startedInTick = StartTimer(60000);
    }

    void OnDestroy() override { m_timersAtDestroy = m_timers.GetCount(); }

    std::vector<Tick> m_ticks;
    int m_timersAtDestroy = -1;
    bool m_startInTick = false;
    UINT m_startedInTick = 0;
};

// Owns a hidden modeless dialog run by XWindow's dialog procedure; Destroy tears it down.
struct TimerFixture {
    TimerFixture()
    {
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONTROLS_PLAIN), nullptr,
                           &XWindow::DialogProc, reinterpret_cast<LPARAM>(&window));
    }
    ~TimerFixture() { window.Destroy(); }

    // Records a timer that was set on the window elsewhere, as a start would have.
    void AddRunning(UINT id)
    {
        REQUIRE(SetTimer(window.m_hwnd, id, 60000, nullptr) == id);
        XMutexLock lock(window.m_lock);
        XTimerRecord* record = window.m_timers.AddRecord();
        record->m_id = id;
        record->m_value = 0;
    }

    std::vector<UINT> Ids()
    {
        std::vector<UINT> ids;
        for (int i = 0; i < window.m_timers.GetCount(); ++i)
            ids.push_back(window.m_timers.GetAt(i)->m_id);
        return ids;
    }

    TimerWindow window;
};

} // namespace

TEST_CASE("a new timer's id is one above the largest running id")
{
    struct Case {
        std::vector<UINT> running;
        UINT expected;
    };
    const Case cases[] = {
        {{}, 1},
        {{1, 2}, 3},
        {{1, 5}, 6},
        {{5, 1}, 6},
    };
    for (const Case& c : cases) {
        TimerFixture f;
        REQUIRE(f.window.m_hwnd != nullptr);
        for (UINT id : c.running)
            f.AddRunning(id);
        CAPTURE(c.expected);
        CHECK(f.window.StartTimer(60000) == c.expected);
        std::vector<UINT> ids = c.running;
        ids.push_back(c.expected);
        CHECK(f.Ids() == ids);
    }
}

TEST_CASE("timers started one after another count up, and start at 1 again after StopAllTimers")
{
    TimerFixture f;
    CHECK(f.window.StartTimer(60000) == 1);
    CHECK(f.window.StartTimer(60000) == 2);
    CHECK(f.window.StartTimer(60000) == 3);
    f.window.StopAllTimers();
    CHECK(f.window.m_timers.GetCount() == 0);
    CHECK(f.window.m_timers.m_current == nullptr);
    CHECK(f.window.StartTimer(60000) == 1);
    CHECK(f.Ids() == std::vector<UINT>{1});
}

TEST_CASE("StopAllTimers really stops the platform timers")
{
    TimerFixture f;
    REQUIRE(f.window.StartTimer(10) == 1);
    REQUIRE(PumpMessagesUntil([&] { return !f.window.m_ticks.empty(); }, 2000));
    f.window.StopAllTimers();
    f.window.m_ticks.clear();
    PumpMessages(150);
    CHECK(f.window.m_ticks.empty());
}

TEST_CASE("a window without a handle starts no timer")
{
    TimerWindow window;
    CHECK(window.StartTimer(10) == 0);
    CHECK(window.m_timers.GetCount() == 0);
    CHECK(window.m_timers.m_current == nullptr);
}

TEST_CASE("a tick reaches OnTimer with the timer's id and the value 0")
{
    TimerFixture f;
    f.AddRunning(1);
    const UINT id = f.window.StartTimer(10);
    REQUIRE(id == 2);
    REQUIRE(PumpMessagesUntil([&] { return !f.window.m_ticks.empty(); }, 2000));
    CHECK(f.window.m_ticks[0].id == id);
    CHECK(f.window.m_ticks[0].value == 0);
}

TEST_CASE("WM_TIMER with an id that no record has calls nothing and counts as handled")
{
    TimerFixture f;
    REQUIRE(f.window.StartTimer(60000) == 1);
    SetWindowLongPtrW(f.window.m_hwnd, DWLP_MSGRESULT, 99);
    CHECK(XWindow::DialogProc(f.window.m_hwnd, WM_TIMER, 77, 0) == TRUE);
    CHECK(GetWindowLongPtrW(f.window.m_hwnd, DWLP_MSGRESULT) == 0);
    CHECK(f.window.m_ticks.empty());
    // The matching id does reach the handler; the override leaves the message claimed.
    CHECK(XWindow::DialogProc(f.window.m_hwnd, WM_TIMER, 1, 0) == TRUE);
    REQUIRE(f.window.m_ticks.size() == 1);
    CHECK(f.window.m_ticks[0].id == 1);
}

TEST_CASE("an OnTimer that starts a timer on its own window gets the next id")
{
    // OnTimer runs under the window's lock; StartTimer takes it again on the same thread. Were
    // the lock not re-entrant this case would hang until the test's time limit.
    TimerFixture f;
    f.window.m_startInTick = true;
    REQUIRE(f.window.StartTimer(10) == 1);
    REQUIRE(PumpMessagesUntil([&] { return f.window.m_startedInTick != 0; }, 2000));
    CHECK(f.window.m_startedInTick == 2);
    CHECK(f.Ids() == std::vector<UINT>{1, 2});
}

TEST_CASE("after Destroy no WM_TIMER arrives")
{
    TimerFixture f;
    REQUIRE(f.window.StartTimer(10) == 1);
    REQUIRE(f.window.StartTimer(15) == 2);
    REQUIRE(PumpMessagesUntil([&] { return f.window.m_ticks.size() >= 2; }, 2000));
    const HWND old = f.window.m_hwnd;
    f.window.Destroy();
    CHECK(f.window.m_hwnd == nullptr);
    CHECK(f.window.m_timers.GetCount() == 0);
    // The timers are stopped before the window goes, so none can tick during its destruction.
    CHECK(f.window.m_timersAtDestroy == 0);
    f.window.m_ticks.clear();

    // Look at every WM_TIMER of the thread for a while, before anything dispatches it.
    int stray = 0;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 200) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == old)
                ++stray;
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    CHECK(stray == 0);
    CHECK(f.window.m_ticks.empty());
}
