#include "support/ControlsSpy.h"

namespace {
const wchar_t kSpyProp[] = L"ControlsSpy";
}

ControlsSpy::ControlsSpy(HWND window, ControlsRecorder& recorder)
    : m_window(window), m_original(nullptr), m_recorder(recorder)
{
    SetPropW(window, kSpyProp, this);
    m_original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlsSpy::Proc)));
}

ControlsSpy::~ControlsSpy()
{
    if (IsWindow(m_window) && GetWindowLongPtrW(m_window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Proc)) {
        SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
        RemovePropW(m_window, kSpyProp);
    }
}

LRESULT CALLBACK ControlsSpy::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ControlsSpy* spy = static_cast<ControlsSpy*>(GetPropW(hwnd, kSpyProp));
    if (!spy)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    spy->m_recorder.Add(message, wParam, lParam, "ctrl");
    const WNDPROC original = spy->m_original;
    if (message == WM_NCDESTROY)
        RemovePropW(hwnd, kSpyProp);
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
}
