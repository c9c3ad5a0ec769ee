// A fresh temporary folder for a test, removed with everything in it at the
// end of the test.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "orvc-test-";
        if (info) name += std::string(info->test_suite_name()) + "-" + info->name() + "-";
        name += std::to_string(counter++);
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The UTF-8 path of a file inside the folder.
    std::string file(const std::string& utf8Name) const
    {
        const auto p = path_ / std::filesystem::path(std::u8string(utf8Name.begin(), utf8Name.end()));
        const std::u8string s = p.u8string();
        return std::string(s.begin(), s.end());
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
