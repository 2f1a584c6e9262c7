#include "framework/XListView.h"

#include "foundation/XMemBuffer.h"

namespace {

const UINT kStateImageMask = 0xF000;
const UINT kUnchecked = 0x1000;     // state image 1
const UINT kChecked = 0x2000;       // state image 2
// LVIS_FOCUSED | LVIS_SELECTED | LVIS_CUT | LVIS_DROPHILITED
const UINT kSelectOnlyMask = 0xF;

} // namespace

XListView::XListView() : m_hList(nullptr), m_redrawSuspended(false) {}

XListView::~XListView()
{
    Detach();
    m_hList = nullptr;
    m_columns.RemoveAll();
}

void XListView::ReservedA(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void XListView::ReservedB(uint32_t, uint32_t, uint32_t) {}
void XListView::ReservedC(uint32_t, uint32_t) {}
bool XListView::ReservedD(uint32_t) { return false; }
bool XListView::ReservedE(uint32_t, uint32_t) { return true; }
void XListView::ReservedF(uint32_t) {}
void XListView::ReservedG(uint32_t) {}
void XListView::ReservedH(uint32_t) {}
bool XListView::ReservedI() { return true; }
bool XListView::ReservedJ() { return true; }
XString XListView::ReservedK(uint32_t) { return XString(); }
bool XListView::ReservedL() { return false; }
void XListView::ReservedM(uint32_t) {}
void XListView::ReservedN(uint32_t, uint32_t, uint32_t, uint32_t) {}
void XListView::OnItemClick(int, int, int, int* handled) { *handled = 0; }
void XListView::ReservedO(uint32_t, uint32_t, uint32_t, uint32_t) {}
void XListView::ReservedP(uint32_t, uint32_t, uint32_t, uint32_t) {}
void XListView::ReservedQ(uint32_t, uint32_t, uint32_t, uint32_t) {}
void XListView::ReservedR(uint32_t, uint32_t) {}
void XListView::ReservedS(uint32_t) {}
void XListView::ReservedT() {}
void XListView::ReservedU(uint32_t) {}
void XListView::OnVScroll(UINT, UINT) {}

LRESULT XListView::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(m_hList, message, wParam, lParam);
}

void XListView::Attach(HWND list)
{
    m_hList = list;
    m_columns.RemoveAll();
    XSubClassCtrl::Attach(list);
}

void XListView::SetRedraw(bool redraw)
{
    Send(WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    m_redrawSuspended = !redraw;
    if (redraw && m_hList)
        InvalidateRect(m_hList, nullptr, TRUE);
}

void XListView::AddColumn(const wchar_t* title, int width, int format)
{
    const int index = m_columns.GetCount();
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(title ? title : L"");
    column.iSubItem = index;
    m_columns.Add(nullptr);
    Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void XListView::SetExtendedStyle(DWORD styles)
{
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(styles));
}

void XListView::SetImageList(HIMAGELIST images, int which)
{
    Send(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(images));
}

int XListView::GetItemCount()
{
    return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
}

void XListView::AddItem(const XString& text)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = GetItemCount();
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(text.GetText());
    item.lParam = 0;
    Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void XListView::SetItemText(int item, int subitem, const XString& text)
{
    LVITEMW row = {};
    row.mask = LVIF_TEXT;
    row.iItem = item;
    row.iSubItem = subitem;
    row.pszText = const_cast<wchar_t*>(text.GetText());
    Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&row));
}

void XListView::SetItemState(int item, UINT state, UINT mask)
{
    LVITEMW row = {};
    row.state = state;
    row.stateMask = mask;
    // Sign-extended: item -1 means every row.
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(static_cast<INT_PTR>(item)), reinterpret_cast<LPARAM>(&row));
}

UINT XListView::GetItemState(int item, UINT mask)
{
    return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(static_cast<INT_PTR>(item)), mask));
}

LRESULT XListView::OnCtrlMessage(HWND, UINT message, WPARAM wParam, LPARAM, int* handled)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        if (ToggleChecks()) {
            *handled = 1;
        } else {
            POINT point = {};
            CursorInList(&point);
            const int row = HitTestCursor();
            OnItemClick(row, point.x, point.y, handled);
        }
        break;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam));
        break;
    default:
        break;
    }
    return 0;
}

bool XListView::CursorInList(POINT* point)
{
    // Without a readable cursor there is no position: the press is treated as over nothing.
    POINT cursor = {};
    if (!GetCursorPos(&cursor) || !ScreenToClient(m_hList, &cursor)) {
        *point = POINT{};
        return false;
    }
    *point = cursor;
    return true;
}

bool XListView::ToggleChecks()
{
    const DWORD styles = static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    if (!(styles & LVS_EX_CHECKBOXES))
        return false;
    const int left = CheckAreaLeft();
    POINT point = {};
    if (!CursorInList(&point))
        return false;
    // Unsigned, so a press left of the band is far outside it too.
    if (static_cast<uint32_t>(point.x) - static_cast<uint32_t>(left) > static_cast<uint32_t>(XLV_CHECK_BAND))
        return false;

    XPtrArray rows;
    GetSelectedRows(rows);
    const int hit = HitTestCursor();
    if (hit == -1)
        return false;
    bool selected = false;
    for (int i = 0; i < rows.GetCount() && !selected; ++i)
        selected = reinterpret_cast<INT_PTR>(rows.GetAt(i)) == hit;
    if (!selected) {
        SelectOnly(hit);
        rows.RemoveAll();
        rows.Add(reinterpret_cast<void*>(static_cast<INT_PTR>(hit)));
    }

    // Every row acted on gets the opposite of the clicked row's box; no box counts as checked.
    const UINT image = GetItemState(hit, kStateImageMask) >> 12;
    const UINT state = image == 1 ? kChecked : kUnchecked;
    for (int i = 0; i < rows.GetCount(); ++i)
        SetItemState(static_cast<int>(reinterpret_cast<INT_PTR>(rows.GetAt(i))), state, kStateImageMask);
    return true;
}

int XListView::CheckAreaLeft()
{
    const int count = m_columns.GetCount();
    // A column count whose buffer size does not fit the buffer's size field fails like the
    // allocation would.
    if (count > INT32_MAX / static_cast<int>(sizeof(int32_t)))
        return 0;
    XMemBuffer buffer(static_cast<uint32_t>(count) * static_cast<uint32_t>(sizeof(int32_t)));
    if (!buffer.m_block)
        return 0;
    if (!Send(LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buffer.m_block)))
        return 0;

    const int32_t* order = reinterpret_cast<const int32_t*>(buffer.m_block);
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        const int column = order[i];
        if (column == 0)
            break;
        LVCOLUMNW info = {};
        info.mask = LVCF_WIDTH;
        Send(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
        sum += info.cx;
    }
    // Row 0's left edge is negative by the horizontal scroll; with no rows there is none to add.
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (Send(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&bounds)))
        sum += bounds.left;
    return sum;
}

void XListView::GetSelectedRows(XPtrArray& rows)
{
    rows.RemoveAll();
    for (int i = 0; i < GetItemCount(); ++i) {
        if (GetItemState(i, LVIS_SELECTED))
            rows.Add(reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
    }
}

int XListView::HitTestCursor()
{
    LVHITTESTINFO info = {};
    if (!CursorInList(&info.pt))
        return -1;
    return static_cast<int>(Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

void XListView::SelectOnly(int row)
{
    for (int i = 0; i < GetItemCount(); ++i)
        SetItemState(i, i == row ? (LVIS_FOCUSED | LVIS_SELECTED) : 0, kSelectOnlyMask);
    Send(LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(row));
}
