#pragma once

#include <QTableWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "tournament/StandingsReport.h"

namespace quillmere::gui {

// A read-only grid of one of the archive's tables (tournament::StandingsGrid): every cell plain
// text, numbers right-aligned, whole rows selected, columns wide enough for their texts.
class StandingsView : public QTableWidget {
    Q_OBJECT

public:
    explicit StandingsView(QWidget* parent);

    // Shows `grid`, replacing what was shown.
    void showGrid(const tournament::StandingsGrid& grid);
    // The submission that row `row` shows; none for a row that shows no submission, or no row.
    [[nodiscard]] std::optional<std::int64_t> submissionAt(int row) const;

private:
    std::vector<std::int64_t> m_submissions;
};

}  // namespace quillmere::gui
