#include "gui/ResultPages.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "gui/FirstScreen.h"
#include "gui/GraphPage.h"
#include "gui/PageLayout.h"
#include "gui/QtText.h"
#include "gui/ResultGrid.h"
#include "gui/RulesPanel.h"
#include "gui/SortButtonRow.h"
#include "gui/StandingsView.h"
#include "view/RowLook.h"

namespace quillmere::gui {

namespace {

constexpr int kGridTop = 24;
// Measuring every row's texts takes longer than a keystroke may: it waits until typing pauses.
constexpr int kFitAfterEditsMilliseconds = 300;
// The reload grid's columns that the rules change, from "Play Days" on.
constexpr int kFirstJudgedColumn = static_cast<int>(view::IndexOf(view::ReloadColumn::PlayDays));
// The flags grid's column that the rules can change.
constexpr int kFlagsColumn = static_cast<int>(view::IndexOf(view::FlagColumn::Flags));

}  // namespace

ResultPages::ResultPages(const session::Session& session, ResultRows& rows, QWidget* parent)
    : QTabWidget(parent), m_session(session), m_rows(rows) {
    setObjectName("PageControls");
    setGeometry(kDesignPlace);
    m_basePage = createBasePage();
    m_graphPage = new GraphPage(m_session, this);
    m_reloadsPage = createReloadsPage();
    m_additionalPage = createAdditionalPage();
    m_flagsPage = createFlagsPage();
    addTab(m_basePage, FromUtf8(view::GridName(view::Grid::Base)));
    addTab(m_graphPage, "Graph");
    addTab(m_reloadsPage, FromUtf8(view::GridName(view::Grid::Reload)));
    addTab(m_additionalPage, FromUtf8(view::GridName(view::Grid::Additional)));
    addTab(m_flagsPage, FromUtf8(view::GridName(view::Grid::Flags)));
    setCurrentIndex(0);
    createFilter();
    connect(this, &QTabWidget::currentChanged, m_graphPage, &GraphPage::drawIfStale);
    for (const auto& [grid, kind] : gridKinds()) {
        connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, grid = grid] {
            m_graphPage->plotRows(grid->selectedRecords());
            if (currentWidget() == m_graphPage) m_graphPage->drawIfStale();
        });
        connect(grid, &ResultGrid::headerClicked, this,
                [this, kind = kind](int column) { Q_EMIT headerClicked(kind, column); });
    }
    for (auto* page : {m_basePage, m_reloadsPage, m_additionalPage, m_flagsPage}) page->installEventFilter(this);

    m_fitAfterEdits.setSingleShot(true);
    m_fitAfterEdits.setInterval(kFitAfterEditsMilliseconds);
    connect(&m_fitAfterEdits, &QTimer::timeout, this, [this] {
        m_reloadGrid->fitColumns(kFirstJudgedColumn);
        m_flagsGrid->fitColumns(kFlagsColumn);  // the deadline's flags follow the start date
    });
}

QWidget* ResultPages::createBasePage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet1");
    m_baseGrid = new ResultGrid(view::Grid::Base, m_rows, page);
    m_baseGrid->setObjectName("BaseGrid");
    m_sortButtons = new SortButtonRow(m_baseGrid, page);
    connect(m_sortButtons, &SortButtonRow::sortClicked, this, &ResultPages::sortClicked);
    m_firstScreen = new FirstScreen(page);
    m_firstScreen->hide();
    return page;
}

QWidget* ResultPages::createReloadsPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet7");
    // A window narrower than the rules scrolls them sideways: every box stays reachable.
    m_rulesScroll = new QScrollArea(page);
    m_rulesScroll->setObjectName("RulesScroll");
    m_rulesScroll->setFrameShape(QFrame::NoFrame);
    m_rulesScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rulesScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_rulesPanel = new RulesPanel(m_rulesScroll);
    m_rulesScroll->setWidget(m_rulesPanel);
    m_reloadGrid = new ResultGrid(view::Grid::Reload, m_rows, page);
    m_reloadGrid->setObjectName("ReloadGrid");
    return page;
}

QWidget* ResultPages::createAdditionalPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet2");
    m_additionalGrid = new ResultGrid(view::Grid::Additional, m_rows, page);
    m_additionalGrid->setObjectName("AdditionalGrid");
    return page;
}

QWidget* ResultPages::createFlagsPage() {
    auto* page = new QWidget(this);
    page->setObjectName("FlagsPage");
    m_flagsGrid = new ResultGrid(view::Grid::Flags, m_rows, page);
    m_flagsGrid->setObjectName("FlagsGrid");
    m_checksOffLabel = new QLabel(page);
    m_checksOffLabel->setObjectName("ChecksOff");
    QPalette warning = m_checksOffLabel->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    m_checksOffLabel->setPalette(warning);
    m_seasonFlagsHeading = new QLabel(page);
    m_seasonFlagsHeading->setObjectName("SeasonFlagsHeading");
    m_seasonFlagsHeading->setTextFormat(Qt::PlainText);
    m_seasonFlagsHeading->hide();
    m_seasonFlagsGrid = new StandingsView(page);
    m_seasonFlagsGrid->setObjectName("SeasonFlagsGrid");
    m_seasonFlagsGrid->hide();
    return page;
}

void ResultPages::createFilter() {
    // In the tab bar's corner: above every grid, whichever tab is shown.
    auto* corner = new QWidget(this);
    auto* layout = new QHBoxLayout(corner);
    layout->setContentsMargins(0, 0, 2, 2);
    m_filterNote = new QLabel(corner);
    m_filterNote->setObjectName("FilterNote");
    m_filterEdit = new QLineEdit(corner);
    m_filterEdit->setObjectName("RowFilter");
    m_filterEdit->setPlaceholderText(tr("Filter by file or player"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setFixedWidth(170);
    m_attentionBox = new QCheckBox(corner);
    m_attentionBox->setObjectName("AttentionFilter");
    m_attentionBox->setToolTip(tr("Show only the Cheat verdicts, the flagged saves and the saves that failed"));
    layout->addWidget(m_filterNote);
    layout->addWidget(m_attentionBox);
    layout->addWidget(m_filterEdit);
    setCornerWidget(corner, Qt::TopRightCorner);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &ResultPages::applyFilter);
    connect(m_attentionBox, &QCheckBox::toggled, this, &ResultPages::applyFilter);
    showAttentionCount();
}

bool ResultPages::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize)
        if (auto* page = qobject_cast<QWidget*>(watched)) layoutPage(page);
    return QTabWidget::eventFilter(watched, event);
}

void ResultPages::layoutPage(QWidget* page) {
    if (page == m_basePage) {
        FillPageBelow(page, m_baseGrid, kGridTop);
        m_firstScreen->setGeometry(m_baseGrid->geometry());
        m_sortButtons->place();
    } else if (page == m_reloadsPage) {
        // The rules wrap to the page's width; one still wider scrolls them sideways.
        const QSize rules = m_rulesPanel->arrange(page->width());
        const bool scrolls = page->width() < rules.width();
        const int rulesHeight =
            rules.height() + (scrolls ? m_rulesScroll->horizontalScrollBar()->sizeHint().height() : 0);
        m_rulesScroll->setGeometry(0, 0, page->width(), rulesHeight);
        FillPageBelow(page, m_reloadGrid, rulesHeight);
    } else if (page == m_additionalPage) {
        FillPageBelow(page, m_additionalGrid, kGridTop);
    } else if (page == m_flagsPage) {
        FillPageBelow(page, m_flagsGrid, kGridTop);
        if (!m_seasonFlagsGrid->isHidden()) {
            // The season's flags take the lower half, under a heading of their own.
            const int half = kGridTop + (page->height() - kGridTop) / 2;
            m_flagsGrid->resize(m_flagsGrid->width(), std::max(0, half - kGridTop - 2));
            m_seasonFlagsHeading->setGeometry(kPageMargin, half, std::max(0, page->width() - 2 * kPageMargin),
                                              kGridTop - 4);
            FillPageBelow(page, m_seasonFlagsGrid, half + kGridTop - 4);
        }
        m_checksOffLabel->setGeometry(kPageMargin, 2, std::max(0, page->width() - 2 * kPageMargin), kGridTop - 4);
    }
}

std::array<std::pair<ResultGrid*, view::Grid>, 4> ResultPages::gridKinds() const {
    return {{{m_baseGrid, view::Grid::Base},
             {m_reloadGrid, view::Grid::Reload},
             {m_additionalGrid, view::Grid::Additional},
             {m_flagsGrid, view::Grid::Flags}}};
}

void ResultPages::showFirstScreen(bool shown) {
    m_firstScreen->setVisible(shown);
    if (shown) m_firstScreen->raise();
}

ResultGrid* ResultPages::gridInView() const {
    if (currentWidget() == m_reloadsPage) return m_reloadGrid;
    if (currentWidget() == m_additionalPage) return m_additionalGrid;
    if (currentWidget() == m_flagsPage) return m_flagsGrid;
    return m_baseGrid;
}

void ResultPages::showRows(bool graphData) {
    for (const auto& [grid, kind] : gridKinds()) grid->refresh();
    if (graphData) {
        // The hidden graph waits until its tab is shown.
        m_graphPage->recordsChanged();
        if (currentWidget() == m_graphPage) m_graphPage->drawIfStale();
    }
    showSortMarks();
    showAttentionCount();
    // A reset of the grids shows every row again; a verdict the rules changed may leave the filter.
    if (m_filtered || m_attentionBox->isChecked()) applyFilter();
}

void ResultPages::showAttentionCount() {
    m_attentionBox->setText(FromUtf8(view::AttentionFilterText(m_session.records())));
}

void ResultPages::fitColumns() {
    for (const auto& [grid, kind] : gridKinds()) grid->fitColumns();
}

void ResultPages::fitJudgedColumnsSoon() { m_fitAfterEdits.start(); }

void ResultPages::fitFlagsColumn() { m_flagsGrid->fitColumns(kFlagsColumn); }

void ResultPages::clearSelections() {
    for (const auto& [grid, kind] : gridKinds()) grid->clearSelection();
}

void ResultPages::showChecksOff() {
    QStringList off;
    for (const auto& note : m_session.checksOff()) off << FromUtf8(note);
    m_checksOffLabel->setText(off.join(QStringLiteral("; ")));
}

void ResultPages::showSeasonFlags(const tournament::StandingsGrid* flagged) {
    if (flagged) {
        m_seasonFlagsHeading->setText(FromUtf8(flagged->heading));
        m_seasonFlagsGrid->showGrid(*flagged);
    }
    m_seasonFlagsHeading->setVisible(flagged != nullptr);
    m_seasonFlagsGrid->setVisible(flagged != nullptr);
    layoutPage(m_flagsPage);
}

void ResultPages::showSortMarks() {
    m_sortButtons->showMarks(m_session.lastSortKey(), m_session.sortDirections());
    const auto byColumn = m_session.lastColumnSort();
    for (const auto& [grid, kind] : gridKinds()) {
        const bool shown = byColumn && byColumn->grid == kind;
        grid->showSortOrder(shown ? std::optional<int>(byColumn->column) : std::nullopt, shown && byColumn->ascending);
    }
}

void ResultPages::applyFilter() {
    const auto filter =
        view::FilterRows(m_session.records(), m_filterEdit->text().toStdString(), m_attentionBox->isChecked());
    if (filter.note.empty() && !m_filtered) return;
    std::vector<bool> hidden;
    if (!filter.note.empty())
        for (const bool shown : filter.shown) hidden.push_back(!shown);
    for (const auto& [grid, kind] : gridKinds()) grid->hideRows(hidden);
    m_filtered = !filter.note.empty();
    m_filterNote->setText(FromUtf8(filter.note));
}

}  // namespace quillmere::gui
