// TestInput drives windows the way a user does and lets their messages run: this thread's message
// pump, the real cursor placed with SetCursorPos, and mouse and key input sent with SendInput.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>

// Dispatches this thread's messages for `ms` milliseconds. A WM_QUIT met on the way is put back
// when the pump returns, for the loop it was meant for.
void PumpMessages(DWORD ms);
// Dispatches messages until `done` holds or `timeoutMs` has passed; returns `done`'s last value.
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Moves the real cursor to `client` of `window` and lets that be handled; false when it did not
// get there.
bool PlaceCursor(HWND window, POINT client);
// Places the cursor, then sends `presses` left-button presses (down and up) as one burst of
// real input, and dispatches messages until they have been handled. A press is never taken for
// the second half of a double click of an earlier call: the double-click time is waited out.
bool ClickInWindow(HWND window, POINT client, int presses = 1);
// Left button down at `from`, a move to `to` with the button held, and up there; waits out the
// double-click time first, as ClickInWindow does.
bool DragInWindow(HWND window, POINT from, POINT to);

// The calls below only send input and return at once; whoever pumps messages next (often the
// modal loop a test step runs in) handles it.

// Places the cursor on `screen` and sends one left press and release.
void ClickAtScreen(POINT screen);
// Sends one real mouse event (MOUSEEVENTF_*) at the cursor, or at screen point `screen` when
// MOUSEEVENTF_MOVE is in flags; `data` is the wheel delta. Safe from any thread.
void SendMouse(DWORD flags, POINT screen = POINT{}, DWORD data = 0);
// Sends one button's press and release (a MOUSEEVENTF_*DOWN, *UP pair) as one burst.
void SendButton(DWORD down, DWORD up);
// Presses and releases each key in turn, as one burst.
void TapKeys(std::initializer_list<WORD> keys);
// Presses the keys in order and releases them in reverse, as one burst: a chord such as Alt+F4.
void PressChord(std::initializer_list<WORD> keys);
