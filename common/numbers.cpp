// Number reading and writing with C library rules on every platform.
#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace common {
namespace {

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct ParsedInteger {
    bool negative = false;
    bool overflow = false;
    std::uint64_t magnitude = 0;
    std::size_t used = 0;
};

// The common part of strtol and strtoull: the magnitude saturates at
// UINT64_MAX and the caller applies its own range.
ParsedInteger parseInteger(std::string_view s)
{
    ParsedInteger r;
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        r.negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '0') {
        if (i + 2 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X') && digitValue(s[i + 2]) < 16) {
            base = 16;
            i += 2;
        } else {
            base = 8;
        }
    }
    const std::size_t digitsStart = i;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    while (i < s.size()) {
        const int d = digitValue(s[i]);
        if (d >= base) break;
        if (r.magnitude > (kMax - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(base)) {
            r.overflow = true;
        } else {
            r.magnitude = r.magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        }
        ++i;
    }
    r.used = i > digitsStart ? i : 0;
    if (r.used == 0) r.negative = false;
    return r;
}

} // namespace

std::int32_t readLong(std::string_view text, std::size_t* used)
{
    const ParsedInteger r = parseInteger(text);
    if (used) *used = r.used;
    constexpr std::uint64_t kPositiveLimit = 0x7FFFFFFFu;
    if (r.negative) {
        if (r.overflow || r.magnitude > kPositiveLimit + 1) return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(r.magnitude));
    }
    if (r.overflow || r.magnitude > kPositiveLimit) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r.magnitude);
}

std::uint64_t readULongLong(std::string_view text, std::size_t* used)
{
    const ParsedInteger r = parseInteger(text);
    if (used) *used = r.used;
    if (r.overflow) return std::numeric_limits<std::uint64_t>::max();
    return r.negative ? (~r.magnitude + 1) : r.magnitude;
}

double readDouble(std::string_view text, std::size_t* used)
{
    if (used) *used = 0;
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const char* const begin = text.data() + i;
    const char* const end = text.data() + text.size();
    auto finish = [&](double value, const char* stop) {
        if (used) *used = static_cast<std::size_t>(stop - text.data());
        return negative ? -value : value;
    };

    // from_chars reads neither the hexadecimal prefix nor a sign itself.
    std::chars_format form = std::chars_format::general;
    const char* start = begin;
    if (end - begin >= 2 && begin[0] == '0' && lower(begin[1]) == 'x') {
        const char* after = begin + 2;
        const bool hexDigit = after < end && (digitValue(*after) < 16 || (*after == '.' && after + 1 < end && digitValue(after[1]) < 16));
        if (!hexDigit) return finish(0.0, begin + 1); // just the "0"
        form = std::chars_format::hex;
        start = after;
    }
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(start, end, value, form);
    if (r.ptr == start) {
        if (used) *used = 0;
        return 0.0;
    }
    if (r.ec == std::errc::result_out_of_range) {
        // Which way it left the range shows in the sign of the exponent.
        bool tiny = false;
        for (const char* p = start; p < r.ptr; ++p) {
            const char c = lower(*p);
            if ((form == std::chars_format::hex ? c == 'p' : c == 'e') && p + 1 < r.ptr) {
                tiny = p[1] == '-';
                break;
            }
        }
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return finish(value, r.ptr);
}

std::string toBase36(std::uint64_t value)
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char buffer[16];
    std::size_t n = 0;
    do {
        buffer[n++] = kDigits[value % 36];
        value /= 36;
    } while (value != 0);
    std::string out;
    out.reserve(n);
    while (n > 0) out.push_back(buffer[--n]);
    return out;
}

} // namespace common
