// The baseline program of the start-up, size and memory benchmarks: the job dialog from the same
// template and resources as JobDialog.exe, run with plain DialogBoxParamW and no framework.
#include <windows.h>
#include <commctrl.h>

#include "app/resource.h"
#include "bench/BareJobDialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_JOB_DIALOG), nullptr, &BareJobDialogProc, 0);
    return 0;
}
