// Files opened by UTF-8 path on every platform (through the UTF-16 name on
// Windows, so that folders such as a user name with accents work).
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace common {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The path of a UTF-8 name for std::filesystem (whose narrow strings are in
// the ANSI code page on Windows).
std::filesystem::path fsPath(const std::string& utf8Path);

// Opens a file with an fopen mode ("rb", "wb", "ab", ...); null on failure.
FilePtr openFile(const std::string& utf8Path, const char* mode);

// Reads a whole file into out; false (out unchanged) when it cannot be opened
// or read.
bool readWholeFile(const std::string& utf8Path, std::string& out);

// Writes the bytes to a new or truncated file; false on any failure.
bool writeWholeFile(const std::string& utf8Path, const std::string& bytes);

} // namespace common
