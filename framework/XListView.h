// XListView wraps an existing report-style list-view control: it sets the list up and lets one
// press in the check-box band at column 0's left edge set or clear the boxes of all selected rows.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <cstdint>

#include "foundation/XPtrArray.h"
#include "foundation/XString.h"
#include "framework/XSubClassCtrl.h"

// Width of the check-box band after column 0's left edge, both ends included.
const int XLV_CHECK_BAND = 20;

class XListView : public XSubClassCtrl {
public:
    XListView();
    ~XListView() override;

    // Virtual operations after the base class's, in slot order. The reserved ones are neither
    // called nor overridden anywhere; their arguments have no meaning yet.
    LRESULT OnCtrlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int* handled) override;
    virtual void ReservedA(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
    virtual void ReservedB(uint32_t, uint32_t, uint32_t);
    virtual void ReservedC(uint32_t, uint32_t);
    virtual bool ReservedD(uint32_t);
    virtual bool ReservedE(uint32_t, uint32_t);
    virtual void ReservedF(uint32_t);
    virtual void ReservedG(uint32_t);
    virtual void ReservedH(uint32_t);
    virtual bool ReservedI();
    virtual bool ReservedJ();
    virtual XString ReservedK(uint32_t);
    virtual bool ReservedL();
    virtual void ReservedM(uint32_t);
    virtual void ReservedN(uint32_t, uint32_t, uint32_t, uint32_t);
    // Every left press that the band does not take; row -1 when no row is under the cursor.
    // x and y are the cursor in the list's client coordinates. Setting *handled keeps the press
    // from the control; the default clears it.
    virtual void OnItemClick(int item, int x, int y, int* handled);
    virtual void ReservedO(uint32_t, uint32_t, uint32_t, uint32_t);
    virtual void ReservedP(uint32_t, uint32_t, uint32_t, uint32_t);
    virtual void ReservedQ(uint32_t, uint32_t, uint32_t, uint32_t);
    virtual void ReservedR(uint32_t, uint32_t);
    virtual void ReservedS(uint32_t);
    virtual void ReservedT();
    virtual void ReservedU(uint32_t);
    // WM_VSCROLL's request code and thumb position; the list scrolls as usual afterwards.
    virtual void OnVScroll(UINT code, UINT pos);

    // Set-up. Hides XSubClassCtrl::Attach: stores the list (kept even when subclassing fails, so
    // the list can still be filled) and starts the column count again from 0.
    void Attach(HWND list);
    void SetRedraw(bool redraw);
    // A null title gives an empty heading. Always counts the column, even when the control
    // refuses it, so the n-th call after Attach inserts column n with subitem n.
    void AddColumn(const wchar_t* title, int width, int format);
    // Without a mask: every extended style takes its bit from `styles`.
    void SetExtendedStyle(DWORD styles);
    void SetImageList(HIMAGELIST images, int which);
    int GetItemCount();
    void AddItem(const XString& text);
    void SetItemText(int item, int subitem, const XString& text);
    void SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask);

    // The band behaviour, used by the hook. Positions always come from the cursor at the time
    // the message is handled, never from a message's lParam.
    // True when the press was in the band over a row and the boxes were set or cleared.
    bool ToggleChecks();
    // x of column 0's left edge in the list's client coordinates: the widths of the columns shown
    // before it plus row 0's horizontal scroll offset.
    int CheckAreaLeft();
    // Row numbers in ascending order.
    void GetSelectedRows(XPtrArray& rows);
    // The row under the cursor, or -1.
    int HitTestCursor();
    // Makes `row` the only selected row, with the focus and the selection mark.
    void SelectOnly(int row);

    HWND m_hList;               // target of every list message
    bool m_redrawSuspended;
    XPtrArray m_columns;        // one 0 entry per column added since Attach

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
    bool CursorInList(POINT* point);
};
