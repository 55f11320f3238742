#include "analysis/Batch.h"

#include <exception>
#include <new>
#include <utility>

#include "analysis/SaveWalk.h"
#include "load/Container.h"
#include "load/LoadError.h"
#include "load/SaveFile.h"
#include "load/Windows1251.h"

namespace quillmere::analysis {

TSaveDataRec AnalyseFile(const std::string& path) {
    TSaveDataRec rec;
    std::string failure;
    try {
        rec.FileName = load::Utf8ToWindows1251(load::FileNameOf(path));
        rec.FileDate = load::FileModificationDate(path);
        const auto work = load::AssembleWorkBuffer(load::ReadWholeFile(path));
        SaveAnalyse(work, rec);
        return rec;
    } catch (const load::LoadError& error) {
        failure = error.what();
    } catch (const std::bad_alloc&) {
        failure = "insufficient memory";
    } catch (const std::exception& error) {
        // Nothing else is expected; the file still gets its row and its message.
        failure = error.what();
    }
    // A failed walk may have filled some fields: keep only what belongs to the file itself.
    TSaveDataRec failed;
    failed.FileName = std::move(rec.FileName);
    failed.FileDate = rec.FileDate;
    failed.Failure = std::move(failure);
    return failed;
}

ResultTable AnalyseFiles(std::span<const std::string> paths) {
    ResultTable table;
    table.reserve(paths.size());
    for (const auto& path : paths) table.push_back(AnalyseFile(path));
    return table;
}

}  // namespace quillmere::analysis
