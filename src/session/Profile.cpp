#include "session/Profile.h"

#include <algorithm>
#include <iomanip>
#include <locale>
#include <nlohmann/json.hpp>
#include <span>
#include <sstream>
#include <string_view>

#include "analysis/RuleTables.h"
#include "load/LoadError.h"
#include "load/ReadOnlyFile.h"

namespace quillmere::session {

namespace {

using Json = nlohmann::ordered_json;

// A list longer than this is refused: no tournament allows more levels, leaders or civilisations.
constexpr std::size_t kMostListEntries = 1000;
// Profiles are flat; deeper nesting can only be damage or an attack.
constexpr std::size_t kMostNesting = 16;

// At most `most` bytes of `text`, cut before a UTF-8 sequence that would not fit, "..." marking the cut.
std::string shown(std::string_view text, std::size_t most = 60) {
    if (text.size() <= most) return std::string(text);
    std::size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "...";
}

// `field` empty is the whole document.
[[noreturn]] void fail(const std::string& field, const std::string& problem) {
    throw ProfileError(field.empty() ? shown(problem, 300) : shown(field) + ": " + shown(problem, 300));
}

// Line and column (both from 1) of byte `offset` of `text`.
std::string placeOf(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    const auto line = std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n') + 1;
    const auto lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const auto column = lineStart == std::string::npos || offset == 0 ? offset + 1 : offset - lineStart;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The offset of the first byte that is not part of well-formed UTF-8, if any.
std::optional<std::size_t> firstNonUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (byte < 0x80) {
            ++i;
            continue;
        }
        if (byte >= 0xC2 && byte <= 0xDF) {
            length = 2;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            length = 3;
            if (byte == 0xE0) low = 0xA0;
            if (byte == 0xED) high = 0x9F;  // no UTF-16 surrogates
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            length = 4;
            if (byte == 0xF0) low = 0x90;
            if (byte == 0xF4) high = 0x8F;
        } else {
            return i;
        }
        if (text.size() - i < length) return i;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return i;
        }
        i += length;
    }
    return std::nullopt;
}

// Follows the document's structure while it is read, so that a failure can name the field it
// happened in, and refuses nesting deeper than any profile has.
class FieldTracker : public nlohmann::json_sax<Json> {
public:
    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return open(false); }
    bool key(string_t& name) override {
        m_path.back().name = name;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t position, const std::string& token,
                     const nlohmann::detail::exception& error) override {
        m_position = position;
        m_token = token;
        m_numberOutOfRange = error.id == 406;
        return false;
    }

    [[nodiscard]] bool tooDeep() const { return m_tooDeep; }
    [[nodiscard]] bool numberOutOfRange() const { return m_numberOutOfRange; }
    [[nodiscard]] std::size_t position() const { return m_position; }
    [[nodiscard]] const std::string& token() const { return m_token; }

    // The field being read, as the messages name fields: "map.width", "levels[3]".
    [[nodiscard]] std::string field() const {
        std::string name;
        for (const auto& level : m_path) {
            if (level.isArray) {
                // Appended piece by piece: GCC 12 at -O3 takes "[" + std::to_string(...) for overlapping copies.
                name += '[';
                name += std::to_string(level.index);
                name += ']';
            } else if (!level.name.empty()) {
                name += (name.empty() ? "" : ".") + level.name;
            }
        }
        return name;
    }

private:
    struct Level {
        bool isArray = false;
        std::size_t index = 0;
        std::string name;
    };

    bool value() {
        if (!m_path.empty() && m_path.back().isArray) ++m_path.back().index;
        return true;
    }
    bool open(bool isArray) {
        if (m_path.size() >= kMostNesting) {
            m_tooDeep = true;
            return false;
        }
        m_path.push_back({isArray, 0, {}});
        return true;
    }
    bool close() {
        m_path.pop_back();
        return value();
    }

    std::vector<Level> m_path;
    bool m_tooDeep = false;
    bool m_numberOutOfRange = false;
    std::size_t m_position = 0;
    std::string m_token;
};

// The text as JSON, or a ProfileError that says what is wrong and where.
Json parseJson(const std::string& text) {
    if (const auto bad = firstNonUtf8(text)) fail("", "not UTF-8 text (at " + placeOf(text, *bad) + ")");
    FieldTracker tracker;
    if (!Json::sax_parse(text, &tracker)) {
        if (tracker.tooDeep())
            fail(tracker.field(), "nests deeper than any profile (" + std::to_string(kMostNesting) + " levels)");
        if (tracker.numberOutOfRange())
            fail(tracker.field(), "the number " + shown(tracker.token()) + " is out of range");
        // The place where the reading stopped: the last character of what does not fit.
        const std::size_t at = tracker.position() == 0 ? 0 : tracker.position() - 1;
        fail("", "not valid JSON (at " + placeOf(text, at) + ")");
    }
    return Json::parse(text);
}

std::string textOf(const Json& value, const std::string& field, const char* expected) {
    if (!value.is_string()) fail(field, std::string("expected ") + expected);
    return value.get<std::string>();
}

// A rule as the rule boxes take it: a text, or a number written as its text.
std::string ruleTextOf(const Json& value, const std::string& field, const char* expected) {
    if (value.is_number_integer()) return value.dump();
    if (value.is_number_float()) {
        std::ostringstream text;
        text.imbue(std::locale::classic());
        text << std::setprecision(15) << value.get<double>();
        return text.str();
    }
    return textOf(value, field, expected);
}

std::int32_t wholeOf(const Json& value, const std::string& field, const char* expected) {
    if (!value.is_number_integer() || (value.is_number_unsigned() && value.get<std::uint64_t>() > 100000) ||
        value.get<std::int64_t>() < 1 || value.get<std::int64_t>() > 100000)
        fail(field, std::string("expected ") + expected);
    return static_cast<std::int32_t>(value.get<std::int64_t>());
}

template <typename Lookup>
std::int32_t namedOf(const Json& value, const std::string& field, Lookup lookup, const char* what) {
    const std::string name = textOf(value, field, (std::string("the name of a ") + what).c_str());
    const auto index = lookup(name);
    if (!index) fail(field, "'" + shown(name) + "' is no " + what);
    return *index;
}

// The names' indices in their first order, each once.
template <typename Lookup>
std::vector<std::int32_t> namesOf(const Json& value, const std::string& field, Lookup lookup, const char* what) {
    if (!value.is_array()) fail(field, "expected a list of names");
    if (value.size() > kMostListEntries)
        fail(field,
             "more than " + std::to_string(kMostListEntries) + " entries (" + std::to_string(value.size()) + ")");
    std::vector<std::int32_t> indices;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto index = namedOf(value[i], field + "[" + std::to_string(i) + "]", lookup, what);
        if (std::find(indices.begin(), indices.end(), index) == indices.end()) indices.push_back(index);
    }
    return indices;
}

template <typename Name>
Json namesJson(const std::vector<std::int32_t>& indices, Name name) {
    Json list = Json::array();
    for (const auto index : indices) list.push_back(std::string(name(index).value_or("")));
    return list;
}

void readRules(const Json& rules, reload::RuleTexts& texts) {
    if (!rules.is_object()) fail("rules", "expected an object of rules, e.g. {\"start_date\": \"27-11-2005\"}");
    for (const auto& [key, value] : rules.items()) {
        const std::string field = "rules." + key;
        if (key == "start_date") {
            const std::string date = textOf(value, field, "DD-MM-YYYY, e.g. \"27-11-2005\"");
            if (!reload::SetStartDateText(texts, date))
                fail(field, "expected DD-MM-YYYY, e.g. \"27-11-2005\" ('" + shown(date) + "' is not)");
        } else if (key == "sessions_per_day") {
            texts.sessionsPerDay = ruleTextOf(value, field, "a number of sessions, e.g. 1.5");
        } else if (key == "min_session_minutes") {
            texts.minSessionMinutes = ruleTextOf(value, field, "a whole number of minutes, e.g. 30");
        } else if (key == "presessions") {
            texts.presessions = ruleTextOf(value, field, "a whole number of loads, e.g. 1");
        } else {
            fail(field, "is not a rule (start_date, sessions_per_day, min_session_minutes, presessions)");
        }
    }
    // The rules must hold as the window would take them: the first that does not is named.
    const auto check = reload::CheckRules(texts, reload::CurrentYear());
    if (!check.errors.empty()) {
        static constexpr std::pair<const char*, const char*> kRules[] = {
            {"rules.start_date", "DD-MM-YYYY, e.g. \"27-11-2005\""},
            {"rules.sessions_per_day", "a number of sessions, e.g. 1.5"},
            {"rules.min_session_minutes", "a whole number of minutes, e.g. 30"},
            {"rules.presessions", "a whole number of loads, e.g. 1"},
        };
        const auto& [field, expected] = kRules[static_cast<int>(check.errors.front().field)];
        fail(field, check.errors.front().message + " (expected " + expected + ")");
    }
}

}  // namespace

Profile ParseProfile(const std::string& text) {
    const Json json = parseJson(text);
    if (!json.is_object()) fail("", "expected one JSON object, e.g. {\"name\": \"Autumn cup\"}");
    Profile profile;
    for (const auto& [key, value] : json.items()) {
        if (key == "name") {
            profile.name = textOf(value, key, "a text, e.g. \"Autumn cup\"");
            // The name titles windows, pages and reports: no character there may act.
            if (std::any_of(profile.name.begin(), profile.name.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
                fail(key, "expected a text without control characters, e.g. \"Autumn cup\"");
        } else if (key == "rules") {
            readRules(value, profile.rules);
        } else if (key == "speed") {
            profile.speed =
                namedOf(value, key, analysis::SpeedIndexNamed, "game speed (Marathon, Epic, Normal or Quick)");
        } else if (key == "levels") {
            profile.levels = namesOf(value, key, analysis::LevelNamed, "difficulty level");
        } else if (key == "map") {
            if (!value.is_object() || !value.contains("width") || !value.contains("height") || value.size() != 2)
                fail(key, "expected a width and a height, e.g. {\"width\": 84, \"height\": 52}");
            profile.mapWidth = wholeOf(value["width"], "map.width", "a number of plots from 1 to 100000, e.g. 84");
            profile.mapHeight = wholeOf(value["height"], "map.height", "a number of plots from 1 to 100000, e.g. 52");
        } else if (key == "deadline_day") {
            profile.deadlineDay = wholeOf(value, key, "a day number from 1 to 100000, e.g. 30");
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
               {{"start_date", reload::StartDateText(r)},
                {"sessions_per_day", r.sessionsPerDay},
                {"min_session_minutes", r.minSessionMinutes},
                {"presessions", r.presessions}}}};
    if (profile.speed) json["speed"] = std::string(analysis::SpeedName(*profile.speed).value_or(""));
    if (!profile.levels.empty()) json["levels"] = namesJson(profile.levels, analysis::LevelName);
    if (profile.mapWidth && profile.mapHeight)
        json["map"] = {{"width", *profile.mapWidth}, {"height", *profile.mapHeight}};
    if (profile.deadlineDay) json["deadline_day"] = *profile.deadlineDay;
    if (!profile.leaders.empty()) json["leaders"] = namesJson(profile.leaders, analysis::LeaderName);
    if (!profile.civilizations.empty()) json["civilizations"] = namesJson(profile.civilizations, analysis::CivName);
    return json.dump(2) + "\n";
}

std::string ProfileNameOf(const Profile& profile, std::string_view fileName) {
    if (!profile.name.empty()) return profile.name;
    const auto slash = fileName.find_last_of('/');
    if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
    return std::string(fileName.substr(0, fileName.find_last_of('.')));
}

Profile ProfileFromFile(const std::string& fileName, std::string_view bytes) {
    if (bytes.size() > kMostProfileBytes) throw ProfileError(fileName + ": larger than any profile (1 MiB)");
    try {
        return ParseProfile(std::string(bytes));
    } catch (const ProfileError& error) {
        throw ProfileError(fileName + ": " + error.what());
    }
}

Profile ReadProfile(const std::string& path) {
    std::string text;
    try {
        // Read only when it is a regular file of a sensible size: a larger one is refused unread.
        const load::ReadOnlyFile file(path);
        if (!file.isRegular()) throw ProfileError(path + ": not a regular file");
        const auto size = static_cast<std::uint64_t>(file.status().st_size);
        text.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMostProfileBytes + 1)));
        text.resize(file.readAt(0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()}));
    } catch (const load::LoadError& error) {
        throw ProfileError(path + ": " + error.what());
    }
    return ProfileFromFile(path, text);
}

}  // namespace quillmere::session
