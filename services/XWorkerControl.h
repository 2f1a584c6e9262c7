// XWorkerControl manages a worker thread's stop event and the thread's handle, and stops the
// thread: it signals the event, then waits for the thread or suspends it after a time limit.
#pragma once

#include <windows.h>
#include <cstdint>

class XWorkerControl {
public:
    // Creates the stop event (manual reset, not signalled); no thread yet.
    XWorkerControl();
    // Stops a thread it still holds (waiting), then closes the thread and the event.
    ~XWorkerControl();
    XWorkerControl(const XWorkerControl&) = delete;
    XWorkerControl& operator=(const XWorkerControl&) = delete;

    // Without a thread does nothing at all. Otherwise resumes the thread if Stop suspended it,
    // signals the stop event and, with wait, waits in 25 ms slices until the thread ends; past
    // m_timeLimitMs (0 = no limit) the thread is suspended and left so. A wait that fails (an
    // invalid handle) ends Stop too: it would fail again on every repeat.
    void Stop(bool wait);

    HANDLE m_stopEvent;             // null when it could not be created
    uint8_t m_eventExisted;         // GetLastError() was ERROR_ALREADY_EXISTS after creation
    HANDLE m_thread;                // owned; null without a worker
    uint32_t m_timeLimitMs;
    uint8_t m_suspended;            // Stop suspended the thread
};
