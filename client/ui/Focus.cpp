// The main window's focus rules.
#include "client/ui/Focus.h"

#include "common/numbers.h"
#include "common/utf8.h"

FocusTarget tabTarget(FocusTarget from, bool backwards, bool arcadeMode)
{
    switch (from) {
    case FocusTarget::List:
        return backwards ? FocusTarget::History : FocusTarget::Chat;
    case FocusTarget::History:
        return backwards ? FocusTarget::Chat : FocusTarget::List;
    case FocusTarget::Chat:
        if (arcadeMode) return FocusTarget::Arcade;
        return backwards ? FocusTarget::List : FocusTarget::History;
    case FocusTarget::Arcade:
        return FocusTarget::Chat;
    }
    return FocusTarget::Chat;
}

FocusChatRequest parseFocusChat(const std::string& argument)
{
    FocusChatRequest request;
    std::size_t used = 0;
    request.flags = static_cast<int>(common::readLong(argument, &used));
    const std::size_t blank = argument.find(' ', used);
    if (blank != std::string::npos) request.text = common::utf8ToWide(argument.substr(blank + 1));
    return request;
}

FocusChatSteps focusChatSteps(int flags)
{
    FocusChatSteps steps;
    steps.insertAtCaret = (flags & FocusChatFlag::kInsert) != 0;
    steps.replaceText = !steps.insertAtCaret && (flags & FocusChatFlag::kKeepText) == 0;
    steps.focus = (flags & FocusChatFlag::kFocus) != 0;
    steps.selectAll = (flags & FocusChatFlag::kSelectAll) != 0;
    steps.caretToEnd = !steps.selectAll && (flags & FocusChatFlag::kKeepCaret) == 0;
    return steps;
}
