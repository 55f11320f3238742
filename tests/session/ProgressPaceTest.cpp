#include "session/ProgressPace.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quillmere::session {
namespace {

using std::chrono::milliseconds;

TEST(ProgressPace, ShowsTheFirstReportThenOneAnIntervalAndAlwaysTheLast) {
    ProgressPace pace(milliseconds(100));
    const ProgressPace::Clock::time_point start;
    // Milliseconds after the start, files done of 10, shown.
    const std::tuple<int, std::size_t, bool> reports[] = {
        {0, 1, true},    {50, 2, false},  {99, 3, false}, {100, 4, true},
        {150, 5, false}, {199, 6, false}, {200, 7, true}, {201, 10, true},
    };
    for (const auto& [at, done, shown] : reports) {
        EXPECT_EQ(pace.due({.total = 10, .done = done}, start + milliseconds(at)), shown) << at << " ms";
    }
}

TEST(ProgressPace, ABatchOfThousandsOfQuickFilesRedrawsTenTimesASecond) {
    ProgressPace pace;
    const ProgressPace::Clock::time_point start;
    std::size_t shown = 0;
    bool lastShown = false;
    for (std::size_t done = 1; done <= 3300; ++done) {
        lastShown = pace.due({.total = 3300, .done = done}, start + milliseconds(done));
        shown += lastShown ? 1 : 0;
    }
    EXPECT_EQ(shown, 34u);  // 3.3 s: at 1 ms and every 100 ms after, and the last
    EXPECT_TRUE(lastShown);
}

}  // namespace
}  // namespace quillmere::session
