// The main window's keyboard shortcuts as a table the portable logic can
// read: the same entries as the Windows accelerator tables "accel" and
// "accel2" of the program's resources (a test holds them equal), for the
// front-ends that have no such tables.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "client/ui/KeyRules.h"

struct Accelerator {
    int virtualKey;
    bool shift;
    bool control;
    bool alt;
    int command;
    // Entries of the second table are off while a game's arcade window is
    // active.
    bool secondTable;
};

const std::vector<Accelerator>& accelerators();

// The command of a key pressed with these modifiers, when it is a shortcut.
std::optional<int> acceleratorCommand(int virtualKey, KeyModifiers modifiers, bool arcadeMode);

// The virtual-key code of a key's name as players and scripts write it:
// letters and digits, "F1" to "F24", "PageUp", "PageDown", "Home", "End",
// "Left", "Right", "Up", "Down", "Return" (or "Enter"), "Escape", "Tab",
// "Space", "Delete", "Back", "Insert", "Apps"; any case.
std::optional<int> virtualKeyNamed(std::string_view name);
