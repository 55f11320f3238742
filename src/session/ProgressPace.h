#pragma once

#include <chrono>
#include <optional>

#include "analysis/Batch.h"

namespace quillmere::session {

// Which of a batch's progress reports a line that redraws itself shows, so that a batch of
// thousands of small files does not redraw it thousands of times: the first, then none sooner than
// `interval` after the last one shown, and always the last (every file done), so that the final
// count is seen.
class ProgressPace {
public:
    using Clock = std::chrono::steady_clock;

    explicit ProgressPace(Clock::duration interval = std::chrono::milliseconds(100)) : m_interval(interval) {}

    // Whether to show `progress`, reported at `now` (times never go back); a true answer counts
    // as shown.
    [[nodiscard]] bool due(const analysis::BatchProgress& progress, Clock::time_point now);

private:
    Clock::duration m_interval;
    std::optional<Clock::time_point> m_lastShown;
};

}  // namespace quillmere::session
