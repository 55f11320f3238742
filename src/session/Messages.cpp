#include "session/Messages.h"

#include "view/CellTexts.h"

namespace quillmere::session {

std::string ProgressStartText() { return "Reading the saves..."; }

std::string ProgressText(const analysis::BatchProgress& progress) {
    std::string text = "Reading the saves: " + std::to_string(progress.done) + " of " + std::to_string(progress.total);
    if (progress.failed > 0) text += " (" + std::to_string(progress.failed) + " failed)";
    return text;
}

std::string ProfileRulesQuestion(std::string_view changes) {
    return "The profile sets other rules than those in force:\n" + std::string(changes) +
           "\n\nUse the profile's rules? No keeps the rules in force.";
}

std::string BlankRowsQuestion(std::size_t left) {
    return std::to_string(left) + (left == 1 ? " save was" : " saves were") +
           " left out by Cancel and would be saved as blank rows. Save anyway?";
}

std::string ResultsNotSavedMessage(std::string_view reason) {
    return "The results were not saved: " + view::WithFullStop(std::string(reason));
}

std::string SavedRowsNote(std::size_t rows, std::string_view where, const exporting::LostCharacters& lost) {
    std::string note = "Saved " + std::to_string(rows) + (rows == 1 ? " row to " : " rows to ") + std::string(where);
    if (lost.names > 0) note += "; " + exporting::LostCharactersMessage(lost);
    return note;
}

}  // namespace quillmere::session
