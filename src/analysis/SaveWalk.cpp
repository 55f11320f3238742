#include "analysis/SaveWalk.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "analysis/FinalScore.h"
#include "analysis/RuleTables.h"
#include "load/SaveReader.h"

// The layout the walk reads, as a grammar. i32, i16, u8 and b8 are little-endian integers (b8 is a
// bool: 0 false, else true); str is an int32 length n and n bytes; wstr is an int32 count n and n
// 16-bit characters (see SaveReader::ReadUStr); both carry no body when n lies outside 1..1023.
// T*N is N items T in a row; "n: T" is an int32 count n followed by n items T (none when n <= 0);
// [cond] T is present only when cond holds. Names mark the values the walk keeps.
//
// Header, from byte 0:
//   i32 version; str*2; i32; str*5; i32 headerFlags; i32; wstr*4; b8; i32 costSetting; i32*3;
//   i32 speedIndex (one more when version < 102); i32*2; n: i32; n: b8;
//   b8*13 and one more per bit 2, 8 and 16 of headerFlags; b8*4; i32*5;
//   19 player slots stored by column, slot 0 first:
//     wstr name*19; wstr*19*3; wstr block*19; wstr*19*2; b8*19; wstr*19; i32 civ*19; i32 leader*19; i32*19*4
//   i32*38; b8*38
// Game state, from the stream offset p; values at fixed offsets from p: 8 turn, 20 turn limit,
// 24 play time (quarter seconds), 64..76 expected end values, 80..92 expected start values,
// 105 level, 121 victory type, 125 game over, 361 score:
//   i32*25; b8*5; i32*6; wstr; i32*434; b8*17; i32*194; n: wstr; (n; i32*4; i32*n);
//   n: (i32*5; k: i32*3; k: i32*3); i32*2; n: replay (at most 65536 read); i32 loadCount; i32*3;
//   i32 W; i32 H; i32 landTotal; i32*4; b8*2; i32*70; plot*(W*H, an int32 product); (n; i32*4; i32*n);
//   n: tail; team*19; player*19
//   replay: i32*5; wstr; i32
//   plot:   i32 f; i16*2; i32; i16; [f&4] i16; [f&2] i16; i16*3; i32; i16*3; b8*6; u8 owner; i16 kind;
//           i16*5; u8*2; i32*6; i16*3; i32*19; i16*19; u8*19; i32*19; i16*19*2; u8*19; b8*27; i16*38;
//           [!(f&1)] wstr; wstr; i16*22; u8*133; i16*19; n: i32*2
//   tail:   i32*9; b8; i32*1731
//   team:   i32*20; b8; i32*65; b8*114; i32*289; i32*86; i32*85; i32 futureTechCount; i32*9;
//           b8 known*86; b8*86; i32*282
//   player: i32 flags; i32*2; i32 population; i32; [flags&2] i32; i32*17; [flags&0x10] i32; i32*53;
//           i32 scoreStat*4; b8*5; [flags&8] b8; b8*3; i32*62; b8*28; b8*17; [flags&1] b8; wstr; i32*667;
//           b8*86; (i32; [!(flags&0x20)] i32*2)*5; i32*33; [flags&4] i32*72; n: i32; n: i32; n: wstr;
//           (n; i32*4; i32*n); n: (i32*38; m: i32*2); (n; i32*4; i32*n); c: city; (n; i32*4; i32*n);
//           u: unit; (n; i32*4; i32*n); n: order; n: message; n: (i32*4; b8*2; i32; wstr*3; j: wstr*2);
//           n: script; 6 histories, each n: (i32 turn; i32 value); i32*227; b8*19; i32*798
//   city:   i32 flags; i32*69; [flags&1] i32; i32*2; b8*8; i32*54; i32 culture*19 (one per player
//           index); i32*19; b8*57; wstr*2; i32*921; b8*228; i32*16; n: (i32*3; b8*4); i32*3; b8*2;
//           i32*50; b8*6
//   unit:   i32*46; b8*5; i32*11; wstr*2; b8*41; i32*42
//   order:  i32*3; b8; i32*3; i32 m; (i32*2)*m; j: i32*5; i32*3; b8; i32*3
//   message: wstr text; wstr*2; i32*4; b8*2; i32 turn; i32*3; b8
//   script: i32*3; i32 a; (i32*2; b8*4)*a; b: (i32*2; b8*4); b8*2; i32; b8*3; wstr;
//           c: (i32 kind; kind 9 or 10: wstr, else i32*2)
// Only slot 0, team 0 and player 0 belong to the human player whose save this is; the other sides
// are passed over, and only their populations reach the record (as the population share).

namespace quillmere::analysis {

namespace {

using load::SaveReader;

constexpr int kSides = 19;
constexpr std::int64_t kInt = 4;
constexpr std::int64_t kShort = 2;
constexpr std::int64_t kByte = 1;
constexpr std::int64_t kBool = 1;
constexpr std::int64_t kEmptyText = 4;  // a text is at least its count

constexpr std::int32_t kReplayMessageCap = 65536;
constexpr int kHistoryLists = 6;
// Turns a history pair or a technology may be stored at: the longest game's turns.
constexpr std::int32_t kLastTurn = kHistoryTurns - 1;

// Smallest sizes of the counted items, so that a corrupt count fails before the loop starts.
constexpr std::int64_t kReplayBytes = 5 * kInt + kEmptyText + kInt;
constexpr std::int64_t kGroupBytes = 5 * kInt + 2 * kInt;
constexpr std::int64_t kPlotHeadBytes = 2 * kShort + kInt + kShort;
constexpr std::int64_t kPlotBeforeOwnerBytes = 3 * kShort + kInt + 3 * kShort + 6 * kBool;
constexpr std::int64_t kPlotAfterKindBytes = 5 * kShort + 2 * kByte + 6 * kInt + 3 * kShort + 19 * kInt + 19 * kShort +
                                             19 * kByte + 19 * kInt + 2 * 19 * kShort + 19 * kByte + (8 + 19) * kBool +
                                             2 * 19 * kShort;
constexpr std::int64_t kPlotTailBytes = 22 * kShort + 19 * 7 * kByte + 19 * kShort;
constexpr std::int64_t kPlotBytes = kInt + kPlotHeadBytes + kPlotBeforeOwnerBytes + kByte + kShort +
                                    kPlotAfterKindBytes + kEmptyText + kPlotTailBytes + kInt;
constexpr std::int64_t kTailBytes = 9 * kInt + kBool + (13 * 19 + 19 * 2 + 19 * 3 + 2 * 19 * 35 + 35 + 24) * kInt;
constexpr std::int64_t kTeamBeforeFutureTechBytes =
    20 * kInt + kBool + 65 * kInt + 114 * kBool + 289 * kInt + 86 * kInt + 85 * kInt;
constexpr std::int64_t kTeamAfterKnownBytes = 86 * kBool + 282 * kInt;
constexpr std::int64_t kTeamBytes =
    kTeamBeforeFutureTechBytes + kInt + 9 * kInt + kTechCount * kBool + kTeamAfterKnownBytes;
constexpr std::int64_t kCityBeforeCultureBytes = 2 * kInt + 8 * kBool + 54 * kInt;
constexpr std::int64_t kCityAfterCultureBytes = 19 * kInt + 57 * kBool;
constexpr std::int64_t kCityMiddleBytes = 921 * kInt + 228 * kBool + 16 * kInt;
constexpr std::int64_t kCityTailBytes = 3 * kInt + 2 * kBool + 50 * kInt + 6 * kBool;
constexpr std::int64_t kCityBytes = kInt + 69 * kInt + kCityBeforeCultureBytes + kSides * kInt +
                                    kCityAfterCultureBytes + 2 * kEmptyText + kCityMiddleBytes + kInt + kCityTailBytes;
constexpr std::int64_t kUnitHeadBytes = 46 * kInt + 5 * kBool + 11 * kInt;
constexpr std::int64_t kUnitTailBytes = 41 * kBool + 42 * kInt;
constexpr std::int64_t kUnitBytes = kUnitHeadBytes + 2 * kEmptyText + kUnitTailBytes;
constexpr std::int64_t kPairBytes = 2 * kInt;
constexpr std::int64_t kOrderBytes = 3 * kInt + kBool + 4 * kInt + kInt + 3 * kInt + kBool + 3 * kInt;
constexpr std::int64_t kMessageBytes = 3 * kEmptyText + 4 * kInt + 2 * kBool + 4 * kInt + kBool;
constexpr std::int64_t kNoteBytes = 4 * kInt + 2 * kBool + kInt + 3 * kEmptyText + kInt;
constexpr std::int64_t kScriptBytes = 4 * kInt + kInt + 2 * kBool + kInt + 3 * kBool + kEmptyText + kInt;
constexpr std::int64_t kScriptStepBytes = 2 * kInt + 4 * kBool;
constexpr std::int64_t kScriptEntryBytes = kInt + kEmptyText;

// Finds the technologies whose names occur in a text, as exact, case-sensitive substrings. The
// names are bucketed by their first byte, so most positions of a text cost one table look-up.
class TechnologyNames {
public:
    TechnologyNames() {
        for (const auto& tech : kTechnologies) ++m_bucketStart[firstByte(tech.Name) + 1];
        for (std::size_t b = 1; b < m_bucketStart.size(); ++b) m_bucketStart[b] += m_bucketStart[b - 1];
        auto next = m_bucketStart;
        for (std::uint8_t i = 0; i < kTechCount; ++i) m_order[next[firstByte(kTechnologies[i].Name)]++] = i;
    }

    // Calls found(i) for every technology i named in `text` (possibly more than once).
    template <typename Found>
    void ForEachNamedIn(std::string_view text, Found found) const {
        for (std::size_t pos = 0; pos < text.size(); ++pos) {
            const auto b = static_cast<std::uint8_t>(text[pos]);
            for (auto k = m_bucketStart[b]; k < m_bucketStart[b + 1]; ++k) {
                const std::string_view name = kTechnologies[m_order[k]].Name;
                if (name.size() <= text.size() - pos && std::memcmp(text.data() + pos, name.data(), name.size()) == 0) {
                    found(m_order[k]);
                }
            }
        }
    }

private:
    static std::size_t firstByte(std::string_view name) { return static_cast<std::uint8_t>(name.front()); }

    std::array<std::uint8_t, 257> m_bucketStart{};
    std::array<std::uint8_t, kTechCount> m_order{};
};

// One walk over one save. Every working value starts from zero here, so nothing of an earlier
// save reaches this one. The record is written only once the whole walk has succeeded.
class SaveWalk {
public:
    explicit SaveWalk(const load::WorkBuffer& work) : m_reader(work.bytes), m_stream(work.streamOffset) {}

    void Run() {
        readFixedValues();
        readHeader();
        readGameSection();
        readTeams();
        for (int k = 0; k < kSides; ++k) readPlayer(k == 0);
    }

    void WriteTo(TSaveDataRec& rec) const;

private:
    void readFixedValues();
    void readHeader();
    void readPlayerSlots();
    void readGameSection();
    void readPlot();
    void readTeams();
    void readPlayer(bool human);
    void readCity(bool human);
    void readUnit();
    void readMessage(bool human);
    void readHistories(bool human);

    void skipIntList() {
        const std::int32_t n = m_reader.ReadInt();
        m_reader.SkipInts(4);
        m_reader.SkipInts(n);
    }
    void skipTexts(std::int64_t count) {
        m_reader.RequireItems(count, kEmptyText);
        for (std::int64_t i = 0; i < count; ++i) m_reader.SkipUStr();
    }
    // Reads a count of items of at least `itemBytes` each; fails at once when they cannot fit.
    std::int32_t readCount(std::int64_t itemBytes) {
        const std::int32_t n = m_reader.ReadInt();
        m_reader.RequireItems(n, itemBytes);
        return n;
    }

    SaveReader m_reader;
    std::int64_t m_stream;

    std::int32_t m_turn = 0;
    std::int32_t m_turnLimit = 0;
    std::int32_t m_playTime = 0;
    std::int32_t m_score = 0;
    std::int32_t m_level = 0;
    std::int32_t m_victoryType = 0;
    std::int32_t m_gameOver = 0;
    std::array<std::int32_t, 4> m_scoreEnd{};
    std::array<std::int32_t, 4> m_scoreStart{};

    std::int32_t m_costSetting = 0;
    std::int32_t m_speedIndex = 0;
    std::string m_name;
    std::string m_block;
    std::int32_t m_civ = 0;
    std::int32_t m_leader = 0;

    std::int32_t m_loadCount = 0;
    std::int32_t m_landTotal = 0;
    std::int32_t m_land = 0;

    std::array<bool, kTechCount> m_known{};
    std::int32_t m_futureTechCount = 0;

    std::int64_t m_populationTotal = 0;
    std::int32_t m_population = 0;
    std::array<std::int32_t, 4> m_scoreStat{};
    std::int32_t m_cities = 0;
    std::int32_t m_units = 0;
    // The human player's culture list reads as its cities followed by empty entries, so the three
    // largest are never below 0 and a player with fewer than three cities gets 0 for the missing.
    std::array<std::int32_t, 3> m_culture{};
    std::array<std::int32_t, kTechCount> m_techTurn{};
    std::array<std::int32_t, kHistoryLists> m_historyCount{};
    std::array<std::array<std::int32_t, kHistoryTurns>, kHistoryLists> m_history{};

    TechnologyNames m_techNames;
    std::string m_text;     // scratch for message texts, reused
    std::string m_cleaned;  // the text without mark-up
};

void SaveWalk::readFixedValues() {
    const auto at = [&](std::int64_t offset) { return m_reader.IntAt(m_stream + offset); };
    m_turn = at(8);
    m_turnLimit = at(20);
    // The save counts quarter seconds; a remainder of 2 or 3 rounds up.
    const std::int32_t quarters = at(24);
    m_playTime = quarters / 4 + (quarters % 4 > 1 ? 1 : 0);
    m_score = at(361);
    m_level = at(105);
    m_victoryType = at(121);
    m_gameOver = at(125);
    for (std::size_t k = 0; k < 4; ++k) {
        m_scoreEnd[k] = at(64 + 4 * static_cast<std::int64_t>(k));
        m_scoreStart[k] = at(80 + 4 * static_cast<std::int64_t>(k));
    }
}

void SaveWalk::readHeader() {
    m_reader.SetPosition(0);
    const std::int32_t version = m_reader.ReadInt();
    for (int i = 0; i < 2; ++i) m_reader.SkipStr();
    m_reader.SkipInts(1);
    for (int i = 0; i < 5; ++i) m_reader.SkipStr();
    const std::int32_t headerFlags = m_reader.ReadInt();
    m_reader.SkipInts(1);
    skipTexts(4);
    m_reader.SkipBools(1);
    m_costSetting = m_reader.ReadInt();
    m_reader.SkipInts(3);
    m_speedIndex = m_reader.ReadInt();
    // Older saves count speeds from one less; any index past 3 reads as an unknown speed alike.
    if (version < 102 && m_speedIndex < INT32_MAX) ++m_speedIndex;
    m_reader.SkipInts(2);
    m_reader.SkipInts(m_reader.ReadInt());
    m_reader.SkipBools(m_reader.ReadInt());
    const int optionalBools = ((headerFlags & 2) != 0) + ((headerFlags & 8) != 0) + ((headerFlags & 16) != 0);
    m_reader.Skip((13 + optionalBools + 4) * kBool + 5 * kInt);
    readPlayerSlots();
    m_reader.Skip(2 * kSides * kInt + 2 * kSides * kBool);
}

void SaveWalk::readPlayerSlots() {
    m_reader.ReadUStr(m_name);
    skipTexts(kSides - 1 + 3 * kSides);
    m_reader.ReadUStr(m_block);
    skipTexts(kSides - 1 + 2 * kSides);
    m_reader.SkipBools(kSides);
    skipTexts(kSides);
    m_civ = m_reader.ReadInt();
    m_reader.SkipInts(kSides - 1);
    m_leader = m_reader.ReadInt();
    m_reader.SkipInts(kSides - 1 + 4 * kSides);
}

void SaveWalk::readGameSection() {
    m_reader.SetPosition(m_stream);
    m_reader.Skip(25 * kInt + 5 * kBool + 6 * kInt);
    m_reader.SkipUStr();
    m_reader.Skip((7 * kSides + 83 + 65 + 100 + 11 + 25 + 10 + 7) * kInt + (3 + 4 + 10) * kBool +
                  (7 * 2 + 18 * 10) * kInt);
    skipTexts(m_reader.ReadInt());
    skipIntList();
    const std::int32_t groups = readCount(kGroupBytes);
    for (std::int32_t i = 0; i < groups; ++i) {
        m_reader.SkipInts(5);
        m_reader.Skip(m_reader.ReadInt(), 3 * kInt);
        m_reader.Skip(m_reader.ReadInt(), 3 * kInt);
    }
    m_reader.SkipInts(2);
    // Messages past the cap are not read: the walk goes on right after the first 65536.
    const std::int32_t replays = std::min(m_reader.ReadInt(), kReplayMessageCap);
    m_reader.RequireItems(replays, kReplayBytes);
    for (std::int32_t i = 0; i < replays; ++i) {
        m_reader.SkipInts(5);
        m_reader.SkipUStr();
        m_reader.SkipInts(1);
    }
    m_loadCount = m_reader.ReadInt();
    m_reader.SkipInts(3);
    const std::int32_t width = m_reader.ReadInt();
    const std::int32_t height = m_reader.ReadInt();
    m_landTotal = m_reader.ReadInt();
    m_reader.Skip(4 * kInt + 2 * kBool + 70 * kInt);
    // The plot count is the int32 product of the map's sides, as the game stores it.
    const auto plots =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height));
    m_reader.RequireItems(plots, kPlotBytes);
    for (std::int32_t i = 0; i < plots; ++i) readPlot();
    skipIntList();
    m_reader.Skip(m_reader.ReadInt(), kTailBytes);
}

void SaveWalk::readPlot() {
    const std::int32_t flags = m_reader.ReadInt();
    const int optionalShorts = ((flags & 4) != 0) + ((flags & 2) != 0);
    m_reader.Skip(kPlotHeadBytes + optionalShorts * kShort + kPlotBeforeOwnerBytes);
    const std::uint8_t owner = m_reader.ReadChar();
    const std::int16_t kind = m_reader.ReadShort();
    // Land, hills and peaks count; only the human player's land is reported.
    if (owner == 0 && kind >= 0 && kind <= 2) ++m_land;
    m_reader.Skip(kPlotAfterKindBytes);
    if ((flags & 1) == 0) m_reader.SkipUStr();
    m_reader.SkipUStr();
    m_reader.Skip(kPlotTailBytes);
    m_reader.Skip(m_reader.ReadInt(), kPairBytes);
}

void SaveWalk::readTeams() {
    m_reader.Skip(kTeamBeforeFutureTechBytes);
    m_futureTechCount = m_reader.ReadInt();
    m_reader.SkipInts(9);
    for (auto& known : m_known) known = m_reader.ReadBool() != 0;
    m_reader.Skip(kTeamAfterKnownBytes);
    m_reader.Skip(kSides - 1, kTeamBytes);
}

void SaveWalk::readPlayer(bool human) {
    const std::int32_t flags = m_reader.ReadInt();
    m_reader.SkipInts(2);
    const std::int32_t population = m_reader.ReadInt();
    m_populationTotal += population;
    m_reader.Skip(kInt + ((flags & 0x02) ? kInt : 0) + 17 * kInt + ((flags & 0x10) ? kInt : 0) + 53 * kInt);
    std::array<std::int32_t, 4> scoreStat{};
    for (auto& stat : scoreStat) stat = m_reader.ReadInt();
    m_reader.Skip(5 * kBool + ((flags & 0x08) ? kBool : 0) + 3 * kBool + 62 * kInt + 28 * kBool +
                  ((flags & 0x01) ? 18 : 17) * kBool);
    m_reader.SkipUStr();
    m_reader.Skip(667 * kInt + 86 * kBool + ((flags & 0x20) ? 5 : 15) * kInt + 33 * kInt +
                  ((flags & 0x04) ? 72 * kInt : 0));
    m_reader.SkipInts(m_reader.ReadInt());
    m_reader.SkipInts(m_reader.ReadInt());
    skipTexts(m_reader.ReadInt());
    skipIntList();
    const std::int32_t pairGroups = readCount(38 * kInt + kInt);
    for (std::int32_t i = 0; i < pairGroups; ++i) {
        m_reader.SkipInts(38);
        m_reader.Skip(m_reader.ReadInt(), kPairBytes);
    }
    skipIntList();
    const std::int32_t cities = readCount(kCityBytes);
    for (std::int32_t i = 0; i < cities; ++i) readCity(human);
    skipIntList();
    const std::int32_t units = readCount(kUnitBytes);
    for (std::int32_t i = 0; i < units; ++i) readUnit();
    skipIntList();
    const std::int32_t orders = readCount(kOrderBytes);
    for (std::int32_t i = 0; i < orders; ++i) {
        m_reader.Skip(3 * kInt + kBool + 3 * kInt);
        m_reader.Skip(m_reader.ReadInt(), kPairBytes);
        m_reader.Skip(m_reader.ReadInt(), 5 * kInt);
        m_reader.Skip(3 * kInt + kBool + 3 * kInt);
    }
    if (human) m_techTurn.fill(-1);
    const std::int32_t messages = readCount(kMessageBytes);
    for (std::int32_t i = 0; i < messages; ++i) readMessage(human);
    if (human) {
        // A technology the side knows that no message names was had from the start.
        for (int i = 0; i < kTechCount; ++i) {
            if (m_techTurn[i] == -1 && m_known[i]) m_techTurn[i] = 0;
        }
    }
    const std::int32_t notes = readCount(kNoteBytes);
    for (std::int32_t i = 0; i < notes; ++i) {
        m_reader.Skip(4 * kInt + 2 * kBool + kInt);
        skipTexts(3);
        skipTexts(2 * std::int64_t{readCount(2 * kEmptyText)});
    }
    const std::int32_t scripts = readCount(kScriptBytes);
    for (std::int32_t i = 0; i < scripts; ++i) {
        m_reader.SkipInts(3);
        m_reader.Skip(m_reader.ReadInt(), kScriptStepBytes);
        m_reader.Skip(m_reader.ReadInt(), kScriptStepBytes);
        m_reader.Skip(2 * kBool + kInt + 3 * kBool);
        m_reader.SkipUStr();
        const std::int32_t entries = readCount(kScriptEntryBytes);
        for (std::int32_t e = 0; e < entries; ++e) {
            const std::int32_t kind = m_reader.ReadInt();
            if (kind == 9 || kind == 10) {
                m_reader.SkipUStr();
            } else {
                m_reader.SkipInts(2);
            }
        }
    }
    readHistories(human);
    m_reader.Skip(227 * kInt + 19 * kBool + 798 * kInt);

    if (human) {
        m_population = population;
        m_scoreStat = scoreStat;
        m_cities = cities;
        m_units = units;
    }
}

void SaveWalk::readCity(bool human) {
    const std::int32_t flags = m_reader.ReadInt();
    m_reader.Skip((flags & 0x01 ? 70 : 69) * kInt + kCityBeforeCultureBytes);
    // One culture value per player index; the human player's is the first.
    const std::int32_t culture = m_reader.ReadInt();
    m_reader.Skip((kSides - 1) * kInt + kCityAfterCultureBytes);
    skipTexts(2);
    m_reader.Skip(kCityMiddleBytes);
    m_reader.Skip(m_reader.ReadInt(), 3 * kInt + 4 * kBool);
    m_reader.Skip(kCityTailBytes);
    if (human && culture > m_culture[2]) {
        m_culture[2] = culture;
        if (m_culture[2] > m_culture[1]) std::swap(m_culture[2], m_culture[1]);
        if (m_culture[1] > m_culture[0]) std::swap(m_culture[1], m_culture[0]);
    }
}

void SaveWalk::readUnit() {
    m_reader.Skip(kUnitHeadBytes);
    skipTexts(2);
    m_reader.Skip(kUnitTailBytes);
}

void SaveWalk::readMessage(bool human) {
    if (human) {
        m_reader.ReadUStr(m_text);
    } else {
        m_reader.SkipUStr();
    }
    skipTexts(2);
    m_reader.Skip(4 * kInt + 2 * kBool);
    const std::int32_t turn = m_reader.ReadInt();
    m_reader.Skip(3 * kInt + kBool);
    // Only the human player's technology turns are reported, so only its messages are matched.
    if (human) {
        load::CutMacros(m_text, m_cleaned);
        m_techNames.ForEachNamedIn(m_cleaned, [&](int tech) { m_techTurn[tech] = turn; });
    }
}

void SaveWalk::readHistories(bool human) {
    for (int list = 0; list < kHistoryLists; ++list) {
        const std::int32_t pairs = readCount(kPairBytes);
        if (!human) {
            m_reader.Skip(pairs, kPairBytes);
            continue;
        }
        m_historyCount[list] = pairs;
        for (std::int32_t i = 0; i < pairs; ++i) {
            const std::int32_t turn = m_reader.ReadInt();
            const std::int32_t value = m_reader.ReadInt();
            if (turn >= 0 && turn < kLastTurn) m_history[list][turn] = value;
        }
    }
}

void SaveWalk::WriteTo(TSaveDataRec& rec) const {
    const CalendarDate date = Turn2Date(m_speedIndex, m_turn);
    rec.Turn = m_turn;
    rec.TurnLimit = m_turnLimit;
    rec.Year = date.year;
    rec.PlayTime = m_playTime;
    rec.Score = m_score;
    rec.Level = m_level;
    rec.VictoryType = m_victoryType;
    rec.GameOver = m_gameOver;
    rec.BlockText = m_block;
    rec.LoadCount = m_loadCount;
    rec.Land = m_land;
    rec.LandPercent = m_landTotal > 0 ? m_land * 100.0 / m_landTotal : 0.0;

    rec.NickName = m_name;
    if (m_name.empty()) {
        if (const auto leader = LeaderName(m_leader)) rec.NickName = *leader;
    }
    rec.LeaderType = m_leader;
    rec.CivType = m_civ;

    rec.Population = m_population;
    rec.PopulationPercent = m_populationTotal > 0 ? static_cast<double>(std::int64_t{m_population} * 100) /
                                                        static_cast<double>(m_populationTotal)
                                                  : 0.0;

    rec.FinalScore = FinalScoreOf({.stat = m_scoreStat,
                                   .start = m_scoreStart,
                                   .end = m_scoreEnd,
                                   .turn = date.workingTurn,
                                   .turnLimit = m_turnLimit,
                                   .difficultyFactor = DifficultyFactor(m_level)});
    rec.Culture1 = m_culture[0];
    rec.Culture2 = m_culture[1];
    rec.Culture3 = m_culture[2];
    rec.Cities = m_cities;
    rec.Units = m_units;

    std::uint32_t techs = static_cast<std::uint32_t>(m_futureTechCount);
    for (const bool known : m_known) techs += known ? 1 : 0;
    rec.Techs = static_cast<std::int32_t>(techs);

    // Science: the research cost of every technology at the turn it was learned, then summed up
    // to the working turn.
    auto& science = rec.History[6];
    science.fill(0);
    const CostPercents percents = CostPercentsOf(m_level, m_costSetting, m_speedIndex);
    for (int i = 0; i < kTechCount; ++i) {
        const std::int32_t turn = m_techTurn[i];
        if (turn >= 0 && turn <= kLastTurn) science[turn] += TechCost(i, percents);
    }
    const std::int32_t lastSummed = std::min(date.workingTurn, kLastTurn);
    for (std::int32_t t = 1; t <= lastSummed; ++t) science[t] += science[t - 1];

    for (int list = 0; list < kHistoryLists; ++list) {
        auto& series = rec.History[list];
        series.fill(0);
        const std::int32_t count = std::min(m_historyCount[list], kHistoryTurns);
        for (std::int32_t t = 0; t < count; ++t) series[t] = m_history[list][t];
    }
}

}  // namespace

void SaveAnalyse(const load::WorkBuffer& work, TSaveDataRec& rec) {
    SaveWalk walk(work);
    walk.Run();
    walk.WriteTo(rec);
}

}  // namespace quillmere::analysis
