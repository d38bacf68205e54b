#pragma once

/* Dialog templates */
#define IDD_FOLDER_CHOOSER 131
#define IDD_INSTALL 132

/* Install dialog controls */
#define IDC_BROWSE 1000
#define IDC_FOLDER 1001
#define IDC_START_MENU 1003
#define IDC_README 1004
#define IDC_NAME 1005

/* Icons: 137 is the program's icon. The host window class asks for 130,
   which the resources do not define, so the class has no icon of its own. */
#define IDI_HOST_WINDOW 130
#define IDI_SETUP 137

/* Asked for by the message loop and not defined: no key is translated. */
#define IDA_HOST_WINDOW 109

/* Progress window controls: the window is made in code, not from a template
   among the resources. */
#define IDC_PROGRESS_FOLDER 1010
#define IDC_PROGRESS_FILE 1011
#define IDC_PROGRESS_BAR 1012
