#include "session/Guide.h"

#include <array>

namespace quillmere::session {

namespace {

constexpr std::string_view kRoundInFiveSteps =
    "1. Open the tournament's profile, or type the round's rules on the Reloads tab: the start date, "
    "the sessions a day, the shortest session and the presessions.\n"
    "2. Load the players' saves (Ctrl+O), or drop their files and folders on the table.\n"
    "3. Tick \"Needs attention\" to see only the Cheat verdicts, the flagged saves and the saves that "
    "failed; a verdict's, a flag's or a Final score's tooltip says why.\n"
    "4. Sort by the Final score or any column, and compare the players' histories on the Graph tab.\n"
    "5. Save the results file (Ctrl+S) and export CSV, JSON or HTML to publish the round.";

constexpr auto kShortcuts = std::to_array<Shortcut>({
    {"Ctrl+O", "Load saves"},
    {"Ctrl+S", "Save the results file"},
    {"Ctrl+C", "Copy the selected rows for a spreadsheet"},
    {"Ctrl+A", "Select every row shown"},
    {"Ctrl+1 to Ctrl+5", "Show the Base, Graph, Reloads, Additional or Flags tab"},
    {"Up, Down, Page Up, Page Down, Home, End", "Move through the rows; with Shift, select"},
    {"Enter on a column header", "Sort by its column", false, true},
    {"Ctrl+Q", "Quit", true, false},
});

}  // namespace

std::string_view RoundInFiveSteps() { return kRoundInFiveSteps; }

std::span<const Shortcut> KeyboardShortcuts() { return kShortcuts; }

std::string ShortcutsText(FrontEnd frontEnd) {
    std::string text;
    for (const auto& shortcut : kShortcuts) {
        if (!(frontEnd == FrontEnd::Window ? shortcut.inWindow : shortcut.inPage)) continue;
        if (!text.empty()) text += '\n';
        text += shortcut.keys;
        text += "  ";
        text += shortcut.action;
    }
    return text;
}

std::string HelpText(FrontEnd frontEnd) {
    return "A round in five steps\n\n" + std::string(kRoundInFiveSteps) + "\n\nKeyboard shortcuts\n\n" +
           ShortcutsText(frontEnd);
}

}  // namespace quillmere::session
