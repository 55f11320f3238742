#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/Batch.h"

namespace quillmere::session {

// A batch analysed on a thread of its own while a window stays responsive. The caller polls
// progress() and finished(), then hands the load to Session::adopt. Destroying it cancels the batch
// and waits for the files in progress to end.
class BackgroundLoad {
public:
    // How a batch is analysed: analysis::AnalyseFiles, or a stand-in of a test.
    using Analysis = std::function<analysis::ResultTable(std::span<const std::string>, const analysis::BatchControl&)>;

    // Starts analysing `files`, each read as it is named.
    BackgroundLoad(std::vector<std::string> files, unsigned jobs, Analysis analyse = analysis::AnalyseFiles);
    // Expands `paths` as given, where a folder stands for the files in it (load::ExpandPaths), and
    // starts analysing the files found; the entries passed over are kept for the summary. When no
    // file is found, nothing runs and the load is finished at once.
    [[nodiscard]] static std::unique_ptr<BackgroundLoad> expanding(const std::vector<std::string>& paths,
                                                                   bool recursive, unsigned jobs);
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    // The files being analysed, in the order of their records.
    [[nodiscard]] const std::vector<std::string>& files() const;
    // The entries of folders passed over unread, each with its reason.
    [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& passedOver() const { return m_passedOver; }

    [[nodiscard]] analysis::BatchProgress progress() const;
    // The records of the files finished since the last call, each with its index among files(), in
    // the order they finished: the rows to show while the load runs (Session::adoptArrived).
    [[nodiscard]] std::vector<std::pair<std::size_t, analysis::SaveRecord>> takeArrived();
    // Files not yet started are left out; their records fail with analysis::kNotLoaded.
    void cancel();
    [[nodiscard]] bool finished() const;
    // The records in the order of the files; empty unless finished(). Only the first call gets them.
    [[nodiscard]] analysis::ResultTable takeRecords();
    // Why the batch as a whole stopped before its records were made (the what() of the exception
    // that stopped it, e.g. out of memory); empty unless finished() and it did.
    [[nodiscard]] std::string batchFailure() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::vector<std::pair<std::string, std::string>> m_passedOver;
    std::thread m_thread;  // last: started once the state is complete, joined before it goes
};

}  // namespace quillmere::session
