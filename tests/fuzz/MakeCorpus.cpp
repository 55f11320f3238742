// Writes a seed corpus for quillmere-fuzz: small sample saves, whole and as work data.
//   quillmere-fuzz-corpus DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "load/Container.h"
#include "savewriter/SampleGames.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmere-fuzz-corpus DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const auto write = [&](const std::string& name, std::span<const std::uint8_t> bytes, bool asWork) {
        std::ofstream out(dir / name, std::ios::binary);
        if (asWork) out.put('W');
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    using namespace quillmere::savewriter;
    const auto both = [&](const std::string& name, const std::vector<std::uint8_t>& save) {
        write(name + ".sav", save, false);
        write(name + ".work", quillmere::load::AssembleWorkBuffer(save).bytes, true);
    };
    both("default", BuildSave(SaveContent{}));
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        GameSketch sketch = SmallGame(static_cast<std::int32_t>(20 * seed));
        sketch.name = "Fuzz";
        sketch.width = 3;
        sketch.height = 2;
        sketch.seed = seed;
        if (seed == 2) sketch.block = "blocked";
        both("game" + std::to_string(seed), BuildSave(MakeGame(sketch)));
    }
    return 0;
}
