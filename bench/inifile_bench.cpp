// Loads and saves a configuration of 100,000 keys and prints the times and the
// peak memory of the process. Usage: inifile_bench [keys] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "common/inifile/IniFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long peakKiB()
{
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return -1;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    const int keys = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string path = (std::filesystem::temp_directory_path() / "orvc-inifile-bench.ini").string();
    const long baseKiB = peakKiB();

    std::vector<double> build, save, load;
    std::size_t bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        auto t = Clock::now();
        OrderedIniFile out;
        char key[64], value[96];
        for (int i = 0; i < keys; ++i) {
            std::snprintf(key, sizeof key, "section%d.key%06d", i % 97, i);
            std::snprintf(value, sizeof value, "value number %d with some text\\tand an escape", i * 7);
            out.set(key, value);
        }
        build.push_back(millisSince(t));

        t = Clock::now();
        if (!out.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        save.push_back(millisSince(t));
        bytes = static_cast<std::size_t>(std::filesystem::file_size(path));

        t = Clock::now();
        UnorderedIniFile in;
        if (!in.load(path) || in.size() != static_cast<std::size_t>(keys)) {
            std::fprintf(stderr, "load failed or lost keys\n");
            return 1;
        }
        load.push_back(millisSince(t));
    }
    std::filesystem::remove(path);

    std::printf("keys: %d, file: %.1f MiB, rounds: %d\n", keys, bytes / 1048576.0, rounds);
    std::printf("build ordered map: median %.1f ms\n", median(build));
    std::printf("save:              median %.1f ms\n", median(save));
    std::printf("load (unordered):  median %.1f ms\n", median(load));
    if (peakKiB() >= 0)
        std::printf("peak memory: %.1f MiB (%.1f MiB before the first round)\n", peakKiB() / 1024.0, baseKiB / 1024.0);
    return 0;
}
