#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>

#include "analysis/FileAnalyser.h"
#include "analysis/SaveRecord.h"

namespace quillmere::analysis {

struct BatchProgress {
    std::size_t total = 0;
    std::size_t done = 0;    // files finished, failed ones included
    std::size_t failed = 0;  // of those, the ones that could not be analysed
};

struct BatchControl {
    unsigned jobs = 0;  // workers; 0 means one per core
    // Called after each file from the worker that finished it, one call at a time.
    std::function<void(const BatchProgress&)> onProgress;
    // Called with each file's record as soon as it is made and its index among the paths, in the
    // same calls' turn, just before onProgress; not for the files that a cancel leaves out.
    std::function<void(std::size_t index, const SaveRecord& record)> onRecord = nullptr;
    // When it becomes true, files not yet started are left out: their records fail with kNotLoaded.
    const std::atomic<bool>* cancel = nullptr;
};

// AnalyseFile for every path, on a pool of workers; the records come back in the order of the
// paths whatever the number of workers, so the result does not depend on it.
[[nodiscard]] ResultTable AnalyseFiles(std::span<const std::string> paths, const BatchControl& control = {});

// The number of workers `jobs` asks for: itself, or one per core when 0.
[[nodiscard]] unsigned WorkerCount(unsigned jobs);

}  // namespace quillmere::analysis
