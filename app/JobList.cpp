#include "app/JobList.h"

#include "app/resource.h"
#include "services/XFolders.h"

namespace {

const DWORD kJobListStyles = LVS_EX_SUBITEMIMAGES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP;
const UINT kChecked = INDEXTOSTATEIMAGEMASK(2);

struct JobColumn {
    const wchar_t* title;
    int format;
};

const JobColumn kColumns[JOB_COLUMN_COUNT] = {
    {L"Destination File", LVCFMT_LEFT},
    {L"Source File", LVCFMT_LEFT},
    {L"Source Type", LVCFMT_LEFT},
    {L"Source Length", LVCFMT_RIGHT},
    {L"Estimated Size", LVCFMT_RIGHT},
};

} // namespace

JobColumnWidths ComputeJobColumnWidths(int clientWidth)
{
    int a = (clientWidth - 275) / 2;
    if (a < 200)
        a = 200;
    const int w0 = a * 100 / 80;
    return JobColumnWidths{{w0, 2 * a - w0, 85, 85, 85}};
}

void SetUpJobList(XListView& list, HWND dialog)
{
    HWND control = dialog ? GetDlgItem(dialog, IDC_JOB_LIST) : nullptr;
    list.Attach(control);
    list.SetExtendedStyle(kJobListStyles);
    list.SetImageList(XGetSmallSystemImageList(), LVSIL_SMALL);
    list.SetRedraw(false);

    // Without a control the rectangle stays empty, which gives the minimum widths.
    RECT client = {};
    if (control)
        GetClientRect(control, &client);
    const JobColumnWidths widths = ComputeJobColumnWidths(client.right);
    for (int i = 0; i < JOB_COLUMN_COUNT; ++i)
        list.AddColumn(kColumns[i].title, widths.width[i], kColumns[i].format);

    const XString source(L"c:\\FileFrom.bin");
    const XString destination(L"c:\\FileTo.bin");
    list.AddItem(destination);
    list.SetItemText(list.GetItemCount() - 1, 1, source);
    // The list was empty, so the sample job is row 0.
    list.SetItemState(0, kChecked, LVIS_STATEIMAGEMASK);
    list.SetRedraw(true);
}
