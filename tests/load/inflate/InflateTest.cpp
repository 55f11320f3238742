#include "load/inflate/PortableInflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "load/LoadError.h"
#include "load/inflate/Adler32.h"
#include "load/inflate/FastInflate.h"
#include "load/inflate/ZlibInflater.h"
#include "savewriter/SaveWriter.h"
#include "support/CraftedStreams.h"

namespace quillmere::load::inflate {
namespace {

// What an inflate makes of `stream` into `outputBytes` bytes: the bytes it took and its output,
// or its message.
std::string outcomeOf(StreamInflater& inflater, std::span<const std::uint8_t> stream, std::size_t outputBytes) {
    std::vector<std::uint8_t> out(outputBytes, 0xEE);
    try {
        const std::size_t taken = inflater.inflate(stream, out, 100);
        return "ok " + std::to_string(taken) + " " + std::string(out.begin(), out.end());
    } catch (const LoadError& e) {
        return e.what();
    }
}

TEST(Inflate, StreamsALenientInflateTakesGetZlibsVerdict) {
    for (const auto& crafted : testsupport::CraftedStreams()) {
        SCOPED_TRACE(crafted.name);
        for (const std::size_t outputBytes : {std::size_t{0}, std::size_t{4}, std::size_t{70000}}) {
            ZlibInflater zlib;
            PortableInflater portable;
            const std::string expected = outcomeOf(zlib, crafted.stream, outputBytes);
            EXPECT_EQ(outcomeOf(portable, crafted.stream, outputBytes), expected);
            if (crafted.zlibReason.empty()) {
                EXPECT_TRUE(expected.starts_with("ok")) << expected;
            } else {
                EXPECT_NE(expected.find("(" + crafted.zlibReason + ", at byte "), std::string::npos) << expected;
            }
        }
    }
}

TEST(Inflate, AnEmptyOutputTakesTheStreamAsZlibDoes) {
    // All of a stream's output is past an empty output: it is inflated only to find its end.
    const std::vector<std::uint8_t> data(100000, 'q');
    for (const auto& stream : {savewriter::Deflate(data), savewriter::Deflate(std::vector<std::uint8_t>{})}) {
        ZlibInflater zlib;
        PortableInflater portable;
        EXPECT_EQ(outcomeOf(portable, stream, 0), outcomeOf(zlib, stream, 0));
        std::span<std::uint8_t> nothing;
        EXPECT_EQ(InflateWhole(stream, nothing), std::optional(stream.size()));
    }
}

TEST(Inflate, Adler32InPiecesOfAnySizeIsZlibs) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> bytes(200000);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(rng());
    std::vector<std::uint8_t> full(100000, 0xFF);  // the largest sums a lane can hold
    for (const std::vector<std::uint8_t>* data : {&bytes, &full}) {
        for (const std::size_t piece :
             {1, 15, 16, 31, 32, 33, 255, 256, 257, 5551, 5552, 5553, 32767, 32768, 32769, 65536, 200000}) {
            for (const AdlerPath path : {AdlerPath::Widest, AdlerPath::Portable}) {
                Adler32 adler(path);
                const std::size_t total = std::min(data->size(), piece * 3 + 1);
                for (std::size_t at = 0; at < total; at += piece)
                    adler.add(data->data() + at, std::min(piece, total - at));
                EXPECT_EQ(adler.value(), adler32_z(1, data->data(), total)) << piece;
            }
        }
    }
}

}  // namespace
}  // namespace quillmere::load::inflate
