// The job list of the job dialog: its columns, laid out from the control's width, and the sample job.
#pragma once

#include <windows.h>

#include "framework/XListView.h"

const int JOB_COLUMN_COUNT = 5;

struct JobColumnWidths {
    int width[JOB_COLUMN_COUNT];
};

// Columns 0 and 1 share what the three fixed columns leave, about 5 : 3, never below 250 and 150.
JobColumnWidths ComputeJobColumnWidths(int clientWidth);

// Attaches `list` to control IDC_JOB_LIST of `dialog` (null: no control) and fills it.
void SetUpJobList(XListView& list, HWND dialog);
