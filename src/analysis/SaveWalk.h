#pragma once

#include "analysis/SaveDataRec.h"
#include "load/Container.h"

namespace quillmere::analysis {

// The save walk: reads one save's work data strictly forward and fills every game field of `rec`
// (all but FileName, FileDate, Failure and the reload control's fields). Everything the walk
// works with lives in this call, so nothing of one save reaches another.
// Throws load::DamagedSave when the data ends before the walk does (or a count read from it cannot
// fit in what is left); `rec` is then left unchanged.
void SaveAnalyse(const load::WorkBuffer& work, TSaveDataRec& rec);

}  // namespace quillmere::analysis
