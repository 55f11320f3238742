#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <span>

#include "gui/ResultRows.h"
#include "view/CellTexts.h"

namespace quillmere::gui {

// One grid's view of the shared rows: a header row from a column table and one data row per
// record, record i on row i, never fewer than kMinimumDataRows rows.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kMinimumDataRows = 99;

    ResultGridModel(GridKind grid, std::span<const view::ColumnSpec> columns, ResultRows& rows, QObject* parent);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Shows the rows as they now are (texts, row count, marks).
    void refresh();
    [[nodiscard]] GridKind grid() const { return m_grid; }

private:
    GridKind m_grid;
    std::span<const view::ColumnSpec> m_columns;
    ResultRows& m_rows;
};

// A read-only result grid. Columns start at the table's widths and widen when a header or a text
// needs more room in the platform's font, so that no text is cut. Column 0 holds the row number and
// looks fixed.
class ResultGrid : public QTableView {
    Q_OBJECT

public:
    ResultGrid(GridKind grid, std::span<const view::ColumnSpec> columns, ResultRows& rows, QWidget* parent);

    [[nodiscard]] ResultGridModel* gridModel() const { return m_model; }
    // Shows the rows as they now are.
    void refresh();
    // Widens the columns from `firstColumn` on to fit every record's text.
    void fitColumns(int firstColumn = 0);

    // The text a cell shows; empty for a cell never written.
    [[nodiscard]] QString cellText(int row, int column) const;

protected:
    // The header follows the grid's font, whatever the style gives headers by default.
    void changeEvent(QEvent* event) override;

private:
    void fitHeaders();
    void fitRowHeight();
    void widenToFit(int column, int pixels);

    ResultGridModel* m_model;
    ResultRows& m_rows;
};

}  // namespace quillmere::gui
