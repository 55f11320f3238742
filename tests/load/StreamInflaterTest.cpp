#include "load/StreamInflater.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "load/Container.h"
#include "load/inflate/FastInflate.h"
#include "load/inflate/PortableInflater.h"
#include "load/inflate/ZlibInflater.h"
#include "savewriter/SampleGames.h"
#include "savewriter/SaveWriter.h"

namespace quillmere::load {
namespace {

using savewriter::BuildContainer;
using savewriter::Container;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

std::string describe(const WorkBuffer& work) {
    return "ok " + std::to_string(work.streamOffset) + " " + std::to_string(work.gameLength) + " " +
           std::to_string(work.gameChecksum) + " " + std::string(work.bytes.begin(), work.bytes.end());
}

std::string outcomeWith(const std::vector<std::uint8_t>& file, StreamInflater& inflater) {
    WorkBuffer work;
    try {
        AssembleWorkBuffer(file, work, inflater);
    } catch (const LoadError& e) {
        return e.what();
    }
    return describe(work);
}

// Whether the core's table-driven inflate alone takes the stream of `file`, to zlib's bytes, when
// zlib takes it.
void expectTakenWhole(const std::vector<std::uint8_t>& file) {
    inflate::ZlibInflater zlib;
    if (!outcomeWith(file, zlib).starts_with("ok")) return;
    ByteBuffer unused;
    const StreamPlan plan = PlanStream(MemoryBytes(file), unused);
    const auto stream = std::span(file).subspan(static_cast<std::size_t>(plan.streamOffset),
                                                static_cast<std::size_t>(plan.streamBytes));
    std::vector<std::uint8_t> expected(static_cast<std::size_t>(plan.gameLength));
    std::vector<std::uint8_t> output(expected.size());
    const std::size_t consumed = zlib.inflate(stream, expected, plan.streamOffset);
    EXPECT_EQ(inflate::InflateWhole(stream, output), std::optional(consumed)) << file.size();
    EXPECT_TRUE(output == expected) << file.size();
}

// zlib's outcome, and the same from the core's own inflate.
void expectSameOutcome(const std::vector<std::uint8_t>& file) {
    inflate::ZlibInflater zlib;
    const std::string expected = outcomeWith(file, zlib);
    inflate::PortableInflater portable;
    EXPECT_EQ(outcomeWith(file, portable), expected) << file.size();
}

Container sample() {
    Container c;
    c.header = bytesOf("HEADER--");
    c.gameState = bytesOf("the inflated game state, long enough to compress a little: aaaaaaaaaaaaaaaa");
    c.trailing = bytesOf("TAIL");
    return c;
}

TEST(StreamInflater, TheCoresInflateGivesZlibsWorkDataOrMessageForEveryCut) {
    const auto whole = BuildContainer(sample());
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        expectSameOutcome({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)});
    }
}

TEST(StreamInflater, LengthsThatDisagreeWithTheStreamGiveZlibsOutcome) {
    for (const std::int32_t declaredU : {1, 40, 75, 76, 77, 500}) {
        auto c = sample();
        c.declaredU = declaredU;
        expectSameOutcome(BuildContainer(c));
    }
    // Past the stream's end, inside the file and beyond it: zlib passes over the bytes after its end.
    for (const std::int32_t delta : {-4, -1, 1, 5}) {
        auto c = sample();
        c.declaredC = static_cast<std::int32_t>(savewriter::Deflate(c.gameState).size()) + delta;
        expectSameOutcome(BuildContainer(c));
    }
}

TEST(StreamInflater, DamagedStreamsAreDamagedBothWays) {
    const auto whole = BuildContainer(sample());
    for (std::size_t at = 18; at < whole.size() - 4; at += 3) {
        auto file = whole;
        file[at] ^= 0x5A;
        expectSameOutcome(file);
    }
}

TEST(StreamInflater, RealSavesDamagedAnywhereGiveZlibsReasonAndByte) {
    // Dynamic codes, long copies, stored blocks: every path of an inflate, damaged at random.
    std::mt19937 rng(2026);
    const auto batch = savewriter::ExampleBatch();
    for (int trial = 0; trial < 150; ++trial) {
        auto file = batch[static_cast<std::size_t>(trial) % batch.size()].bytes;
        const auto p = static_cast<std::size_t>(FindStreamOffset(file));
        if (p >= file.size()) continue;
        const std::size_t span = std::min<std::size_t>(file.size() - p, trial % 2 == 0 ? 64 : file.size());
        for (int hits = 0; hits < 1 + trial % 3; ++hits) {
            file[p + rng() % span] ^= static_cast<std::uint8_t>(1U << (rng() % 8));
        }
        expectSameOutcome(file);
    }
    // Stored blocks (what deflate makes of noise), their lengths damaged.
    Container stored = sample();
    stored.gameState.resize(70000);
    for (auto& byte : stored.gameState) byte = static_cast<std::uint8_t>(rng());
    const auto whole = BuildContainer(stored);
    for (std::size_t at = 18; at < 26; ++at) {
        auto file = whole;
        file[at] ^= 0x10;
        expectSameOutcome(file);
    }
}

TEST(StreamInflater, WholeSavesInflateToZlibsWorkData) {
    // Fixed and dynamic codes at every level, long histories, stored blocks of noise.
    std::vector<std::vector<std::uint8_t>> files;
    for (const auto& save : savewriter::ExampleBatch()) files.push_back(save.bytes);
    for (const auto& save : savewriter::TournamentBatch()) files.push_back(save.bytes);
    files.push_back(savewriter::MakeBenchmarkSave(7));
    files.push_back(savewriter::MakeBenchmarkSave(8, true));
    // Far longer than declared: the output past it slides through the core's window many times,
    // with copies from as far back as zlib reaches.
    Container longer = sample();
    std::mt19937 rng(19);
    std::vector<std::uint8_t> noise(30000);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(rng());
    for (int i = 0; i < 50; ++i) longer.gameState.insert(longer.gameState.end(), noise.begin(), noise.end());
    longer.declaredU = 100;
    files.push_back(BuildContainer(longer));
    for (const auto& file : files) {
        expectSameOutcome(file);
        expectTakenWhole(file);
    }
}

TEST(StreamInflater, AStreamFarLongerThanDeclaredIsRefusedAtTheSameBound) {
    Container bomb;
    bomb.header = bytesOf("HEADER--");
    bomb.declaredU = 1;
    bomb.fast = true;
    for (const std::int64_t length : {kMaxSurplusBytes + 1, kMaxSurplusBytes + 2}) {
        bomb.gameState.assign(static_cast<std::size_t>(length), 0);
        expectSameOutcome(BuildContainer(bomb));
    }
}

}  // namespace
}  // namespace quillmere::load
