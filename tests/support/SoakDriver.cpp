#include "support/SoakDriver.h"

#include <cwchar>
#include <utility>

#include "app/MyDlg.h"

namespace {

const UINT_PTR kTickTimer = 1;
const UINT_PTR kSafetyTimer = 2;

BOOL CALLBACK MatchJobDialog(HWND hwnd, LPARAM param)
{
    wchar_t className[16] = {};
    wchar_t caption[16] = {};
    GetClassNameW(hwnd, className, 16);
    GetWindowTextW(hwnd, caption, 16);
    if (IsWindowVisible(hwnd) && std::wcscmp(className, L"#32770") == 0 && std::wcscmp(caption, L"Dialog") == 0) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// This thread's visible job dialog (class #32770, caption "Dialog"), or null.
HWND FindJobDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &MatchJobDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

SoakDriver::SoakDriver(std::function<bool(HWND)> step, DWORD periodMs, DWORD safetyMs) : m_step(std::move(step))
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &SoakDriver::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SoakDriver";
    RegisterClassW(&wc);
    m_window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(m_window, kTickTimer, periodMs, nullptr);
    SetTimer(m_window, kSafetyTimer, safetyMs, nullptr);
}

SoakDriver::~SoakDriver()
{
    DestroyWindow(m_window);
}

INT_PTR SoakDriver::RunJobDialog()
{
    INT_PTR code = -1;
    {
        MyDlg dialog(&code);
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return code;
}

LRESULT CALLBACK SoakDriver::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    SoakDriver* self = reinterpret_cast<SoakDriver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == WM_TIMER) {
        if (wParam == kTickTimer)
            self->Tick();
        else if (wParam == kSafetyTimer)
            self->EndBySafety();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void SoakDriver::Tick()
{
    if (m_inStep || m_finished)
        return;
    if (!m_dialog)
        m_dialog = FindJobDialog();
    if (!m_dialog)
        return;
    m_inStep = true;
    // A failed check inside the step must not unwind through the platform's modal loop.
    bool more = false;
    try {
        more = m_step(m_dialog);
    } catch (...) {
        more = false;
    }
    m_inStep = false;
    if (!more) {
        m_finished = true;
        KillTimer(m_window, kTickTimer);
    }
}

void SoakDriver::EndBySafety()
{
    KillTimer(m_window, kSafetyTimer);
    if (HWND open = FindJobDialog()) {
        m_safetyFired = true;
        EndDialog(open, kSoakSafetyCode);
    }
}
