// Resource ids shared by the program's code and its resource script.
#pragma once

#define IDD_JOB_DIALOG 101
#define IDI_APP_ICON   102
#define IDC_JOB_LIST   1002
