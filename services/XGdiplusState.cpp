#include "services/XGdiplusState.h"

namespace {

// GdiplusShutdown is looked up in the GDI+ module that whoever started GDI+ has loaded, rather
// than imported: on XP gdiplus.dll lives in the side-by-side store, and a static import without a
// manifest dependency on it would keep the program from loading at all.
void WINAPI ShutdownLoadedGdiplus(ULONG_PTR token)
{
    HMODULE gdiplus = GetModuleHandleW(L"gdiplus.dll");
    if (!gdiplus)
        return;
    typedef void (WINAPI* Shutdown)(ULONG_PTR);
    Shutdown shutdown = reinterpret_cast<Shutdown>(
        reinterpret_cast<void*>(GetProcAddress(gdiplus, "GdiplusShutdown")));
    if (shutdown)
        shutdown(token);
}

} // namespace

XGdiplusState::~XGdiplusState()
{
    Shutdown(ShutdownLoadedGdiplus);
}

void XGdiplusState::Shutdown(ShutdownFunction shutdown)
{
    if (!m_started)
        return;
    shutdown(m_token);
    m_started = 0;
}
