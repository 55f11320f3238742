#include "gui/ResultGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QPalette>
#include <algorithm>

#include "gui/QtText.h"

namespace quillmere::gui {

namespace {

const QColor kFailedRowColour(255, 205, 205);
constexpr int kCellPadding = 8;     // room a cell keeps around its text
constexpr int kHeaderPadding = 12;  // the same for a header section

}  // namespace

ResultGridModel::ResultGridModel(GridKind grid, std::span<const view::ColumnSpec> columns, ResultRows& rows,
                                 QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_columns(columns), m_rows(rows) {}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(kMinimumDataRows, m_rows.recordCount());
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const auto* rec = row < m_rows.recordCount() ? &m_rows.record(row) : nullptr;
    const bool failed = rec != nullptr && !rec->Failure.empty();
    switch (role) {
        case Qt::DisplayRole:
            return m_rows.cellText(m_grid, row, index.column());
        case Qt::ToolTipRole:
            if (failed) return WithFullStop(FromUtf8(rec->Failure));
            return {};
        case Qt::BackgroundRole:
            // The row-number column stands apart from the data like the header does.
            if (index.column() == 0) return QPalette().button();
            if (failed) return QBrush(kFailedRowColour);
            return {};
        default:
            return {};
    }
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(m_columns.size())) {
        return {};
    }
    return FromWindows1251(m_columns[static_cast<std::size_t>(section)].header);
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const {
    if (index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ResultGridModel::refresh() {
    beginResetModel();
    endResetModel();
}

ResultGrid::ResultGrid(GridKind grid, std::span<const view::ColumnSpec> columns, ResultRows& rows, QWidget* parent)
    : QTableView(parent), m_model(new ResultGridModel(grid, columns, rows, this)), m_rows(rows) {
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    fitRowHeight();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(8);
    for (int column = 0; column < static_cast<int>(columns.size()); ++column)
        setColumnWidth(column, columns[static_cast<std::size_t>(column)].width);
    fitHeaders();
}

void ResultGrid::refresh() { m_model->refresh(); }

QString ResultGrid::cellText(int row, int column) const {
    return m_model->data(m_model->index(row, column), Qt::DisplayRole).toString();
}

void ResultGrid::fitHeaders() {
    const QFontMetrics metrics(horizontalHeader()->font());
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const QString text = m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        widenToFit(column, metrics.horizontalAdvance(text) + kHeaderPadding);
    }
}

void ResultGrid::fitColumns(int firstColumn) {
    const QFontMetrics metrics(font());
    const int records = m_rows.recordCount();
    for (int column = firstColumn; column < m_model->columnCount(); ++column) {
        int widest = 0;
        for (int row = 0; row < records; ++row)
            widest = std::max(widest, metrics.horizontalAdvance(m_rows.cellText(m_model->grid(), row, column)));
        widenToFit(column, widest + kCellPadding);
    }
}

void ResultGrid::widenToFit(int column, int pixels) {
    if (pixels > columnWidth(column)) setColumnWidth(column, pixels);
}

void ResultGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() != QEvent::FontChange) return;
    horizontalHeader()->setFont(font());
    fitRowHeight();
    fitHeaders();
}

void ResultGrid::fitRowHeight() {
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
}

}  // namespace quillmere::gui
