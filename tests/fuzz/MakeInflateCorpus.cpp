// Writes a seed corpus for quillmere-fuzz-inflate: the streams of sample saves, whole and cut,
// zlib's own streams of every block kind, and streams no encoder writes.
//   quillmere-fuzz-inflate-corpus DIR

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fuzz/InflateFuzzTarget.h"
#include "load/Container.h"
#include "savewriter/SampleGames.h"
#include "support/CraftedStreams.h"

namespace {

// `data` deflated by zlib at `level` with `strategy` (stored, fixed, Huffman-only, run-length...).
std::vector<std::uint8_t> deflated(std::span<const std::uint8_t> data, int level, int strategy) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy);
    std::vector<std::uint8_t> out(deflateBound(&z, data.size()));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmere-fuzz-inflate-corpus DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    int count = 0;
    const auto write = [&](std::size_t outputBytes, std::span<const std::uint8_t> stream) {
        const auto input = quillmere::fuzz::InflateInput(outputBytes, stream);
        std::ofstream out(dir / ("seed" + std::to_string(count++)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
    };
    using namespace quillmere;
    for (const auto& crafted : testsupport::CraftedStreams()) write(300, crafted.stream);

    // A sample game's state, small enough to leave the fuzzer room: each block kind of zlib's.
    savewriter::GameSketch sketch = savewriter::SmallGame(30);
    sketch.width = 3;
    sketch.height = 2;
    const auto save = savewriter::BuildSave(savewriter::MakeGame(sketch));
    const auto work = load::AssembleWorkBuffer(save);
    const auto state =
        std::span(work.bytes)
            .subspan(static_cast<std::size_t>(work.streamOffset), static_cast<std::size_t>(work.gameLength));
    std::mt19937 rng(5);
    std::vector<std::uint8_t> noise(3000);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(rng());
    for (const auto& data :
         {std::vector<std::uint8_t>(state.begin(), state.begin() + std::min<std::size_t>(state.size(), 6000)), noise}) {
        for (const auto& [level, strategy] : {std::pair{0, Z_DEFAULT_STRATEGY},
                                              {1, Z_DEFAULT_STRATEGY},
                                              {9, Z_DEFAULT_STRATEGY},
                                              {6, Z_FIXED},
                                              {6, Z_HUFFMAN_ONLY},
                                              {6, Z_RLE}}) {
            const auto stream = deflated(data, level, strategy);
            write(data.size(), stream);
            write(data.size() / 2, stream);                                  // longer than declared
            write(data.size(), std::span(stream).first(stream.size() / 2));  // cut short
        }
    }
    return 0;
}
