#include "session/BackgroundLoad.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <new>
#include <thread>

#include "session/Session.h"
#include "support/TempFolder.h"

namespace quillmere::session {
namespace {

void waitFor(const BackgroundLoad& load) {
    for (int i = 0; i < 5000 && !load.finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(load.finished());
}

TEST(BackgroundLoad, AnExceptionThatStopsTheBatchReachesTheSummaryAsAFailedLoad) {
    BackgroundLoad load({"a.sav", "b.sav"}, 1, [](std::span<const std::string>, const analysis::BatchControl&) {
        throw std::bad_alloc();
        return analysis::ResultTable{};
    });
    waitFor(load);
    Session session(2026);
    const auto summary = session.adopt(load);
    EXPECT_EQ(summary.batchFailure, std::bad_alloc().what());
    EXPECT_FALSE(summary.allAnalysed());
    EXPECT_EQ(session.size(), 0u);
}

TEST(BackgroundLoad, ExpandsFoldersAndCarriesWhatItPassedOverIntoTheSummary) {
    const testsupport::TempFolder folder("background-load");
    const auto save = folder.write("a.sav", "not a save");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    const auto load = BackgroundLoad::expanding({folder.path().string()}, false, 1);
    EXPECT_EQ(load->files(), std::vector<std::string>{save});
    waitFor(*load);
    Session session(2026);
    const auto summary = session.adopt(*load);
    ASSERT_EQ(summary.passedOver.size(), 1u);
    EXPECT_EQ(summary.passedOver[0].first, folder / "pipe");
    EXPECT_EQ(summary.passedOver[0].second, "not a save file: a named pipe (FIFO)");
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_TRUE(summary.batchFailure.empty());
    EXPECT_EQ(session.size(), 1u);  // an entry passed over gets no row
}

TEST(BackgroundLoad, DestroyedWhileRunningItCancelsAndWaitsForItsThread) {
    std::atomic<bool> ended{false};
    {
        BackgroundLoad load({"a.sav"}, 1,
                            [&ended](std::span<const std::string>, const analysis::BatchControl& control) {
                                while (!control.cancel->load())
                                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                ended = true;
                                return analysis::ResultTable(1);
                            });
    }
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace quillmere::session
