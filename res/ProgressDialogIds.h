// The progress dialog's template and control identifiers: the one place
// they are written, included by ProgressDialog.rc and by the code.
#pragma once
#include <windows.h>
#define IDD_PROGRESS 116
#define IDC_PROGRESS_CANCEL IDCANCEL
#define IDC_PROGRESS_STATUS 1001
#define IDC_PROGRESS_REMAINING 1053
#define IDC_PROGRESS_BAR 1475
