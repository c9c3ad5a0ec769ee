// Bounded printf-style formatting over typed arguments. Numbers are written by
// the C library from a conversion rebuilt for the argument's real type; text,
// padding and the bound are handled here.
#include "common/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/utf8.h"

namespace common {

std::int64_t FormatArg::asSigned() const
{
    switch (kind_) {
    case Kind::Signed: return signed_;
    case Kind::Unsigned: return static_cast<std::int64_t>(unsigned_);
    case Kind::Floating:
        if (std::isnan(floating_)) return 0;
        if (floating_ >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
        if (floating_ <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(floating_);
    case Kind::Pointer: return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(pointer_));
    default: return 0;
    }
}

std::uint64_t FormatArg::asUnsigned() const
{
    if (kind_ == Kind::Unsigned) return unsigned_;
    std::uint64_t v = static_cast<std::uint64_t>(asSigned());
    // A negative int shown with %x is its 32-bit two's complement, as in C.
    if (kind_ == Kind::Signed && size_ < 8) v &= (std::uint64_t(1) << (8 * size_)) - 1;
    return v;
}

double FormatArg::asDouble() const
{
    switch (kind_) {
    case Kind::Floating: return floating_;
    case Kind::Signed: return static_cast<double>(signed_);
    case Kind::Unsigned: return static_cast<double>(unsigned_);
    default: return 0.0;
    }
}

namespace {

// Widths and precisions beyond this only pad what the bound cuts off anyway.
constexpr std::size_t kMaxField = 1 << 16;

template <class T>
std::string cFormat(const std::string& conversion, T value)
{
    const int length = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (length <= 0) return {};
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), conversion.c_str(), value);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

template <class CharT>
std::basic_string<CharT> toOutput(std::string_view narrow)
{
    if constexpr (std::is_same_v<CharT, char>) return std::string(narrow);
    else return utf8ToWide(narrow);
}

template <class CharT>
std::basic_string<CharT> textOf(const FormatArg& arg)
{
    if constexpr (std::is_same_v<CharT, char>) {
        return arg.kind() == FormatArg::Kind::Wide ? wideToUtf8(arg.wide()) : std::string(arg.narrow());
    } else {
        return arg.kind() == FormatArg::Kind::Narrow ? utf8ToWide(arg.narrow()) : std::wstring(arg.wide());
    }
}

template <class CharT>
std::basic_string<CharT> codePointText(std::uint64_t cp)
{
    std::basic_string<CharT> s;
    if constexpr (std::is_same_v<CharT, char>) {
        s.push_back(static_cast<char>(cp & 0xFF));
    } else {
        s.push_back(static_cast<wchar_t>(sizeof(wchar_t) == 2 ? (cp & 0xFFFF) : (cp & 0x1FFFFF)));
    }
    return s;
}

struct Conversion {
    std::string flags;
    bool hasWidth = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
    char conv = 0;

    std::string cSpec(const char* length) const
    {
        std::string conversion = "%" + flags;
        if (hasWidth) conversion += std::to_string(width);
        if (hasPrecision) conversion += "." + std::to_string(precision);
        conversion += length;
        conversion.push_back(conv);
        return conversion;
    }
    bool leftJustify() const { return flags.find('-') != std::string::npos; }
};

template <class CharT>
void appendPadded(std::basic_string<CharT>& out, std::basic_string<CharT> text, const Conversion& c)
{
    if (c.hasPrecision && text.size() > c.precision) text.resize(c.precision);
    const std::size_t pad = c.hasWidth && c.width > text.size() ? c.width - text.size() : 0;
    if (!c.leftJustify()) out.append(pad, CharT(' '));
    out += text;
    if (c.leftJustify()) out.append(pad, CharT(' '));
}

template <class CharT>
std::basic_string<CharT> numberText(const FormatArg& arg, Conversion c)
{
    switch (c.conv) {
    case 'd': case 'i':
        return toOutput<CharT>(cFormat(c.cSpec("ll"), static_cast<long long>(arg.asSigned())));
    case 'u': case 'o': case 'x': case 'X':
        return toOutput<CharT>(cFormat(c.cSpec("ll"), static_cast<unsigned long long>(arg.asUnsigned())));
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        return toOutput<CharT>(cFormat(c.cSpec(""), arg.asDouble()));
    case 'p':
        c.hasPrecision = false;
        return toOutput<CharT>(cFormat(c.cSpec(""), arg.pointer()));
    default:
        return {};
    }
}

// Text that stands under %s although it is a number.
std::string numberAsText(const FormatArg& arg)
{
    switch (arg.kind()) {
    case FormatArg::Kind::Signed: return std::to_string(arg.asSigned());
    case FormatArg::Kind::Unsigned: return std::to_string(arg.asUnsigned());
    case FormatArg::Kind::Floating: return cFormat("%g", arg.asDouble());
    case FormatArg::Kind::Pointer: return cFormat("%p", arg.pointer());
    default: return {};
    }
}

template <class CharT>
bool isFlag(CharT c)
{
    return c == CharT('-') || c == CharT('+') || c == CharT(' ') || c == CharT('#') || c == CharT('0');
}

bool isText(const FormatArg& arg)
{
    return arg.kind() == FormatArg::Kind::Narrow || arg.kind() == FormatArg::Kind::Wide;
}

template <class CharT>
std::basic_string<CharT> formatImpl(std::size_t capacity, std::basic_string_view<CharT> format,
                                    std::span<const FormatArg> args)
{
    using String = std::basic_string<CharT>;
    String out;
    if (capacity == 0) return out;
    const std::size_t limit = std::min<std::size_t>(capacity, kMaxField);
    std::size_t next = 0;
    const std::size_t n = format.size();
    std::size_t i = 0;

    auto digitsAt = [&](std::size_t& pos) {
        std::size_t v = 0;
        while (pos < n && format[pos] >= CharT('0') && format[pos] <= CharT('9')) {
            v = std::min<std::size_t>(v * 10 + static_cast<std::size_t>(format[pos] - CharT('0')), kMaxField);
            ++pos;
        }
        return v;
    };

    while (i < n && out.size() < capacity) {
        const CharT ch = format[i];
        if (ch != CharT('%')) {
            out.push_back(ch);
            ++i;
            continue;
        }
        const std::size_t start = i++;
        if (i < n && format[i] == CharT('%')) {
            out.push_back(CharT('%'));
            ++i;
            continue;
        }
        Conversion c;
        bool missing = false;
        while (i < n && isFlag(format[i])) {
            c.flags.push_back(static_cast<char>(format[i]));
            ++i;
        }
        if (i < n && format[i] == CharT('*')) {
            ++i;
            if (next < args.size()) {
                const std::int64_t w = args[next++].asSigned();
                if (w < 0) c.flags.push_back('-');
                c.hasWidth = true;
                c.width = std::min<std::size_t>(static_cast<std::size_t>(w < 0 ? -w : w), limit);
            } else {
                missing = true;
            }
        } else if (i < n && format[i] >= CharT('1') && format[i] <= CharT('9')) {
            c.hasWidth = true;
            c.width = std::min(digitsAt(i), limit);
        }
        if (i < n && format[i] == CharT('.')) {
            ++i;
            c.hasPrecision = true;
            if (i < n && format[i] == CharT('*')) {
                ++i;
                if (next < args.size()) {
                    const std::int64_t p = args[next++].asSigned();
                    if (p < 0) c.hasPrecision = false;
                    else c.precision = std::min<std::size_t>(static_cast<std::size_t>(p), limit);
                } else {
                    missing = true;
                }
            } else {
                c.precision = std::min(digitsAt(i), limit);
            }
        }
        // Length modifiers say nothing here: the argument knows its type.
        while (i < n) {
            const CharT m = format[i];
            if (m == CharT('h') || m == CharT('l') || m == CharT('L') || m == CharT('q') || m == CharT('j')
                || m == CharT('z') || m == CharT('t') || m == CharT('w')) {
                ++i;
            } else if (m == CharT('I')) {
                ++i;
                if (i + 1 < n && ((format[i] == CharT('3') && format[i + 1] == CharT('2'))
                                  || (format[i] == CharT('6') && format[i + 1] == CharT('4')))) {
                    i += 2;
                }
            } else {
                break;
            }
        }
        if (i >= n) {
            out.append(format.substr(start));
            break;
        }
        const CharT conv = format[i++];
        const std::basic_string_view<CharT> literal = format.substr(start, i - start);
        static constexpr std::string_view kKnown = "diuoxXcCsSeEfFgGaAp";
        const bool known = static_cast<std::make_unsigned_t<CharT>>(conv) < 128 && kKnown.find(static_cast<char>(conv)) != std::string_view::npos;
        if (!known || missing || next >= args.size()) {
            out.append(literal);
            continue;
        }
        c.conv = static_cast<char>(conv);
        const FormatArg& arg = args[next++];
        switch (c.conv) {
        case 's': case 'S':
            appendPadded<CharT>(out, isText(arg) ? textOf<CharT>(arg) : toOutput<CharT>(numberAsText(arg)), c);
            break;
        case 'c': case 'C':
            c.hasPrecision = false;
            if (isText(arg)) appendPadded<CharT>(out, textOf<CharT>(arg).substr(0, 1), c);
            else appendPadded<CharT>(out, codePointText<CharT>(arg.asUnsigned()), c);
            break;
        default:
            if (isText(arg)) {
                appendPadded<CharT>(out, textOf<CharT>(arg), Conversion{});
            } else {
                out += numberText<CharT>(arg, c);
            }
            break;
        }
    }
    return out;
}

} // namespace

std::string formatBoundedArgs(std::size_t capacity, std::string_view format, std::span<const FormatArg> args)
{
    std::string out = formatImpl<char>(capacity, format, args);
    if (capacity == 0) return {};
    if (out.size() > capacity - 1) out.resize(capacity - 1);
    return out;
}

std::wstring formatBoundedArgsW(std::size_t capacity, std::wstring_view format, std::span<const FormatArg> args)
{
    std::wstring out = formatImpl<wchar_t>(capacity, format, args);
    if (capacity == 0) return {};
    truncateUtf16(out, capacity - 1);
    return out;
}

} // namespace common
