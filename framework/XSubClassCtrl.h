// XSubClassCtrl routes every message of an existing control window through an object's hook
// before the control's own window procedure sees it.
#pragma once

#include <windows.h>

// While attached, the control's user-data slot holds the object's address and its window
// procedure is SubClassProc. All attaching, detaching and subclassed messages of the process are
// serialised by subClassLock, which the owning thread may take again (hooks re-enter it).
class XSubClassCtrl {
public:
    XSubClassCtrl();
    XSubClassCtrl(const XSubClassCtrl&) = delete;
    XSubClassCtrl& operator=(const XSubClassCtrl&) = delete;

    virtual ~XSubClassCtrl();
    // The hook: *handled arrives cleared; setting it takes the message over and makes this result
    // the window procedure's. Left at 0, the message goes on to the control's own procedure.
    virtual LRESULT OnCtrlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled);

    // Success shows as a non-null m_hwnd afterwards. A control whose user data is already in use
    // (another object holds it) is refused and left untouched.
    void Attach(HWND control);
    void Detach();

    static LRESULT CALLBACK SubClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    WNDPROC m_prevProc;     // the control's procedure before Attach; kept after Detach
    HWND m_hwnd;            // the attached control; null while detached
};
