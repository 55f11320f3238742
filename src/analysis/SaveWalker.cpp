#include <algorithm>
#include <span>
#include <utility>

#include "analysis/FinalScore.h"
#include "analysis/RuleTables.h"
#include "analysis/SaveWalk.h"
#include "analysis/SaveWalker.h"

// The layout the walk reads, as a grammar. i32, i16, u8 and b8 are little-endian integers (b8 is a
// bool: 0 false, else true); str is an int32 length n and n bytes; wstr is an int32 count n and n
// 16-bit characters (see SaveReader::readUStr); both carry no body when n lies outside 1..1023.
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

SaveRecord AnalyseSave(const load::WorkBuffer& work) {
    SaveRecord rec = walk::SaveWalker(work).run();
    // The stream's Adler-32 would be free but is easily forged, and equal game data accuses two
    // players.
    const auto state =
        std::span<const std::uint8_t>(work.bytes.data(), work.bytes.size())
            .subspan(static_cast<std::size_t>(work.streamOffset), static_cast<std::size_t>(work.gameLength));
    rec.gameLength = work.gameLength;
    rec.gameHash = load::DigestOf(state);
    return rec;
}

namespace walk {

SaveRecord SaveWalker::run() && {
    readFixedValues();
    readHeader();
    readGameSection();
    readTeams();
    for (int k = 0; k < kSides; ++k) readPlayer(k == 0);
    finishRecord();
    return std::move(m_rec);
}

void SaveWalker::readFixedValues() {
    const auto at = [&](std::int64_t offset) { return m_reader.intAt(m_stream + offset); };
    m_rec.turn = at(8);
    m_rec.turnLimit = at(20);
    // The save counts quarter seconds; a remainder of 2 or 3 rounds up.
    const std::int32_t quarters = at(24);
    m_rec.playTime = quarters / 4 + (quarters % 4 > 1 ? 1 : 0);
    m_rec.score = at(361);
    m_rec.level = at(105);
    m_rec.victoryType = at(121);
    m_rec.gameOver = at(125);
    for (std::size_t k = 0; k < 4; ++k) {
        m_scoreEnd[k] = at(64 + 4 * static_cast<std::int64_t>(k));
        m_scoreStart[k] = at(80 + 4 * static_cast<std::int64_t>(k));
    }
}

void SaveWalker::readHeader() {
    const std::int32_t version = m_header.readInt();
    for (int i = 0; i < 2; ++i) m_header.skipStr();
    m_header.skipInts(1);
    for (int i = 0; i < 5; ++i) m_header.skipStr();
    const std::int32_t headerFlags = m_header.readInt();
    m_header.skipInts(1);
    skipTexts(m_header, 4);
    m_header.skipBools(1);
    m_costSetting = m_header.readInt();
    m_header.skipInts(3);
    m_speedIndex = m_header.readInt();
    // Older saves count speeds from one less; any index past 3 reads as an unknown speed alike.
    if (version < 102 && m_speedIndex < INT32_MAX) ++m_speedIndex;
    m_header.skipInts(2);
    m_header.skipInts(m_header.readInt());
    m_header.skipBools(m_header.readInt());
    const int optionalBools = ((headerFlags & 2) != 0) + ((headerFlags & 8) != 0) + ((headerFlags & 16) != 0);
    m_header.skip((13 + optionalBools + 4) * kBool + 5 * kInt);
    readPlayerSlots();
    m_header.skip(2 * kSides * kInt + 2 * kSides * kBool);
}

void SaveWalker::readPlayerSlots() {
    m_header.readUStr(m_rec.nickName);
    skipTexts(m_header, kSides - 1 + 3 * kSides);
    m_header.readUStr(m_rec.blockText);
    skipTexts(m_header, kSides - 1 + 2 * kSides);
    m_header.skipBools(kSides);
    skipTexts(m_header, kSides);
    m_rec.civType = m_header.readInt();
    m_header.skipInts(kSides - 1);
    m_leader = m_header.readInt();
    m_header.skipInts(kSides - 1 + 4 * kSides);
}

void SaveWalker::readGameSection() {
    m_reader.setPosition(m_stream);
    m_reader.skip(25 * kInt + 5 * kBool + 6 * kInt);
    m_reader.skipUStr();
    m_reader.skip((7 * kSides + 83 + 65 + 100 + 11 + 25 + 10 + 7) * kInt + (3 + 4 + 10) * kBool +
                  (7 * 2 + 18 * 10) * kInt);
    skipTexts(m_reader.readInt());
    skipIntList();
    readItems(kGroupBytes, [&] {
        m_reader.skipInts(5);
        m_reader.skip(m_reader.readInt(), 3 * kInt);
        m_reader.skip(m_reader.readInt(), 3 * kInt);
    });
    m_reader.skipInts(2);
    // Messages past the cap are not read: the walk goes on right after the first 65536.
    const std::int32_t replays = std::min(m_reader.readInt(), kReplayMessageCap);
    m_reader.requireItems(replays, kReplayBytes);
    for (std::int32_t i = 0; i < replays; ++i) readReplay();
    m_rec.loadCount = m_reader.readInt();
    m_reader.skipInts(3);
    const std::int32_t width = m_reader.readInt();
    const std::int32_t height = m_reader.readInt();
    m_landTotal = m_reader.readInt();
    m_rec.mapWidth = width;
    m_rec.mapHeight = height;
    m_rec.landTotal = m_landTotal;
    m_reader.skip(4 * kInt + 2 * kBool + 70 * kInt);
    // The plot count is the int32 product of the map's sides, as the game stores it.
    const auto plots =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height));
    m_reader.requireItems(plots, kPlotBytes);
    for (std::int32_t i = 0; i < plots; ++i) readPlot();
    skipIntList();
    m_reader.skip(m_reader.readInt(), kTailBytes);
}

void SaveWalker::readReplay() {
    m_reader.skipInts(5);
    m_reader.skipUStr();
    m_reader.skipInts(1);
}

void SaveWalker::readPlot() {
    // A plot is about 400 bytes, of which the walk reads a few: the ones two plots on are asked
    // for now, so that they are there when it comes to them.
    m_reader.prefetchAhead(2 * kPlotBytes, kPlotBytes);
    const std::int32_t flags = m_reader.readInt();
    const int optionalShorts = ((flags & 4) != 0) + ((flags & 2) != 0);
    m_reader.skip(kPlotHeadBytes + optionalShorts * kShort + kPlotBeforeOwnerBytes);
    const std::uint8_t owner = m_reader.readChar();
    const std::int16_t kind = m_reader.readShort();
    // Land, hills and peaks count; only the human player's land is reported.
    if (owner == 0 && kind >= 0 && kind <= 2) ++m_rec.land;
    m_reader.skip(kPlotAfterKindBytes);
    if ((flags & 1) == 0) m_reader.skipUStr();
    m_reader.skipUStr();
    m_reader.skip(kPlotTailBytes);
    m_reader.skip(m_reader.readInt(), kPairBytes);
}

void SaveWalker::finishRecord() {
    const CalendarDate date = DateOfTurn(m_speedIndex, m_rec.turn);
    m_rec.year = date.year;
    m_rec.landPercent = m_landTotal > 0 ? m_rec.land * 100.0 / m_landTotal : 0.0;
    if (m_rec.nickName.empty()) {
        if (const auto leader = LeaderName(m_leader)) m_rec.nickName = *leader;
    }
    m_rec.leaderType = m_leader;
    m_rec.speedIndex = m_speedIndex;
    m_rec.populationPercent = m_populationTotal > 0 ? static_cast<double>(std::int64_t{m_rec.population} * 100) /
                                                          static_cast<double>(m_populationTotal)
                                                    : 0.0;
    m_rec.scoreInputs = ScoreInputs{.stat = m_scoreStat,
                                    .start = m_scoreStart,
                                    .end = m_scoreEnd,
                                    .turn = date.workingTurn,
                                    .turnLimit = m_rec.turnLimit,
                                    .difficultyFactor = DifficultyFactor(m_rec.level)};
    m_rec.finalScore = FinalScore(*m_rec.scoreInputs);
    m_rec.culture1 = m_culture[0];
    m_rec.culture2 = m_culture[1];
    m_rec.culture3 = m_culture[2];

    std::uint32_t techs = static_cast<std::uint32_t>(m_futureTechCount);
    for (const bool known : m_known) techs += known ? 1 : 0;
    m_rec.techs = static_cast<std::int32_t>(techs);

    // Science: the research cost of every technology at the turn it was learned, then summed up
    // to the working turn.
    auto& science = m_history[kHistoryLists];
    const CostPercents percents = CostPercentsOf(m_rec.level, m_costSetting, m_speedIndex);
    for (int i = 0; i < kTechCount; ++i) {
        const std::int32_t turn = m_techTurn[i];
        if (turn >= 0 && turn <= kLastTurn) science[turn] += TechCost(i, percents);
    }
    const std::int32_t lastSummed = std::min(date.workingTurn, kLastTurn);
    for (std::int32_t t = 1; t <= lastSummed; ++t) science[t] += science[t - 1];

    m_rec.history.resize(m_history.size());
    for (std::size_t category = 0; category < m_history.size(); ++category) {
        const auto& full = m_history[category];
        const auto end = std::find_if(full.rbegin(), full.rend(), [](std::int32_t v) { return v != 0; }).base();
        m_rec.history[category].assign(full.begin(), end);
    }
}

}  // namespace walk
}  // namespace quillmere::analysis
