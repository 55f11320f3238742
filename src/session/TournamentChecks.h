#pragma once

#include <optional>

#include "analysis/SaveRecord.h"
#include "reload/Rules.h"
#include "session/Profile.h"

namespace quillmere::session {

// Sets every record's Flags to what a referee checks by hand, each flag with its evidence:
// - the tournament's settings: "speed Quick (tournament: Normal)", "level Deity (tournament:
//   Monarch)", "map 124 x 68 (tournament: 84 x 52)", "leader Bismarck not allowed",
//   "civilisation Germany not allowed" (with a profile that asks for them);
// - the deadline: "saved on day 32 (deadline: day 30)" (with a profile's deadline and a valid start
//   date), in calendar days;
// - a save made before the start date: "saved before the start, day -3" (with a valid start date);
// - an identity outside the game's tables: "leader index 87 is not a leader of this game: the
//   header may be damaged" (likewise civilisation and level);
// - duplicates: "same game data as Bea-round1, saved before this one", for every save whose
//   inflated game state equals another's, whatever the file or player names; the earliest other
//   save is named, and whether it was saved before or after;
// - save chains: saves of one game (the same player name, leader, civilisation, map size and land
//   total) in turn order, where a later turn has a lower load count or less play time than an
//   earlier save: "load count 11 at turn 212, but 14 at turn 188 in Bea-round1".
// Only saves analysed in detail are checked; the others get no flags. Of `rules`, only the start
// date is read.
void CheckTournament(analysis::ResultTable& table, const Profile* profile, const std::optional<reload::Rules>& rules);

}  // namespace quillmere::session
