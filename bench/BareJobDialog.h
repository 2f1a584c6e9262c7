// The job dialog written directly against Win32 with no framework: the baseline that the
// benchmarks hold the framework against. Never part of the shipped program.
#pragma once

#include <windows.h>

// Dialog procedure for template IDD_JOB_DIALOG: on WM_INITDIALOG it centres the dialog, fills the
// list as the real program does (styles, system image list, five columns, the checked sample
// row) and starts a one-second timer; it claims what MyDlg claims (timer ticks, WM_COMMAND,
// WM_DESTROY, presses on the dialog's surface), and OK, Cancel and closing end the dialog.
INT_PTR CALLBACK BareJobDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
