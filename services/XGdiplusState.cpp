#include "services/XGdiplusState.h"

XGdiplusState::~XGdiplusState()
{
    Shutdown(GdiplusShutdown);
}

void XGdiplusState::Shutdown(ShutdownFunction shutdown)
{
    if (!m_started)
        return;
    shutdown(m_token);
    m_started = 0;
}
