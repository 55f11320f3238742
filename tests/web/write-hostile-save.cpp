// Writes one small save whose player name is markup, for the browser page's test:
//
//   write-hostile-save FILE

#include <cstdio>
#include <fstream>

#include "savewriter/SampleGames.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write-hostile-save FILE\n");
        return 2;
    }
    auto sketch = quillmere::savewriter::SmallGame(42);
    sketch.name = "<img src=x onerror=alert(1)>";
    const auto bytes = quillmere::savewriter::BuildSave(quillmere::savewriter::MakeGame(sketch));
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
