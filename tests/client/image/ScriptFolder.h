// Test scripts written as plain text and stored scrambled in a folder in
// memory, with an image cache over it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/image/ImageCache.h"
#include "client/image/ImageDump.h"
#include "client/image/ImageScript.h"

class ScriptFolder {
public:
    ScriptFolder() : folder_(std::make_shared<image::MemoryImageFolder>()), cache_(folder_) {}

    // Stores the plain lines (joined with LF) as the scrambled file of name.
    void add(const std::string& name, const std::vector<std::string>& lines)
    {
        std::string plain;
        for (const std::string& line : lines) plain += line + "\n";
        addPlain(name, plain);
    }
    void addPlain(const std::string& name, const std::string& plain)
    {
        std::string scrambled;
        std::size_t badLine = 0;
        ASSERT_TRUE(image::scrambleScript(plain, scrambled, badLine)) << "line " << badLine;
        folder_->files[name] = scrambled;
    }
    void addBytes(const std::string& name, const std::string& bytes) { folder_->files[name] = bytes; }

    image::Image* get(const std::string& name) { return cache_.get(std::wstring(name.begin(), name.end())); }
    image::ImageCache& cache() { return cache_; }
    image::MemoryImageFolder& files() { return *folder_; }

    // The dump of a script's image (items only, without the space line).
    std::vector<std::string> items(const std::vector<std::string>& lines)
    {
        add("x" + std::to_string(++counter_), lines);
        image::Image* img = get("x" + std::to_string(counter_));
        if (!img) return {"not loaded"};
        std::vector<std::string> dump = image::dumpImage(*img);
        dump.erase(dump.begin());
        return dump;
    }

private:
    std::shared_ptr<image::MemoryImageFolder> folder_;
    image::ImageCache cache_;
    int counter_ = 0;
};
