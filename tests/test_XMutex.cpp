// XMutex: recursive ownership by one thread, blocking of other threads, and the inert state
// after Close.
#include <doctest/doctest.h>

#include "foundation/XMutex.h"

#include <windows.h>

namespace {

// Shared with the waiting thread, which only signals events: doctest checks stay on the main thread.
struct Contender {
    XMutex* mutex;
    HANDLE started;
    HANDLE acquired;
    HANDLE release;
};

DWORD WINAPI ContenderThread(LPVOID parameter)
{
    Contender* c = static_cast<Contender*>(parameter);
    SetEvent(c->started);
    c->mutex->Lock();
    SetEvent(c->acquired);
    WaitForSingleObject(c->release, INFINITE);
    c->mutex->Unlock();
    return 0;
}

// Owns the events and the thread so a failing check cannot leak them or leave the thread blocked.
struct ContenderFixture {
    XMutex mutex;
    Contender contender;
    HANDLE thread = nullptr;

    ContenderFixture()
    {
        contender.mutex = &mutex;
        contender.started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        contender.acquired = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        contender.release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~ContenderFixture()
    {
        SetEvent(contender.release);
        if (thread != nullptr) {
            // Free the mutex in case a check failed while this thread still held it.
            while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT && ReleaseMutex(mutex.m_handle)) {
            }
            WaitForSingleObject(thread, 10000);
            CloseHandle(thread);
        }
        CloseHandle(contender.started);
        CloseHandle(contender.acquired);
        CloseHandle(contender.release);
    }
    bool Start()
    {
        thread = CreateThread(nullptr, 0, ContenderThread, &contender, 0, nullptr);
        return thread != nullptr && WaitForSingleObject(contender.started, 10000) == WAIT_OBJECT_0;
    }
    bool Acquired(DWORD waitMs) const
    {
        return WaitForSingleObject(contender.acquired, waitMs) == WAIT_OBJECT_0;
    }
};

} // namespace

TEST_CASE("XMutex: a new mutex has an unnamed handle and is not locked")
{
    XMutex mutex;
    CHECK(mutex.m_handle != nullptr);
    CHECK(mutex.m_locked == 0);
    CHECK(mutex.m_existed == 0);
    mutex.Lock();
    CHECK(mutex.m_locked == 1);
    mutex.Unlock();
    CHECK(mutex.m_locked == 0);
}

TEST_CASE("XMutex: locked twice by one thread, another thread gets it only after two Unlocks")
{
    ContenderFixture f;
    f.mutex.Lock();
    f.mutex.Lock();                 // the owner re-enters without blocking
    REQUIRE(f.Start());
    CHECK_FALSE(f.Acquired(200));

    f.mutex.Unlock();
    CHECK_FALSE(f.Acquired(200));

    f.mutex.Unlock();
    CHECK(f.Acquired(10000));
}

TEST_CASE("XMutex: after Close every operation does nothing")
{
    XMutex mutex;
    mutex.Lock();
    mutex.Close();
    CHECK(mutex.m_handle == nullptr);
    CHECK(mutex.m_locked == 0);
    mutex.Lock();
    CHECK(mutex.m_locked == 0);
    mutex.Unlock();
    mutex.Close();
    CHECK(mutex.m_handle == nullptr);
}
