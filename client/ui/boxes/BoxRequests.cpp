// Reading the server's box requests.
#include "client/ui/boxes/BoxRequests.h"

#include "common/numbers.h"
#include "common/utf8.h"

namespace {

std::wstring wideField(const std::vector<std::string>& fields, std::size_t i)
{
    return i < fields.size() ? common::utf8ToWide(fields[i]) : std::wstring();
}

} // namespace

InputRequest readInputRequest(const std::vector<std::string>& fields)
{
    InputRequest r;
    r.id = fields.empty() ? 0 : common::readLong(fields[0]);
    r.title = wideField(fields, 1);
    r.prompt = wideField(fields, 2);
    r.defaultText = wideField(fields, 3);
    return r;
}

MessageRequest readMessageRequest(const std::vector<std::string>& fields)
{
    MessageRequest r;
    r.id = fields.empty() ? 0 : common::readLong(fields[0]);
    r.caption = wideField(fields, 1);
    r.text = wideField(fields, 2);
    r.type = fields.size() > 3 ? static_cast<unsigned>(common::readLong(fields[3])) & ~kMessageBoxForbidden : 0;
    return r;
}

std::wstring inputAnswerText(const std::wstring& edited)
{
    std::wstring out;
    out.reserve(edited.size());
    for (std::size_t i = 0; i < edited.size(); ++i) {
        const wchar_t c = edited[i];
        if (c == L'\r') {
            out += L"\r\n";
            if (i + 1 < edited.size() && edited[i + 1] == L'\n') ++i;
        } else if (c == L'\n') {
            out += L"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}
