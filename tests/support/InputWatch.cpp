#include "support/InputWatch.h"

InputWatch::InputWatch(HWND timerWindow, UINT_PTR timerId)
    : window(timerWindow), id(timerId), m_hook(SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId()))
{
    Current() = this;
}

InputWatch::~InputWatch()
{
    UnhookWindowsHookEx(m_hook);
    Current() = nullptr;
}

InputWatch*& InputWatch::Current()
{
    static thread_local InputWatch* current = nullptr;
    return current;
}

LRESULT CALLBACK InputWatch::Hook(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    InputWatch* self = Current();
    if (code == HC_ACTION && wParam == PM_REMOVE && self) {
        if (msg->message == WM_TIMER && msg->hwnd == self->window && msg->wParam == self->id)
            ++self->ticks;
        else if (msg->message == WM_LBUTTONUP || msg->message == WM_RBUTTONUP || msg->message == WM_KEYUP ||
                 msg->message == WM_MOUSEWHEEL)
            ++self->inputEnds;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
