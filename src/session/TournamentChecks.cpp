#include "session/TournamentChecks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/RuleTables.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"

namespace quillmere::session {

namespace {

using analysis::SaveRecord;

std::string nameOr(std::optional<std::string_view> name, std::int32_t index) {
    if (name) return std::string(*name);
    std::string number = "#";
    number += std::to_string(index);
    return number;
}

template <typename Name>
std::string alternatives(const std::vector<std::int32_t>& allowed, Name name) {
    std::string text;
    for (std::size_t i = 0; i < allowed.size(); ++i) {
        if (i > 0) text += i + 1 == allowed.size() ? " or " : ", ";
        text += nameOr(name(allowed[i]), allowed[i]);
    }
    return text;
}

bool allows(const std::vector<std::int32_t>& allowed, std::int32_t value) {
    return allowed.empty() || std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

std::string fileNameOf(const SaveRecord& rec) { return load::FileNameToUtf8(rec.fileName); }

void checkSettings(SaveRecord& rec, const Profile& profile) {
    if (profile.speed && rec.speedIndex != *profile.speed) {
        rec.flags.push_back("speed " + nameOr(analysis::SpeedName(rec.speedIndex), rec.speedIndex) +
                            " (tournament: " + nameOr(analysis::SpeedName(*profile.speed), *profile.speed) + ")");
    }
    if (!allows(profile.levels, rec.level)) {
        rec.flags.push_back("level " + nameOr(analysis::LevelName(rec.level), rec.level) +
                            " (tournament: " + alternatives(profile.levels, analysis::LevelName) + ")");
    }
    if (profile.mapWidth && profile.mapHeight &&
        (rec.mapWidth != *profile.mapWidth || rec.mapHeight != *profile.mapHeight)) {
        rec.flags.push_back("map " + std::to_string(rec.mapWidth) + " x " + std::to_string(rec.mapHeight) +
                            " (tournament: " + std::to_string(*profile.mapWidth) + " x " +
                            std::to_string(*profile.mapHeight) + ")");
    }
    if (!allows(profile.leaders, rec.leaderType))
        rec.flags.push_back("leader " + nameOr(analysis::LeaderName(rec.leaderType), rec.leaderType) + " not allowed");
    if (!allows(profile.civilizations, rec.civType))
        rec.flags.push_back("civilisation " + nameOr(analysis::CivName(rec.civType), rec.civType) + " not allowed");
}

void checkDeadline(SaveRecord& rec, const Profile& profile, const reload::Rules& rules) {
    if (!profile.deadlineDay || !rec.fileDate) return;
    const std::int64_t day = reload::CalendarDay(*rec.fileDate, rules.startDate);
    if (day > *profile.deadlineDay) {
        rec.flags.push_back("saved on day " + std::to_string(day) + " (deadline: day " +
                            std::to_string(*profile.deadlineDay) + ")");
    }
}

// The reload control counts such a save as day 30, the most lenient day: a flag says what happened.
void checkBeforeStart(SaveRecord& rec, const reload::Rules& rules) {
    if (!rec.fileDate) return;
    const std::int64_t day = reload::CalendarDay(*rec.fileDate, rules.startDate);
    if (day < 1) rec.flags.push_back("saved before the start, day " + std::to_string(day));
}

// A header whose lengths are damaged can be read from the wrong place; the values stay as read,
// but an index that names nothing in the game's tables is worth a look.
void checkIdentity(SaveRecord& rec) {
    const auto outside = [&](const char* what, const char* kind, std::int32_t index) {
        rec.flags.push_back(std::string(what) + " index " + std::to_string(index) + " is not " + kind +
                            " of this game: the header may be damaged");
    };
    if (!analysis::LeaderName(rec.leaderType)) outside("leader", "a leader", rec.leaderType);
    if (!analysis::CivName(rec.civType)) outside("civilisation", "a civilisation", rec.civType);
    if (!analysis::LevelName(rec.level)) outside("level", "a difficulty level", rec.level);
}

// Saves with the same game data, each flagged with the earliest other one, and told which was
// saved first: the copy is the later file.
void checkDuplicates(std::vector<SaveRecord*>& saves) {
    std::map<std::pair<std::int64_t, analysis::GameDigest>, std::vector<SaveRecord*>> byData;
    for (auto* rec : saves) byData[{rec->gameLength, rec->gameHash}].push_back(rec);
    for (auto& [data, same] : byData) {
        if (same.size() < 2) continue;
        // Oldest first; a file whose date is unknown goes last.
        std::stable_sort(same.begin(), same.end(), [](const SaveRecord* a, const SaveRecord* b) {
            return a->fileDate.has_value() && (!b->fileDate || *a->fileDate < *b->fileDate);
        });
        for (auto* rec : same) {
            const SaveRecord* other = rec == same[0] ? same[1] : same[0];
            std::string flag = "same game data as " + fileNameOf(*other);
            if (rec->fileDate && other->fileDate && *rec->fileDate != *other->fileDate)
                flag += *other->fileDate < *rec->fileDate ? ", saved before this one" : ", saved after this one";
            rec->flags.push_back(std::move(flag));
        }
    }
}

void checkChains(std::vector<SaveRecord*>& saves) {
    using GameKey = std::tuple<std::string, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t>;
    std::map<GameKey, std::vector<SaveRecord*>> games;
    for (auto* rec : saves) {
        games[{rec->nickName, rec->leaderType, rec->civType, rec->mapWidth, rec->mapHeight, rec->landTotal}].push_back(
            rec);
    }
    for (auto& [key, chain] : games) {
        std::stable_sort(chain.begin(), chain.end(),
                         [](const SaveRecord* a, const SaveRecord* b) { return a->turn < b->turn; });
        for (std::size_t later = 1; later < chain.size(); ++later) {
            auto& rec = *chain[later];
            // The earlier save that contradicts the later one most: the highest load count, the most play time.
            const SaveRecord* mostLoads = nullptr;
            const SaveRecord* mostTime = nullptr;
            for (std::size_t earlier = 0; earlier < later; ++earlier) {
                const auto* before = chain[earlier];
                if (before->turn >= rec.turn) continue;
                if (before->loadCount > rec.loadCount && (!mostLoads || before->loadCount > mostLoads->loadCount))
                    mostLoads = before;
                if (before->playTime > rec.playTime && (!mostTime || before->playTime > mostTime->playTime))
                    mostTime = before;
            }
            if (mostLoads) {
                rec.flags.push_back("load count " + std::to_string(rec.loadCount) + " at turn " +
                                    std::to_string(rec.turn) + ", but " + std::to_string(mostLoads->loadCount) +
                                    " at turn " + std::to_string(mostLoads->turn) + " in " + fileNameOf(*mostLoads));
            }
            if (mostTime) {
                const auto trimmed = [](std::string text) { return text.erase(0, text.find_first_not_of(' ')); };
                rec.flags.push_back("play time " + trimmed(view::DurationText(rec.playTime)) + " at turn " +
                                    std::to_string(rec.turn) + ", but " +
                                    trimmed(view::DurationText(mostTime->playTime)) + " at turn " +
                                    std::to_string(mostTime->turn) + " in " + fileNameOf(*mostTime));
            }
        }
    }
}

}  // namespace

void CheckTournament(analysis::ResultTable& table, const Profile* profile, const std::optional<reload::Rules>& rules) {
    std::vector<SaveRecord*> checked;
    for (auto& rec : table) {
        rec.flags.clear();
        if (analysis::ShowsDetails(rec)) checked.push_back(&rec);
    }
    for (auto* rec : checked) {
        checkIdentity(*rec);
        if (profile) checkSettings(*rec, *profile);
        if (profile && rules) checkDeadline(*rec, *profile, *rules);
        if (rules) checkBeforeStart(*rec, *rules);
    }
    checkDuplicates(checked);
    checkChains(checked);
}

}  // namespace quillmere::session
