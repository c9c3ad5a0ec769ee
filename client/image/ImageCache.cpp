// The image cache and the folders it reads scripts from.
#include "client/image/ImageCache.h"

#include <algorithm>
#include <cctype>

#include "client/core/Environment.h"
#include "client/image/ImageScript.h"
#include "common/file.h"
#include "common/utf8.h"

namespace image {

namespace {

bool isDeviceName(std::string_view part)
{
    // Windows takes the name before the first dot, trailing blanks ignored.
    part = part.substr(0, part.find('.'));
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    std::string upper(part);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
        upper == "CONOUT$")
        return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

} // namespace

std::optional<std::vector<std::string>> imageNameParts(std::string_view utf8Name)
{
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (true) {
        const std::size_t end = std::min(utf8Name.find_first_of("/\\", at), utf8Name.size());
        const std::string_view part = utf8Name.substr(at, end - at);
        if (part.empty() || part == "." || part == ".." || isDeviceName(part)) return std::nullopt;
        for (const char c : part) {
            if (c == ':' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        }
        parts.emplace_back(part);
        if (end == utf8Name.size()) return parts;
        at = end + 1;
    }
}

bool DiskImageFolder::readScript(const std::vector<std::string>& parts, std::size_t maxBytes, std::string& bytes)
{
    std::string path = folder_;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) path += kPathSeparator;
        path += parts[i];
    }
    path += ".gfx";
    common::FilePtr file = common::openFile(path, "rb");
    if (!file) return false;
    // Scripts are small: read in chunks rather than making room for the
    // largest at once.
    constexpr std::size_t kChunk = 16 * 1024;
    bytes.clear();
    while (bytes.size() < maxBytes) {
        const std::size_t at = bytes.size();
        bytes.resize(std::min(at + kChunk, maxBytes));
        const std::size_t got = std::fread(bytes.data() + at, 1, bytes.size() - at, file.get());
        bytes.resize(at + got);
        if (got == 0) break;
    }
    return true;
}

bool MemoryImageFolder::readScript(const std::vector<std::string>& parts, std::size_t maxBytes, std::string& bytes)
{
    std::string path;
    for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
    const auto found = files.find(path);
    if (found == files.end()) return false;
    bytes = found->second.substr(0, maxBytes);
    return true;
}

Image* ImageCache::get(const std::wstring& name)
{
    if (const auto found = images_.find(name); found != images_.end()) return found->second.get();
    if (loading_.size() >= kMaxLoadNesting || std::find(loading_.begin(), loading_.end(), name) != loading_.end())
        return nullptr;
    if (!loading_.empty() && missingWhileLoading_.contains(name)) return nullptr;
    auto image = std::make_unique<Image>();
    if (!load(*image, common::wideToUtf8(name))) {
        if (!loading_.empty()) missingWhileLoading_.insert(name);
        return nullptr;
    }
    return images_.emplace(name, std::move(image)).first->second.get();
}

bool ImageCache::load(Image& image, const std::string& utf8Name)
{
    const auto parts = imageNameParts(utf8Name);
    std::string bytes;
    if (!parts || !folder_->readScript(*parts, kMaxScriptBytes, bytes)) return false;
    image.name = utf8Name;
    loading_.push_back(common::utf8ToWide(utf8Name));
    parseImageScript(image, bytes, [this](std::string_view nested) { return get(common::utf8ToWide(nested)); });
    loading_.pop_back();
    if (loading_.empty()) missingWhileLoading_.clear();
    return true;
}

ImageCache& imageCache()
{
    static ImageCache cache(
        std::make_shared<DiskImageFolder>(environment().appDir + "images" + std::string(1, kPathSeparator)));
    return cache;
}

Image* getImage(const std::wstring& name) { return imageCache().get(name); }

bool loadImage(Image& image, const std::string& utf8Name) { return imageCache().load(image, utf8Name); }

} // namespace image
