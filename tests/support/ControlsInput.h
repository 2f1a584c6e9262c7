// Message pumping and real mouse input for tests that press on windows the way a user does:
// the cursor really placed with SetCursorPos and the buttons sent with SendInput.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches this thread's messages for `ms` milliseconds.
void ControlsPump(DWORD ms);
// Dispatches messages until `done` holds or `timeoutMs` has passed; returns `done`'s last value.
bool ControlsPumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Moves the real cursor to `client` of `window`; false when it did not get there.
bool ControlsPlaceCursor(HWND window, POINT client);
// Places the cursor, then sends `presses` left-button presses (down and up) as one burst of
// real input, and dispatches messages until they have been handled. A press is never taken for
// the second half of a double click of an earlier call: the double-click time is waited out.
bool ControlsPress(HWND window, POINT client, int presses = 1);
// Left button down at `from`, a move to `to` with the button held, and up there.
bool ControlsDrag(HWND window, POINT from, POINT to);
// Sends one real mouse event (MOUSEEVENTF_*) at screen point `screen` (moving there first
// when MOUSEEVENTF_MOVE is in flags). Safe from any thread.
void ControlsSendMouse(DWORD flags, POINT screen);
