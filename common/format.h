// Bounded printf-style formatting, narrow and wide. The result holds at most
// capacity - 1 units (bytes, or UTF-16 units for wide text), as a fixed
// buffer of capacity characters would.
//
// The arguments are typed, so a format that does not match them (a language
// file with "%s" where the program passes a number, or too few arguments)
// cannot crash: a number under %s is written in decimal, text under %d is
// written as text, a conversion without an argument is copied as it stands,
// and %n is never honoured. In wide formats, %s takes wide text as on Windows;
// narrow text is taken as UTF-8 in both kinds of format.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace common {

class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Floating, Narrow, Wide, Pointer };

    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    FormatArg(T v) : kind_(Kind::Signed), size_(sizeof(T)), signed_(v) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>, int> = 0>
    FormatArg(T v) : kind_(Kind::Unsigned), size_(sizeof(T)), unsigned_(v) {}
    FormatArg(bool v) : kind_(Kind::Signed), size_(sizeof(int)), signed_(v ? 1 : 0) {}
    FormatArg(char v) : kind_(Kind::Signed), size_(sizeof(int)), signed_(static_cast<unsigned char>(v)) {}
    FormatArg(wchar_t v) : kind_(Kind::Unsigned), size_(sizeof(unsigned)), unsigned_(static_cast<std::uint64_t>(v)) {}
    FormatArg(double v) : kind_(Kind::Floating), floating_(v) {}
    FormatArg(float v) : kind_(Kind::Floating), floating_(v) {}
    FormatArg(const char* v) : kind_(Kind::Narrow), narrow_(v ? std::string_view(v) : std::string_view("(null)")) {}
    FormatArg(const std::string& v) : kind_(Kind::Narrow), narrow_(v) {}
    FormatArg(std::string_view v) : kind_(Kind::Narrow), narrow_(v) {}
    FormatArg(const wchar_t* v) : kind_(Kind::Wide), wide_(v ? std::wstring_view(v) : std::wstring_view(L"(null)")) {}
    FormatArg(const std::wstring& v) : kind_(Kind::Wide), wide_(v) {}
    FormatArg(std::wstring_view v) : kind_(Kind::Wide), wide_(v) {}
    FormatArg(const void* v) : kind_(Kind::Pointer), pointer_(v) {}

    Kind kind() const { return kind_; }
    std::size_t size() const { return size_; }
    std::int64_t asSigned() const;
    std::uint64_t asUnsigned() const;
    double asDouble() const;
    std::string_view narrow() const { return narrow_; }
    std::wstring_view wide() const { return wide_; }
    const void* pointer() const { return pointer_; }

private:
    Kind kind_;
    std::size_t size_ = 0;
    std::int64_t signed_ = 0;
    std::uint64_t unsigned_ = 0;
    double floating_ = 0;
    std::string_view narrow_;
    std::wstring_view wide_;
    const void* pointer_ = nullptr;
};

std::string formatBoundedArgs(std::size_t capacity, std::string_view format,
                              std::span<const FormatArg> args);
std::wstring formatBoundedArgsW(std::size_t capacity, std::wstring_view format,
                                std::span<const FormatArg> args);

// formatBounded(256, "msel %d%c%d", menu, '\x7F', index)
template <class... Args>
std::string formatBounded(std::size_t capacity, std::string_view format, const Args&... args)
{
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return formatBoundedArgs(capacity, format, list);
}

template <class... Args>
std::wstring formatBoundedW(std::size_t capacity, std::wstring_view format, const Args&... args)
{
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return formatBoundedArgsW(capacity, format, list);
}

} // namespace common
