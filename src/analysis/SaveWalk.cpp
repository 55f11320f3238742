#include "analysis/SaveWalk.h"

#include "load/SaveReader.h"

namespace quillmere::analysis {

// Placeholder until the full walk lands: only the fixed values of the game section.
void SaveAnalyse(const load::WorkBuffer& work, TSaveDataRec& rec) {
    load::SaveReader reader(work.bytes);
    const auto p = work.streamOffset;
    rec.Turn = reader.IntAt(p + 8);
}

}  // namespace quillmere::analysis
