#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "reload/Rules.h"

namespace quillmere::session {

// A tournament's settings, kept in a JSON file (docs/profile.schema.json): its name, its reload
// rules as the window's rule texts, and what a player's game must be. Every requirement is
// optional; one that is absent is not checked.
struct Profile {
    std::string name;
    reload::RuleTexts rules;
    std::optional<std::int32_t> speed;  // game speed index
    std::vector<std::int32_t> levels;   // allowed difficulty levels; empty: any
    std::optional<std::int32_t> mapWidth;
    std::optional<std::int32_t> mapHeight;
    std::optional<std::int32_t> deadlineDay;  // the last tournament day a save may be made on; the start is day 1
    std::vector<std::int32_t> leaders;        // allowed leaders; empty: any
    std::vector<std::int32_t> civilizations;  // allowed civilisations; empty: any
};

// A profile that cannot be used; what() names the field and the problem, e.g.
// "speed: 'Fast' is no game speed (Marathon, Epic, Normal or Quick)".
class ProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a profile from JSON text. Throws ProfileError; names are spelled as the grids show them.
[[nodiscard]] Profile ParseProfile(const std::string& json);

// The most bytes a profile file holds; a larger one is refused.
inline constexpr std::size_t kMostProfileBytes = 1024 * 1024;

// Reads a profile from the bytes of the file `fileName`, of which only the first
// kMostProfileBytes + 1 need be given: what every front end opens. Throws ProfileError
// "FILE: problem" for a file too large, not UTF-8, not JSON or not a profile.
[[nodiscard]] Profile ProfileFromFile(const std::string& fileName, std::string_view bytes);

// The name `profile` goes by: its own, or else the name of its file `fileName` without the folder
// and the extension ("cup" for "/home/ref/cup.json").
[[nodiscard]] std::string ProfileNameOf(const Profile& profile, std::string_view fileName);

// The profile as JSON text that ParseProfile reads back to the same profile.
[[nodiscard]] std::string ProfileJson(const Profile& profile);

// Reads the profile file at `path` as ProfileFromFile does (a larger file is not read). Throws
// ProfileError, naming the file's problem when it cannot be read.
[[nodiscard]] Profile ReadProfile(const std::string& path);

}  // namespace quillmere::session
