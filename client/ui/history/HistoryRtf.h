// History messages as one piece of RTF, so that a window can add a whole
// batch of them to its rich-edit control in one go: each message on a new
// paragraph, each segment in its format, in the history's font. Links are
// not expressed in RTF; their places are given for the window to mark.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "client/ui/history/MessageFormat.h"

struct HistoryRtf {
    std::string rtf;
    // Character ranges [start, end) of link segments, counted in UTF-16
    // units from the insertion point, a paragraph break counting one.
    std::vector<std::pair<long, long>> links;
    // How many characters the batch adds.
    long length = 0;
};

// The messages, each starting with a paragraph break. Line breaks inside a
// segment (CR LF, CR or LF) become paragraph breaks and tabs tabs; other
// control characters are left out. Colours are left out when the history
// shows none; automatic colour is the control's text colour.
HistoryRtf historyRtf(const std::vector<std::vector<Segment>>& messages, const std::wstring& fontName,
                      int fontPoints, bool colours);
