#include "load/Container.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "load/GameDigest.h"
#include "load/LoadError.h"
#include "load/SaveFile.h"
#include "load/inflate/PortableInflater.h"
#include "savewriter/SaveWriter.h"
#include "support/TempFolder.h"

namespace quillmere::load {
namespace {

using namespace std::literals;
using savewriter::BuildContainer;
using savewriter::ByteWriter;
using savewriter::Container;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

Container sample() {
    Container c;
    c.header = bytesOf("HEADER--");
    c.gameState = bytesOf("the inflated game state, long enough to compress a little: aaaaaaaaaaaaaaaa");
    c.trailing = bytesOf("TAIL");
    return c;
}

std::string messageOf(const std::vector<std::uint8_t>& file) {
    try {
        (void)AssembleWorkBuffer(file);
    } catch (const LoadError& e) {
        return e.what();
    }
    return "ok";
}

// The work data (offset, length, checksum and bytes) or the message of a failure.
template <typename Assemble>
std::string outcomeOf(Assemble assemble) {
    WorkBuffer work;
    inflate::PortableInflater inflater;
    try {
        assemble(work, inflater);
    } catch (const LoadError& e) {
        return e.what();
    }
    return "ok " + std::to_string(work.streamOffset) + " " + std::to_string(work.gameLength) + " " +
           std::to_string(work.gameChecksum) + " " + std::string(work.bytes.begin(), work.bytes.end());
}

// The message, or "ok", of the bytes loaded from memory; loaded from a file on disk, they must give
// the same work data or the same message.
std::string checkedMessageOf(const std::vector<std::uint8_t>& file) {
    const auto fromMemory = outcomeOf(
        [&](WorkBuffer& work, inflate::PortableInflater& inflater) { AssembleWorkBuffer(file, work, inflater); });
    const testsupport::TempFolder dir("container");
    const auto path = dir.write("save.sav", file);
    const auto fromFile = outcomeOf([&](WorkBuffer& work, inflate::PortableInflater& inflater) {
        const SaveFile saveFile(path);
        ByteBuffer scratch;
        AssembleWorkBuffer(saveFile.contents(), work, inflater, scratch);
    });
    EXPECT_TRUE(fromFile == fromMemory) << fromFile.substr(0, 200) << "\n" << fromMemory.substr(0, 200);
    return fromMemory.starts_with("ok") ? "ok" : fromMemory;
}

// The stream's offset as found in memory, checked against the search a piece at a time.
std::int64_t offsetOf(const std::vector<std::uint8_t>& file) {
    ByteBuffer scratch;
    const auto whole = FindStreamOffset(file);
    EXPECT_EQ(FindStreamOffset(MemoryBytes(file), scratch), whole) << file.size();
    return whole;
}

TEST(Container, SplicesTheInflatedStateBetweenHeaderAndTrailingBytes) {
    const auto c = sample();
    const auto file = BuildContainer(c);
    EXPECT_EQ(checkedMessageOf(file), "ok");
    const auto work = AssembleWorkBuffer(file);
    const auto p = static_cast<std::size_t>(work.streamOffset);
    ASSERT_EQ(p, c.header.size() + 8);

    ByteWriter expected;
    expected.Bytes(c.header).Int(static_cast<std::int32_t>(c.gameState.size())).Bytes("BODY");
    expected.Bytes(c.gameState).Bytes(c.trailing);
    EXPECT_TRUE(std::ranges::equal(work.bytes, expected.bytes()));
}

TEST(Container, WithoutTrailingBytesTheDataEndsWithTheState) {
    auto c = sample();
    c.trailing.clear();
    const auto work = AssembleWorkBuffer(BuildContainer(c));
    EXPECT_EQ(work.bytes.size(), static_cast<std::size_t>(work.streamOffset) + c.gameState.size());
}

TEST(Container, AStreamRightAfterTheTwoLengthsIsRead) {
    auto c = sample();
    c.header.clear();
    const auto work = AssembleWorkBuffer(BuildContainer(c));
    EXPECT_EQ(work.streamOffset, 8);
    EXPECT_EQ(work.gameLength, static_cast<std::int64_t>(c.gameState.size()));
}

TEST(Container, TheEarliestStreamMarkerWins) {
    // The header holds 78 9C before the real stream: that place is taken, and it does not inflate.
    auto c = sample();
    c.header = bytesOf(
        "AAAAAAAAAA\x78\x9C"
        "BBBB");
    const auto file = BuildContainer(c);
    EXPECT_EQ(FindStreamOffset(file), 10);
    EXPECT_NE(messageOf(file), "ok");
}

TEST(Container, FindsNoStreamInShortOrPlainFiles) {
    EXPECT_EQ(offsetOf(bytesOf(""sv)), -1);
    EXPECT_EQ(offsetOf(bytesOf("\x78\x9C\x00"sv)), -1);  // fewer than 4 bytes
    EXPECT_EQ(offsetOf(bytesOf("\x78\x9C\x00\x00"sv)), 0);
    EXPECT_EQ(offsetOf(bytesOf("abc\x78\x78\x9C.."sv)), 4);
    EXPECT_EQ(offsetOf(bytesOf("abcdefg\x78\x9C\x00"sv)), -1);  // the marker must leave 2 bytes after it
    // The same rule at the end of a file longer than one piece.
    std::vector<std::uint8_t> plain(kScanChunkBytes + 10, 'x');
    plain[plain.size() - 3] = 0x78;
    plain[plain.size() - 2] = 0x9C;
    EXPECT_EQ(offsetOf(plain), -1);
    plain[plain.size() - 4] = 0x78;
    plain[plain.size() - 3] = 0x9C;
    EXPECT_EQ(offsetOf(plain), static_cast<std::int64_t>(plain.size() - 4));
}

TEST(Container, AHeaderOfManyPiecesIsReadWhereverTheMarkerFalls) {
    // The pieces searched are [0, K) and [K-1, 2K-1) ...: a marker at K-1 is split between two.
    constexpr std::size_t k = kScanChunkBytes;
    for (const std::size_t p : {k - 2, k - 1, k, 3 * k + 5}) {
        auto c = sample();
        c.header.assign(p - 8, 'h');
        const auto file = BuildContainer(c);
        EXPECT_EQ(offsetOf(file), static_cast<std::int64_t>(p));
        EXPECT_EQ(checkedMessageOf(file), "ok") << p;
    }
}

TEST(Container, RefusesWhatCannotBeASaveSayingWhatAndWhere) {
    struct Case {
        const char* name;
        std::function<void(Container&)> damage;
        std::function<void(std::vector<std::uint8_t>&)> cut;
        std::string message;
    };
    const auto none = [](Container&) {};
    const auto keep = [](std::vector<std::uint8_t>&) {};
    // The sample's header is 8 bytes: U lies at byte 8, C at 12, the stream starts at 16.
    const Case cases[] = {
        {"stream at offset 0 to 7",
         [](Container& c) {
             c.header = bytesOf(
                 "ab\x78\x9C"
                 "cdef"sv);
         },
         keep, "not a save file: no game data found"},
        {"no stream", none, [](std::vector<std::uint8_t>& f) { f.assign(40, 0x11); },
         "not a save file: no game data found"},
        {"a marker with nonsense around it",
         [](Container& c) {
             c.declaredU = -1510886911;
             c.declaredC = -7;
         },
         keep, "not a save file: no game data found"},
        {"C zero", [](Container& c) { c.declaredC = 0; }, keep,
         "damaged save: the compressed length at byte 12 reads 0"},
        {"U negative", [](Container& c) { c.declaredU = -3; }, keep,
         "damaged save: the game data length at byte 8 reads -3"},
        {"U negative, C reaching the end of the file",
         [](Container& c) {
             c.declaredU = -3;
             c.trailing.clear();
         },
         keep, "damaged save: the game data length at byte 8 reads -3"},
        {"U over 64 MiB", [](Container& c) { c.declaredU = 64 * 1024 * 1024 + 1; }, keep,
         "damaged save: the game data length at byte 8 reads 67108865, more than any save holds (64 MiB)"},
        {"U beyond what C can inflate to", [](Container& c) { c.declaredU = 1'000'000; }, keep,
         "damaged save: the game data length at byte 8 reads 1000000, more than its 65 compressed bytes can hold"},
        {"corrupt stream", none,
         [](std::vector<std::uint8_t>& f) {
             f[20] ^= 0xFF;
             f[21] ^= 0xFF;
         },
         "damaged save: the game data does not inflate (invalid code lengths set, at byte 24)"},
        {"corrupt checksum", [](Container& c) { c.trailing.clear(); },
         [](std::vector<std::uint8_t>& f) { f.back() ^= 1; },
         "damaged save: the game data does not inflate (incorrect data check, at byte 81)"},
        {"stream cut inside C", [](Container& c) { c.trailing.clear(); },
         [](std::vector<std::uint8_t>& f) {
             f.resize(f.size() - 6);
             f[12] = static_cast<std::uint8_t>(f.size() - 16);  // C still fits the shorter file
         },
         "damaged save: the game data stops before its end, at byte 75"},
        {"C larger than the file, the stream whole", [](Container& c) { c.declaredC = 500; }, keep,
         "damaged save: the compressed length at byte 12 reads 500, more than the 69 bytes that follow it"},
    };
    for (const auto& c : cases) {
        auto container = sample();
        c.damage(container);
        auto file = BuildContainer(container);
        c.cut(file);
        EXPECT_EQ(checkedMessageOf(file), c.message) << c.name;
    }
}

TEST(Container, AFileCutInsideItsStreamSaysHowMuchIsMissing) {
    auto c = sample();
    c.trailing.clear();
    auto file = BuildContainer(c);
    file.resize(file.size() - 10);
    EXPECT_EQ(checkedMessageOf(file), "damaged save: the file is cut short (10 bytes of its game data missing)");
}

TEST(Container, DeclaredLengthDecidesTheSizeOfTheState) {
    auto c = sample();
    const auto real = static_cast<std::int32_t>(c.gameState.size());
    c.declaredU = real + 5;  // inflated output shorter than declared: zero bytes fill the gap
    auto work = AssembleWorkBuffer(BuildContainer(c));
    auto p = static_cast<std::size_t>(work.streamOffset);
    ASSERT_EQ(work.bytes.size(), p + static_cast<std::size_t>(real) + 5 + c.trailing.size());
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(work.bytes[p + static_cast<std::size_t>(real) + i], 0);

    c.declaredU = 4;  // longer: only the declared bytes are used
    work = AssembleWorkBuffer(BuildContainer(c));
    p = static_cast<std::size_t>(work.streamOffset);
    EXPECT_EQ(std::string(work.bytes.begin() + static_cast<std::ptrdiff_t>(p), work.bytes.end()), "the TAIL");
}

TEST(Container, TheGameDataLengthMayReachTheDeflateLimitButNotPassIt) {
    auto c = sample();
    const auto compressed = static_cast<std::int32_t>(BuildContainer(c)[12]);  // C of the sample, under 256
    c.declaredU = static_cast<std::int32_t>(compressed * kMaxDeflateRatio);
    EXPECT_EQ(messageOf(BuildContainer(c)), "ok");
    ++*c.declaredU;
    EXPECT_EQ(messageOf(BuildContainer(c)), "damaged save: the game data length at byte 8 reads " +
                                                std::to_string(*c.declaredU) + ", more than its " +
                                                std::to_string(compressed) + " compressed bytes can hold");
}

TEST(Container, ALengthTheFileCannotHoldIsRefusedBeforeAnythingIsAllocated) {
    // 20 bytes claiming 256 MiB of game data: refused at once, the reused buffer never sized.
    auto c = sample();
    c.gameState = bytesOf("x");
    c.trailing.clear();
    c.declaredU = 256 * 1024 * 1024;
    const auto file = BuildContainer(c);
    WorkBuffer work;
    inflate::PortableInflater inflater;
    EXPECT_THROW(AssembleWorkBuffer(file, work, inflater), LoadError);
    EXPECT_EQ(work.bytes.size(), 0u);
}

TEST(Container, AStreamFarLongerThanDeclaredIsRefusedAfterABoundedInflate) {
    // A few kilobytes that inflate to more than 64 MiB past the one byte they declare.
    Container bomb;
    bomb.header = bytesOf("HEADER--");
    bomb.gameState.assign(kMaxSurplusBytes + 2, 0);
    bomb.declaredU = 1;
    bomb.fast = true;
    const auto file = BuildContainer(bomb);
    ASSERT_LT(file.size(), 400'000u);
    EXPECT_EQ(messageOf(file),
              "damaged save: the game data is far longer than its header says (over 64 MiB more than the 1 bytes it "
              "declares)");
    // Within the bound, even right at it, the surplus of a stream is dropped as before.
    bomb.gameState.resize(1 + kMaxSurplusBytes);
    EXPECT_EQ(messageOf(BuildContainer(bomb)), "ok");
    bomb.gameState.resize(1 + 1000);
    EXPECT_EQ(messageOf(BuildContainer(bomb)), "ok");
}

// Any bytes at all, whole or cut, give a work buffer or a LoadError: never a crash or an
// out-of-bounds read (the sanitizer build checks the latter).
TEST(Container, SurvivesRandomAndTruncatedFiles) {
    // Every outcome is a work buffer or one of the container's two kinds of refusal.
    const auto expectOutcome = [](const std::vector<std::uint8_t>& file) {
        const auto message = messageOf(file);
        EXPECT_TRUE(message == "ok" || message.starts_with("not a save file: ") ||
                    message.starts_with("damaged save: "))
            << message;
        return message;
    };
    std::mt19937 rng(12345);
    const auto good = BuildContainer(sample());
    const std::size_t trailing = sample().trailing.size();
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        const std::vector<std::uint8_t> file(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        // Only the trailing bytes may go: a file cut before them has lost game data.
        EXPECT_EQ(expectOutcome(file) == "ok", cut >= good.size() - trailing) << cut;
    }
    for (int round = 0; round < 3000; ++round) {
        auto file = good;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int f = 0; f < flips; ++f) file[rng() % file.size()] = static_cast<std::uint8_t>(rng());
        if (round % 3 == 0) file.resize(rng() % (file.size() + 1));
        (void)expectOutcome(file);
        std::vector<std::uint8_t> noise(rng() % 64);
        for (auto& b : noise) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0x78 : rng() % 2 ? 0x9C : rng());
        EXPECT_NE(expectOutcome(noise), "ok");
    }
}

// Archives keep the digest: every build (with whichever vector instructions) gives XXH3-128's.
TEST(Container, TheGameDigestIsXxh3) {
    struct Known {
        std::size_t length;
        GameDigest digest;
    };
    const Known known[] = {{0, {0x99aa06d3014798d8ULL, 0x6001c324468d497fULL}},
                           {3, {0x4af3603b5bd30dfeULL, 0x3698b80191e625f9ULL}},
                           {200, {0xcab4b6c1d7f66c43ULL, 0x2a1a7281f2883dffULL}},
                           {100000, {0x28684b2ad44cd4a4ULL, 0x02df1e985a776b74ULL}}};
    std::vector<std::uint8_t> bytes(100000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 % 251);
    for (const auto& [length, digest] : known) EXPECT_EQ(DigestOf(std::span(bytes).first(length)), digest) << length;
}

}  // namespace
}  // namespace quillmere::load
