// Writes a seed corpus for quillmere-fuzz-load: small sample saves, whole and as work buffers.
//   quillmere-fuzz-corpus DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "load/Container.h"
#include "savewriter/SampleGames.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes, bool asWork) {
        std::ofstream out(dir / name, std::ios::binary);
        if (asWork) out.put('W');
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    using namespace quillmere::savewriter;
    write("default.sav", BuildSave(SaveContent{}), false);
    write("default.work", quillmere::load::AssembleWorkBuffer(BuildSave(SaveContent{})).bytes, true);
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        GameSketch sketch;
        sketch.name = "Fuzz";
        sketch.turn = static_cast<std::int32_t>(20 * seed);
        sketch.activePlayers = 2;
        sketch.citiesPerPlayer = 2;
        sketch.unitsPerPlayer = 2;
        sketch.messagesPerPlayer = 4;
        sketch.width = 3;
        sketch.height = 2;
        sketch.seed = seed;
        const auto save = BuildSave(MakeGame(sketch));
        write("game" + std::to_string(seed) + ".sav", save, false);
        write("game" + std::to_string(seed) + ".work", quillmere::load::AssembleWorkBuffer(save).bytes, true);
    }
    return 0;
}
