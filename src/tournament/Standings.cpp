#include "tournament/Standings.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace quillmere::tournament {

namespace {

constexpr std::string_view kStateNames[] = {"pending", "accepted", "rejected", "disqualified"};

}  // namespace

std::string_view StateName(RulingState state) { return kStateNames[static_cast<std::size_t>(state)]; }

std::optional<RulingState> StateNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kStateNames); ++i) {
        if (kStateNames[i] == name) return static_cast<RulingState>(i);
    }
    return std::nullopt;
}

std::string_view StandingName(Standing standing) {
    switch (standing) {
        case Standing::Counted:
            return "counted";
        case Standing::Provisional:
            return "provisional";
        case Standing::Superseded:
            return "superseded";
        case Standing::Rejected:
            return "rejected";
        case Standing::Disqualified:
            return "disqualified";
        case Standing::Unscored:
            break;
    }
    return "unscored";
}

std::vector<RoundPlace> RankRound(std::span<const RoundEntry> entries) {
    std::vector<RoundPlace> places(entries.size());
    std::map<std::int64_t, std::size_t> current;  // player -> index of the submission that counts
    std::map<std::int64_t, bool> disqualified;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        if (entry.state == RulingState::Disqualified) disqualified[entry.player] = true;
        const auto [found, added] = current.try_emplace(entry.player, i);
        if (added) continue;
        const auto& held = entries[found->second];
        if (std::pair(entry.receivedAt, entry.submission) > std::pair(held.receivedAt, held.submission))
            found->second = i;
    }
    std::vector<std::size_t> ranked;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        auto& place = places[i];
        const std::size_t held = current.at(entry.player);
        if (entry.state == RulingState::Disqualified || disqualified.contains(entry.player)) {
            place.standing = Standing::Disqualified;
        } else if (held != i) {
            place.standing = Standing::Superseded;
            place.supersededBy = entries[held].submission;
        } else if (entry.state == RulingState::Rejected) {
            place.standing = Standing::Rejected;
        } else if (!entry.finalScore) {
            place.standing = Standing::Unscored;
        } else {
            place.standing = entry.state == RulingState::Accepted ? Standing::Counted : Standing::Provisional;
            ranked.push_back(i);
        }
        // A superseded submission still says which one replaced it, even when the player is out.
        if (held != i) place.supersededBy = entries[held].submission;
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [&](std::size_t a, std::size_t b) { return *entries[a].finalScore > *entries[b].finalScore; });
    for (std::size_t k = 0; k < ranked.size(); ++k) {
        const bool tied = k > 0 && *entries[ranked[k - 1]].finalScore == *entries[ranked[k]].finalScore;
        places[ranked[k]].rank = tied ? places[ranked[k - 1]].rank : static_cast<int>(k) + 1;
    }
    return places;
}

std::vector<SeasonLine> RankSeason(const Scoring& scoring, std::span<const std::int64_t> players,
                                   std::span<const RoundResult> results) {
    std::map<std::int64_t, SeasonLine> lines;
    for (const auto player : players) lines[player].player = player;
    for (const auto& result : results) {
        auto& line = lines[result.player];
        line.player = result.player;
        SeasonLine::Cell cell{result};
        if (scoring.method == ScoringMethod::FinalScoreSum) {
            cell.value = result.finalScore;
        } else {
            const auto index = static_cast<std::size_t>(result.rank - 1);
            cell.value = result.rank >= 1 && index < scoring.points.size() ? scoring.points[index] : 0;
        }
        line.cells.push_back(cell);
    }
    for (auto& entry : lines) {
        // A named reference, not a structured binding: clang 14 cannot capture a binding in a lambda.
        auto& line = entry.second;
        std::sort(line.cells.begin(), line.cells.end(),
                  [](const auto& a, const auto& b) { return a.result.round < b.result.round; });
        if (scoring.bestRounds && line.cells.size() > static_cast<std::size_t>(*scoring.bestRounds)) {
            // The best values stay; among equal ones, the earlier rounds.
            std::vector<std::size_t> order(line.cells.size());
            std::iota(order.begin(), order.end(), std::size_t{0});
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return line.cells[a].value > line.cells[b].value; });
            for (std::size_t k = static_cast<std::size_t>(*scoring.bestRounds); k < order.size(); ++k)
                line.cells[order[k]].kept = false;
        }
        for (const auto& cell : line.cells) {
            if (!cell.kept) continue;
            line.total += cell.value;
            line.provisional = line.provisional || cell.result.provisional;
        }
    }
    std::vector<SeasonLine> ordered;
    ordered.reserve(lines.size());
    std::map<std::int64_t, std::size_t> position;
    for (std::size_t i = 0; i < players.size(); ++i) position.try_emplace(players[i], i);
    for (auto& [player, line] : lines) ordered.push_back(std::move(line));
    const auto positionOf = [&](const SeasonLine& line) {
        const auto found = position.find(line.player);
        return found == position.end() ? players.size() : found->second;
    };
    std::stable_sort(ordered.begin(), ordered.end(), [&](const SeasonLine& a, const SeasonLine& b) {
        if (a.cells.empty() != b.cells.empty()) return b.cells.empty();
        if (a.total != b.total) return a.total > b.total;
        return positionOf(a) < positionOf(b);
    });
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        if (ordered[i].cells.empty()) break;
        const bool tied = i > 0 && ordered[i - 1].total == ordered[i].total;
        ordered[i].rank = tied ? ordered[i - 1].rank : static_cast<int>(i) + 1;
    }
    return ordered;
}

}  // namespace quillmere::tournament
