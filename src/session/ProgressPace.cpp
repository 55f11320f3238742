#include "session/ProgressPace.h"

namespace quillmere::session {

bool ProgressPace::due(const analysis::BatchProgress& progress, Clock::time_point now) {
    const bool last = progress.done == progress.total;
    if (!last && m_lastShown && now - *m_lastShown < m_interval) return false;
    m_lastShown = now;
    return true;
}

}  // namespace quillmere::session
