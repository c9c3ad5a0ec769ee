// Conversion between UTF-8 byte strings (used inside the program, on the wire
// and in files) and wide strings (shown in windows and spoken).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace common {

// Decodes UTF-8. Each malformed sequence becomes one U+FFFD and decoding goes
// on with the next byte, so bad input never loses the text that follows it.
// Code points above U+FFFF become surrogate pairs where wchar_t is 16 bits.
std::wstring utf8ToWide(std::string_view text);

// Encodes a wide string as UTF-8. Surrogate pairs are joined; a lone surrogate
// or a value beyond U+10FFFF becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text);

// Length of the text in UTF-16 code units, the unit in which Windows counts
// characters, whatever the width of wchar_t here.
std::size_t utf16Length(std::wstring_view text);

// Cuts the text to at most maxUnits UTF-16 code units without splitting a
// surrogate pair.
void truncateUtf16(std::wstring& text, std::size_t maxUnits);

// Cuts the text to at most maxBytes bytes without splitting a UTF-8 sequence:
// a sequence that would not fit whole is dropped whole. Bytes that are not
// well-formed UTF-8 count one by one.
void truncateUtf8(std::string& text, std::size_t maxBytes);

} // namespace common
