// InputWatch counts, as this thread takes them from its queue, the ticks of one timer of one
// window and the ends of input actions (button and key releases, wheel turns), so that a test can
// wait until its input has been handled or see that a timer still runs.
#pragma once

#include <windows.h>

// Hook procedures get no context: the thread's one watch is found through a thread-local pointer
// that lives as long as the watch. `window` and `id` may be set once the timer is known.
class InputWatch {
public:
    explicit InputWatch(HWND timerWindow = nullptr, UINT_PTR timerId = 0);
    ~InputWatch();
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    HWND window;
    UINT_PTR id;
    int ticks = 0;
    int inputEnds = 0;

private:
    static InputWatch*& Current();
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) noexcept;

    HHOOK m_hook;
};
