#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/FuzzTarget.h"
#include "support/TempFolder.h"

namespace quillmere::fuzz {
namespace {

// Every input the fuzzer once stopped on, and the seeds, run through the fuzz target again.
TEST(FuzzRegressions, EveryKeptInputPassesTheFuzzTarget) {
    const std::filesystem::path folder = QUILLMERE_FUZZ_REGRESSIONS;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const auto bytes = testsupport::ContentsOf(entry.path());
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(FuzzOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++inputs;
    }
    EXPECT_GE(inputs, 3);
}

}  // namespace
}  // namespace quillmere::fuzz
