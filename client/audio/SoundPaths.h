// Where the files of sound names are: the two sounds folders, and the names
// that may not leave them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The path below a sounds folder for a name ("cards/shuffle" or
// "cards\shuffle"), with the platform's separator. Nothing for a name that
// could reach outside the folder or anything but a plain file: a ".."
// segment, a leading separator, a ':' (drives, alternate streams), a control
// character, or a segment that Windows takes for a device ("CON", "COM1" …).
// Otherwise a server could learn, through what plays and what "soundstate"
// answers, which files exist anywhere on the player's disk.
std::optional<std::string> soundRelativePath(std::string_view name);
