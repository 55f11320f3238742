#include "tournament/SeasonChecks.h"

#include <algorithm>
#include <tuple>

#include "load/SaveFile.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"

namespace quillmere::tournament {

namespace {

std::string quotedName(const std::string& nickName) {
    // Appended piece by piece: GCC 12 at -O3 takes a literal + a temporary for overlapping copies.
    std::string quoted = "'";
    quoted += load::Windows1251ToUtf8(nickName);
    quoted += '\'';
    return quoted;
}

// Earliest first: by round, then by submission.
bool earlier(const SubmissionFacts* a, const SubmissionFacts* b) {
    return std::tie(a->round, a->submission) < std::tie(b->round, b->submission);
}

void checkSameData(const std::vector<const SubmissionFacts*>& shown,
                   std::map<std::int64_t, std::vector<std::string>>& flags) {
    std::map<std::pair<std::int64_t, analysis::GameDigest>, std::vector<const SubmissionFacts*>> byData;
    for (const auto* facts : shown) byData[{facts->gameLength, facts->gameHash}].push_back(facts);
    for (auto& [data, same] : byData) {
        if (same.size() < 2) continue;
        std::sort(same.begin(), same.end(), earlier);
        for (const auto* facts : same) {
            const auto other = std::find_if(same.begin(), same.end(), [&](const SubmissionFacts* o) {
                return o->round != facts->round && !o->ruledOut;
            });
            if (other == same.end()) continue;
            flags[facts->submission].push_back("same game data as " + (*other)->fileName + " in round " +
                                               std::to_string((*other)->round) + " (player " + (*other)->playerName +
                                               ", submission " + std::to_string((*other)->submission) + ")");
        }
    }
}

void checkNames(const std::vector<const SubmissionFacts*>& shown,
                std::map<std::int64_t, std::vector<std::string>>& flags) {
    // The name each player stood under in each round, from the submission that counts there.
    std::map<std::int64_t, std::map<int, const SubmissionFacts*>> standing;
    std::map<std::string, std::vector<const SubmissionFacts*>> byName;
    for (const auto* facts : shown) {
        if (facts->current && !facts->ruledOut) standing[facts->player][facts->round] = facts;
        if (!facts->nickName.empty()) byName[facts->nickName].push_back(facts);
    }
    for (auto& [name, players] : byName) std::sort(players.begin(), players.end(), earlier);
    for (const auto* facts : shown) {
        if (facts->nickName.empty()) continue;
        const auto& rounds = standing[facts->player];
        if (auto before = rounds.lower_bound(facts->round); before != rounds.begin()) {
            const auto* last = std::prev(before)->second;
            if (!last->nickName.empty() && last->nickName != facts->nickName) {
                flags[facts->submission].push_back("plays as " + quotedName(facts->nickName) + ", in round " +
                                                   std::to_string(last->round) + " as " + quotedName(last->nickName));
            }
        }
        const auto& sameName = byName[facts->nickName];
        const auto other = std::find_if(sameName.begin(), sameName.end(), [&](const SubmissionFacts* o) {
            return o->player != facts->player && !o->ruledOut;
        });
        if (other != sameName.end()) {
            flags[facts->submission].push_back("the name " + quotedName(facts->nickName) + " is also played by " +
                                               (*other)->playerName + " (round " + std::to_string((*other)->round) +
                                               ", submission " + std::to_string((*other)->submission) + ")");
        }
    }
}

}  // namespace

std::map<std::int64_t, std::vector<std::string>> CheckSeason(std::span<const SubmissionFacts> facts) {
    std::vector<const SubmissionFacts*> shown;
    for (const auto& f : facts) {
        if (f.shown) shown.push_back(&f);
    }
    std::map<std::int64_t, std::vector<std::string>> flags;
    checkSameData(shown, flags);
    checkNames(shown, flags);
    return flags;
}

std::optional<std::string> LateReceipt(std::time_t receivedAt, const session::Profile& profile,
                                       const reload::Rules& rules) {
    if (!profile.deadlineDay) return std::nullopt;
    const auto date = load::LocalFileDate(receivedAt);
    if (!date) return std::nullopt;
    const std::int64_t day = reload::CalendarDay(*date, rules.startDate);
    if (day <= *profile.deadlineDay) return std::nullopt;
    return "received on day " + std::to_string(day) + " (deadline: day " + std::to_string(*profile.deadlineDay) + ")";
}

}  // namespace quillmere::tournament
