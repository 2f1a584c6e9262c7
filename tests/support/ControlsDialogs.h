// Resource ids of the dialog templates that the timer, subclassing and list-view tests run.
#pragma once

#define IDD_CONTROLS_PLAIN   300     // an empty hidden dialog
#define IDD_CONTROLS_LIST    301     // a report list above a push button
#define IDC_CONTROLS_LIST    310
#define IDC_CONTROLS_OTHER   311
