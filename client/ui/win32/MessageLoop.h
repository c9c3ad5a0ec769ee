// The program's message loop: the two accelerator tables before normal
// dispatch, the second one only outside arcade mode.
#pragma once

#include <windows.h>

class MainWindow;

// Lets "accel" translate the message for the main window, then, outside
// arcade mode, "accel2". True when one of them turned it into a command.
bool translateAccelerators(MSG& message, const MainWindow& window, HACCEL accel, HACCEL accel2);

// Runs until the quit message; returns its exit code.
int runMessageLoop(const MainWindow& window, HACCEL accel, HACCEL accel2);
