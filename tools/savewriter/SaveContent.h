#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "savewriter/SaveWriter.h"

namespace quillmere::savewriter {

// A save described by the values the walk keeps, plus the counts of everything it passes over.
// Every value the walk skips is written at its exact size with non-zero filler, so that a walk
// that loses its place reads garbage. A default SaveContent is a small valid save whose record
// is all zero (but for the defaults named below), so a test states only what it checks.

inline constexpr int kSides = 19;
inline constexpr int kTechs = 86;
inline constexpr int kHistoryLists = 6;  // Score, Economy, Industry, Agriculture, Power, Culture

// One player slot of the header.
struct SlotContent {
    std::string name;
    std::string block;
    std::int32_t civ = 0;
    std::int32_t leader = 0;
};

struct HeaderContent {
    std::int32_t saveVersion = 102;
    std::int32_t headerFlags = 0;  // bits 2, 8 and 16 add one bool each
    std::int32_t costSetting = 3;
    std::int32_t speedIndex = 2;  // as stored: older versions (below 102) store one less
    std::int32_t intCount = 2;    // the counted int32 list after the speed index
    std::int32_t boolCount = 3;   // the counted bool list after it
    std::array<SlotContent, kSides> slots;
};

struct PlotContent {
    std::int32_t flags = 0;  // bit 1: one text fewer; bits 2 and 4: one int16 more each
    std::uint8_t owner = 255;
    std::int16_t kind = 3;
    std::int32_t pairs = 1;  // the counted int32 pairs that end the plot
};

// The counted int32 triples of one group in the game section: (k1, k2).
using TripleGroup = std::pair<std::int32_t, std::int32_t>;

struct GameContent {
    std::int32_t turn = 0;
    std::int32_t turnLimit = 460;
    std::int32_t rawPlayTime = 0;  // quarter seconds
    std::int32_t score = 0;
    std::int32_t level = 3;
    std::int32_t victoryType = 0;
    std::int32_t gameOver = 0;
    std::array<std::int32_t, 4> scoreEnd{};
    std::array<std::int32_t, 4> scoreStart{};
    // The text right after the fixed values; the score sits at its fixed offset only when it is empty.
    std::string title;
    std::int32_t texts = 1;  // counted wide strings
    std::int32_t ints = 2;   // a counted int32 list
    std::vector<TripleGroup> groups = {{1, 2}};
    std::int32_t replayMessages = 2;          // messages written
    std::optional<std::int32_t> replayCount;  // the stored count, when it differs from the messages written
    std::int32_t loadCount = 0;
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::int32_t landTotal = 0;
    std::vector<PlotContent> plots = std::vector<PlotContent>(4);  // width x height of them, normally
    std::int32_t intsF = 2;                                        // the counted int32 list after the plots
    std::int32_t tailBlocks = 1;  // the counted fixed-size blocks that end the game section
};

struct TeamContent {
    std::bitset<kTechs> known;
    std::int32_t futureTechCount = 0;  // repeats of the last technology
};

struct CityContent {
    std::int32_t flags = 0;    // bit 1: one int32 more
    std::int32_t culture = 0;  // at its owner's index; the other players' entries hold filler
    std::int32_t items = 1;    // the counted (3 int32, 4 bools) groups
};

struct MessageContent {
    std::string text;  // 8-bit, mark-up allowed
    std::int32_t turn = 0;
    // Stored with 16-bit characters; 8-bit texts read back only when their second byte is not zero.
    bool wide = true;
};

// (turn, value) pairs in stream order.
using HistoryList = std::vector<std::pair<std::int32_t, std::int32_t>>;

struct OrderContent {
    std::int32_t pairs = 1;  // m
    std::int32_t steps = 1;  // j: groups of 5 int32
};

struct ScriptContent {
    std::int32_t steps = 1;                         // a
    std::int32_t moreSteps = 1;                     // b
    std::vector<std::int32_t> entryKinds = {9, 3};  // kinds 9 and 10 carry a text, others two int32
};

struct PlayerContent {
    std::int32_t flags = 0;  // bits 0x01..0x20 switch optional fields
    std::int32_t population = 0;
    std::array<std::int32_t, 4> scoreStat{};
    std::vector<CityContent> cities;
    std::int32_t units = 0;
    std::vector<MessageContent> messages;
    std::array<HistoryList, kHistoryLists> history;

    // Lists that the walk passes over.
    std::int32_t intsA = 1;
    std::int32_t intsB = 2;
    std::int32_t texts = 1;
    std::array<std::int32_t, 4> indexedLists = {2, 1, 0, 3};  // n of each (n; 4 int32; n int32)
    std::vector<std::int32_t> pairGroups = {2};               // per group: its int32 pairs
    std::vector<OrderContent> orders = {OrderContent{}};
    std::vector<std::int32_t> notes = {1};  // per note: its pairs of texts
    std::vector<ScriptContent> scripts = {ScriptContent{}};
};

struct SaveContent {
    // Non-zero: the game state's filler varies, seeded by it, so that it compresses about as a real
    // game's state does; zero: one constant filler value, which compresses far better.
    std::uint32_t fillerSeed = 0;
    // The game state's skipped texts written empty, so that every item is as small as it can be.
    bool emptyTexts = false;
    HeaderContent header;
    GameContent game;
    std::array<TeamContent, kSides> teams;
    std::array<PlayerContent, kSides> players;
};

// The save's uncompressed header and its game state, ready for BuildContainer (set `fast` there
// for big batches).
[[nodiscard]] Container ToContainer(const SaveContent& content);

// The whole file of a save.
[[nodiscard]] std::vector<std::uint8_t> BuildSave(const SaveContent& content);

}  // namespace quillmere::savewriter
