#include "app/MyDlg.h"

#include "app/JobList.h"
#include "app/resource.h"

MyDlg::MyDlg(INT_PTR* endCode)
{
    const INT_PTR code = DoModal(IDD_JOB_DIALOG);
    if (endCode)
        *endCode = code;
}

MyDlg::~MyDlg() {}

void MyDlg::OnInitDialog()
{
    Center();
    SetUpJobList(m_jobList, m_hwnd);
    StartTimer(1000);
}

// Empty handlers claim their messages: the dialog procedure returns TRUE for them.
void MyDlg::OnDestroy() {}
void MyDlg::OnMouseDown(int, int, UINT, UINT) {}
void MyDlg::OnTimer(UINT, UINT) {}

void MyDlg::OnOK() { EndWith(1); }
void MyDlg::OnCancel() { EndWith(0); }
void MyDlg::OnClose() { EndWith(0); }

void MyDlg::EndWith(INT_PTR code)
{
    if (m_hwnd)
        EndDialog(m_hwnd, code);
    PostQuitMessage(0);
}
