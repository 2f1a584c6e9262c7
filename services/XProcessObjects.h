// The process-wide objects that the framework shares, built before the entry point in a fixed
// order and torn down after it in the reverse order.
#pragma once

#include "foundation/XMutex.h"
#include "foundation/XPtrArray.h"
#include "foundation/XString.h"

extern XString regBasePath;         // key path used when a registry caller gives none
extern XMutex liveWindowsLock;      // guards liveWindows
extern XPtrArray liveWindows;       // XWindow pointers in order of registration; not owned
extern XMutex subClassLock;         // serialises every subclassed control's messages
