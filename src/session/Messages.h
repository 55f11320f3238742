#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "analysis/Batch.h"
#include "export/ResultsFile.h"

namespace quillmere::session {

// What every front end says at the same moment, in the same words (UTF-8).

// The progress of a load: "Reading the saves...", "Reading the saves: 3 of 10 (1 failed)".
[[nodiscard]] std::string ProgressText(const analysis::BatchProgress& progress);
[[nodiscard]] std::string ProgressStartText();

// The question before a profile whose rules differ from those in force: Yes takes them, No keeps
// those in force. `changes` lists the rules it sets otherwise (reload::RuleChanges).
[[nodiscard]] std::string ProfileRulesQuestion(std::string_view changes);

// The question before saving the blank rows of `left` saves that Cancel left out: Save or Cancel.
[[nodiscard]] std::string BlankRowsQuestion(std::size_t left);

// Why the results were not saved while a rule is invalid (`reason`: RulesInvalid's message).
[[nodiscard]] std::string ResultsNotSavedMessage(std::string_view reason);

// What a save of `rows` rows to `where` says after it: "Saved 1 row to Res.txt", and how many
// names lost characters that Windows-1251 cannot hold, when any did.
[[nodiscard]] std::string SavedRowsNote(std::size_t rows, std::string_view where,
                                        const exporting::LostCharacters& lost = {});

}  // namespace quillmere::session
