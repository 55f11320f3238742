#include "load/Container.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "load/Inflate.h"
#include "load/LoadError.h"
#include "savewriter/SaveWriter.h"

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

TEST(Container, SplicesTheInflatedStateBetweenHeaderAndTrailingBytes) {
    const auto c = sample();
    const auto file = BuildContainer(c);
    const auto work = AssembleWorkBuffer(file);
    const auto p = static_cast<std::size_t>(work.streamOffset);
    ASSERT_EQ(p, c.header.size() + 8);

    ByteWriter expected;
    expected.Bytes(c.header).Int(static_cast<std::int32_t>(c.gameState.size())).Bytes("BODY");
    expected.Bytes(c.gameState).Bytes(c.trailing);
    EXPECT_EQ(work.bytes, expected.bytes());
}

TEST(Container, WithoutTrailingBytesTheDataEndsWithTheState) {
    auto c = sample();
    c.trailing.clear();
    const auto work = AssembleWorkBuffer(BuildContainer(c));
    EXPECT_EQ(work.bytes.size(), static_cast<std::size_t>(work.streamOffset) + c.gameState.size());
}

TEST(Container, TheEarliestStreamMarkerWins) {
    // The header holds 78 9C before the real stream: that place is taken, and it does not inflate.
    auto c = sample();
    c.header = bytesOf("AAAAAAAAAA\x78\x9C" "BBBB");
    const auto file = BuildContainer(c);
    EXPECT_EQ(FindStreamOffset(file), 10);
    EXPECT_NE(messageOf(file), "ok");
}

TEST(Container, FindsNoStreamInShortOrPlainFiles) {
    EXPECT_EQ(FindStreamOffset(bytesOf(""sv)), -1);
    EXPECT_EQ(FindStreamOffset(bytesOf("\x78\x9C\x00"sv)), -1);  // fewer than 4 bytes
    EXPECT_EQ(FindStreamOffset(bytesOf("\x78\x9C\x00\x00"sv)), 0);
    EXPECT_EQ(FindStreamOffset(bytesOf("abc\x78\x78\x9C.."sv)), 4);
    EXPECT_EQ(FindStreamOffset(bytesOf("abcdefg\x78\x9C\x00"sv)), -1);  // the marker must leave 2 bytes after it
}

TEST(Container, RefusesWhatCannotBeASave) {
    struct Case {
        const char* name;
        std::function<void(Container&)> damage;
        std::function<void(std::vector<std::uint8_t>&)> cut;
        std::string message;
    };
    const auto none = [](Container&) {};
    const auto keep = [](std::vector<std::uint8_t>&) {};
    const Case cases[] = {
        {"stream at offset 0 to 7", [](Container& c) { c.header = bytesOf("ab\x78\x9C" "cdef"sv); }, keep,
         "no game data found"},
        {"no stream", none, [](std::vector<std::uint8_t>& f) { f.assign(40, 0x11); }, "no game data found"},
        {"C zero", [](Container& c) { c.declaredC = 0; }, keep,
         "damaged save: compressed length 0 out of range"},
        {"U negative", [](Container& c) { c.declaredU = -3; }, keep, "damaged save: game data length -3 out of range"},
        {"U over 256 MiB", [](Container& c) { c.declaredU = 256 * 1024 * 1024 + 1; }, keep,
         "damaged save: game data length 268435457 out of range"},
        {"corrupt stream", none, [](std::vector<std::uint8_t>& f) { f[20] ^= 0xFF; f[21] ^= 0xFF; }, "data error"},
        {"stream cut short", [](Container& c) { c.trailing.clear(); },
         [](std::vector<std::uint8_t>& f) {
             f.resize(f.size() - 6);
             f[12] = static_cast<std::uint8_t>(f.size() - 16);  // C still fits the shorter file
         },
         "buffer error"},
    };
    for (const auto& c : cases) {
        auto container = sample();
        c.damage(container);
        auto file = BuildContainer(container);
        c.cut(file);
        EXPECT_EQ(messageOf(file), c.message) << c.name;
    }
}

TEST(Container, AFileCutInsideItsStreamSaysHowMuchIsMissing) {
    auto c = sample();
    c.trailing.clear();
    auto file = BuildContainer(c);
    file.resize(file.size() - 10);
    EXPECT_EQ(messageOf(file), "damaged save: the file is cut short (10 bytes of its game data missing)");
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

TEST(Inflate, ReportsZlibsTextForEveryFailure) {
    std::vector<std::uint8_t> out(16);
    const auto good = savewriter::Deflate(bytesOf("hello"));
    EXPECT_NO_THROW(Inflate(good, out));
    EXPECT_EQ(std::string(out.begin(), out.begin() + 6), std::string("hello\0", 6));

    auto badHeader = good;
    badHeader[1] = 0x9D;  // header check fails
    EXPECT_THROW(Inflate(badHeader, out), LoadError);
    auto badChecksum = good;
    badChecksum.back() ^= 1;
    try {
        Inflate(badChecksum, out);
        FAIL();
    } catch (const LoadError& e) {
        EXPECT_STREQ(e.what(), "data error");
    }
    try {
        Inflate(std::span(good).first(good.size() - 3), out);
        FAIL();
    } catch (const LoadError& e) {
        EXPECT_STREQ(e.what(), "buffer error");
    }
}

// Any bytes at all, whole or cut, give a work buffer or a LoadError: never a crash or an
// out-of-bounds read (the sanitizer build checks the latter).
TEST(Container, SurvivesRandomAndTruncatedFiles) {
    std::mt19937 rng(12345);
    const auto good = BuildContainer(sample());
    for (std::size_t cut = 0; cut <= good.size(); ++cut) {
        const std::vector<std::uint8_t> file(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        (void)messageOf(file);
    }
    for (int round = 0; round < 3000; ++round) {
        auto file = good;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int f = 0; f < flips; ++f) file[rng() % file.size()] = static_cast<std::uint8_t>(rng());
        if (round % 3 == 0) file.resize(rng() % (file.size() + 1));
        (void)messageOf(file);
        std::vector<std::uint8_t> noise(rng() % 64);
        for (auto& b : noise) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0x78 : rng() % 2 ? 0x9C : rng());
        (void)messageOf(noise);
    }
}

}  // namespace
}  // namespace quillmere::load
