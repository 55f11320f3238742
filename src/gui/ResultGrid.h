#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <optional>
#include <span>
#include <vector>

#include "gui/ResultRows.h"
#include "view/CellTexts.h"

namespace quillmere::gui {

// One grid's view of the shared rows: a header row from the grid's columns and one data row per
// record, record i on row i, never fewer than kMinimumDataRows rows. Numbers show right-aligned
// without their padding; failed and blocked rows are tinted and say why in a tooltip, and so does
// a verdict.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kMinimumDataRows = 99;
    // The cell's text exactly as the core wrote it, padding included.
    static constexpr int kRawTextRole = Qt::UserRole;

    ResultGridModel(view::Grid grid, ResultRows& rows, QObject* parent);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Shows the rows as they now are (texts, row count, marks).
    void refresh();
    [[nodiscard]] view::Grid grid() const { return m_grid; }
    // A cell's text as shown: numbers without their padding, a marked cell with its mark's sign.
    [[nodiscard]] QString displayText(int row, int column) const;

private:
    QVariant toolTip(int row, int column) const;

    view::Grid m_grid;
    std::span<const view::ColumnSpec> m_columns;
    ResultRows& m_rows;
};

// A read-only result grid. Columns start at the table's widths and widen when a header or a text
// needs more room in the platform's font, so that no text is cut. The row number and file name
// stay in view when the grid scrolls sideways. Whole rows are selected; Tab leaves the grid.
class ResultGrid : public QTableView {
    Q_OBJECT

public:
    // The row number and the file name.
    static constexpr int kFrozenColumns = static_cast<int>(view::kSharedColumnCount);

    ResultGrid(view::Grid grid, ResultRows& rows, QWidget* parent);

    [[nodiscard]] ResultGridModel* gridModel() const { return m_model; }
    // Shows the rows as they now are.
    void refresh();
    // Widens the columns from `firstColumn` on to fit every record's text.
    void fitColumns(int firstColumn = 0);

    // The text of a cell as the core wrote it; empty for a cell never written.
    [[nodiscard]] QString cellText(int row, int column) const;
    // The records of the selected rows, in row order.
    [[nodiscard]] std::vector<std::size_t> selectedRecords() const;
    // Hides the rows whose entry in `hidden` is true; rows past its end show.
    void hideRows(const std::vector<bool>& hidden);
    // Shows the order of a sort by `column` in its header, or no order at all.
    void showSortOrder(std::optional<int> column, bool ascending);

Q_SIGNALS:
    // A click on the header of `column`, frozen columns included.
    void headerClicked(int column);

protected:
    // The header follows the grid's font, whatever the style gives headers by default.
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void updateGeometries() override;

private:
    void fitHeaders();
    void fitRowHeight();
    void widenToFit(int column, int pixels);
    void createFrozenColumns();
    void placeFrozenColumns();
    void matchFrozenLook();

    ResultGridModel* m_model;
    ResultRows& m_rows;
    QTableView* m_frozen = nullptr;
};

}  // namespace quillmere::gui
