// Writes one small save whose player name is markup, or a valid save of BYTES bytes holding the
// most game data a save holds, for the browser page's test:
//
//   write-hostile-save FILE
//   write-hostile-save --largest BYTES FILE

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "savewriter/SampleGames.h"

int main(int argc, char** argv) {
    const bool largest = argc == 4 && std::strcmp(argv[1], "--largest") == 0;
    if (argc != 2 && !largest) {
        std::fprintf(stderr, "usage: write-hostile-save FILE | --largest BYTES FILE\n");
        return 2;
    }
    auto sketch = quillmere::savewriter::SmallGame(42);
    sketch.name = "<img src=x onerror=alert(1)>";
    const auto bytes = largest ? quillmere::savewriter::MakeLargestSave(std::strtoull(argv[2], nullptr, 10))
                               : quillmere::savewriter::BuildSave(quillmere::savewriter::MakeGame(sketch));
    argv[1] = argv[argc - 1];
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
