// The process-wide objects that the framework shares, built before the entry point in a fixed
// order and torn down after it in the reverse order.
#pragma once

#include "foundation/XMutex.h"
#include "foundation/XPtrArray.h"
#include "foundation/XString.h"
#include "services/XGdiplusState.h"
#include "services/XNetThrottle.h"
#include "services/XRandomSource.h"
#include "services/XWorkerControl.h"

// In start-up order (common controls and WinSock start between them, see the .cpp).
extern XMutex spareMutex1;
extern XString spareString1;
extern XGdiplusState gdiplusState;
extern XRandomSource randomSource;
extern XString regBasePath;         // key path used when a registry caller gives none
extern XString spareString2;
extern XString spareString3;
extern XWorkerControl workerControl;
extern XPtrArray spareArray;
extern XMutex spareMutex2;
extern XMutex liveWindowsLock;      // guards liveWindows
extern XPtrArray liveWindows;       // XWindow pointers in order of registration; not owned
extern XMutex subClassLock;         // serialises every subclassed control's messages

// Constant from load on, with nothing to tear down.
extern XNetThrottle netThrottle1;
extern XNetThrottle netThrottle2;
