// ControlsSpy records the messages that reach a window's own procedure, by wrapping that
// procedure before anything else subclasses the window.
#pragma once

#include <windows.h>

#include "support/ControlsRecorder.h"

// Logs each message under the handler name "ctrl" and passes it on unchanged. Must be created
// before, and destroyed after, any subclass installed above it.
class ControlsSpy {
public:
    ControlsSpy(HWND window, ControlsRecorder& recorder);
    ~ControlsSpy();
    ControlsSpy(const ControlsSpy&) = delete;
    ControlsSpy& operator=(const ControlsSpy&) = delete;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window;
    WNDPROC m_original;
    ControlsRecorder& m_recorder;
};
