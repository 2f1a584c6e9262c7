// SoakDriver runs a test's step inside the modal loop of the job dialog that MyDlg runs from its
// constructor, on the dialog's own thread, until the step says it is done.
#pragma once

#include <windows.h>

#include <functional>

// End code with which the safety timer ends a dialog that a test failed to end.
const INT_PTR kSoakSafetyCode = 0x5AFE;

// A message-only window's timer looks for this thread's visible job dialog every `periodMs` and,
// once it is up, calls the step with it each period until the step returns false. A step may
// pump messages itself; the driver does not call it again while it runs. After `safetyMs` a
// dialog that is still open is ended with kSoakSafetyCode.
class SoakDriver {
public:
    SoakDriver(std::function<bool(HWND dialog)> step, DWORD periodMs, DWORD safetyMs);
    ~SoakDriver();
    SoakDriver(const SoakDriver&) = delete;
    SoakDriver& operator=(const SoakDriver&) = delete;

    // Runs the real job dialog (MyDlg) with this driver and returns its end code. The quit
    // message that MyDlg posts when it ends is taken off the queue again, so that later dialogs
    // of the same test program are not ended by it.
    INT_PTR RunJobDialog();

    bool Finished() const { return m_finished; }
    bool SafetyFired() const { return m_safetyFired; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Tick();
    void EndBySafety();

    std::function<bool(HWND)> m_step;
    HWND m_window = nullptr;
    HWND m_dialog = nullptr;
    bool m_inStep = false;
    bool m_finished = false;
    bool m_safetyFired = false;
};
