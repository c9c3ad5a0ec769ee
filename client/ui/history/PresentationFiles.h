// The presentation of a server entry in the per-user data folder:
// "channels<i>.ini" (channels and palette) and "views<i>.ini", where i is the
// entry's index in the server list. Missing or empty files give the defaults,
// which are then written back.
#pragma once

#include <optional>
#include <string>

#include "client/ui/history/Presentation.h"

std::string channelsFilePath(int serverIndex);
std::string viewsFilePath(int serverIndex);

// Reads the entry's files. Channels and palette come from the channels file
// when it holds at least one channel and one palette entry, views from the
// views file when it holds at least one view; what is missing is taken from
// the defaults, logged ("No valid presentation found, fallback to default",
// "No valid view found, fallback to default") and saved. Channels beyond 32
// are ignored. Without defaults, what is missing stays empty.
Presentation loadPresentation(int serverIndex, const std::optional<Presentation>& defaults);

// Writes the channels and palette, or the views, of the entry. False when the
// file could not be written.
bool saveChannels(int serverIndex, const Presentation& presentation);
bool saveViews(int serverIndex, const Presentation& presentation);
bool savePresentation(int serverIndex, const Presentation& presentation);
