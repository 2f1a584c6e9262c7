#include "support/ControlsListHost.h"

#include <commctrl.h>

#include "support/ControlsDialogs.h"
#include "support/TestInput.h"

ControlsListHost::ControlsListHost() : m_dialog(nullptr), m_list(nullptr), m_other(nullptr)
{
    m_dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONTROLS_LIST), nullptr,
                                  &ControlsListHost::Proc, reinterpret_cast<LPARAM>(this));
    m_list = GetDlgItem(m_dialog, IDC_CONTROLS_LIST);
    m_other = GetDlgItem(m_dialog, IDC_CONTROLS_OTHER);
    SetWindowPos(m_dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(m_dialog);
    SetFocus(m_other);
    UpdateWindow(m_dialog);
    PumpMessages(50);
}

ControlsListHost::~ControlsListHost()
{
    if (m_dialog)
        DestroyWindow(m_dialog);
    PumpMessages(10);
}

INT_PTR CALLBACK ControlsListHost::Proc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;  // the host puts the focus where it wants it
    }
    ControlsListHost* host = reinterpret_cast<ControlsListHost*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message != WM_NOTIFY || !host)
        return FALSE;
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    // Drawing asks for custom draw and item texts at whatever time it happens; left out.
    if (header->hwndFrom != host->m_list || header->code == NM_CUSTOMDRAW || header->code == LVN_GETDISPINFOW)
        return FALSE;
    LPARAM item = 0;
    switch (header->code) {
    case LVN_ITEMCHANGING:
    case LVN_ITEMCHANGED:
    case LVN_BEGINDRAG:
    case NM_CLICK:
    case NM_DBLCLK:
        // NMLISTVIEW and NMITEMACTIVATE both carry the row right after the header.
        item = reinterpret_cast<const NMLISTVIEW*>(lParam)->iItem;
        break;
    default:
        break;
    }
    host->m_notes.Add(WM_NOTIFY, header->code, item, "parent");
    return FALSE;
}
