#include "load/SaveReader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "load/LoadError.h"
#include "savewriter/SaveWriter.h"

namespace quillmere::load {
namespace {

using savewriter::ByteWriter;

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

// A length field followed by raw body bytes.
std::vector<std::uint8_t> counted(std::int32_t n, std::initializer_list<int> body) {
    ByteWriter w;
    w.Int(n);
    w.Bytes(bytesOf(body));
    return w.take();
}

TEST(SaveReader, ReadsLittleEndianNumbersAndAdvances) {
    const auto data = bytesOf({0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0x80, 0x02, 0xFF, 0xFF, 0xFF, 0xFF});
    SaveReader reader(data);
    EXPECT_EQ(reader.readInt(), 0x12345678);
    EXPECT_EQ(reader.readShort(), -2);
    EXPECT_EQ(reader.readChar(), 0x80);
    EXPECT_EQ(reader.readBool(), 2);  // any non-zero byte is true, and kept as read
    EXPECT_EQ(reader.readInt(), -1);
    EXPECT_EQ(reader.position(), 12);
}

struct TextCase {
    const char* name;
    std::vector<std::uint8_t> data;
    bool wide;  // readUStr rather than readStr
    std::string text;
    std::int64_t advance;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class TextReaders : public testing::TestWithParam<TextCase> {};

TEST_P(TextReaders, GiveTextAndAdvanceAsStored) {
    const auto& c = GetParam();
    // Padding after the value, so that lengths outside the range are not mistaken for damage.
    auto data = c.data;
    data.resize(data.size() + 4100, 0);
    SaveReader reader(data);
    const std::string text = c.wide ? reader.readUStr() : reader.readStr();
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(reader.position(), c.advance);
    SaveReader skipper(data);
    c.wide ? skipper.skipUStr() : skipper.skipStr();
    EXPECT_EQ(skipper.position(), c.advance) << "skipping must move exactly as reading";
    if (c.wide) {
        SaveReader again(data);
        std::string reused = "an earlier, longer text";
        again.readUStr(reused);
        EXPECT_EQ(reused, c.text);
    }
}

std::vector<std::uint8_t> strOfLength(std::int32_t n) {
    ByteWriter w;
    w.Int(n);
    w.Bools(static_cast<std::size_t>(n > 0 ? n : 0), 'x');
    return w.take();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextReaders,
    testing::Values(TextCase{"UStrZero", counted(0, {0x41, 0}), true, "", 4},
                    TextCase{"UStrNegative", counted(-1, {0x41, 0}), true, "", 4},
                    TextCase{"UStr1024", counted(1024, {0x41, 0}), true, "", 4},
                    TextCase{"UStrOneCharIsAlwaysWide", counted(1, {0x41, 0x42}), true, "A", 6},
                    TextCase{"UStrWide", counted(3, {0x41, 0, 0x42, 0, 0x43, 0}), true, "ABC", 10},
                    TextCase{"UStrNarrowWhenFirstHighByteSet", counted(3, {0x41, 0x42, 0x43}), true, "ABC", 7},
                    TextCase{"UStrStopsAtZeroButConsumesAll", counted(2, {0x41, 0, 0, 0}), true, "A", 8},
                    TextCase{"Str1023", strOfLength(1023), false, std::string(1023, 'x'), 1027},
                    TextCase{"Str1024", strOfLength(1024), false, "", 4},
                    TextCase{"StrZeroInside", counted(5, {'a', 'b', 0, 'c', 'd'}), false, "ab", 9},
                    TextCase{"StrNegative", counted(-7, {'a'}), false, "", 4}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SaveReader, ReadPastTheEndThrowsAndKeepsThePosition) {
    const auto data = bytesOf({1, 2, 3});
    SaveReader reader(data);
    EXPECT_THROW((void)reader.readInt(), DamagedSave);
    EXPECT_EQ(reader.position(), 0);
    EXPECT_EQ(reader.readShort(), 0x0201);
    EXPECT_EQ(reader.readChar(), 3);
    EXPECT_THROW((void)reader.readChar(), DamagedSave);
    try {
        (void)reader.readBool();
        FAIL();
    } catch (const DamagedSave& e) {
        EXPECT_STREQ(e.what(), "damaged save: the game data ends too early, after 3 bytes");
    }
}

TEST(SaveReader, TextBodyPastTheEndThrows) {
    for (const bool wide : {false, true}) {
        // Three characters announced, two bytes there: short for every width.
        const auto data = counted(3, {0x41, 0x42});
        SaveReader reader(data);
        if (wide) {
            EXPECT_THROW((void)reader.readUStr(), DamagedSave);
        } else {
            EXPECT_THROW((void)reader.readStr(), DamagedSave);
        }
    }
    // A wide body of 2 characters needs 4 bytes, 3 are there.
    const auto data = counted(2, {0x41, 0, 0x42});
    SaveReader reader(data);
    EXPECT_THROW(reader.skipUStr(), DamagedSave);
    EXPECT_EQ(reader.position(), 0);
    const auto shortText = counted(3, {0x41, 0x42});
    SaveReader narrow(shortText);
    EXPECT_THROW(narrow.skipStr(), DamagedSave);
    EXPECT_EQ(narrow.position(), 0);
}

TEST(SaveReader, ATextThatEndsExactlyAtTheEndOfTheDataIsRead) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        bool wide;
        std::string text;
    };
    const Case cases[] = {
        {"wide", counted(3, {0x41, 0, 0x42, 0, 0x43, 0}), true, "ABC"},
        {"narrow", counted(3, {0x41, 0x42, 0x43}), true, "ABC"},
        {"one character", counted(1, {0x41, 0}), true, "A"},
        {"plain", counted(3, {'a', 'b', 'c'}), false, "abc"},
    };
    for (const auto& c : cases) {
        SaveReader reader(c.data);
        EXPECT_EQ(c.wide ? reader.readUStr() : reader.readStr(), c.text) << c.name;
        EXPECT_EQ(reader.remaining(), 0) << c.name;
        SaveReader skipper(c.data);
        c.wide ? skipper.skipUStr() : skipper.skipStr();
        EXPECT_EQ(skipper.remaining(), 0) << c.name;
    }
}

TEST(SaveReader, NegativeOrHugePositionsAndCountsNeverReadOutside) {
    const auto data = bytesOf({1, 2, 3, 4, 5, 6, 7, 8});
    SaveReader reader(data);
    reader.setPosition(-1);
    EXPECT_THROW((void)reader.readChar(), DamagedSave);
    reader.setPosition(INT64_MAX - 2);
    EXPECT_THROW((void)reader.readInt(), DamagedSave);
    EXPECT_THROW((void)reader.intAt(-2), DamagedSave);
    EXPECT_THROW((void)reader.intAt(5), DamagedSave);
    EXPECT_EQ(reader.intAt(4), 0x08070605);

    reader.setPosition(0);
    EXPECT_THROW(reader.skipInts(INT64_MAX / 2), DamagedSave);  // no overflow of count x size
    EXPECT_THROW(reader.requireItems(3, 3), DamagedSave);
    EXPECT_NO_THROW(reader.requireItems(2, 4));
    reader.skipInts(-5);  // a negative count is no items
    EXPECT_EQ(reader.position(), 0);
    reader.skipInts(2);
    EXPECT_EQ(reader.position(), 8);
    EXPECT_EQ(reader.remaining(), 0);
}

TEST(CutMacros, RemovesMarkUpSpans) {
    const std::pair<std::string, std::string> cases[] = {
        {"a<b>c", "ac"},
        {"x>y", "x>y"},
        {"a<b", "a"},
        {"<<a>b>c", "b>c"},
        {"", ""},
        {"<>", ""},
        {"Code <color=1>of</color> Lows", "Code of Lows"},
        {std::string("ab\0<c>d", 7), "ab"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(CutMacros(in), out) << in;
        std::string reused = "an earlier text";
        CutMacros(in, reused);
        EXPECT_EQ(reused, out) << in;
    }
    EXPECT_EQ(CutMacros(std::string(1023, 'a')), std::string(1023, 'a'));
    EXPECT_EQ(CutMacros(std::string(1024, 'a')), "");
}

}  // namespace
}  // namespace quillmere::load
