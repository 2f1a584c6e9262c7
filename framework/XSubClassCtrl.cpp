#include "framework/XSubClassCtrl.h"

#include "foundation/XMutexLock.h"
#include "services/XProcessObjects.h"

XSubClassCtrl::XSubClassCtrl() : m_prevProc(nullptr), m_hwnd(nullptr) {}

XSubClassCtrl::~XSubClassCtrl()
{
    Detach();
}

LRESULT XSubClassCtrl::OnCtrlMessage(HWND, UINT, WPARAM, LPARAM, int*)
{
    return 0;
}

void XSubClassCtrl::Attach(HWND control)
{
    Detach();
    if (!control)
        return;
    XMutexLock lock(subClassLock);
    // The user-data slot is the only link from a control to its object. A value there means
    // another object holds the control, perhaps beneath a later subclass: saving that chain as
    // our previous procedure would make the control call itself without end.
    const WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
    if (current == &XSubClassCtrl::SubClassProc || GetWindowLongPtrW(control, GWLP_USERDATA) != 0)
        return;
    m_hwnd = control;
    // User data first: the new procedure may see a message as soon as it is installed.
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_prevProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&XSubClassCtrl::SubClassProc)));
    if (!m_prevProc) {
        SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        m_hwnd = nullptr;
    }
}

void XSubClassCtrl::Detach()
{
    if (!m_hwnd)
        return;
    XMutexLock lock(subClassLock);
    // A control destroyed while attached leaves a stale handle that may since name another
    // window; only a window that still points at this object is given its procedure back.
    if (GetWindowLongPtrW(m_hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
    }
    m_hwnd = nullptr;
}

LRESULT CALLBACK XSubClassCtrl::SubClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    // Held across the hook and the control's own procedure; nested sends on this thread re-enter.
    XMutexLock lock(subClassLock);
    XSubClassCtrl* object = reinterpret_cast<XSubClassCtrl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!object || !object->m_prevProc)
        return 0;
    // Taken before the hook runs: a hook may detach its object, attach it to another control or
    // delete it, and the message must still reach this control's own procedure.
    const WNDPROC prevProc = object->m_prevProc;
    int handled = 0;
    LRESULT result = object->OnCtrlMessage(hwnd, message, wParam, lParam, &handled);
    if (!handled)
        result = CallWindowProcW(prevProc, hwnd, message, wParam, lParam);
    return result;
}
