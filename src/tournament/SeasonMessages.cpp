#include "tournament/SeasonMessages.h"

#include <algorithm>
#include <set>

namespace quillmere::tournament {

std::string SubmittedLine(const SubmitOutcome& outcome, int round) {
    if (outcome.result != SubmitResult::Added) return RefusedLine(outcome);
    std::string line = "submission " + std::to_string(outcome.submission) + ": " + outcome.path + " (" +
                       outcome.player + (outcome.newPlayer ? ", registered now" : "") + ", round " +
                       std::to_string(round) + ")";
    if (outcome.supersedes) line += ", replaces submission " + std::to_string(*outcome.supersedes);
    if (!outcome.message.empty()) line += "; " + outcome.message;
    return line;
}

std::string RefusedLine(const SubmitOutcome& outcome) { return outcome.path + ": " + outcome.message; }

std::string RefusedSummary(const SubmitSummary& summary) {
    return "nothing was added: " + std::to_string(summary.count(SubmitResult::Refused)) + " of " +
           std::to_string(summary.outcomes.size()) + " saves refused";
}

std::string KeptFailureLine(const SubmitOutcome& outcome) {
    return outcome.path + ": " + outcome.failure + " (kept as submission " + std::to_string(outcome.submission) + ")";
}

namespace {

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::string AddedSummary(const SubmitSummary& summary, int round) {
    std::size_t registered = 0;
    for (const auto& outcome : summary.outcomes) registered += outcome.newPlayer ? 1 : 0;
    std::string line = "round " + std::to_string(round) + ": " +
                       counted(summary.count(SubmitResult::Added), "submission added", "submissions added");
    if (registered > 0) line += " (" + counted(registered, "player", "players") + " registered now)";
    if (const auto there = summary.count(SubmitResult::AlreadyThere); there > 0)
        line += ", " + counted(there, "file already there", "files already there");
    if (const auto failed = summary.failed(); failed > 0)
        line += ", " + std::to_string(failed) + " kept but not analysed";
    return line;
}

std::string AddingText(std::size_t done, std::size_t total, int round) {
    return "Adding saves to round " + std::to_string(round) + ": " + std::to_string(done) + " of " +
           std::to_string(total) + " stored";
}

std::vector<std::string> UnknownNames(const SubmitSummary& summary) {
    if (summary.committed) return {};
    std::set<std::string> names;
    for (const auto& outcome : summary.outcomes) {
        if (outcome.result != SubmitResult::Refused) continue;
        if (outcome.unknownName.empty()) return {};
        names.insert(outcome.unknownName);
    }
    return {names.begin(), names.end()};
}

PlayerChoice WhoPlaysAs(const std::string& nickName, std::span<const PlayerInfo> players) {
    PlayerChoice choice;
    choice.question = "Nobody plays as '" + nickName + "' yet. Whose saves are they?";
    choice.choices.push_back("a new player, " + nickName);
    for (const auto& player : players) choice.choices.push_back(player.name);
    return choice;
}

std::string RuledLine(std::int64_t submission, RulingState state, const std::string& reason) {
    return "submission " + std::to_string(submission) + ": " + std::string(StateName(state)) +
           (reason.empty() ? "" : ": " + reason);
}

std::string RulingQuestion(std::int64_t submission, RulingState state) {
    const std::string number = "submission " + std::to_string(submission);
    switch (state) {
        case RulingState::Rejected:
        case RulingState::Disqualified:
            return "Why is " + number + " " + std::string(StateName(state)) + "?";
        case RulingState::Accepted:
            return "Accept " + number + ". A note with the ruling, if any:";
        case RulingState::Pending:
            break;
    }
    return "Set " + number + " back to pending. A note with the ruling, if any:";
}

namespace {

int nextNumber(std::span<const RoundInfo> rounds) {
    int last = 0;
    for (const auto& round : rounds) last = std::max(last, round.number);
    return last + 1;
}

}  // namespace

RoundInfo NextRound(std::span<const RoundInfo> rounds, const std::string& title, session::Profile profile,
                    const std::string& profileName) {
    RoundInfo round;
    round.number = nextNumber(rounds);
    round.title = title;
    round.profile = std::move(profile);
    round.profileName = profileName;
    return round;
}

std::string AsPlayerQuestion(int round) {
    return "Whose saves are these, for round " + std::to_string(round) + "? A name nobody has registers a new player.";
}

std::string RoundLabel(const RoundInfo& round) { return std::to_string(round.number) + ": " + round.title; }

std::string LateRuleText(const RoundInfo& round) {
    if (!round.profile.deadlineDay) return "No deadline: no upload is late.";
    return "Uploads after day " + std::to_string(*round.profile.deadlineDay) +
           (round.acceptsLate ? " are kept and flagged late." : " are refused.");
}

std::string NewRoundQuestion(std::span<const RoundInfo> rounds, const std::string& profileName) {
    return "The title of round " + std::to_string(nextNumber(rounds)) + " (judged by " +
           (profileName.empty() ? std::string("no profile") : "the profile " + profileName) +
           " and the rules in force):";
}

}  // namespace quillmere::tournament
