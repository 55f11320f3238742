#pragma once

#include "analysis/SaveRecord.h"
#include "load/Container.h"

namespace quillmere::analysis {

// The save walk: reads one save's work data strictly forward and returns a record with every game
// field filled (all but fileName, fileDate, failure and reload). Everything the walk works with
// lives in this call, so nothing of one save reaches another.
// Throws load::DamagedSave when the data ends before the walk does, or a count read from it cannot
// fit in what is left.
[[nodiscard]] SaveRecord AnalyseSave(const load::WorkBuffer& work);

}  // namespace quillmere::analysis
