// Numbers shared by the program's resources and its window code. The
// command ids are those of client/ui/WindowCommands.h; the dialogs' control
// ids are fixed by the dialog templates.
#pragma once

// Connection dialog "CONNDLG".
#define IDC_CONN_SERVER_LABEL 4
#define IDC_CONN_SERVER 1000
#define IDC_CONN_LOGIN_LABEL 2
#define IDC_CONN_LOGIN 1001
#define IDC_CONN_PASSWORD_LABEL 3
#define IDC_CONN_PASSWORD 1002
#define IDC_CONN_REMEMBER 1003
#define IDC_CONN_CREATE_ACCOUNT 2001
#define IDC_CONN_LOST_PASSWORD 2002
#define IDC_CONN_ABOUT 2003
#define IDC_CONN_RESTORE_DEFAULTS 2004

// Input dialogs "INPUT" and "INPUTML".
#define IDC_INPUT_PROMPT 1001
#define IDC_INPUT_TEXT 1002

// Update choice dialog "MSGBOX3".
#define IDC_MSGBOX3_TEXT 1001
#define IDC_MSGBOX3_AUTOMATIC 6
#define IDC_MSGBOX3_MANUAL 7

// The version shown by the version resource.
#define ORVC_VERSION_NUMBERS 2, 2, 8, 0
#define ORVC_VERSION_TEXT "2.2.8"
