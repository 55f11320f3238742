#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "session/Session.h"
#include "view/CellTexts.h"

namespace quillmere::gui {

// The display texts of one row in the grids.
using RowStrings = view::GridRow<QString>;

// The session's rows as the grids show them. Texts are made on first use and kept until the rows
// change, so a repaint costs no formatting and a change costs only the rows that are seen again.
class ResultRows {
public:
    explicit ResultRows(const session::Session& session) : m_session(session) {}

    // Forgets every text; call after any change of the records, their order or their judgements.
    void invalidate();
    // Before a new load: the rows shown so far become blank rows (" " in every cell).
    void clearShown();
    void setDecimalSeparator(char separator);

    [[nodiscard]] int recordCount() const { return static_cast<int>(m_session.size()); }
    [[nodiscard]] const analysis::SaveRecord& record(int index) const {
        return m_session.records().at(static_cast<std::size_t>(index));
    }
    // Rows that have shown a record since the start; those past the records show " ".
    [[nodiscard]] int shownRows() const { return m_shownRows; }
    // Rows that a later load blanked; their never-written cells show " " too.
    [[nodiscard]] int clearedRows() const { return m_clearedRows; }

    // The texts of row `index` (below recordCount()).
    const RowStrings& row(int index);
    // The text of a cell of any row: a record's text, " " for a blanked row, empty for a row never
    // written.
    [[nodiscard]] QString cellText(view::Grid grid, int index, int column);

    [[nodiscard]] const view::FormatOptions& formatOptions() const { return m_options; }

private:
    const session::Session& m_session;
    view::FormatOptions m_options{'.', view::TextEncoding::Utf8};
    std::vector<std::optional<RowStrings>> m_rows;
    int m_shownRows = 0;
    int m_clearedRows = 0;
};

}  // namespace quillmere::gui
