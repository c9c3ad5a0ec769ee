// Text made printable on one line, for logs and the headless client's
// lines: control bytes, DEL and the backslash written as \xNN, so that one
// line always holds one message and can be read back unambiguously.
#pragma once

#include <string>
#include <string_view>

namespace common {

std::string printable(std::string_view text);

} // namespace common
