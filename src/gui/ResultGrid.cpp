#include "gui/ResultGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QPalette>
#include <QScrollBar>
#include <algorithm>
#include <set>

#include "gui/QtText.h"
#include "view/RowLook.h"

namespace quillmere::gui {

namespace {

const QColor kFailedRowColour(255, 205, 205);
const QColor kBlockedRowColour(222, 226, 238);
const QColor kNotLoadedRowColour(236, 236, 236);
const QColor kFlaggedRowColour(255, 221, 170);
constexpr int kCellPadding = 8;     // room a cell keeps around its text
constexpr int kHeaderPadding = 12;  // the same for a header section

}  // namespace

ResultGridModel::ResultGridModel(view::Grid grid, ResultRows& rows, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_columns(view::ColumnsOf(grid)), m_rows(rows) {}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(kMinimumDataRows, m_rows.recordCount());
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row();
    const int column = index.column();
    const bool numeric = m_columns[static_cast<std::size_t>(column)].numeric;
    const auto* rec = row < m_rows.recordCount() ? &m_rows.record(row) : nullptr;
    switch (role) {
        case kRawTextRole:
            return m_rows.cellText(m_grid, row, column);
        case Qt::DisplayRole:
            return displayText(row, column);
        case Qt::TextAlignmentRole:
            return numeric ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ToolTipRole:
            return toolTip(row, column);
        case Qt::BackgroundRole:
            // The row-number column stands apart from the data like the header does.
            if (column == static_cast<int>(view::kNumberColumn)) return QPalette().button();
            if (rec == nullptr) return {};
            if (const auto mark = view::MarkOf(*rec, m_grid, static_cast<std::size_t>(column));
                mark != view::CellMark::None)
                return QBrush(QColor(QString::fromLatin1(view::MarkColour(mark))));
            switch (view::LookOf(*rec, m_grid).tint) {
                case view::RowTint::NotLoaded:
                    return QBrush(kNotLoadedRowColour);
                case view::RowTint::Failed:
                    return QBrush(kFailedRowColour);
                case view::RowTint::Blocked:
                    return QBrush(kBlockedRowColour);
                case view::RowTint::Flagged:
                    return QBrush(kFlaggedRowColour);
                case view::RowTint::None:
                    break;
            }
            return {};
        default:
            return {};
    }
}

QString ResultGridModel::displayText(int row, int column) const {
    const QString text = m_rows.cellText(m_grid, row, column);
    if (m_columns[static_cast<std::size_t>(column)].numeric) return text.trimmed();
    if (row >= m_rows.recordCount()) return text;
    const auto mark = view::MarkOf(m_rows.record(row), m_grid, static_cast<std::size_t>(column));
    return mark == view::CellMark::None ? text : FromUtf8(view::MarkSign(mark)) + QLatin1Char(' ') + text;
}

QVariant ResultGridModel::toolTip(int row, int column) const {
    if (row >= m_rows.recordCount()) return {};
    const auto text = view::CellToolTip(m_rows.record(row), m_grid, static_cast<std::size_t>(column));
    return text.empty() ? QVariant() : QVariant(FromUtf8(text));
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(m_columns.size())) return {};
    if (role == Qt::DisplayRole) return FromWindows1251(m_columns[static_cast<std::size_t>(section)].caption);
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignCenter);
    if (role == Qt::ToolTipRole) return FromUtf8(m_columns[static_cast<std::size_t>(section)].help);
    return {};
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ResultGridModel::refresh() {
    beginResetModel();
    endResetModel();
}

ResultGrid::ResultGrid(view::Grid grid, ResultRows& rows, QWidget* parent)
    : QTableView(parent), m_model(new ResultGridModel(grid, rows, this)), m_rows(rows) {
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A header click sorts; it does not select a column of whole rows first.
    QObject::disconnect(horizontalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
    QObject::disconnect(horizontalHeader(), SIGNAL(sectionEntered(int)), this, SLOT(_q_selectColumn(int)));
    horizontalHeader()->setSectionsClickable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ResultGrid::headerClicked);
    verticalHeader()->hide();
    fitRowHeight();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(8);
    const auto columns = view::ColumnsOf(grid);
    for (std::size_t column = 0; column < columns.size(); ++column)
        setColumnWidth(static_cast<int>(column), columns[column].width);
    fitHeaders();
    createFrozenColumns();
}

void ResultGrid::createFrozenColumns() {
    // A second view over the same model and selection, showing only the first columns, laid over
    // this one's left edge: they stay while the rest scrolls beneath.
    m_frozen = new QTableView(this);
    m_frozen->setObjectName("FrozenColumns");
    m_frozen->setModel(m_model);
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_frozen->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_frozen->setWordWrap(false);
    m_frozen->verticalHeader()->hide();
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    QObject::disconnect(m_frozen->horizontalHeader(), SIGNAL(sectionPressed(int)), m_frozen, SLOT(selectColumn(int)));
    QObject::disconnect(m_frozen->horizontalHeader(), SIGNAL(sectionEntered(int)), m_frozen,
                        SLOT(_q_selectColumn(int)));
    m_frozen->horizontalHeader()->setSectionsClickable(true);
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionClicked, this, &ResultGrid::headerClicked);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setStyleSheet("QTableView { border-right: 1px solid palette(mid); }");
    viewport()->stackUnder(m_frozen);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < kFrozenColumns) {
            m_frozen->setColumnWidth(column, size);
            placeFrozenColumns();
        }
    });
    // A reset of the model shows every column again: hide the others each time.
    const auto showOnlyFrozen = [this] {
        for (int column = 0; column < m_model->columnCount(); ++column)
            m_frozen->setColumnHidden(column, column >= kFrozenColumns);
    };
    connect(m_model, &QAbstractItemModel::modelReset, this, showOnlyFrozen);
    showOnlyFrozen();
    for (int column = 0; column < kFrozenColumns; ++column) m_frozen->setColumnWidth(column, columnWidth(column));
    matchFrozenLook();
}

void ResultGrid::matchFrozenLook() {
    if (m_frozen == nullptr) return;  // a font set while the grid is being built
    m_frozen->setFont(font());
    m_frozen->horizontalHeader()->setFont(horizontalHeader()->font());
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->verticalHeader()->setMinimumSectionSize(verticalHeader()->minimumSectionSize());
    placeFrozenColumns();
}

void ResultGrid::placeFrozenColumns() {
    if (m_frozen == nullptr) return;
    int width = 0;
    for (int column = 0; column < kFrozenColumns; ++column) width += columnWidth(column);
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(frameWidth(), frameWidth(), width + 1, viewport()->height() + horizontalHeader()->height());
}

void ResultGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    placeFrozenColumns();
}

void ResultGrid::updateGeometries() {
    QTableView::updateGeometries();
    placeFrozenColumns();
}

void ResultGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // A cell under the frozen columns is scrolled into view beside them, not behind them.
    if (index.column() >= kFrozenColumns) QTableView::scrollTo(index, hint);
}

void ResultGrid::refresh() { m_model->refresh(); }

QString ResultGrid::cellText(int row, int column) const {
    return m_model->data(m_model->index(row, column), ResultGridModel::kRawTextRole).toString();
}

std::vector<std::size_t> ResultGrid::selectedRecords() const {
    std::set<std::size_t> rows;
    for (const auto& index : selectionModel()->selectedRows()) {
        if (index.row() < m_rows.recordCount()) rows.insert(static_cast<std::size_t>(index.row()));
    }
    return {rows.begin(), rows.end()};
}

void ResultGrid::hideRows(const std::vector<bool>& hidden) {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const bool hide = static_cast<std::size_t>(row) < hidden.size() && hidden[static_cast<std::size_t>(row)];
        if (isRowHidden(row) == hide) continue;
        setRowHidden(row, hide);
        m_frozen->setRowHidden(row, hide);
    }
}

void ResultGrid::showSortOrder(std::optional<int> column, bool ascending) {
    for (auto* header : {horizontalHeader(), m_frozen->horizontalHeader()}) {
        header->setSortIndicatorShown(column.has_value());
        if (column) header->setSortIndicator(*column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
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
            widest = std::max(widest, metrics.horizontalAdvance(m_model->displayText(row, column)));
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
    matchFrozenLook();
}

void ResultGrid::fitRowHeight() {
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
}

}  // namespace quillmere::gui
