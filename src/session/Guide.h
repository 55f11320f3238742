#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillmere::session {

// Judging a round from the first screen to the published results, in five numbered lines (UTF-8,
// "\n" between them): what the README opens with and what every front end's help shows.
[[nodiscard]] std::string_view RoundInFiveSteps();

enum class FrontEnd { Window, Page };

// What an empty table offers: its buttons' captions and a hint above the steps.
inline constexpr std::string_view kFirstScreenHint = "Drop saves or folders here, or:";
inline constexpr std::string_view kFirstScreenLoad = "Load saves (Ctrl+O)";
inline constexpr std::string_view kFirstScreenProfile = "Open a tournament profile";
inline constexpr std::string_view kFirstScreenExample = "Try the example tournament";

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

// The steps and then the shortcuts, each under its title, for a help shown in one piece.
[[nodiscard]] std::string HelpText(FrontEnd frontEnd);

}  // namespace quillmere::session
