// Finding the screen readers that run beside the client: JAWS by its main
// window, NVDA by its process, and their versions from their programs'
// version resources.
#pragma once

#include <string>

bool isJawsRunning();
bool isNvdaRunning();

// "major.minor.build" of a program file's fixed version; empty without one.
std::wstring fileVersionText(const std::wstring& path);
