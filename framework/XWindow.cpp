#include "framework/XWindow.h"

#include "foundation/XMutexLock.h"
#include "services/XProcessObjects.h"

namespace {

// Sign- or zero-extended halves of a message parameter.
inline int SignedLow(LPARAM v) { return static_cast<short>(LOWORD(v)); }
inline int SignedHigh(LPARAM v) { return static_cast<short>(HIWORD(v)); }
inline UINT UnsignedLow(LPARAM v) { return LOWORD(v); }
inline UINT UnsignedHigh(LPARAM v) { return HIWORD(v); }

// SetWindowPos flags that move without touching the z-order or activation.
const UINT kMoveFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

} // namespace

XWindow::XWindow()
    : m_handled(0), m_hwnd(nullptr), m_isDialog(false),
      m_cursor(nullptr), m_icon(nullptr), m_icon2(nullptr)
{
}

XWindow::~XWindow()
{
    Destroy();
    if (m_cursor) { DestroyCursor(m_cursor); m_cursor = nullptr; }
    if (m_icon) { DestroyIcon(m_icon); m_icon = nullptr; }
    if (m_icon2) { DestroyIcon(m_icon2); m_icon2 = nullptr; }
}

// Defaults: "clears" asks for default processing, an empty body claims the message.
void XWindow::OnActivate(HWND, UINT, UINT) { m_handled = 0; }
void XWindow::OnClose() { m_handled = 0; }
void XWindow::OnContextMenu(HWND, UINT, UINT) { m_handled = 0; }
void XWindow::OnCommand(UINT, HWND, UINT) {}
void XWindow::OnInitDialog() { m_handled = 0; }
void XWindow::OnDestroy() { m_handled = 0; }
void XWindow::OnDeactivate(HWND, UINT) { m_handled = 0; }
void XWindow::OnDrawItem(HWND, UINT, DRAWITEMSTRUCT*) { m_handled = 0; }
void XWindow::OnEraseBackground(HDC) { m_handled = 0; }
void XWindow::OnHide(UINT) { m_handled = 0; }
void XWindow::OnKeyDown(UINT, LPARAM) { m_handled = 0; }
void XWindow::OnKeyUp(UINT, LPARAM) { m_handled = 0; }
void XWindow::OnChar(UINT) { m_handled = 0; }
void XWindow::OnMouseDown(int, int, UINT, UINT) { m_handled = 0; }
void XWindow::OnMouseUp(int, int, UINT, UINT) { m_handled = 0; }
void XWindow::OnMouseMove(int, int, UINT) { m_handled = 0; }
void XWindow::OnMouseWheel(int, int, int, UINT) { m_handled = 0; }
void XWindow::OnMove(int, int) { m_handled = 0; }
LRESULT XWindow::OnNotify(NMHDR*) { m_handled = 0; return 0; }
void XWindow::OnPaint() { m_handled = 0; }
void XWindow::OnShow(UINT) { m_handled = 0; }
void XWindow::OnSize(UINT, UINT, UINT) { m_handled = 0; }
void XWindow::OnSysCommand(UINT) {}
void XWindow::OnTimer(UINT, UINT) { m_handled = 0; }
HBRUSH XWindow::OnCtlColorStatic() { m_handled = 0; return nullptr; }
HBRUSH XWindow::OnCtlColorDlg() { m_handled = 0; return nullptr; }
LRESULT XWindow::PreDispatch(HWND, UINT, WPARAM, LPARAM, int*) { return 0; }
void XWindow::OnOK() {}
void XWindow::OnCancel() {}
void XWindow::OnAbort() {}
void XWindow::OnCloseButton() {}
void XWindow::OnHelp() {}
void XWindow::OnIgnore() {}
void XWindow::OnNo() {}
void XWindow::OnRetry() {}
void XWindow::OnYes() {}

INT_PTR XWindow::DoModal(int id)
{
    Destroy();
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr,
                           &XWindow::DialogProc, reinterpret_cast<LPARAM>(this));
}

void XWindow::Register(HWND hwnd, bool isDialog)
{
    m_hwnd = hwnd;
    m_isDialog = isDialog;
    XMutexLock lock(liveWindowsLock);
    liveWindows.Add(this);
}

XWindow* XWindow::FromHandle(HWND hwnd)
{
    XMutexLock lock(liveWindowsLock);
    for (int i = 0; i < liveWindows.GetCount(); ++i) {
        XWindow* window = static_cast<XWindow*>(liveWindows.GetAt(i));
        if (window->m_hwnd == hwnd)
            return window;
    }
    return nullptr;
}

// noexcept: an allocation failure inside a dispatch ends the process here instead of unwinding
// through the platform's frames.
INT_PTR CALLBACK XWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    // A dialog created through this procedure without an object (null initialisation
    // parameter) stays unregistered instead of writing through a null pointer.
    if (message == WM_INITDIALOG && lParam)
        reinterpret_cast<XWindow*>(lParam)->Register(hwnd, true);
    XWindow* window = FromHandle(hwnd);
    if (!window)
        return FALSE;
    return window->Dispatch(hwnd, message, wParam, lParam);
}

void XWindow::CallCommandIdHandler(UINT id)
{
    switch (id) {
    case IDOK:     OnOK(); break;
    case IDCANCEL: OnCancel(); break;
    case IDABORT:  OnAbort(); break;
    case IDRETRY:  OnRetry(); break;
    case IDIGNORE: OnIgnore(); break;
    case IDYES:    OnYes(); break;
    case IDNO:     OnNo(); break;
    case IDCLOSE:  OnCloseButton(); break;
    case IDHELP:   OnHelp(); break;
    }
}

LRESULT XWindow::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    m_handled = 0;
    if (!m_hwnd)
        return 0;

    const LRESULT pre = PreDispatch(hwnd, message, wParam, lParam, &m_handled);
    if (m_handled) {
        if (!m_isDialog)
            return pre;
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, pre);
        return m_handled;
    }

    LRESULT result = 0;
    m_handled = 1;
    switch (message) {
    case WM_CREATE:
    case WM_INITDIALOG:     OnInitDialog(); m_handled = 1; break;
    case WM_DESTROY:        OnDestroy(); break;
    case WM_MOVE:           OnMove(SignedLow(lParam), SignedHigh(lParam)); break;
    case WM_SIZE:           OnSize(UnsignedLow(lParam), UnsignedHigh(lParam), static_cast<UINT>(wParam)); break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            OnDeactivate(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        else
            OnActivate(reinterpret_cast<HWND>(lParam), HIWORD(wParam), LOWORD(wParam));
        break;
    case WM_PAINT:          OnPaint(); m_handled = 0; break;
    case WM_CLOSE:          OnClose(); break;
    case WM_ERASEBKGND:     OnEraseBackground(reinterpret_cast<HDC>(wParam)); result = m_handled ? 1 : 0; break;
    case WM_SHOWWINDOW:
        if (wParam)
            OnShow(static_cast<UINT>(lParam));
        else
            OnHide(static_cast<UINT>(lParam));
        break;
    case WM_DRAWITEM: {
        // The platform always sends the structure; a null one (only code inside this process
        // can send that) reaches the handler as null instead of being read.
        DRAWITEMSTRUCT* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        OnDrawItem(draw ? draw->hwndItem : nullptr, draw ? draw->CtlID : 0, draw);
        break;
    }
    case WM_NOTIFY:         result = OnNotify(reinterpret_cast<NMHDR*>(lParam)); break;
    case WM_CONTEXTMENU:    OnContextMenu(reinterpret_cast<HWND>(wParam), UnsignedLow(lParam), UnsignedHigh(lParam)); break;
    case WM_KEYDOWN:        OnKeyDown(static_cast<UINT>(wParam), lParam); break;
    case WM_KEYUP:          OnKeyUp(static_cast<UINT>(wParam), lParam); break;
    case WM_CHAR:           OnChar(static_cast<UINT>(wParam)); break;
    case WM_COMMAND:
        // Only a button click or menu command (code 0) reaches the id handlers; an accelerator
        // (code 1) and control notifications reach OnCommand alone.
        if (HIWORD(wParam) == 0 && LOWORD(wParam) >= 1 && LOWORD(wParam) <= 9)
            CallCommandIdHandler(LOWORD(wParam));
        OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        break;
    case WM_SYSCOMMAND:     OnSysCommand(static_cast<UINT>(wParam & 0xFFF0)); m_handled = 0; break;
    case WM_TIMER:          RouteTimer(wParam); break;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
        // The one pair of messages whose value a dialog procedure returns directly.
        HBRUSH brush = message == WM_CTLCOLORDLG ? OnCtlColorDlg() : OnCtlColorStatic();
        if (m_handled)
            return reinterpret_cast<LRESULT>(brush);
        break;
    }
    case WM_MOUSEMOVE:      OnMouseMove(SignedLow(lParam), SignedHigh(lParam), static_cast<UINT>(wParam)); break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:    OnMouseDown(SignedLow(lParam), SignedHigh(lParam), message, static_cast<UINT>(wParam)); break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:      OnMouseUp(SignedLow(lParam), SignedHigh(lParam), message, static_cast<UINT>(wParam)); break;
    case WM_MOUSEWHEEL:
        OnMouseWheel(SignedLow(lParam), SignedHigh(lParam), static_cast<short>(HIWORD(wParam)), LOWORD(wParam));
        break;
    default:                m_handled = 0; break;
    }

    if (m_isDialog) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return m_handled;
    }
    return m_handled ? result : DefWindowProcW(hwnd, message, wParam, lParam);
}

void XWindow::Destroy()
{
    if (m_hwnd) {
        ShowWindow(m_hwnd, SW_HIDE);
        StopAllTimers();
        DestroyWindow(m_hwnd);
    }
    if (!m_className.IsEmpty()) {
        UnregisterClassW(m_className.GetText(), GetModuleHandleW(nullptr));
        m_className = L"";
    }
    {
        XMutexLock lock(liveWindowsLock);
        for (int i = 0; i < liveWindows.GetCount(); ++i) {
            if (liveWindows.GetAt(i) == this) {
                liveWindows.RemoveAt(i);
                break;
            }
        }
    }
    m_hwnd = nullptr;
}

void XWindow::Center()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    RECT own = {};
    if (!m_hwnd || !GetWindowRect(m_hwnd, &own))
        own = RECT{};
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    Move(desktop.right / 2 - width / 2, desktop.bottom / 2 - height / 2);
}

void XWindow::Move(int x, int y)
{
    if (!m_hwnd)
        return;
    RECT rect = {};
    if (!GetWindowRect(m_hwnd, &rect))
        rect = RECT{};
    if (x == XWND_KEEP)
        x = rect.left;
    if (y == XWND_KEEP)
        y = rect.top;
    SetWindowPos(m_hwnd, nullptr, x, y, rect.right - rect.left, rect.bottom - rect.top, kMoveFlags);
}

UINT XWindow::StartTimer(UINT intervalMs)
{
    if (!m_hwnd)
        return 0;
    XMutexLock lock(m_lock);
    UINT largest = 0;
    for (int i = 0; i < m_timers.GetCount(); ++i) {
        m_timers.m_current = m_timers.GetAt(i);
        if (m_timers.m_current->m_id > largest)
            largest = m_timers.m_current->m_id;
    }
    const UINT id = static_cast<UINT>(SetTimer(m_hwnd, largest + 1, intervalMs, nullptr));
    if (id) {
        XTimerRecord* record = m_timers.AddRecord();
        record->m_value = 0;
        record->m_id = id;
    }
    return id;
}

void XWindow::RouteTimer(WPARAM id)
{
    XMutexLock lock(m_lock);
    for (int i = 0; i < m_timers.GetCount(); ++i) {
        m_timers.m_current = m_timers.GetAt(i);
        if (m_timers.m_current->m_id == id) {
            // OnTimer runs under m_lock; the mutex lets this thread take it again to start timers.
            OnTimer(m_timers.m_current->m_id, m_timers.m_current->m_value);
            break;
        }
    }
}

void XWindow::StopAllTimers()
{
    XMutexLock lock(m_lock);
    for (int i = 0; i < m_timers.GetCount(); ++i) {
        m_timers.m_current = m_timers.GetAt(i);
        KillTimer(m_hwnd, m_timers.m_current->m_id);
    }
    m_timers.Clear();
}
