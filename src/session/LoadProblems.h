#pragma once

#include <string>
#include <vector>

#include "session/Session.h"

namespace quillmere::session {

// What a front end says of a load's problems once it is over: a heading such as "2 files could not
// be read; 1 entry passed over" and a line per problem, in UTF-8.
struct LoadProblems {
    std::string heading;
    std::vector<std::string> lines;

    [[nodiscard]] bool empty() const { return lines.empty(); }
};

// The problems of `summary`: why the batch stopped ("The load stopped: ..."), each file that failed
// by its name ("Lars.sav: damaged save: ...."), each entry passed over by its path
// ("saves/pipe: skipped (not a save file: a FIFO)"). Empty when there were none.
[[nodiscard]] LoadProblems ProblemsOf(const LoadSummary& summary);

// The lines of the entries passed over (path, reason), as ProblemsOf writes them.
[[nodiscard]] std::vector<std::string> PassedOverLines(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace quillmere::session
