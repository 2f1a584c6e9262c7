// ControlsListHost owns a shown test dialog with a report list and a push button, and logs the
// notifications that the list sends to it.
#pragma once

#include <windows.h>

#include "support/ControlsRecorder.h"

// The dialog is placed at a fixed spot of the screen, brought to the front with the keyboard
// focus on the push button, and destroyed with the host.
class ControlsListHost {
public:
    ControlsListHost();
    ~ControlsListHost();
    ControlsListHost(const ControlsListHost&) = delete;
    ControlsListHost& operator=(const ControlsListHost&) = delete;

    HWND Dialog() const { return m_dialog; }
    HWND List() const { return m_list; }
    HWND Other() const { return m_other; }

    // The list's WM_NOTIFY messages as {WM_NOTIFY, code, item, "parent"}; item is the row of
    // list-view notifications that carry one, else 0. Drawing notifications (custom draw, item texts) are left out.
    ControlsRecorder m_notes;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_dialog;
    HWND m_list;
    HWND m_other;
};
