#pragma once

#include <QTableWidget>
#include <span>
#include <string>

#include "view/CellTexts.h"
#include "view/widgets/Windows1251Text.h"

namespace quillmere::view {

// A read-only result grid: a header row from a column table and one data row per record, record i
// on row i (the grid's first visible data row). Column 0 holds the row number and looks fixed.
// Columns start at the table's widths and widen when a header or a text needs more room in the
// platform's font, so that no text is cut.
class ResultGrid : public QTableWidget {
    Q_OBJECT

public:
    static constexpr int kMinimumDataRows = 99;

    ResultGrid(std::span<const ColumnSpec> columns, QWidget* parent);

    // Makes room for `records` data rows, never fewer than kMinimumDataRows.
    void ensureRows(int records);

    // Writes the cells of record `index`'s row from Windows-1251 texts, columns 0 to texts.size()-1.
    void setRecordRow(int index, std::span<const std::string> texts);

    // Marks a row whose file could not be loaded, with `message` as its tooltip; an empty message
    // removes the mark.
    void setRowFailure(int index, const QString& message);

    // Sets every cell of the first `count` rows to the cleared text " " and removes their marks.
    void clearRows(int count);

    // The text of a cell; empty for a cell never written.
    [[nodiscard]] QString cellText(int index, int column) const;

protected:
    // The header follows the grid's font, whatever the style gives headers by default.
    void changeEvent(QEvent* event) override;

private:
    QTableWidgetItem* cell(int index, int column);
    void fitHeaders();
    void fitRowHeight();
    void widenToFit(int column, int pixels);

};

}  // namespace quillmere::view
