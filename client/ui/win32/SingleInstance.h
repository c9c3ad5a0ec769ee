// One client per user session: a starting client asks the main windows of
// the class "OrvelleClient21" whether a client runs there (WM_USER+400).
#pragma once

#include <windows.h>

// The first top-level window of the class other than `self` that answers
// the question with a non-zero result; null when none does. Windows that
// answer 0, or hang, are passed over.
HWND findRunningClient(HWND self = nullptr);

// Restores the window when it is minimised and brings it to the front.
void bringForward(HWND window);
