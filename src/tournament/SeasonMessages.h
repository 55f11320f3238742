#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "session/Profile.h"
#include "tournament/Archive.h"

namespace quillmere::tournament {

// What the front ends say of a batch added to round `round`, one line a save, UTF-8:
// "submission 5: saves/Dmitri.sav (Dmitri, registered now, round 1), replaces submission 2" for an
// added one, "saves/Carl.sav: the same file as submission 4: not added again" for one already there.
[[nodiscard]] std::string SubmittedLine(const SubmitOutcome& outcome, int round);

// A refused save: "saves/Dima.sav: no player plays as 'Dima': name its player".
[[nodiscard]] std::string RefusedLine(const SubmitOutcome& outcome);

// Why a batch that was not committed added nothing: "nothing was added: 1 of 6 saves refused".
[[nodiscard]] std::string RefusedSummary(const SubmitSummary& summary);

// An added save that could not be analysed: "saves/x.sav: data error (kept as submission 9)".
[[nodiscard]] std::string KeptFailureLine(const SubmitOutcome& outcome);

// What a committed batch did, in one line: "round 1: 7 submissions added (4 players registered now),
// 1 file already there, 1 kept but not analysed".
[[nodiscard]] std::string AddedSummary(const SubmitSummary& summary, int round);

// A batch on its way: "Adding saves to round 2: 3 of 6 stored".
[[nodiscard]] std::string AddingText(std::size_t done, std::size_t total, int round);

// The in-game names nobody plays under, each once in order, when they are all that stopped a
// refused batch; none otherwise, since telling their players would not let the batch in.
[[nodiscard]] std::vector<std::string> UnknownNames(const SubmitSummary& summary);

// What to ask of a name nobody plays under: whose saves they are, a new player of that name first
// among the choices, then each of `players` by name.
struct PlayerChoice {
    std::string question;
    std::vector<std::string> choices;
};
[[nodiscard]] PlayerChoice WhoPlaysAs(const std::string& nickName, std::span<const PlayerInfo> players);

// A ruling as recorded: "submission 8: disqualified: sent Bea's save as his own" (no reason, no colon).
[[nodiscard]] std::string RuledLine(std::int64_t submission, RulingState state, const std::string& reason);

// The question for a ruling's reason: "Why is submission 8 disqualified?" for a ruling that needs
// one, "Accept submission 3. A note with the ruling, if any:" otherwise.
[[nodiscard]] std::string RulingQuestion(std::int64_t submission, RulingState state);

// The round after the last of `rounds` (round 1 for none), titled `title`, with `profile` going by
// `profileName`.
[[nodiscard]] RoundInfo NextRound(std::span<const RoundInfo> rounds, const std::string& title, session::Profile profile,
                                  const std::string& profileName);

// The question for the player whose saves a whole batch is, as submit --player names them: "Whose
// saves are these, for round 1? A name nobody has registers a new player."
[[nodiscard]] std::string AsPlayerQuestion(int round);

// A round as a list of rounds names it: "2: Winter".
[[nodiscard]] std::string RoundLabel(const RoundInfo& round);

// What the server does with a round's upload after its deadline, as the referee's page says it:
// "Uploads after day 30 are kept and flagged late." or "Uploads after day 30 are refused.";
// "No deadline: no upload is late." for a round without one.
[[nodiscard]] std::string LateRuleText(const RoundInfo& round);

// The question for the next round's title, saying what it is judged by: "The title of round 4
// (judged by the profile Winter and the rules in force):".
[[nodiscard]] std::string NewRoundQuestion(std::span<const RoundInfo> rounds, const std::string& profileName);

}  // namespace quillmere::tournament
