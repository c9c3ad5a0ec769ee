// The interface-string keys the client looks up, with the arguments the code
// passes when it uses a text as a format. Every language file must hold a
// text for each of them with exactly these conversions; the language tests
// check both shipped files against this list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct InterfaceKey {
    std::string key;
    // One letter per argument, in order: 'd' an integer, 's' a text. Empty
    // for a text shown as it is, which then holds no '%' at all.
    std::string arguments;
};

// Every key, those built at run time included ("channel" and "view" with a
// number from 0 to 31, "chf" with 0 to 3).
const std::vector<InterfaceKey>& interfaceKeys();

// The conversions of a format in the same letters ('d' for d, i, u, o, x, X
// and c; 's' for s and S; 'f' for the floating-point ones; '*' for a width or
// precision taken from the arguments; '?' for anything else), "%%" skipped.
std::string formatConversions(std::wstring_view format);
