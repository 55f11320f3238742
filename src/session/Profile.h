#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
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

// The profile as JSON text that ParseProfile reads back to the same profile.
[[nodiscard]] std::string ProfileJson(const Profile& profile);

// Reads and parses a profile file. Throws ProfileError, naming the file's problem when it cannot be
// read.
[[nodiscard]] Profile ReadProfile(const std::string& path);

}  // namespace quillmere::session
