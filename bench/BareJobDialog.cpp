#include "bench/BareJobDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/resource.h"

namespace {

void Centre(HWND dialog)
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    RECT own = {};
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    SetWindowPos(dialog, nullptr, desktop.right / 2 - width / 2, desktop.bottom / 2 - height / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

// The shell's small icons, from the root of the Windows folder's drive.
HIMAGELIST SmallSystemImageList()
{
    wchar_t root[MAX_PATH] = L"C:\\";
    if (GetWindowsDirectoryW(root, MAX_PATH) >= 3)
        root[3] = 0;
    SHFILEINFOW info = {};
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(root, 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

void AddColumn(HWND list, int index, const wchar_t* title, int width, int format)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void FillList(HWND list)
{
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_SUBITEMIMAGES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(SmallSystemImageList()));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);

    RECT client = {};
    GetClientRect(list, &client);
    int a = (client.right - 275) / 2;
    if (a < 200)
        a = 200;
    const int w0 = a * 100 / 80;
    AddColumn(list, 0, L"Destination File", w0, LVCFMT_LEFT);
    AddColumn(list, 1, L"Source File", 2 * a - w0, LVCFMT_LEFT);
    AddColumn(list, 2, L"Source Type", 85, LVCFMT_LEFT);
    AddColumn(list, 3, L"Source Length", 85, LVCFMT_RIGHT);
    AddColumn(list, 4, L"Estimated Size", 85, LVCFMT_RIGHT);

    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.pszText = const_cast<wchar_t*>(L"c:\\FileTo.bin");
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.mask = LVIF_TEXT;
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(L"c:\\FileFrom.bin");
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMW state = {};
    state.state = INDEXTOSTATEIMAGEMASK(2);
    state.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));

    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

} // namespace

INT_PTR CALLBACK BareJobDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Centre(dialog);
        FillList(GetDlgItem(dialog, IDC_JOB_LIST));
        SetTimer(dialog, 1, 1000, nullptr);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_TIMER:
    case WM_DESTROY:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return TRUE;
    default:
        return FALSE;
    }
}
