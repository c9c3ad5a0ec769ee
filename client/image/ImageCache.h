// Where images come from: script files named after the image in an images
// folder, parsed on first request and kept for the whole run.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "client/image/Image.h"

namespace image {

// Images being loaded inside each other at most; a deeper "image" line names
// a missing image.
inline constexpr std::size_t kMaxLoadNesting = 16;

// The folders of an image name, checked: "/" and "\" separate folders; a
// name that is empty, has an empty folder, ".", "..", a ":" (drive letters,
// streams), a control character or a device name of Windows (CON, PRN, AUX,
// NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, with any extension) in
// any part names no image. Nothing then.
std::optional<std::vector<std::string>> imageNameParts(std::string_view utf8Name);

// A folder of script files.
class ImageFolder {
public:
    virtual ~ImageFolder() = default;
    // Reads at most maxBytes of the script of the checked name parts (the file
    // parts[0]/…/parts[n-1] + ".gfx"); false when it cannot be opened.
    virtual bool readScript(const std::vector<std::string>& parts, std::size_t maxBytes, std::string& bytes) = 0;
};

// Script files on disk under a folder path (UTF-8, ending with a separator).
class DiskImageFolder : public ImageFolder {
public:
    explicit DiskImageFolder(std::string folder) : folder_(std::move(folder)) {}
    bool readScript(const std::vector<std::string>& parts, std::size_t maxBytes, std::string& bytes) override;

private:
    std::string folder_;
};

// Scripts held in memory by their path ("dice/one", parts joined with "/").
class MemoryImageFolder : public ImageFolder {
public:
    std::map<std::string, std::string> files; // path without ".gfx" → file bytes
    bool readScript(const std::vector<std::string>& parts, std::size_t maxBytes, std::string& bytes) override;
};

class ImageCache {
public:
    explicit ImageCache(std::shared_ptr<ImageFolder> folder) : folder_(std::move(folder)) {}

    // The image of the name (exact): the cached one, else a new one loaded
    // and cached; null when it cannot be loaded, which is not remembered, so
    // the next request reads the file again. An image that includes itself,
    // directly or through others, finds its own name missing.
    Image* get(const std::wstring& name);

    // Reads and parses the named script into image; false only when the file
    // cannot be opened (or the name names no file).
    bool load(Image& image, const std::string& utf8Name);

    std::size_t size() const { return images_.size(); }

private:
    std::shared_ptr<ImageFolder> folder_;
    std::unordered_map<std::wstring, std::unique_ptr<Image>> images_;
    std::vector<std::wstring> loading_; // names being loaded, outermost first
    // Names that failed to load during the current outermost load, so that a
    // script naming a missing image many times reads no file more than once.
    std::set<std::wstring> missingWhileLoading_;
};

// The client's images: the "images" folder of the application folder.
ImageCache& imageCache();
Image* getImage(const std::wstring& name);
bool loadImage(Image& image, const std::string& utf8Name);

} // namespace image
