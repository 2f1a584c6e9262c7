#include "services/XFile.h"

XFile::XFile()
    : m_handle(INVALID_HANDLE_VALUE), m_reserved(0), m_ownsHandle(0)
{
}

XFile::~XFile()
{
    if (m_handle != INVALID_HANDLE_VALUE && m_ownsHandle)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}
