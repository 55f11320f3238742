#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillmere::session {

// Judging a round from the first screen to the published results, in five numbered lines (UTF-8,
// "\n" between them): what the README opens with and what every front end's help shows.
[[nodiscard]] std::string_view RoundInFiveSteps();

enum class FrontEnd { Window, Page };

// One keyboard shortcut: its keys as the platform names them ("Ctrl+O"), what it does, and where.
struct Shortcut {
    std::string_view keys;
    std::string_view action;
    bool inWindow = true;
    bool inPage = true;
};

[[nodiscard]] std::span<const Shortcut> KeyboardShortcuts();

// The shortcuts of one front end, a line each: "Ctrl+O  Load saves".
[[nodiscard]] std::string ShortcutsText(FrontEnd frontEnd);

}  // namespace quillmere::session
