// Sending and recalling chat lines.
#include "client/ui/ChatInput.h"

#include <algorithm>

#include "common/utf8.h"

std::optional<std::wstring> chatLineToSend(const std::wstring& line)
{
    if (common::utf16Length(line) < 2) return std::nullopt;
    std::wstring text = line;
    std::replace(text.begin(), text.end(), L'\u2035', L'\'');
    return text;
}

void ChatInputHistory::add(const std::wstring& line)
{
    const auto same = std::find(lines_.begin(), lines_.end(), line);
    if (same != lines_.end()) lines_.erase(same);
    lines_.push_back(line);
    while (lines_.size() > kMaxLines) lines_.pop_front();
    position_ = lines_.size();
}

ChatInputHistory::Recall ChatInputHistory::recall(int step)
{
    const long long moved = static_cast<long long>(position_) + step;
    position_ = static_cast<std::size_t>(std::clamp<long long>(moved, 0, static_cast<long long>(lines_.size())));
    Recall shown;
    if (position_ == lines_.size()) return shown;
    shown.text = lines_[position_];
    shown.selectionEnd = common::utf16Length(shown.text);
    const wchar_t first = shown.text.empty() ? L'\0' : shown.text[0];
    if (first == L'#' || first == L'/' || first == L'@') {
        const std::size_t blank = shown.text.find(L' ', 1);
        if (blank != std::wstring::npos) {
            shown.selectionStart = common::utf16Length(shown.text.substr(0, blank + 1));
        }
    }
    return shown;
}
