// The image script language: scrambled lines of a command word and its
// arguments, turned into the items of an Image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "client/image/Image.h"

namespace image {

// Every byte of a line (its end excluded) is stored XOR-ed with this key.
inline constexpr std::uint8_t kScrambleKey = 0xA7;

// Bounds of what a script can make; the rest of the file, the items or the
// points beyond them are ignored.
inline constexpr std::size_t kMaxScriptBytes = std::size_t{1} << 20;
inline constexpr std::size_t kMaxItems = 65536;
inline constexpr std::size_t kMaxPoints = 65536; // points of one item

// Finds the image that an "image" line names (UTF-8); null when it is missing.
using ImageLookup = std::function<Image*(std::string_view name)>;

// Reads a script file's bytes: lines end at a line feed (a carriage return
// just before it is dropped), each is unscrambled and parsed in order. Only
// the first kMaxScriptBytes bytes are read.
void parseImageScript(Image& image, std::string_view fileBytes, const ImageLookup& lookup);

// Parses one unscrambled line: the first word is the command, the others its
// arguments, words being separated by white space. Unknown commands, broken
// lines and lines beyond kMaxItems add nothing. Numbers are read in order
// until a word that is not wholly a signed 32-bit decimal integer; the
// numbers not read keep their start values.
void parseImageLine(Image& image, std::string_view line, const ImageLookup& lookup);

// The scrambled file of a plain script whose lines end with LF or CR LF,
// written with CR LF. Fails, giving the number of the first line (from 1)
// that holds a byte whose scrambled form would end a line (0xAA or 0xAD).
bool scrambleScript(std::string_view plain, std::string& scrambled, std::size_t& badLine);

// The plain text of a scrambled file, lines read as the loader reads them
// and written with CR LF.
std::string unscrambleScript(std::string_view scrambled);

} // namespace image
