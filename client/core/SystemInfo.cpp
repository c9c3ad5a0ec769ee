// The process-wide choice between the platform's system information and an
// installed replacement.
#include "client/core/SystemInfo.h"

namespace {
SystemInfo* installed = nullptr;
}

SystemInfo& systemInfo()
{
    if (installed) return *installed;
    static const std::unique_ptr<SystemInfo> platform = makePlatformSystemInfo();
    return *platform;
}

void setSystemInfo(SystemInfo* info) { installed = info; }
