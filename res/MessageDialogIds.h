// The message dialogs' templates and control identifiers: the one place
// they are written, included by MessageDialogs.rc and by the code.
#pragma once
#include <windows.h>
#define IDD_MESSAGE_OK 127
#define IDD_MESSAGE_YES_NO 128
#define IDD_MESSAGE_RETRY_SKIP 129
#define IDC_MESSAGE_TEXT 1001
#define IDC_MESSAGE_OK IDOK
#define IDC_MESSAGE_YES IDYES
#define IDC_MESSAGE_NO IDNO
#define IDC_MESSAGE_ABORT IDCANCEL
