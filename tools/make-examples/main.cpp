// Writes the example batch of saves into a folder, each file dated within the first two weeks
// of the default tournament start (27-11-2005), as players' uploads would be.
//
//   make-examples DIR

#include <utime.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "savewriter/SampleGames.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-examples DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (const auto& save : quillmere::savewriter::ExampleBatch()) {
        const auto path = (dir / save.fileName).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(save.bytes.data()), static_cast<std::streamsize>(save.bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "%s: cannot write\n", path.c_str());
            return 1;
        }
        std::tm local{};
        local.tm_year = 2005 - 1900;
        local.tm_mon = 10;
        local.tm_mday = 27;
        local.tm_sec = static_cast<int>(save.daysAfterStart * 86400);
        local.tm_isdst = -1;
        const std::time_t when = std::mktime(&local);
        const utimbuf times{when, when};
        if (::utime(path.c_str(), &times) != 0) std::fprintf(stderr, "%s: cannot set its time\n", path.c_str());
    }
    return 0;
}
