// Outside Windows no JAWS or NVDA can run beside the client.
#include "platform/speech/SystemQueries.h"

std::wstring runningJawsVersion() { return {}; }

std::wstring jawsUserSettingsDirectory() { return {}; }

std::wstring runningNvdaVersion() { return {}; }
