// The base class of every window object: finds itself again from its handle through the
// live-window registry and turns each window message into one virtual handler call.
#pragma once

#include <windows.h>

#include "foundation/XMutex.h"
#include "foundation/XString.h"
#include "framework/XTimerList.h"

// Passed to Move as x or y: keeps the window's current left or top edge.
const int XWND_KEEP = -12345;

class XWindow {
public:
    XWindow();
    XWindow(const XWindow&) = delete;
    XWindow& operator=(const XWindow&) = delete;

    // Virtual operations, in slot order. A handler left at its default asks for the platform's
    // default processing by clearing m_handled (those marked "claims" leave it set).
    virtual ~XWindow();
    virtual void OnActivate(HWND other, UINT minimized, UINT state);
    virtual void OnClose();
    virtual void OnContextMenu(HWND window, UINT x, UINT y);
    virtual void OnCommand(UINT id, HWND control, UINT code);              // claims
    virtual void OnInitDialog();
    virtual void OnDestroy();
    virtual void OnDeactivate(HWND other, UINT minimized);
    virtual void OnDrawItem(HWND item, UINT controlId, DRAWITEMSTRUCT* draw);
    virtual void OnEraseBackground(HDC dc);
    virtual void OnHide(UINT status);
    virtual void OnKeyDown(UINT key, LPARAM keyData);
    virtual void OnKeyUp(UINT key, LPARAM keyData);
    virtual void OnChar(UINT code);
    virtual void OnMouseDown(int x, int y, UINT message, UINT keys);
    virtual void OnMouseUp(int x, int y, UINT message, UINT keys);
    virtual void OnMouseMove(int x, int y, UINT keys);
    virtual void OnMouseWheel(int x, int y, int delta, UINT keys);
    virtual void OnMove(int x, int y);
    virtual LRESULT OnNotify(NMHDR* header);
    virtual void OnPaint();
    virtual void OnShow(UINT status);
    virtual void OnSize(UINT width, UINT height, UINT type);
    virtual void OnSysCommand(UINT command);                                // claims
    virtual void OnTimer(UINT id, UINT value);
    virtual HBRUSH OnCtlColorStatic();
    virtual HBRUSH OnCtlColorDlg();
    virtual LRESULT PreDispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled);
    virtual void OnOK();                                                    // claims
    virtual void OnCancel();                                                // claims
    virtual void OnAbort();                                                 // claims
    virtual void OnCloseButton();                                           // claims
    virtual void OnHelp();                                                  // claims
    virtual void OnIgnore();                                                // claims
    virtual void OnNo();                                                    // claims
    virtual void OnRetry();                                                 // claims
    virtual void OnYes();                                                   // claims

    // Runs dialog template `id` modally with this object as its window; returns the end code.
    INT_PTR DoModal(int id);
    // Hides and destroys the window, stops its timers and leaves the registry; any number of times.
    void Destroy();
    void Center();
    void Move(int x, int y);

    // Timers of this window; ids start at 1 above the largest running one.
    UINT StartTimer(UINT intervalMs);
    void RouteTimer(WPARAM id);
    void StopAllTimers();

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    static XWindow* FromHandle(HWND hwnd);
    void Register(HWND hwnd, bool isDialog);
    LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    int m_handled;          // the dispatched message's handled flag; a dialog procedure returns it
    HWND m_hwnd;            // null until registration and after Destroy
    bool m_isDialog;        // decides how a dispatch hands its result back
    HCURSOR m_cursor;       // owned
    HICON m_icon;           // owned
    HICON m_icon2;          // owned
    XString m_className;    // a window class that belongs to the window; unregistered by Destroy
    XTimerList m_timers;    // guarded by m_lock
    XMutex m_lock;

private:
    void CallCommandIdHandler(UINT id);
};
