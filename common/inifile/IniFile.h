// The configuration-file format of the client, the game library and the
// plug-ins: flat "key=value" lines, then optional named free-text blocks.
//
// Lines end at a line feed; a carriage return before it is dropped. Empty
// lines and lines starting with '#' or ';' are skipped. A line starting with
// '[' opens a text block named up to the first ']'; from then on every line
// is appended to the current block (a line feed before each), "=" or not.
// Before the first block, a line is split at its first '=' into an untrimmed
// key and value, and "\r", "\n" and "\t" in the value become CR, LF and tab;
// lines without '=' are ignored. Later keys replace earlier ones.
//
// Files are written as "key=value" lines with CR LF in the map's order, the
// values as they are. Read files into the unordered instantiation; build
// written files in the ordered one so that keys come out byte-wise sorted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "common/file.h"
#include "common/numbers.h"
#include "common/utf8.h"

namespace common {

// A value as written: the file keeps values as they are and reads "\r" and
// "\n" back as line breaks, so a line break inside a value, which would end
// its line and let the rest pass for another key, is written as its escape.
inline std::string escapeLineBreaks(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out.push_back(c);
    }
    return out;
}

} // namespace common

template <template <class...> class Map, class Key = std::string, class Value = std::string>
class IniFile {
public:
    using MapType = Map<Key, Value>;

    // Reads the file into the map, adding to what is there. False, with the
    // map unchanged, when the file cannot be opened or read.
    bool load(const std::string& path)
    {
        std::string text;
        if (!common::readWholeFile(path, text)) return false;
        parse(text);
        return true;
    }

    // Reads configuration text (the same syntax as a file) into the map.
    void parse(std::string_view text)
    {
        bool inBlock = false;
        Value* block = nullptr;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            std::string_view line;
            if (end == std::string_view::npos) {
                line = text.substr(pos);
                pos = text.size();
            } else {
                line = text.substr(pos, end - pos);
                if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                pos = end + 1;
            }
            if (line.empty() || line.front() == '#' || line.front() == ';') continue;
            if (line.front() == '[') {
                const std::size_t close = line.find(']');
                const std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
                block = &(map_[Key(name)] = Value());
                inBlock = true;
                continue;
            }
            if (inBlock) {
                block->push_back('\n');
                block->append(line);
                continue;
            }
            const std::size_t eq = line.find('=');
            if (eq == std::string_view::npos) continue;
            map_[Key(line.substr(0, eq))] = unescape(line.substr(eq + 1));
        }
    }

    // Creates or truncates the file and writes every entry. False when it
    // cannot be opened or written.
    bool save(const std::string& path) const { return common::writeWholeFile(path, serialize()); }

    // The file's contents as save writes them.
    std::string serialize() const
    {
        std::string out;
        for (const auto& [key, value] : map_) {
            out.append(key);
            out.push_back('=');
            out.append(value);
            out.append("\r\n");
        }
        return out;
    }

    Value get(const Key& key, const Value& fallback = Value()) const
    {
        const auto it = map_.find(key);
        return it == map_.end() ? fallback : it->second;
    }

    bool has(const Key& key) const { return map_.find(key) != map_.end(); }

    // True for "1", "true" or "on" in any case; false for any other value.
    bool getBool(const Key& key, bool fallback) const
    {
        const auto it = map_.find(key);
        if (it == map_.end()) return fallback;
        const std::string_view v = it->second;
        return v == "1" || equalsNoCase(v, "true") || equalsNoCase(v, "on");
    }

    // strtod rules; text that is not a number reads as 0.
    float getFloat(const Key& key, float fallback) const
    {
        const auto it = map_.find(key);
        return it == map_.end() ? fallback : static_cast<float>(common::readDouble(it->second));
    }

    // strtol rules with base 0 (0x hexadecimal, leading 0 octal).
    int getInt(const Key& key, int fallback) const
    {
        const auto it = map_.find(key);
        return it == map_.end() ? fallback : common::readLong(it->second);
    }

    // strtoull rules with base 0.
    std::uint64_t getUInt64(const Key& key, std::uint64_t fallback) const
    {
        const auto it = map_.find(key);
        return it == map_.end() ? fallback : common::readULongLong(it->second);
    }

    void set(const Key& key, const Value& value) { map_[key] = value; }
    void set(const Key& key, const std::wstring& value) { map_[key] = Value(common::wideToUtf8(value)); }
    void setBool(const Key& key, bool value) { map_[key] = value ? "true" : "false"; }
    void setInt(const Key& key, int value) { map_[key] = std::to_string(value); }
    void setUInt(const Key& key, std::uint32_t value) { map_[key] = std::to_string(value); }

    // Widened to double and written with "%.14g".
    void setFloat(const Key& key, float value)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.14g", static_cast<double>(value));
        map_[key] = buffer;
    }

    void erase(const Key& key) { map_.erase(key); }
    void clear() { map_.clear(); }
    std::size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }
    const MapType& entries() const { return map_; }
    auto begin() const { return map_.begin(); }
    auto end() const { return map_.end(); }

private:
    static bool equalsNoCase(std::string_view a, std::string_view b)
    {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            char x = a[i];
            if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
            if (x != b[i]) return false;
        }
        return true;
    }

    // The escapes are replaced one kind after the other, \r first, then \n,
    // then \t, each over the result of the previous one.
    static Value unescape(std::string_view raw)
    {
        Value v(raw);
        if (v.find('\\') == Value::npos) return v;
        replaceAll(v, "\\r", "\r");
        replaceAll(v, "\\n", "\n");
        replaceAll(v, "\\t", "\t");
        return v;
    }

    static void replaceAll(Value& v, std::string_view from, std::string_view to)
    {
        Value out;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t hit = v.find(from, pos);
            if (hit == Value::npos) break;
            out.append(v, pos, hit - pos);
            out.append(to);
            pos = hit + from.size();
        }
        if (pos == 0) return;
        out.append(v, pos, Value::npos);
        v = std::move(out);
    }

    MapType map_;
};

// The instantiation for files that are read and queried.
using UnorderedIniFile = IniFile<std::unordered_map, std::string, std::string>;
// The instantiation for files that are built and written: keys in byte order.
using OrderedIniFile = IniFile<std::map, std::string, std::string>;
