#include "services/XWorkerControl.h"

XWorkerControl::XWorkerControl()
    : m_stopEvent(nullptr), m_eventExisted(0), m_thread(nullptr), m_timeLimitMs(0), m_suspended(0)
{
    SetLastError(0);
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_eventExisted = GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

XWorkerControl::~XWorkerControl()
{
    if (m_thread != nullptr) {
        Stop(true);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_stopEvent != nullptr) {
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
}

void XWorkerControl::Stop(bool wait)
{
    if (m_thread == nullptr)
        return;
    if (m_suspended) {
        ResumeThread(m_thread);
        m_suspended = 0;
    }
    if (m_stopEvent != nullptr)
        SetEvent(m_stopEvent);
    if (!wait)
        return;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD result = WaitForSingleObject(m_thread, 25);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            return;
        // Unsigned difference: correct across the tick counter's wrap-around.
        if (m_timeLimitMs != 0 && GetTickCount() - start > m_timeLimitMs) {
            SuspendThread(m_thread);
            m_suspended = 1;
            return;
        }
    }
}
