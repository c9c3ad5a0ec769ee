// Splitting and joining of DEL-separated protocol fields.
#include "common/fields.h"

namespace common {

std::vector<std::string> splitFields(std::string_view text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(kFieldSeparator, start);
        if (end == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::string joinFields(const std::vector<std::string>& fields)
{
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out.push_back(kFieldSeparator);
        out += fields[i];
    }
    return out;
}

} // namespace common
