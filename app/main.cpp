// Entry point: runs the job dialog and returns 0 whatever its end code.
#include <windows.h>

#include "app/MyDlg.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    INT_PTR endCode = 0;
    {
        MyDlg dialog(&endCode);
    }
    return 0;
}
