// Protocol fields: inside a command's argument, fields are separated by the
// byte 0x7F (DEL).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

constexpr char kFieldSeparator = '\x7F';

// Splits at every DEL byte, keeping empty fields: "" gives one empty field,
// "a\x7F" gives "a" and "".
std::vector<std::string> splitFields(std::string_view text);

// Joins fields with the DEL byte between them.
std::string joinFields(const std::vector<std::string>& fields);

} // namespace common
