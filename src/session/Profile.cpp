#include "session/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "analysis/RuleTables.h"
#include "load/FileDescriptor.h"

namespace quillmere::session {

namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void fail(const std::string& field, const std::string& problem) { throw ProfileError(field + ": " + problem); }

std::string textOf(const Json& value, const std::string& field) {
    if (!value.is_string()) fail(field, "must be a text");
    return value.get<std::string>();
}

std::int32_t positiveOf(const Json& value, const std::string& field) {
    if (!value.is_number_integer() || value.get<std::int64_t>() < 1 || value.get<std::int64_t>() > 100000)
        fail(field, "must be a whole number from 1 to 100000");
    return static_cast<std::int32_t>(value.get<std::int64_t>());
}

template <typename Lookup>
std::int32_t namedOf(const Json& value, const std::string& field, Lookup lookup, const char* what) {
    const std::string name = textOf(value, field);
    const auto index = lookup(name);
    if (!index) fail(field, "'" + name + "' is no " + what);
    return *index;
}

template <typename Lookup>
std::vector<std::int32_t> namesOf(const Json& value, const std::string& field, Lookup lookup, const char* what) {
    if (!value.is_array()) fail(field, "must be a list of names");
    std::vector<std::int32_t> indices;
    for (std::size_t i = 0; i < value.size(); ++i)
        indices.push_back(namedOf(value[i], field + "[" + std::to_string(i) + "]", lookup, what));
    return indices;
}

template <typename Name>
Json namesJson(const std::vector<std::int32_t>& indices, Name name) {
    Json list = Json::array();
    for (const auto index : indices) list.push_back(std::string(name(index).value_or("")));
    return list;
}

void readRules(const Json& rules, reload::RuleTexts& texts) {
    if (!rules.is_object()) fail("rules", "must be an object");
    for (const auto& [key, value] : rules.items()) {
        const std::string field = "rules." + key;
        if (key == "start_date") {
            const std::string date = textOf(value, field);
            const auto first = date.find('-');
            const auto second = first == std::string::npos ? first : date.find('-', first + 1);
            if (second == std::string::npos) fail(field, "'" + date + "' is not a date as DD-MM-YYYY");
            texts.day = date.substr(0, first);
            texts.month = date.substr(first + 1, second - first - 1);
            texts.year = date.substr(second + 1);
        } else if (key == "sessions_per_day") {
            texts.sessionsPerDay = textOf(value, field);
        } else if (key == "min_session_minutes") {
            texts.minSessionMinutes = textOf(value, field);
        } else if (key == "presessions") {
            texts.presessions = textOf(value, field);
        } else {
            fail(field, "is not a rule (start_date, sessions_per_day, min_session_minutes, presessions)");
        }
    }
    // The rules must hold as the window would take them: the first that does not is named.
    const auto check = reload::CheckRules(texts, reload::CurrentYear());
    if (!check.errors.empty()) {
        static constexpr const char* kFields[] = {"rules.start_date", "rules.sessions_per_day",
                                                  "rules.min_session_minutes", "rules.presessions"};
        fail(kFields[static_cast<int>(check.errors.front().field)], check.errors.front().message);
    }
}

}  // namespace

Profile ParseProfile(const std::string& text) {
    Json json;
    try {
        json = Json::parse(text);
    } catch (const nlohmann::json::parse_error& error) {
        fail("the file", std::string("is not JSON (") + error.what() + ")");
    }
    if (!json.is_object()) fail("the file", "must hold one JSON object");
    Profile profile;
    for (const auto& [key, value] : json.items()) {
        if (key == "name") {
            profile.name = textOf(value, key);
        } else if (key == "rules") {
            readRules(value, profile.rules);
        } else if (key == "speed") {
            profile.speed = namedOf(value, key, analysis::SpeedIndexNamed, "game speed (Marathon, Epic, Normal or Quick)");
        } else if (key == "levels") {
            profile.levels = namesOf(value, key, analysis::LevelNamed, "difficulty level");
        } else if (key == "map") {
            if (!value.is_object() || !value.contains("width") || !value.contains("height") || value.size() != 2)
                fail(key, "must be an object of a width and a height");
            profile.mapWidth = positiveOf(value["width"], "map.width");
            profile.mapHeight = positiveOf(value["height"], "map.height");
        } else if (key == "deadline_day") {
            profile.deadlineDay = positiveOf(value, key);
        } else if (key == "leaders") {
            profile.leaders = namesOf(value, key, analysis::LeaderNamed, "leader");
        } else if (key == "civilizations") {
            profile.civilizations = namesOf(value, key, analysis::CivNamed, "civilisation");
        } else if (key != "$schema") {
            fail(key, "is not a profile field");
        }
    }
    return profile;
}

std::string ProfileJson(const Profile& profile) {
    const auto& r = profile.rules;
    Json json{{"name", profile.name},
              {"rules",
               {{"start_date", r.day + "-" + r.month + "-" + r.year},
                {"sessions_per_day", r.sessionsPerDay},
                {"min_session_minutes", r.minSessionMinutes},
                {"presessions", r.presessions}}}};
    if (profile.speed) json["speed"] = std::string(analysis::SpeedName(*profile.speed).value_or(""));
    if (!profile.levels.empty()) json["levels"] = namesJson(profile.levels, analysis::LevelName);
    if (profile.mapWidth && profile.mapHeight) json["map"] = {{"width", *profile.mapWidth}, {"height", *profile.mapHeight}};
    if (profile.deadlineDay) json["deadline_day"] = *profile.deadlineDay;
    if (!profile.leaders.empty()) json["leaders"] = namesJson(profile.leaders, analysis::LeaderName);
    if (!profile.civilizations.empty()) json["civilizations"] = namesJson(profile.civilizations, analysis::CivName);
    return json.dump(2) + "\n";
}

Profile ReadProfile(const std::string& path) {
    // Opened without waiting and read only when it is a regular file of a sensible size.
    constexpr off_t kMostBytes = 1024 * 1024;
    const load::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) throw ProfileError(path + ": " + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) throw ProfileError(path + ": not a regular file");
    if (info.st_size > kMostBytes) throw ProfileError(path + ": larger than any profile (1 MiB)");
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw ProfileError(path + ": " + std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    try {
        return ParseProfile(text);
    } catch (const ProfileError& error) {
        throw ProfileError(path + ": " + error.what());
    }
}

}  // namespace quillmere::session
