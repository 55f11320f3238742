#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/FuzzTarget.h"
#include "fuzz/InflateFuzzTarget.h"
#include "fuzz/TournamentFuzzTarget.h"
#include "support/CraftedStreams.h"
#include "support/TempFolder.h"

namespace quillmere::fuzz {
namespace {

// Runs every file of `folder` through `target`; returns how many there were.
int ReplayFolder(const std::filesystem::path& folder, int (*target)(const std::uint8_t*, std::size_t)) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const auto bytes = testsupport::ContentsOf(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++inputs;
    }
    return inputs;
}

// Every input the fuzzers once stopped on, and the seeds, run through their fuzz target again.
TEST(FuzzRegressions, EveryKeptInputPassesTheFuzzTarget) {
    EXPECT_GE(ReplayFolder(QUILLMERE_FUZZ_REGRESSIONS, FuzzOneInput), 3);
}

TEST(FuzzRegressions, EveryKeptTournamentInputPassesTheTournamentFuzzTarget) {
    EXPECT_GE(ReplayFolder(QUILLMERE_FUZZ_TOURNAMENT_REGRESSIONS, FuzzTournamentInput), 3);
}

TEST(FuzzRegressions, StreamsNoEncoderWritesPassTheInflateFuzzTarget) {
    for (const auto& crafted : testsupport::CraftedStreams()) {
        for (const std::size_t outputBytes : {0, 1, 300, 70000}) {
            const auto input = InflateInput(outputBytes, crafted.stream);
            EXPECT_EQ(FuzzInflateInput(input.data(), input.size()), 0);
        }
    }
}

}  // namespace
}  // namespace quillmere::fuzz
