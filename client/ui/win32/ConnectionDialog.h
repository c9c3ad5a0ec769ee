// The connection dialog "CONNDLG": the player chooses a server entry and
// gives a login and a password. Confirming stores them in the entry;
// cancelling ends the message loop, and with it the program.
#pragma once

#include <windows.h>

class MainWindow;

// Runs the dialog modally, owned by the main window. True when confirmed.
bool runConnectionDialog(HINSTANCE instance, MainWindow& window);
