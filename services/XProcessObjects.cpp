// Definition order is start-up order: objects of one translation unit are built in the order
// they are defined, and as each construction completes the runtime puts its destructor on the
// exit list (the same list as atexit), so the teardowns run in exactly the reverse order after
// the entry point returns. Steps without an object of their own are small step objects.
// winsock2.h must come before anything that includes windows.h.
#include <winsock2.h>

#include "services/XProcessObjects.h"

#include <windows.h>
#include <commctrl.h>

#ifdef XPROCESS_TRACE
// Only the order test's child program (tests/helpers/ProcessObjectsChild.cpp) builds this file
// with XPROCESS_TRACE; it defines these three reports. A mark follows each step: it is built
// right after the step and destroyed right before the step's teardown, so its reports
// interleave with the real steps. The first mark, defined before every step, is destroyed after
// the last teardown. The product has no marks.
void XProcessTraceStep(const char* name, HANDLE handle);
void XProcessTraceTeardown(const char* name, HANDLE handle);
void XProcessTraceEnd();

namespace {
struct XProcessTraceMark {
    XProcessTraceMark(const char* name, HANDLE handle, bool hasTeardown)
        : m_name(name), m_handle(handle), m_hasTeardown(hasTeardown)
    {
        if (m_name != nullptr)
            XProcessTraceStep(m_name, m_handle);
    }
    ~XProcessTraceMark()
    {
        if (m_name == nullptr)
            XProcessTraceEnd();
        else if (m_hasTeardown)
            XProcessTraceTeardown(m_name, m_handle);
    }
    const char* m_name;
    HANDLE m_handle;
    bool m_hasTeardown;
};
XProcessTraceMark traceEnd(nullptr, nullptr, false);
} // namespace
#define XPROCESS_MARK(object, handle) namespace { XProcessTraceMark object##Mark(#object, handle, true); }
#define XPROCESS_MARK_NO_TEARDOWN(object) namespace { XProcessTraceMark object##Mark(#object, nullptr, false); }
#else
#define XPROCESS_MARK(object, handle)
#define XPROCESS_MARK_NO_TEARDOWN(object)
#endif

namespace {

// Registers every common-control class of the Win95 set before any dialog template needs them.
// The result is not tested: a missing class shows up when a dialog cannot be created.
struct XCommonControlsStep {
    XCommonControlsStep()
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
    }
};

// WinSock 2.2 for the process's lifetime. WSACleanup runs even when WSAStartup failed: the
// pair is balanced either way, as a failed start-up leaves nothing to clean up.
struct XSocketLibraryStep {
    XSocketLibraryStep()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~XSocketLibraryStep() { WSACleanup(); }
};

} // namespace

XMutex spareMutex1;
XPROCESS_MARK(spareMutex1, spareMutex1.m_handle)
XString spareString1;
XPROCESS_MARK(spareString1, nullptr)
XGdiplusState gdiplusState;
XPROCESS_MARK(gdiplusState, nullptr)
namespace { XCommonControlsStep commonControls; }
XPROCESS_MARK_NO_TEARDOWN(commonControls)
XRandomSource randomSource;
XPROCESS_MARK(randomSource, nullptr)
XString regBasePath;
XPROCESS_MARK(regBasePath, nullptr)
XString spareString2;
XPROCESS_MARK(spareString2, nullptr)
XString spareString3;
XPROCESS_MARK(spareString3, nullptr)
namespace { XSocketLibraryStep socketLibrary; }
XPROCESS_MARK(socketLibrary, nullptr)
XWorkerControl workerControl;
XPROCESS_MARK(workerControl, workerControl.m_stopEvent)
XPtrArray spareArray;
XPROCESS_MARK(spareArray, nullptr)
XMutex spareMutex2;
XPROCESS_MARK(spareMutex2, spareMutex2.m_handle)
XMutex liveWindowsLock;
XPROCESS_MARK(liveWindowsLock, liveWindowsLock.m_handle)
XPtrArray liveWindows;
XPROCESS_MARK(liveWindows, nullptr)
XMutex subClassLock;
XPROCESS_MARK(subClassLock, subClassLock.m_handle)

XNetThrottle netThrottle1;
XNetThrottle netThrottle2;
