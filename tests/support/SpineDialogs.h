// Ids of the dialog templates and controls that the window tests create (SpineDialogs.rc).
#pragma once

#define IDD_SPINE_DISPATCH      200
#define IDC_SPINE_OWNERDRAW     201
#define IDC_SPINE_STATIC        202
