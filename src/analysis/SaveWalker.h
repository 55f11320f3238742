#pragma once

// The save walk's own parts, shared by its two source files; nothing outside the walk uses them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/SaveRecord.h"
#include "analysis/TechnologyNames.h"
#include "load/Container.h"
#include "load/SaveReader.h"

namespace quillmere::analysis::walk {

inline constexpr int kSides = 19;
inline constexpr std::int64_t kInt = 4;
inline constexpr std::int64_t kShort = 2;
inline constexpr std::int64_t kByte = 1;
inline constexpr std::int64_t kBool = 1;
inline constexpr std::int64_t kEmptyText = 4;  // a text is at least its count

inline constexpr std::int32_t kReplayMessageCap = 65536;
inline constexpr int kHistoryLists = 6;
// Turns a history pair or a technology may be stored at: the longest game's turns.
inline constexpr std::int32_t kLastTurn = kHistoryTurns - 1;

// Smallest sizes of the counted items, so that a corrupt count fails before its loop starts.
inline constexpr std::int64_t kIntListBytes = kInt + 4 * kInt;  // (n; i32*4; i32*n) with n <= 0
inline constexpr std::int64_t kReplayBytes = 5 * kInt + kEmptyText + kInt;
inline constexpr std::int64_t kGroupBytes = 5 * kInt + 2 * kInt;
inline constexpr std::int64_t kPlotHeadBytes = 2 * kShort + kInt + kShort;
inline constexpr std::int64_t kPlotBeforeOwnerBytes = 3 * kShort + kInt + 3 * kShort + 6 * kBool;
inline constexpr std::int64_t kPlotAfterKindBytes = 5 * kShort + 2 * kByte + 6 * kInt + 3 * kShort + 19 * kInt +
                                                    19 * kShort + 19 * kByte + 19 * kInt + 2 * 19 * kShort +
                                                    19 * kByte + (8 + 19) * kBool + 2 * 19 * kShort;
inline constexpr std::int64_t kPlotTailBytes = 22 * kShort + 19 * 7 * kByte + 19 * kShort;
inline constexpr std::int64_t kPlotBytes = kInt + kPlotHeadBytes + kPlotBeforeOwnerBytes + kByte + kShort +
                                           kPlotAfterKindBytes + kEmptyText + kPlotTailBytes + kInt;
inline constexpr std::int64_t kTailBytes =
    9 * kInt + kBool + (13 * 19 + 19 * 2 + 19 * 3 + 2 * 19 * 35 + 35 + 24) * kInt;
inline constexpr std::int64_t kTeamBeforeFutureTechBytes =
    20 * kInt + kBool + 65 * kInt + 114 * kBool + 289 * kInt + 86 * kInt + 85 * kInt;
inline constexpr std::int64_t kTeamAfterKnownBytes = 86 * kBool + 282 * kInt;
inline constexpr std::int64_t kTeamBytes =
    kTeamBeforeFutureTechBytes + kInt + 9 * kInt + kTechCount * kBool + kTeamAfterKnownBytes;
inline constexpr std::int64_t kPairGroupBytes = 38 * kInt + kInt;
inline constexpr std::int64_t kCityBeforeCultureBytes = 2 * kInt + 8 * kBool + 54 * kInt;
inline constexpr std::int64_t kCityAfterCultureBytes = 19 * kInt + 57 * kBool;
inline constexpr std::int64_t kCityMiddleBytes = 921 * kInt + 228 * kBool + 16 * kInt;
inline constexpr std::int64_t kCityTailBytes = 3 * kInt + 2 * kBool + 50 * kInt + 6 * kBool;
inline constexpr std::int64_t kCityBytes = kInt + 69 * kInt + kCityBeforeCultureBytes + kSides * kInt +
                                           kCityAfterCultureBytes + 2 * kEmptyText + kCityMiddleBytes + kInt +
                                           kCityTailBytes;
inline constexpr std::int64_t kUnitHeadBytes = 46 * kInt + 5 * kBool + 11 * kInt;
inline constexpr std::int64_t kUnitTailBytes = 41 * kBool + 42 * kInt;
inline constexpr std::int64_t kUnitBytes = kUnitHeadBytes + 2 * kEmptyText + kUnitTailBytes;
inline constexpr std::int64_t kPairBytes = 2 * kInt;
inline constexpr std::int64_t kOrderBytes = 3 * kInt + kBool + 4 * kInt + kInt + 3 * kInt + kBool + 3 * kInt;
inline constexpr std::int64_t kMessageBytes = 3 * kEmptyText + 4 * kInt + 2 * kBool + 4 * kInt + kBool;
inline constexpr std::int64_t kNoteBytes = 4 * kInt + 2 * kBool + kInt + 3 * kEmptyText + kInt;
inline constexpr std::int64_t kScriptBytes = 4 * kInt + kInt + 2 * kBool + kInt + 3 * kBool + kEmptyText + kInt;
inline constexpr std::int64_t kScriptStepBytes = 2 * kInt + 4 * kBool;
inline constexpr std::int64_t kScriptEntryBytes = kInt + kEmptyText;
inline constexpr std::int64_t kCityItemBytes = 3 * kInt + 4 * kBool;

// One walk over one save. The record it fills is its own until the whole walk has succeeded; the
// other working values start from zero here, so nothing of an earlier save reaches this one.
class SaveWalker {
public:
    // The header is read only up to U and C, which end it; the game section from the stream offset on.
    explicit SaveWalker(const load::WorkBuffer& work)
        : m_header(std::span<const std::uint8_t>(work.bytes).first(headerLength(work)), 0, load::SaveRegion::Header),
          m_reader(work.bytes, 0, load::SaveRegion::GameData, work.streamOffset),
          m_stream(work.streamOffset) {}

    // Walks the whole save and returns its record.
    SaveRecord run() &&;

private:
    // Header and game section (SaveWalker.cpp).
    void readFixedValues();
    void readHeader();
    void readPlayerSlots();
    void readGameSection();
    void readReplay();
    void readPlot();
    void finishRecord();

    // Teams and players (PlayerWalk.cpp).
    void readTeams();
    void readPlayer(bool human);
    void readPairGroups();
    void readCity(bool human);
    void readUnit();
    void readOrder();
    void readMessage(bool human);
    void readNote();
    void readScript();
    void readHistories(bool human);

    void skipIntList() {
        const std::int32_t n = m_reader.readInt();
        m_reader.skipInts(4);
        m_reader.skipInts(n);
    }
    static void skipTexts(load::SaveReader& reader, std::int64_t count) {
        reader.requireItems(count, kEmptyText);
        for (std::int64_t i = 0; i < count; ++i) reader.skipUStr();
    }
    void skipTexts(std::int64_t count) { skipTexts(m_reader, count); }
    static std::size_t headerLength(const load::WorkBuffer& work) {
        return static_cast<std::size_t>(
            std::clamp<std::int64_t>(work.streamOffset - 8, 0, static_cast<std::int64_t>(work.bytes.size())));
    }
    // Reads a count of items of at least `itemBytes` each; fails at once when they cannot fit.
    std::int32_t readCount(std::int64_t itemBytes) {
        const std::int32_t n = m_reader.readInt();
        m_reader.requireItems(n, itemBytes);
        return n;
    }
    template <typename ReadItem>
    void readItems(std::int64_t itemBytes, ReadItem readItem) {
        const std::int32_t n = readCount(itemBytes);
        for (std::int32_t i = 0; i < n; ++i) readItem();
    }

    load::SaveReader m_header;
    load::SaveReader m_reader;
    std::int64_t m_stream;
    SaveRecord m_rec;

    // Working values that reach the record only through the totals.
    std::int32_t m_costSetting = 0;
    std::int32_t m_speedIndex = 0;
    std::int32_t m_leader = 0;
    std::int32_t m_landTotal = 0;
    std::array<std::int32_t, 4> m_scoreEnd{};
    std::array<std::int32_t, 4> m_scoreStart{};
    std::array<std::int32_t, 4> m_scoreStat{};
    std::array<bool, kTechCount> m_known{};
    std::int32_t m_futureTechCount = 0;
    std::int64_t m_populationTotal = 0;
    // The human player's culture list reads as its cities followed by empty entries, so the three
    // largest are never below 0 and a player with fewer than three cities gets 0 for the missing.
    std::array<std::int32_t, 3> m_culture{};
    std::array<std::int32_t, kTechCount> m_techTurn{};
    // Every turn of every history category, trimmed into the record at the end.
    std::vector<std::array<std::int32_t, kHistoryTurns>> m_history =
        std::vector<std::array<std::int32_t, kHistoryTurns>>(kHistoryCategories);

    TechnologyNames m_techNames;
    std::string m_text;     // scratch for message texts, reused
    std::string m_cleaned;  // the text without mark-up
};

}  // namespace quillmere::analysis::walk
