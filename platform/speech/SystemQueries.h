// What the system says about the screen readers running beside the client,
// independent of the engine that speaks: versions and JAWS's settings folder.
#pragma once

#include <string>

// "major.minor.build" of the running JAWS, empty when it does not run.
std::wstring runningJawsVersion();

// The running JAWS's user settings folder for the user's language, ending in
// a folder separator; empty when JAWS does not run or the folder is missing.
std::wstring jawsUserSettingsDirectory();

// "major.minor.build" of the running NVDA, empty when it does not run.
std::wstring runningNvdaVersion();
