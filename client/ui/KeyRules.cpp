// Key decisions of the history and the chat line.
#include "client/ui/KeyRules.h"

namespace {

bool isLetterOrDigit(int virtualKey)
{
    return (virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z');
}

// The control codes that Control+C, Control+V and Control+X type.
constexpr wchar_t kCopy = 0x03;
constexpr wchar_t kPaste = 0x16;
constexpr wchar_t kCut = 0x18;

} // namespace

KeyAction chatKeyDown(int virtualKey, KeyModifiers m)
{
    switch (virtualKey) {
    case VirtualKey::kTab:
        return KeyAction::Swallow;
    case VirtualKey::kReturn:
        return m.any() ? KeyAction::Default : KeyAction::SendLine;
    case VirtualKey::kEscape:
        return KeyAction::ClearLine;
    case VirtualKey::kPageUp:
    case VirtualKey::kPageDown:
        return KeyAction::ReviewHistory;
    case VirtualKey::kUp:
        return KeyAction::RecallPrevious;
    case VirtualKey::kDown:
        return m.alt ? KeyAction::Swallow : KeyAction::RecallNext;
    default:
        break;
    }
    if (isLetterOrDigit(virtualKey) && (m.control || m.alt)) return KeyAction::KeyEvent;
    return KeyAction::Default;
}

KeyAction chatKeyUp(int virtualKey, KeyModifiers)
{
    if (virtualKey == VirtualKey::kTab) return KeyAction::MoveFocus;
    if (virtualKey == VirtualKey::kReturn) return KeyAction::Swallow;
    return KeyAction::Default;
}

KeyAction historyKeyDown(int virtualKey, KeyModifiers m)
{
    switch (virtualKey) {
    case VirtualKey::kTab:
        return KeyAction::Swallow;
    case VirtualKey::kReturn:
        return KeyAction::ClickAtCaret;
    case VirtualKey::kPageUp:
    case VirtualKey::kPageDown:
        return KeyAction::ReviewHistory;
    default:
        break;
    }
    if (isLetterOrDigit(virtualKey)) {
        // Control+C copies the selection, as in any read-only text.
        const bool copy = virtualKey == 'C' && m.control && !m.shift && !m.alt;
        return copy ? KeyAction::Default : KeyAction::KeyEvent;
    }
    return KeyAction::Default;
}

KeyAction historyKeyUp(int virtualKey, KeyModifiers)
{
    return virtualKey == VirtualKey::kTab ? KeyAction::MoveFocus : KeyAction::Default;
}

bool chatDropsCharacter(wchar_t character, KeyModifiers m)
{
    if (character == L'\t' || character == L'\r' || character == L'\n') return true;
    if (m.control == m.alt) return false;
    if (m.control && (character == kCopy || character == kPaste || character == kCut)) return false;
    return true;
}

int keyEventCode(int virtualKey, KeyModifiers m)
{
    return (virtualKey & 0xFF) | (m.shift ? 0x100 : 0) | (m.control ? 0x200 : 0) | (m.alt ? 0x400 : 0);
}
