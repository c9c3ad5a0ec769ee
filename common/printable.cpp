// Escaping bytes that would break a line.
#include "common/printable.h"

#include <cstdio>

namespace common {

std::string printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

} // namespace common
