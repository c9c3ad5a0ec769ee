// Streams from the network: the time from oaStreamCreateURL to the stream
// with its format known, against the development server's radio host on
// loopback (http, https, ftp, a playlist). Starts the server itself: run it
// from the top of the repository. audio_url_bench [COUNT]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <signal.h>
#include <string>
#include <vector>

#include "orvaudio.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Radio {
    long pid = 0;
    std::map<std::string, int> ports;
    std::string ca;
};

Radio startRadio()
{
    FILE* out = popen("echo $$; exec python3 tools/devserver/devserver.py --no-plain --radio-port 0 "
                      "--radio-tls-port 0 --radio-ftp-port 0 -q",
                      "r");
    Radio r;
    char line[1024];
    if (!out || !std::fgets(line, sizeof line, out)) return r;
    r.pid = std::atol(line);
    while (std::fgets(line, sizeof line, out)) {
        char kind[16], host[64];
        int port;
        if (std::strncmp(line, "READY", 5) == 0) break;
        if (std::sscanf(line, "LISTENING %15s %63s %d", kind, host, &port) == 3) {
            r.ports[kind] = port;
        } else if (std::strncmp(line, "CA ", 3) == 0) {
            r.ca = std::string(line + 3);
            while (!r.ca.empty() && (r.ca.back() == '\n' || r.ca.back() == '\r')) r.ca.pop_back();
        }
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const Radio radio = startRadio();
    if (radio.ports.size() < 3) {
        std::printf("the radio host did not start (run from the top of the repository)\n");
        return 1;
    }
    setenv("ORVC_AUDIO_OUT", (std::filesystem::temp_directory_path() / "orvc-url-bench.wav").string().c_str(), 1);
    if (!oaInit(-1, 44100, 0)) return 1;
    oaSetConfig(OA_CONFIG_NET_PLAYLIST, 1);
    oaSetConfigPtr(OA_CONFIG_NET_CAFILE, radio.ca.c_str());
    const auto at = [&](const char* kind, const char* scheme, const char* path) {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(radio.ports.at(kind)) + path;
    };
    const std::pair<const char*, std::string> cases[] = {
        {"http Ogg Vorbis", at("radio", "http", "/radio.ogg")},
        {"http MP3", at("radio", "http", "/radio.mp3")},
        {"https Ogg Vorbis", at("radio-tls", "https", "/radio.ogg")},
        {"ftp Ogg Vorbis", at("radio-ftp", "ftp", "/radio.ogg")},
        {"http .m3u to Ogg", at("radio", "http", "/radio.m3u")},
    };
    std::printf("oaStreamCreateURL to the format known, %d streams each (ms):\n", count);
    for (const auto& [name, url] : cases) {
        std::vector<double> ms;
        for (int i = 0; i < count; ++i) {
            const auto t = Clock::now();
            const OaHandle s = oaStreamCreateURL(url.c_str(), 0, 0);
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
            if (!s) {
                std::printf("%-18s failed with %d\n", name, oaErrorGetCode());
                break;
            }
            oaStreamFree(s);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-18s min %6.2f  median %6.2f  max %6.2f\n", name, ms.front(), ms[ms.size() / 2], ms.back());
    }
    oaFree();
    kill(static_cast<pid_t>(radio.pid), SIGTERM);
    return 0;
}
