// Ids of the dialog templates and controls that the window tests create (WindowDialogs.rc).
#pragma once

#define IDD_WINDOW_DISPATCH      200
#define IDC_WINDOW_OWNERDRAW     201
#define IDC_WINDOW_STATIC        202
