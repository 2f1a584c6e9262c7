// Definition order is start-up order: objects of one translation unit are built in the order
// they are defined, and each one's teardown runs in the reverse order after the entry point.
#include "services/XProcessObjects.h"

#include <windows.h>
#include <commctrl.h>

namespace {

// Registers every common-control class of the Win95 set before any dialog template needs them.
struct XCommonControlsStep {
    XCommonControlsStep()
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&init);
    }
};

XCommonControlsStep commonControls;

} // namespace

XString regBasePath;
XMutex liveWindowsLock;
XPtrArray liveWindows;
XMutex subClassLock;
