#include "common/environment.h"

#include <cstdlib>

namespace common {

void setEnvironmentVariable(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

} // namespace common
