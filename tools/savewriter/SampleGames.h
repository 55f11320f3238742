#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "savewriter/SaveContent.h"

namespace quillmere::savewriter {

// The outline of a plausible game; MakeGame fills in the rest (histories, cities, technologies and
// their discovery messages, land) deterministically from the seed.
struct GameSketch {
    std::string name;   // Windows-1251
    std::string block;  // non-empty: the save is shown without details
    std::int32_t leader = 1;
    std::int32_t civ = 0;
    std::int32_t speedIndex = 2;
    std::int32_t level = 3;
    std::int32_t costSetting = 3;
    std::int32_t turn = 100;
    std::int32_t playSeconds = 3600;
    std::int32_t loadCount = 3;
    std::int32_t gameOver = 0;
    std::int32_t victoryType = 0;
    int activePlayers = 7;  // the human player, AI players and the barbarians
    int citiesPerPlayer = 8;
    int unitsPerPlayer = 20;
    int messagesPerPlayer = 60;
    std::int32_t width = 40;
    std::int32_t height = 30;
    std::uint32_t seed = 1;
};

[[nodiscard]] SaveContent MakeGame(const GameSketch& sketch);

// The sketch of a small but whole game at `turn`: two players on an 8 x 6 map, a few cities, units
// and messages each; quick to write and to read.
[[nodiscard]] GameSketch SmallGame(std::int32_t turn);

// One save of the benchmark batch: a 124 x 68 map, 8 players of 32 cities, 110 units and
// 300 messages each, full history lists; deflated fast. With `varied`, the values the walk passes
// over vary as a real game's do, and the save compresses about 5 : 1 instead of over 20 : 1.
[[nodiscard]] std::vector<std::uint8_t> MakeBenchmarkSave(std::uint32_t seed, bool varied = false);

// A valid save of a benchmark game, as costly to load as a save can be: its game state padded to
// the most game data any save holds, its header to make the file about `fileBytes` long (within
// 4 bytes, when that is more than it needs).
[[nodiscard]] std::vector<std::uint8_t> MakeLargestSave(std::size_t fileBytes);

// One file of the example batch.
struct ExampleSave {
    std::string fileName;
    std::vector<std::uint8_t> bytes;
    double daysAfterStart;  // the file's time, counted from the default tournament start 27-11-2005 00:00
};

// The local time at which `save` was uploaded, to set as its file's modification time.
[[nodiscard]] std::time_t UploadTimeOf(const ExampleSave& save);

// A small realistic batch: players of different speeds, levels and turns, one blocked save and one
// file damaged in transfer.
[[nodiscard]] std::vector<ExampleSave> ExampleBatch();

// A small tournament with the faults a referee looks for planted in it: three saves of one game of
// which the last has fewer loads than the one before ("Anna-t200"), one save sent again under
// another player's file name ("Bea-round1" as "Carl-round1"), one game at the wrong speed
// ("Dmitri"), one save made after the deadline ("Eve"); "Frank", "Anna-t100" and "Anna-t150" are
// in order. TournamentProfile() is its profile.
[[nodiscard]] std::vector<ExampleSave> TournamentBatch();
[[nodiscard]] std::string TournamentProfile();

// One round of the example season: its profile, the saves uploaded in time and the ones that came
// in later by mail.
struct SeasonRound {
    int number = 0;
    std::string profile;
    std::vector<ExampleSave> saves;
    std::vector<ExampleSave> mailed;
};

// Three rounds of the example tournament's players: round 1 is TournamentBatch(); in round 2 Frank's
// save comes by mail after the deadline; in round 3 Dmitri plays as "Dima" and Eve sends her
// round 2 save again ("Eve-r3" holds the bytes of "Eve-r2"). Each round starts a month after the
// last and lasts 30 days.
[[nodiscard]] std::vector<SeasonRound> SeasonRounds();

}  // namespace quillmere::savewriter
