#include "gui/StandingsView.h"

#include <QHeaderView>

#include "gui/QtText.h"

namespace quillmere::gui {

StandingsView::StandingsView(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

void StandingsView::showGrid(const tournament::StandingsGrid& grid) {
    clear();
    m_submissions = grid.submissions;
    setColumnCount(static_cast<int>(grid.header.size()));
    setRowCount(static_cast<int>(grid.rows.size()));
    QStringList header;
    for (const auto& text : grid.header) header << FromUtf8(text);
    setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        for (std::size_t c = 0; c < grid.rows[r].size(); ++c) {
            // A table item's text is never read as markup: a name from a save stays what it is.
            auto* item = new QTableWidgetItem(FromUtf8(grid.rows[r][c]));
            const bool number = c < grid.numeric.size() && grid.numeric[c];
            item->setTextAlignment(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
            setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    resizeColumnsToContents();
    // A text column at the end (the flags, say) takes the room left; a number stays by its neighbours.
    horizontalHeader()->setStretchLastSection(!grid.numeric.empty() && grid.numeric.size() == grid.header.size() &&
                                              !grid.numeric.back());
}

std::optional<std::int64_t> StandingsView::submissionAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_submissions.size() ||
        m_submissions[static_cast<std::size_t>(row)] == 0)
        return std::nullopt;
    return m_submissions[static_cast<std::size_t>(row)];
}

}  // namespace quillmere::gui
