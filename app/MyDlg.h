// The job dialog: runs template IDD_JOB_DIALOG modally from its constructor.
#pragma once

#include "framework/XListView.h"
#include "framework/XWindow.h"

class MyDlg : public XWindow {
public:
    // Returns only after the dialog has ended; its end code goes to *endCode.
    explicit MyDlg(INT_PTR* endCode);
    ~MyDlg() override;

    void OnClose() override;
    void OnInitDialog() override;
    void OnDestroy() override;
    void OnMouseDown(int x, int y, UINT message, UINT keys) override;
    void OnTimer(UINT id, UINT value) override;
    void OnOK() override;
    void OnCancel() override;

    XListView m_jobList;    // control IDC_JOB_LIST, attached in OnInitDialog

private:
    void EndWith(INT_PTR code);
};
