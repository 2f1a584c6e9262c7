#include "foundation/XMutex.h"

XMutex::XMutex()
    : m_handle(nullptr), m_locked(0), m_existed(0)
{
    SetLastError(0);
    m_handle = CreateMutexW(nullptr, FALSE, nullptr);
    m_existed = GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

XMutex::~XMutex()
{
    Close();
}

void XMutex::Lock()
{
    if (m_handle == nullptr)
        return;
    WaitForSingleObject(m_handle, INFINITE);
    m_locked = 1;
}

void XMutex::Unlock()
{
    if (m_handle == nullptr)
        return;
    ReleaseMutex(m_handle);
    m_locked = 0;
}

void XMutex::Close()
{
    if (m_handle == nullptr)
        return;
    CloseHandle(m_handle);
    m_locked = 0;
    m_handle = nullptr;
}
