// Control subclassing: the hook protocol, attaching and detaching, nesting, and the lock that
// serialises subclassed messages across threads.
#include <doctest/doctest.h>

#include <functional>

#include "framework/XSubClassCtrl.h"
#include "support/ControlsRecorder.h"
#include "support/TestInput.h"

namespace {

const wchar_t kProbeClass[] = L"ControlsProbe";

// The control's own procedure for these tests: logs WM_USER messages as "ctrl" and answers
// with a value made from the message and lParam, so a result shows who produced it.
LRESULT ProbeResult(UINT message, LPARAM lParam) { return static_cast<LRESULT>(message - WM_USER) * 1000 + lParam; }

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message < WM_USER)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    auto* recorder = reinterpret_cast<ControlsRecorder*>(GetWindowLongPtrW(hwnd, 0));
    if (recorder)
        recorder->Add(message, wParam, lParam, "ctrl");
    return ProbeResult(message, lParam);
}

// A hidden window of the probe class, destroyed with the object.
struct Probe {
    explicit Probe(ControlsRecorder& recorder)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &ProbeProc;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kProbeClass;
        RegisterClassW(&wc);  // fails harmlessly once registered
        hwnd = CreateWindowExW(0, kProbeClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(&recorder));
    }
    ~Probe() { DestroyWindow(hwnd); }

    LONG_PTR Proc() const { return GetWindowLongPtrW(hwnd, GWLP_WNDPROC); }
    LONG_PTR UserData() const { return GetWindowLongPtrW(hwnd, GWLP_USERDATA); }

    HWND hwnd;
};

// A hidden static control: a window whose own procedure is not the probe's.
struct StaticWindow {
    StaticWindow()
        : hwnd(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~StaticWindow() { DestroyWindow(hwnd); }

    HWND hwnd;
};

using Behaviour = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, int*)>;

// A subclass whose hook logs WM_USER messages as "hook" and then runs a test's behaviour
// (by default the base class's hook).
class HookCtrl : public XSubClassCtrl {
public:
    explicit HookCtrl(ControlsRecorder& recorder) : m_recorder(recorder) {}

    LRESULT OnCtrlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override
    {
        if (message < WM_USER)
            return XSubClassCtrl::OnCtrlMessage(hwnd, message, wParam, lParam, handled);
        m_recorder.Add(message, wParam, lParam, "hook");
        if (m_behaviour)
            return m_behaviour(hwnd, message, wParam, lParam, handled);
        return XSubClassCtrl::OnCtrlMessage(hwnd, message, wParam, lParam, handled);
    }

    ControlsRecorder& m_recorder;
    Behaviour m_behaviour;
};

const LONG_PTR kSubClassProc = reinterpret_cast<LONG_PTR>(&XSubClassCtrl::SubClassProc);

} // namespace

TEST_CASE("with the default hook an attached control behaves as before")
{
    ControlsRecorder log;
    Probe probe(log);
    const LONG_PTR own = probe.Proc();
    HookCtrl object(log);
    object.Attach(probe.hwnd);
    REQUIRE(object.m_hwnd == probe.hwnd);
    CHECK(probe.UserData() == reinterpret_cast<LONG_PTR>(&object));
    CHECK(probe.Proc() == kSubClassProc);
    CHECK(reinterpret_cast<LONG_PTR>(object.m_prevProc) == own);

    // Values that use the whole width of the parameters on either target.
    const WPARAM wParam = static_cast<WPARAM>(-2);
    const LPARAM lParam = static_cast<LPARAM>(sizeof(LPARAM) == 8 ? 0x123456789LL : 0x1234567);
    CHECK(SendMessageW(probe.hwnd, WM_USER + 1, wParam, lParam) == ProbeResult(WM_USER + 1, lParam));
    const ControlsMsg expected[] = {
        {WM_USER + 1, wParam, lParam, "hook"},
        {WM_USER + 1, wParam, lParam, "ctrl"},
    };
    CONTROLS_CHECK_SEQUENCE(log, expected);

    object.Detach();
    CHECK(object.m_hwnd == nullptr);
    CHECK(reinterpret_cast<LONG_PTR>(object.m_prevProc) == own);
    CHECK(probe.UserData() == 0);
    CHECK(probe.Proc() == own);
    // A second Detach, and a Detach of an object that never attached, change nothing.
    object.Detach();
    HookCtrl never(log);
    never.Detach();
    CHECK(probe.Proc() == own);
    CHECK(never.m_hwnd == nullptr);
}

TEST_CASE("the handled flag decides whose result the window procedure returns")
{
    struct Case {
        int flag;
        bool ctrlSees;
    };
    const Case cases[] = {{1, false}, {0, true}};
    for (const Case& c : cases) {
        CAPTURE(c.flag);
        ControlsRecorder log;
        Probe probe(log);
        HookCtrl object(log);
        object.m_behaviour = [&](HWND, UINT, WPARAM, LPARAM, int* handled) -> LRESULT {
            *handled = c.flag;
            return 5;
        };
        object.Attach(probe.hwnd);
        const LRESULT result = SendMessageW(probe.hwnd, WM_USER + 2, 0, 7);
        CHECK(result == (c.ctrlSees ? ProbeResult(WM_USER + 2, 7) : 5));
        CHECK(log.Count(WM_USER + 2, "ctrl") == (c.ctrlSees ? 1u : 0u));
    }
}

TEST_CASE("re-attaching, attaching null and destroying the object each give the control back")
{
    ControlsRecorder log;
    Probe first(log);
    Probe second(log);
    const LONG_PTR own = first.Proc();

    SUBCASE("attach to a second control")
    {
        HookCtrl object(log);
        object.Attach(first.hwnd);
        object.Attach(second.hwnd);
        CHECK(object.m_hwnd == second.hwnd);
        CHECK(first.Proc() == own);
        CHECK(first.UserData() == 0);
        CHECK(second.Proc() == kSubClassProc);
        CHECK(second.UserData() == reinterpret_cast<LONG_PTR>(&object));
    }
    SUBCASE("attach null")
    {
        HookCtrl object(log);
        object.Attach(first.hwnd);
        object.Attach(nullptr);
        CHECK(object.m_hwnd == nullptr);
        CHECK(first.Proc() == own);
        CHECK(first.UserData() == 0);
    }
    SUBCASE("destroy the object")
    {
        {
            HookCtrl object(log);
            object.Attach(first.hwnd);
            REQUIRE(first.Proc() == kSubClassProc);
        }
        CHECK(first.Proc() == own);
        CHECK(first.UserData() == 0);
    }
    SUBCASE("a handle that names no window")
    {
        HookCtrl object(log);
        HWND gone = first.hwnd;
        DestroyWindow(gone);
        first.hwnd = nullptr;
        object.Attach(gone);
        CHECK(object.m_hwnd == nullptr);
    }
}

TEST_CASE("attaching to a control that is already held is refused and changes nothing")
{
    ControlsRecorder log;
    Probe control(log);
    Probe elsewhere(log);
    const LONG_PTR own = elsewhere.Proc();
    HookCtrl holder(log);

    SUBCASE("held by another object")
    {
        holder.Attach(control.hwnd);
        REQUIRE(holder.m_hwnd == control.hwnd);
    }
    SUBCASE("user data already in use")
    {
        SetWindowLongPtrW(control.hwnd, GWLP_USERDATA, 0x1234);
    }
    const LONG_PTR procBefore = control.Proc();
    const LONG_PTR dataBefore = control.UserData();

    // The newcomer was attached elsewhere: it lets go of that control first and stays detached.
    HookCtrl newcomer(log);
    newcomer.Attach(elsewhere.hwnd);
    newcomer.Attach(control.hwnd);
    CHECK(newcomer.m_hwnd == nullptr);
    CHECK(elsewhere.Proc() == own);
    CHECK(control.Proc() == procBefore);
    CHECK(control.UserData() == dataBefore);

    // A message still takes one trip through the holder's hook (if any) and the control.
    log.Clear();
    CHECK(SendMessageW(control.hwnd, WM_USER + 3, 0, 1) == ProbeResult(WM_USER + 3, 1));
    CHECK(log.Count(WM_USER + 3, "hook") == (holder.m_hwnd ? 1u : 0u));
    CHECK(log.Count(WM_USER + 3, "ctrl") == 1);
}

TEST_CASE("a hook that detaches or moves its own object still passes the message to its control")
{
    ControlsRecorder log;
    Probe control(log);
    StaticWindow other;
    const LONG_PTR own = control.Proc();
    HookCtrl object(log);
    object.Attach(control.hwnd);

    SUBCASE("detach")
    {
        object.m_behaviour = [&](HWND, UINT, WPARAM, LPARAM, int*) -> LRESULT {
            object.Detach();
            return 5;
        };
    }
    SUBCASE("attach to another control")
    {
        object.m_behaviour = [&](HWND, UINT, WPARAM, LPARAM, int*) -> LRESULT {
            object.Attach(other.hwnd);
            return 5;
        };
    }
    CHECK(SendMessageW(control.hwnd, WM_USER + 4, 3, 9) == ProbeResult(WM_USER + 4, 9));
    const ControlsMsg expected[] = {
        {WM_USER + 4, 3, 9, "hook"},
        {WM_USER + 4, 3, 9, "ctrl"},
    };
    CONTROLS_CHECK_SEQUENCE(log, expected);
    CHECK(control.Proc() == own);
    CHECK(control.UserData() == 0);
}

TEST_CASE("a hook that sends to its own control re-enters without blocking")
{
    ControlsRecorder log;
    Probe control(log);
    HookCtrl object(log);
    LRESULT nested = 0;
    object.m_behaviour = [&](HWND hwnd, UINT message, WPARAM, LPARAM, int*) -> LRESULT {
        if (message == WM_USER + 5)
            nested = SendMessageW(hwnd, WM_USER + 6, 1, 2);
        return 0;
    };
    object.Attach(control.hwnd);
    CHECK(SendMessageW(control.hwnd, WM_USER + 5, 0, 0) == ProbeResult(WM_USER + 5, 0));
    CHECK(nested == ProbeResult(WM_USER + 6, 2));
    const ControlsMsg expected[] = {
        {WM_USER + 5, 0, 0, "hook"},
        {WM_USER + 6, 1, 2, "hook"},
        {WM_USER + 6, 1, 2, "ctrl"},
        {WM_USER + 5, 0, 0, "ctrl"},
    };
    CONTROLS_CHECK_SEQUENCE(log, expected);
}

TEST_CASE("SubClassProc on a window that holds no object returns 0 and calls nothing")
{
    ControlsRecorder log;
    Probe control(log);
    const LONG_PTR own = control.Proc();
    SetWindowLongPtrW(control.hwnd, GWLP_WNDPROC, kSubClassProc);
    CHECK(SendMessageW(control.hwnd, WM_USER + 7, 0, 4) == 0);
    CHECK(log.Entries().empty());
    SetWindowLongPtrW(control.hwnd, GWLP_WNDPROC, own);
}

namespace {

// A second thread's attach, timed against a subclassed message in progress on the first.
struct AttachRace {
    HANDLE hookRunning;
    volatile LONG hookDone;
    LONG hookDoneWhenAttached;
    HWND control;
    HWND attachedTo;
    XSubClassCtrl* object;
};

DWORD WINAPI AttachOnSecondThread(void* parameter)
{
    AttachRace* race = static_cast<AttachRace*>(parameter);
    if (WaitForSingleObject(race->hookRunning, 5000) != WAIT_OBJECT_0)
        return 1;
    race->object->Attach(race->control);
    race->hookDoneWhenAttached = InterlockedCompareExchange(&race->hookDone, 0, 0);
    race->attachedTo = race->object->m_hwnd;
    race->object->Detach();
    return 0;
}

} // namespace

TEST_CASE("another thread's Attach waits until a subclassed message has been handled")
{
    ControlsRecorder log;
    Probe busy(log);
    Probe target(log);
    HookCtrl busyObject(log);
    XSubClassCtrl secondObject;

    AttachRace race = {};
    race.hookRunning = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    race.hookDoneWhenAttached = -1;
    race.control = target.hwnd;
    race.object = &secondObject;
    busyObject.m_behaviour = [&](HWND, UINT, WPARAM, LPARAM, int*) -> LRESULT {
        SetEvent(race.hookRunning);
        Sleep(300);
        InterlockedExchange(&race.hookDone, 1);
        return 0;
    };
    busyObject.Attach(busy.hwnd);

    HANDLE thread = CreateThread(nullptr, 0, &AttachOnSecondThread, &race, 0, nullptr);
    REQUIRE(thread != nullptr);
    SendMessageW(busy.hwnd, WM_USER + 8, 0, 0);
    CHECK(PumpMessagesUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 5000));
    CloseHandle(thread);
    CloseHandle(race.hookRunning);

    CHECK(race.attachedTo == target.hwnd);
    CHECK(race.hookDoneWhenAttached == 1);
}
