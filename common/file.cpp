// Opening files by UTF-8 path.
#include "common/file.h"

#ifdef _WIN32
#include "common/utf8.h"
#include <wchar.h>
#endif

namespace common {

std::filesystem::path fsPath(const std::string& utf8Path)
{
    return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
}

FilePtr openFile(const std::string& utf8Path, const char* mode)
{
#ifdef _WIN32
    const std::wstring wideMode = utf8ToWide(mode);
    return FilePtr(_wfopen(utf8ToWide(utf8Path).c_str(), wideMode.c_str()));
#else
    return FilePtr(std::fopen(utf8Path.c_str(), mode));
#endif
}

bool readWholeFile(const std::string& utf8Path, std::string& out)
{
    FilePtr f = openFile(utf8Path, "rb");
    if (!f) return false;
    std::string data;
    char buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
        data.append(buffer, n);
        if (n < sizeof buffer) break;
    }
    if (std::ferror(f.get())) return false;
    out = std::move(data);
    return true;
}

bool writeWholeFile(const std::string& utf8Path, const std::string& bytes)
{
    FilePtr f = openFile(utf8Path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    const bool closed = std::fclose(f.release()) == 0;
    return written && closed;
}

} // namespace common
