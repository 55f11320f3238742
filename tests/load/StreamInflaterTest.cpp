#include "load/StreamInflater.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "load/Container.h"
#include "load/Inflate.h"
#include "savewriter/SaveWriter.h"
#include "support/BrowserInflate.h"

namespace quillmere::load {
namespace {

using savewriter::BuildContainer;
using savewriter::Container;
using testsupport::BrowserInflate;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

std::string describe(const WorkBuffer& work) {
    return "ok " + std::to_string(work.streamOffset) + " " + std::to_string(work.gameLength) + " " +
           std::to_string(work.gameChecksum) + " " + std::string(work.bytes.begin(), work.bytes.end());
}

std::string desktopOutcome(const std::vector<std::uint8_t>& file) {
    WorkBuffer work;
    Inflater inflater;
    try {
        AssembleWorkBuffer(file, work, inflater);
    } catch (const LoadError& e) {
        return e.what();
    }
    return describe(work);
}

std::string browserOutcome(const std::vector<std::uint8_t>& file) {
    WorkBuffer work;
    ByteBuffer unused;
    const MemoryBytes bytes(file);
    try {
        const StreamPlan plan = PlanStream(bytes, unused);
        const auto stream = std::span(file).subspan(static_cast<std::size_t>(plan.streamOffset),
                                                    static_cast<std::size_t>(plan.streamBytes));
        const auto [output, outcome] = BrowserInflate(stream, plan.outputLimit());
        InflatedStream inflated(output, outcome);
        AssembleWorkBuffer(bytes, plan, work, inflated, unused);
    } catch (const LoadError& e) {
        return e.what();
    }
    return describe(work);
}

// The browser cannot say why a stream is corrupt: only zlib's own reason and place are missing.
void expectSameOutcome(const std::vector<std::uint8_t>& file) {
    const std::string desktop = desktopOutcome(file);
    const std::string browser = browserOutcome(file);
    constexpr std::string_view kCorrupt = "damaged save: the game data does not inflate (";
    if (desktop.starts_with(kCorrupt)) {
        EXPECT_TRUE(browser.starts_with(kCorrupt)) << browser << "\n" << desktop;
    } else {
        EXPECT_EQ(browser, desktop) << file.size();
    }
}

Container sample() {
    Container c;
    c.header = bytesOf("HEADER--");
    c.gameState = bytesOf("the inflated game state, long enough to compress a little: aaaaaaaaaaaaaaaa");
    c.trailing = bytesOf("TAIL");
    return c;
}

TEST(StreamInflater, AnInflateDoneElsewhereGivesTheDesktopsWorkDataOrMessageForEveryCut) {
    const auto whole = BuildContainer(sample());
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        expectSameOutcome({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)});
    }
}

TEST(StreamInflater, LengthsThatDisagreeWithTheStreamGiveTheDesktopsOutcome) {
    for (const std::int32_t declaredU : {1, 40, 75, 76, 77, 500}) {
        auto c = sample();
        c.declaredU = declaredU;
        expectSameOutcome(BuildContainer(c));
    }
    for (const std::int32_t delta : {-4, -1}) {
        auto c = sample();
        c.declaredC = static_cast<std::int32_t>(savewriter::Deflate(c.gameState).size()) + delta;
        expectSameOutcome(BuildContainer(c));
    }
    // The one difference: a length that takes in bytes after the stream's end, which a browser
    // refuses and zlib passes over (inside the file) or names (past its end).
    for (const std::int32_t delta : {1, 5}) {
        auto c = sample();
        c.declaredC = static_cast<std::int32_t>(savewriter::Deflate(c.gameState).size()) + delta;
        const auto file = BuildContainer(c);
        EXPECT_FALSE(desktopOutcome(file).starts_with("damaged save: the game data does not inflate"));
        EXPECT_EQ(browserOutcome(file), "damaged save: the game data does not inflate (invalid or corrupt data)");
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
