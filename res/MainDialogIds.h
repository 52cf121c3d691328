// The main window's template and control identifiers: the one place they
// are written, included by MainDialog.rc and by the code.
#pragma once
#include <windows.h>
#define IDD_MAIN 138
#define IDC_MAIN_MESSAGE 1001
#define IDC_MAIN_DESTINATION_EDIT 1004
#define IDC_MAIN_DESTINATION_LINE 1005
#define IDC_MAIN_BROWSE 1013
#define IDC_MAIN_RUN 1039
#define IDC_MAIN_MAKER_BOX 1113
#define IDC_MAIN_APP_BOX 1114
#define IDC_MAIN_DESTINATION_LABEL 1010
#define IDC_MAIN_MESSAGE_LABEL 1011
#define IDC_MAIN_DESTINATION_LINE_LABEL 1012
#define IDC_MAIN_EXIT IDCANCEL  // Escape and the close box are Exit too
