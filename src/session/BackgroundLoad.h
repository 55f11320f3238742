#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/Batch.h"

namespace quillmere::session {

// A batch analysed on threads of its own while a window stays responsive. The caller polls
// progress() and finished(), then takes the records and hands them to Session::adopt.
// Destroying it cancels the batch without waiting: the workers own everything they touch, and
// drop it when they end.
class BackgroundLoad {
public:
    BackgroundLoad(std::vector<std::string> paths, unsigned jobs);
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    [[nodiscard]] analysis::BatchProgress progress() const;
    // Files not yet started are left out; their records fail with analysis::kNotLoaded.
    void cancel();
    [[nodiscard]] bool finished() const;
    // The records in the order of the paths; empty unless finished(). Only the first call gets them.
    [[nodiscard]] analysis::ResultTable takeRecords();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace quillmere::session
