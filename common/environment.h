// The process's environment variables, as the programs' own settings for the
// libraries they start (the audio layer reads its outputs from them).
#pragma once

#include <string>

namespace common {

// Sets `name` to `value` for this process and what it starts later.
void setEnvironmentVariable(const char* name, const std::string& value);

} // namespace common
