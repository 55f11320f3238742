// Writes the example batch of saves into a folder, each file dated within the first two weeks
// of the default tournament start (27-11-2005), as players' uploads would be; and a small example
// tournament, with its profile, into another.
//
//   make-examples DIR [TOURNAMENT_DIR [SEASON_DIR]]
//
// TOURNAMENT_DIR gets saves/ (the players' uploads) and profile.json; SEASON_DIR three rounds of the
// same players, round1/ to round3/, each with saves/, profile.json and, where a save came by mail,
// mail/.

#include <utime.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "savewriter/SampleGames.h"

namespace {

bool writeFile(const std::filesystem::path& path, const char* bytes, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes, static_cast<std::streamsize>(size));
    out.close();
    if (!out) std::fprintf(stderr, "%s: cannot write\n", path.c_str());
    return static_cast<bool>(out);
}

bool writeBatch(const std::filesystem::path& dir, const std::vector<quillmere::savewriter::ExampleSave>& batch) {
    std::filesystem::create_directories(dir);
    for (const auto& save : batch) {
        const auto path = dir / save.fileName;
        if (!writeFile(path, reinterpret_cast<const char*>(save.bytes.data()), save.bytes.size())) return false;
        const std::time_t when = quillmere::savewriter::UploadTimeOf(save);
        const utimbuf times{when, when};
        if (::utime(path.c_str(), &times) != 0) std::fprintf(stderr, "%s: cannot set its time\n", path.c_str());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: make-examples DIR [TOURNAMENT_DIR [SEASON_DIR]]\n");
        return 2;
    }
    if (!writeBatch(argv[1], quillmere::savewriter::ExampleBatch())) return 1;
    if (argc >= 3) {
        const std::filesystem::path tournament = argv[2];
        if (!writeBatch(tournament / "saves", quillmere::savewriter::TournamentBatch())) return 1;
        const auto profile = quillmere::savewriter::TournamentProfile();
        if (!writeFile(tournament / "profile.json", profile.data(), profile.size())) return 1;
    }
    if (argc == 4) {
        for (const auto& round : quillmere::savewriter::SeasonRounds()) {
            const auto folder = std::filesystem::path(argv[3]) / ("round" + std::to_string(round.number));
            if (!writeBatch(folder / "saves", round.saves)) return 1;
            if (!round.mailed.empty() && !writeBatch(folder / "mail", round.mailed)) return 1;
            if (!writeFile(folder / "profile.json", round.profile.data(), round.profile.size())) return 1;
        }
    }
    return 0;
}
