#include "support/TestInput.h"

#include <iterator>
#include <vector>

namespace {

// The platform pairs two presses into a double click by their distance in time; this is the
// tick of the last press sent, so the next one can wait that pairing out.
DWORD& LastPressTick()
{
    static DWORD tick = 0;
    return tick;
}

void WaitOutDoubleClick()
{
    const DWORD quiet = GetDoubleClickTime() + 50;
    const DWORD since = GetTickCount() - LastPressTick();
    if (LastPressTick() != 0 && since < quiet)
        PumpMessages(quiet - since);
}

// Holds back a WM_QUIT that a pump takes from the queue and posts it again when the pump ends.
class QuitKeeper {
public:
    QuitKeeper() = default;
    ~QuitKeeper()
    {
        if (m_seen)
            PostQuitMessage(m_code);
    }
    QuitKeeper(const QuitKeeper&) = delete;
    QuitKeeper& operator=(const QuitKeeper&) = delete;

    // Dispatches every message in the queue now.
    void DispatchQueued()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                m_seen = true;
                m_code = static_cast<int>(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

private:
    bool m_seen = false;
    int m_code = 0;
};

INPUT MouseInput(DWORD flags, POINT screen, DWORD data)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.mouseData = data;
    if (flags & MOUSEEVENTF_MOVE) {
        // Absolute coordinates are 0..65535 across the primary screen; rounding up lands on
        // the pixel itself rather than the one before it.
        const LONG width = GetSystemMetrics(SM_CXSCREEN);
        const LONG height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
        input.mi.dx = (screen.x * 65536 + width - 1) / width;
        input.mi.dy = (screen.y * 65536 + height - 1) / height;
    }
    return input;
}

INPUT KeyInput(WORD key, bool up)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void Send(std::vector<INPUT>& inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

} // namespace

void PumpMessages(DWORD ms)
{
    QuitKeeper quit;
    const DWORD start = GetTickCount();
    for (;;) {
        quit.DispatchQueued();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return done();
        PumpMessages(10);
    }
    return true;
}

bool PlaceCursor(HWND window, POINT client)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    PumpMessages(20);
    POINT now = {};
    GetCursorPos(&now);
    return now.x == screen.x && now.y == screen.y;
}

bool ClickInWindow(HWND window, POINT client, int presses)
{
    WaitOutDoubleClick();
    if (!PlaceCursor(window, client))
        return false;
    std::vector<INPUT> inputs;
    for (int i = 0; i < presses && i < 4; ++i) {
        inputs.push_back(MouseInput(MOUSEEVENTF_LEFTDOWN, POINT{}, 0));
        inputs.push_back(MouseInput(MOUSEEVENTF_LEFTUP, POINT{}, 0));
    }
    Send(inputs);
    LastPressTick() = GetTickCount();
    PumpMessages(150);
    return true;
}

bool DragInWindow(HWND window, POINT from, POINT to)
{
    WaitOutDoubleClick();
    if (!PlaceCursor(window, from))
        return false;
    POINT target = to;
    ClientToScreen(window, &target);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    PumpMessages(50);
    SendMouse(MOUSEEVENTF_MOVE, target);
    PumpMessages(50);
    SendMouse(MOUSEEVENTF_LEFTUP);
    LastPressTick() = GetTickCount();
    PumpMessages(150);
    return true;
}

void ClickAtScreen(POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    SendButton(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

void SendMouse(DWORD flags, POINT screen, DWORD data)
{
    INPUT input = MouseInput(flags, screen, data);
    SendInput(1, &input, sizeof(INPUT));
}

void SendButton(DWORD down, DWORD up)
{
    std::vector<INPUT> inputs = {MouseInput(down, POINT{}, 0), MouseInput(up, POINT{}, 0)};
    Send(inputs);
}

void TapKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        inputs.push_back(KeyInput(key, false));
        inputs.push_back(KeyInput(key, true));
    }
    Send(inputs);
}

void PressChord(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys)
        inputs.push_back(KeyInput(key, false));
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        inputs.push_back(KeyInput(*it, true));
    Send(inputs);
}
