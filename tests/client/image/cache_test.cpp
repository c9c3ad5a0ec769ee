// The image cache: loading once, failures tried again, images that include
// themselves, nesting, image names that leave the images folder, and the
// folder on disk.
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScriptFolder.h"
#include "support/TempDir.h"

namespace {

// Counts the reads of each path.
class CountingFolder : public image::MemoryImageFolder {
public:
    std::map<std::string, int> reads;
    bool readScript(const std::vector<std::string>& parts, std::size_t maxBytes, std::string& bytes) override
    {
        std::string path;
        for (const std::string& p : parts) path += (path.empty() ? "" : "/") + p;
        ++reads[path];
        return MemoryImageFolder::readScript(parts, maxBytes, bytes);
    }
};

std::string scrambled(const std::vector<std::string>& lines)
{
    std::string plain, out;
    for (const std::string& l : lines) plain += l + "\n";
    std::size_t bad = 0;
    EXPECT_TRUE(image::scrambleScript(plain, out, bad));
    return out;
}

std::vector<std::string> items(const image::Image* img)
{
    if (!img) return {"missing"};
    std::vector<std::string> dump = image::dumpImage(*img);
    dump.erase(dump.begin());
    return dump;
}

} // namespace

TEST(ImageCache, LoadsOnceAndKeepsTheImage)
{
    auto folder = std::make_shared<CountingFolder>();
    folder->files["dot"] = scrambled({"fill circle 50 50 50"});
    image::ImageCache cache(folder);
    image::Image* first = cache.get(L"dot");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->name, "dot");
    EXPECT_EQ(cache.get(L"dot"), first);
    EXPECT_EQ(folder->reads["dot"], 1);
}

TEST(ImageCache, AFailedNameIsTriedAgain)
{
    auto folder = std::make_shared<CountingFolder>();
    image::ImageCache cache(folder);
    EXPECT_EQ(cache.get(L"later"), nullptr);
    EXPECT_EQ(cache.get(L"later"), nullptr);
    EXPECT_EQ(folder->reads["later"], 2);
    EXPECT_EQ(cache.size(), 0u);
    folder->files["later"] = scrambled({"brush red"});
    EXPECT_NE(cache.get(L"later"), nullptr);
}

TEST(ImageCache, AMissingImageNamedOftenIsReadOncePerLoad)
{
    auto folder = std::make_shared<CountingFolder>();
    std::vector<std::string> lines(1000, "image missing 0 0 10 10");
    lines.push_back("image other 0 0 10 10");
    folder->files["many"] = scrambled(lines);
    folder->files["other"] = scrambled({"image missing 0 0 10 10"});
    image::ImageCache cache(folder);
    ASSERT_NE(cache.get(L"many"), nullptr);
    EXPECT_EQ(folder->reads["missing"], 1);
    // A later request reads the file again.
    EXPECT_EQ(cache.get(L"missing"), nullptr);
    EXPECT_EQ(folder->reads["missing"], 2);
}

TEST(ImageCache, AnImageIncludingItselfFindsItselfMissing)
{
    ScriptFolder folder;
    folder.add("self", {"image self 0 0 10 10", "fill rect 1 1 1"});
    EXPECT_EQ(items(folder.get("self")), (std::vector<std::string>{"IIRectangle 1 1 2 2 3"}));
    // Through another image: the inner reference back is missing.
    folder.add("a", {"image b 0 0 50 50", "brush red"});
    folder.add("b", {"image a 0 0 10 10", "image c 0 0 10 10"});
    folder.add("c", {"image a 0 0 10 10", "image b 0 0 10 10", "fill rect 0 0 1"});
    EXPECT_EQ(items(folder.get("a")), (std::vector<std::string>{"IIImage 0 0 50 50 b", "IIChangeBrush 0x01000004"}));
    EXPECT_EQ(items(folder.get("b")), (std::vector<std::string>{"IIImage 0 0 10 10 c"}));
    EXPECT_EQ(items(folder.get("c")), (std::vector<std::string>{"IIRectangle 0 0 1 1 3"}));
}

TEST(ImageCache, LoadsNestAtMostSixteenDeep)
{
    ScriptFolder folder;
    for (int i = 0; i < 20; ++i)
        folder.add("n" + std::to_string(i), {"image n" + std::to_string(i + 1) + " 0 0 100 100", "brush red"});
    image::Image* img = folder.get("n0");
    int depth = 0;
    while (img) {
        ++depth;
        auto* nested = dynamic_cast<image::IIImage*>(img->items.front().get());
        img = nested ? nested->nested : nullptr;
    }
    EXPECT_EQ(depth, 16);
    // The deepest one loaded without its missing inner image; n16 was never
    // loaded and loads on its own.
    EXPECT_NE(folder.get("n16"), nullptr);
}

TEST(ImageCache, Names)
{
    const std::vector<std::string> good = {"dice", "dice/one", "dice\\one", "a.b", "\xC3\xBC" "ber", "com10",
                                           "console", "nul_x", "x/con_y", "...a"};
    for (const std::string& name : good) EXPECT_TRUE(image::imageNameParts(name).has_value()) << name;
    const std::vector<std::string> bad = {
        "", "/abs", "\\abs", "a//b", "a/", "a\\", "..", "a/../b", "..\\b", ".", "./a", "c:x", "C:\\x", "a:b",
        "\\\\server\\share", "con", "CON", "Con.txt", "nul.gfx", "a/com1", "lpt9", "COM1 ", "aux .x", "prn",
        "conin$", "CONOUT$", std::string("a\x01" "b"), std::string("a\0b", 3)};
    for (const std::string& name : bad) EXPECT_FALSE(image::imageNameParts(name).has_value()) << name;
    EXPECT_EQ(image::imageNameParts("dice\\one/two"), (std::vector<std::string>{"dice", "one", "two"}));
}

TEST(ImageCache, NamesOutsideTheFolderAreMissingFromScriptsToo)
{
    auto folder = std::make_shared<CountingFolder>();
    folder->files["pics/dot"] = scrambled({"fill circle 50 50 50"});
    folder->files["outer"] = scrambled({"image pics\\dot 0 0 10 10", "image ../secret 0 0 10 10",
                                        "image c:dot 0 0 10 10", "image CON 0 0 10 10"});
    image::ImageCache cache(folder);
    EXPECT_EQ(items(cache.get(L"outer")), (std::vector<std::string>{"IIImage 0 0 10 10 pics\\dot"}));
    EXPECT_EQ(folder->reads.size(), 2u); // "outer" and "pics/dot": no other file was tried
    image::Image loose;
    EXPECT_FALSE(cache.load(loose, "../outer"));
}

TEST(ImageCache, ReadsTheFolderOnDisk)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "sub");
    {
        std::ofstream(dir.path() / "dot.gfx", std::ios::binary) << scrambled({"fill circle 50 50 50"});
        std::ofstream(dir.path() / "sub" / "ring.gfx", std::ios::binary)
            << scrambled({"image dot 0 0 100 100", "draw circle 50 50 50"});
    }
    image::ImageCache cache(std::make_shared<image::DiskImageFolder>(dir.file("")));
    EXPECT_EQ(items(cache.get(L"sub/ring")),
              (std::vector<std::string>{"IIImage 0 0 100 100 dot", "IIEllipse 0 0 100 100 1"}));
    EXPECT_EQ(cache.get(L"nothing"), nullptr);
}

TEST(ImageCache, ReadsAtMostOneMebibyteOfAFileOnDisk)
{
    // A junk line, one rectangle ending exactly at the limit, one beyond.
    const std::string rect = scrambled({"fill rect 1 1 1"});
    const std::string junk(image::kMaxScriptBytes - rect.size() - 2, 'j');
    TempDir dir;
    std::ofstream(dir.path() / "big.gfx", std::ios::binary) << junk << "\r\n" << rect << rect;
    image::ImageCache cache(std::make_shared<image::DiskImageFolder>(dir.file("")));
    EXPECT_EQ(items(cache.get(L"big")), (std::vector<std::string>{"IIRectangle 1 1 2 2 3"}));
}
