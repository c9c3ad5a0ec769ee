// The chat line's rules: which lines are sent and how, and the memory of
// sent lines that Up and Down recall.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

// The text that Enter sends for the chat line: nothing for a line shorter
// than two characters (it stays in the line); otherwise the line with every
// reversed prime (U+2035, which some keyboards give for the apostrophe)
// turned into an apostrophe.
std::optional<std::wstring> chatLineToSend(const std::wstring& line);

// The lines sent, oldest first, each at most once, and the recall position
// (0 … size; size means "past the newest", an empty line).
class ChatInputHistory {
public:
    static constexpr std::size_t kMaxLines = 50;

    // What the chat line shows after a recall: the text and the selection,
    // in UTF-16 units as the edit control counts them.
    struct Recall {
        std::wstring text;
        std::size_t selectionStart = 0;
        std::size_t selectionEnd = 0;
    };

    // A sent line: an equal earlier one is dropped, the line goes last, the
    // oldest go while there are more than kMaxLines, and the recall position
    // moves past the newest.
    void add(const std::wstring& line);

    // Up (step -1) and Down (step +1). The position stays within 0 … size.
    // Past the newest the line is emptied. A recalled command ("#", "/" or "@"
    // first, then a blank after the first character) has the text after that
    // blank selected, so the command word stays and the argument is retyped;
    // any other line is selected whole.
    Recall recall(int step);

    const std::deque<std::wstring>& lines() const { return lines_; }
    std::size_t position() const { return position_; }

private:
    std::deque<std::wstring> lines_;
    std::size_t position_ = 0;
};
