#pragma once

#include <cstddef>
#include <string>

#include "analysis/SaveRecord.h"
#include "view/CellTexts.h"

namespace quillmere::exporting {

// The file names of a results file that its encoding could not hold whole: each had a character
// that Windows-1251 lacks, written as "?".
struct LostCharacters {
    std::size_t names = 0;
    std::string first;  // the first of them in table order, as UTF-8

    friend bool operator==(const LostCharacters&, const LostCharacters&) = default;
};

// The bytes of a results file, and the names that lost characters in it.
struct ResultsText {
    std::string bytes;
    LostCharacters lost;
};

// The results file: the header line and one line per record, each of the cells of
// view::ResultsColumns() followed by "; ", lines ending CR LF, and the last four bytes of the whole
// text cut. Cells are written raw in the options' encoding; in UTF-8 no name loses a character.
[[nodiscard]] ResultsText BuildResultsText(const analysis::ResultTable& table, const view::FormatOptions& options);

// What to tell the user about `lost`, one line without a full stop, e.g. "2 names have characters
// that Windows-1251 cannot hold, written as '?' (the first: "...")"; empty when no name lost any.
[[nodiscard]] std::string LostCharactersMessage(const LostCharacters& lost);

}  // namespace quillmere::exporting
