#include "support/ControlsInput.h"

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
        ControlsPump(quiet - since);
}

INPUT MouseInput(DWORD flags, POINT screen)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
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

} // namespace

void ControlsPump(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

bool ControlsPumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return done();
        ControlsPump(10);
    }
    return true;
}

bool ControlsPlaceCursor(HWND window, POINT client)
{
    POINT screen = client;
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    ControlsPump(20);
    POINT now = {};
    GetCursorPos(&now);
    return now.x == screen.x && now.y == screen.y;
}

void ControlsSendMouse(DWORD flags, POINT screen)
{
    INPUT input = MouseInput(flags, screen);
    SendInput(1, &input, sizeof(INPUT));
}

bool ControlsPress(HWND window, POINT client, int presses)
{
    WaitOutDoubleClick();
    if (!ControlsPlaceCursor(window, client))
        return false;
    INPUT inputs[8] = {};
    int count = 0;
    for (int i = 0; i < presses && count + 2 <= 8; ++i) {
        inputs[count++] = MouseInput(MOUSEEVENTF_LEFTDOWN, POINT{});
        inputs[count++] = MouseInput(MOUSEEVENTF_LEFTUP, POINT{});
    }
    SendInput(static_cast<UINT>(count), inputs, sizeof(INPUT));
    LastPressTick() = GetTickCount();
    ControlsPump(150);
    return true;
}

bool ControlsDrag(HWND window, POINT from, POINT to)
{
    WaitOutDoubleClick();
    if (!ControlsPlaceCursor(window, from))
        return false;
    POINT target = to;
    ClientToScreen(window, &target);
    ControlsSendMouse(MOUSEEVENTF_LEFTDOWN, POINT{});
    ControlsPump(50);
    ControlsSendMouse(MOUSEEVENTF_MOVE, target);
    ControlsPump(50);
    ControlsSendMouse(MOUSEEVENTF_LEFTUP, POINT{});
    LastPressTick() = GetTickCount();
    ControlsPump(150);
    return true;
}
