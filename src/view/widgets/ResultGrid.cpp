#include "view/widgets/ResultGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <algorithm>

namespace quillmere::view {

namespace {

const QColor kFailedRowColour(255, 205, 205);
constexpr int kCellPadding = 8;     // room a cell keeps around its text
constexpr int kHeaderPadding = 12;  // the same for a header section

}  // namespace

ResultGrid::ResultGrid(std::span<const ColumnSpec> columns, QWidget* parent)
    : QTableWidget(kMinimumDataRows, static_cast<int>(columns.size()), parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    fitRowHeight();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(8);
    for (int column = 0; column < columnCount(); ++column) {
        const auto& columnSpec = columns[static_cast<std::size_t>(column)];
        setHorizontalHeaderItem(column, new QTableWidgetItem(FromWindows1251(columnSpec.header)));
        setColumnWidth(column, columnSpec.width);
    }
    fitHeaders();
}

void ResultGrid::fitHeaders() {
    const QFontMetrics metrics(horizontalHeader()->font());
    for (int column = 0; column < columnCount(); ++column)
        widenToFit(column, metrics.horizontalAdvance(horizontalHeaderItem(column)->text()) + kHeaderPadding);
}

void ResultGrid::widenToFit(int column, int pixels) {
    if (pixels > columnWidth(column)) setColumnWidth(column, pixels);
}

void ResultGrid::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
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

void ResultGrid::ensureRows(int records) { setRowCount(std::max(records, kMinimumDataRows)); }

QTableWidgetItem* ResultGrid::cell(int index, int column) {
    if (auto* existing = item(index, column)) return existing;
    auto* created = new QTableWidgetItem;
    if (column == 0) {
        // The row-number column stands apart from the data like the header does.
        created->setFlags(Qt::ItemIsEnabled);
        created->setBackground(palette().button());
    } else {
        created->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    setItem(index, column, created);
    return created;
}

void ResultGrid::setRecordRow(int index, std::span<const std::string> texts) {
    if (index >= rowCount()) ensureRows(index + 1);
    const int columns = std::min(static_cast<int>(texts.size()), columnCount());
    const QFontMetrics metrics(font());
    for (int column = 0; column < columns; ++column) {
        const QString text = FromWindows1251(texts[static_cast<std::size_t>(column)]);
        cell(index, column)->setText(text);
        widenToFit(column, metrics.horizontalAdvance(text) + kCellPadding);
    }
}

void ResultGrid::setRowFailure(int index, const QString& message) {
    for (int column = 1; column < columnCount(); ++column) {
        auto* target = cell(index, column);
        target->setToolTip(message);
        target->setBackground(message.isEmpty() ? QBrush() : QBrush(kFailedRowColour));
    }
    cell(index, 0)->setToolTip(message);
}

void ResultGrid::clearRows(int count) {
    const QString cleared = FromWindows1251(kClearedCell);
    for (int index = 0; index < std::min(count, rowCount()); ++index) {
        for (int column = 0; column < columnCount(); ++column) cell(index, column)->setText(cleared);
        setRowFailure(index, {});
    }
}

QString ResultGrid::cellText(int index, int column) const {
    const auto* existing = item(index, column);
    return existing ? existing->text() : QString();
}

}  // namespace quillmere::view
