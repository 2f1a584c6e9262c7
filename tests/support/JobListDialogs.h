// Resource ids of the dialog templates that the job-list tests set up.
#pragma once

#define IDD_JOBLIST_DIALOG   500     // the job dialog's list control (id 1002, same styles), nothing else
#define IDD_JOBLIST_NO_LIST  501     // a dialog without control 1002
