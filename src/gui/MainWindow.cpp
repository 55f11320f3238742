#include "gui/MainWindow.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

#include "gui/GraphPage.h"
#include "gui/LoadRunner.h"
#include "gui/PageLayout.h"
#include "gui/QtText.h"
#include "gui/ResultGrid.h"
#include "gui/RulesPanel.h"
#include "gui/SortButton.h"
#include "load/SaveFile.h"
#include "session/LoadProblems.h"
#include "session/Messages.h"
#include "view/Charts.h"
#include "view/RowLook.h"

namespace quillmere::gui {

namespace {

constexpr int kClientWidth = 985;
constexpr int kClientHeight = 558;
constexpr QSize kSmallestClient(640, 360);
constexpr QSize kFrameAllowance(16, 56);  // a window manager's borders and title bar
constexpr QRect kPagesPlace(8, 64, 961, 465);
constexpr QRect kSaveButtonPlace(808, 15, 93, 33);
constexpr QRect kPathEditPlace(247, 22, 482, 21);
constexpr int kDesignFontPixels = 11;
constexpr int kGridTop = 24;
constexpr int kReloadGridTop = 74;
// Measuring every row's texts takes longer than a keystroke may: it waits until typing pauses.
constexpr int kFitAfterEditsMilliseconds = 300;
// The reload grid's columns that the rules change, from "Play Days" on.
constexpr int kFirstJudgedColumn = static_cast<int>(view::IndexOf(view::ReloadColumn::PlayDays));

// The sort keys in the order of their buttons; each stands over its Base grid column.
struct SortColumn {
    const char* name;
    view::SortKey key;
};
constexpr std::array<SortColumn, 4> kSortButtons = {{
    {"SortByFileNameSelect", view::SortKey::FileName},
    {"SortByTurnSelect", view::SortKey::Turn},
    {"SortByScoreSelect", view::SortKey::Score},
    {"SortByFinalScoreSelect", view::SortKey::FinalScore},
}};

char localeDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.front().unicode() < 0x80 ? point.front().toLatin1() : '.';
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<QSettings> settings, QWidget* parent)
    : QMainWindow(parent), m_settings(std::move(settings)) {
    setObjectName("Form1");
    // The platform's font family at the 11-pixel size the fixed places and column widths were
    // laid out for, so that captions, rule boxes and cell texts fit them.
    QFont designFont = font();
    designFont.setPixelSize(kDesignFontPixels);
    setFont(designFont);
    showTitle();
    setAcceptDrops(true);
    m_rows.setDecimalSeparator(localeDecimalSeparator());

    m_client = new QWidget(this);
    m_client->setObjectName("Client");
    m_client->setMinimumSize(kSmallestClient);
    setCentralWidget(m_client);
    createTopControls();
    m_pages = new QTabWidget(m_client);
    m_pages->setObjectName("PageControls");
    m_pages->setGeometry(kPagesPlace);
    m_basePage = createBasePage();
    m_graphPage = new GraphPage(m_session, m_client);
    m_reloadsPage = createReloadsPage();
    m_additionalPage = createAdditionalPage();
    m_flagsPage = createFlagsPage();
    m_pages->addTab(m_basePage, "Base");
    m_pages->addTab(m_graphPage, "Graph");
    m_pages->addTab(m_reloadsPage, "Reloads");
    m_pages->addTab(m_additionalPage, "Additional");
    m_pages->addTab(m_flagsPage, tr("Flags"));
    m_pages->setCurrentIndex(0);
    createFilter();
    connect(m_pages, &QTabWidget::currentChanged, m_graphPage, &GraphPage::drawIfStale);
    connect(m_graphPage, &GraphPage::categoryChanged, this,
            [this](const QString& name) { m_settings.setGraphCategory(name); });
    for (auto* page : {m_basePage, m_reloadsPage, m_additionalPage, m_flagsPage}) page->installEventFilter(this);
    m_client->installEventFilter(this);
    m_baseGrid->horizontalHeader()->installEventFilter(this);

    setTabOrder(m_pathEdit, m_loadButton);
    setTabOrder(m_loadButton, m_saveButton);
    setTabOrder(m_saveButton, m_pages);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName("StatusText");
    statusBar()->addWidget(m_statusLabel, 1);
    createMenus();

    m_loads = new LoadRunner(this);
    connect(m_loads, &LoadRunner::finished, this, &MainWindow::finishLoad);
    m_fitAfterEdits.setSingleShot(true);
    m_fitAfterEdits.setInterval(kFitAfterEditsMilliseconds);
    connect(&m_fitAfterEdits, &QTimer::timeout, this, [this] {
        m_reloadGrid->fitColumns(kFirstJudgedColumn);
        m_flagsGrid->fitColumns(kFlagsColumn);  // the deadline's flags follow the start date
    });
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, this, &MainWindow::showStatus);

    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    move(38, 130);
    restoreSettings();
    showStatus();
}

// The load runner, a child, hides its dialog and cancels a running load as the children go.
MainWindow::~MainWindow() = default;

void MainWindow::fitToScreen() {
    const QScreen* shown = screen();
    if (shown == nullptr) return;
    const QRect available = shown->availableGeometry();
    // Room for a window manager's frame, which is not known before the window is shown.
    const QSize frame = (frameGeometry().size() - geometry().size()).expandedTo(kFrameAllowance);
    const QSize most = available.size() - frame;
    m_client->setMinimumSize(
        kSmallestClient.boundedTo(most - QSize(0, menuBar()->sizeHint().height() + statusBar()->sizeHint().height())));
    if (width() > most.width() || height() > most.height()) resize(size().boundedTo(most));
    const QRect place(frameGeometry().topLeft(), size() + frame);
    if (!available.contains(place)) {
        move(std::clamp(place.left(), available.left(), std::max(available.left(), available.right() - place.width())),
             std::clamp(place.top(), available.top(), std::max(available.top(), available.bottom() - place.height())));
    }
}

void MainWindow::createFilter() {
    // In the tab bar's corner: above every grid, whichever tab is shown.
    auto* corner = new QWidget(m_pages);
    auto* layout = new QHBoxLayout(corner);
    layout->setContentsMargins(0, 0, 2, 2);
    m_filterNote = new QLabel(corner);
    m_filterNote->setObjectName("FilterNote");
    m_filterEdit = new QLineEdit(corner);
    m_filterEdit->setObjectName("RowFilter");
    m_filterEdit->setPlaceholderText(tr("Filter by file or player"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setFixedWidth(170);
    layout->addWidget(m_filterNote);
    layout->addWidget(m_filterEdit);
    m_pages->setCornerWidget(corner, Qt::TopRightCorner);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &MainWindow::applyFilter);
}

void MainWindow::applyFilter() {
    const auto filter = view::FilterRows(m_session.records(), m_filterEdit->text().toStdString());
    if (filter.note.empty() && !m_filtered) return;
    std::vector<bool> hidden;
    if (!filter.note.empty())
        for (const bool shown : filter.shown) hidden.push_back(!shown);
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid, m_flagsGrid}) grid->hideRows(hidden);
    m_filtered = !filter.note.empty();
    m_filterNote->setText(FromUtf8(filter.note));
}

std::array<std::pair<ResultGrid*, view::Grid>, 4> MainWindow::gridKinds() const {
    return {{{m_baseGrid, view::Grid::Base},
             {m_reloadGrid, view::Grid::Reload},
             {m_additionalGrid, view::Grid::Additional},
             {m_flagsGrid, view::Grid::Flags}}};
}

void MainWindow::createTopControls() {
    m_pathLabel = new QLabel("Path", m_client);
    m_pathLabel->setObjectName("Label1");
    m_pathLabel->setGeometry(478, 6, 22, 13);
    m_pathLabel->adjustSize();

    m_loadButton = new QPushButton(tr("&Load File"), m_client);
    m_loadButton->setObjectName("Button1");
    m_loadButton->setGeometry(76, 15, 93, 33);
    m_loadButton->setAutoDefault(true);  // Enter presses it when it has the focus
    connect(m_loadButton, &QPushButton::clicked, this, &MainWindow::chooseAndLoadFiles);

    m_pathEdit = new QLineEdit(m_client);
    m_pathEdit->setObjectName("Edit1");
    m_pathEdit->setGeometry(kPathEditPlace);
    m_pathEdit->setToolTip(tr("The folder of the saves; Enter loads the folder typed here"));
    connect(m_pathEdit, &QLineEdit::returnPressed, this, [this] {
        if (!m_pathEdit->text().isEmpty()) loadPaths(QStringList{m_pathEdit->text()});
    });

    m_saveButton = new QPushButton(tr("&Save Results"), m_client);
    m_saveButton->setObjectName("Button2");
    m_saveButton->setGeometry(kSaveButtonPlace);
    m_saveButton->setAutoDefault(true);
    connect(m_saveButton, &QPushButton::clicked, this, &MainWindow::chooseAndSaveResults);
}

QWidget* MainWindow::createBasePage() {
    auto* page = new QWidget(m_client);
    page->setObjectName("TabSheet1");
    m_baseGrid = new ResultGrid(view::Grid::Base, m_rows, page);
    m_baseGrid->setObjectName("BaseGrid");
    for (std::size_t i = 0; i < m_sortButtons.size(); ++i) {
        m_sortButtons[i] = new SortButton(kSortButtons[i].name, page);
        const auto key = kSortButtons[i].key;
        connect(m_sortButtons[i], &QToolButton::clicked, this, [this, key] { onSortClicked(key); });
    }
    // The buttons follow their columns when a column is resized or the grid scrolls sideways.
    connect(m_baseGrid->horizontalHeader(), &QHeaderView::sectionResized, this, &MainWindow::placeSortButtons);
    connect(m_baseGrid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &MainWindow::placeSortButtons);
    return page;
}

QWidget* MainWindow::createReloadsPage() {
    auto* page = new QWidget(m_client);
    page->setObjectName("TabSheet7");
    // A window narrower than the rules scrolls them sideways: every box stays reachable.
    m_rulesScroll = new QScrollArea(page);
    m_rulesScroll->setObjectName("RulesScroll");
    m_rulesScroll->setFrameShape(QFrame::NoFrame);
    m_rulesScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rulesScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_rulesPanel = new RulesPanel(m_rulesScroll);
    m_rulesPanel->setFixedSize(kPagesPlace.width(), kReloadGridTop);
    m_rulesScroll->setWidget(m_rulesPanel);
    connect(m_rulesPanel, &RulesPanel::rulesEdited, this, &MainWindow::onRulesEdited);
    m_reloadGrid = new ResultGrid(view::Grid::Reload, m_rows, page);
    m_reloadGrid->setObjectName("ReloadGrid");
    return page;
}

QWidget* MainWindow::createAdditionalPage() {
    auto* page = new QWidget(m_client);
    page->setObjectName("TabSheet2");
    m_additionalGrid = new ResultGrid(view::Grid::Additional, m_rows, page);
    m_additionalGrid->setObjectName("AdditionalGrid");
    return page;
}

QWidget* MainWindow::createFlagsPage() {
    auto* page = new QWidget(m_client);
    page->setObjectName("FlagsPage");
    m_flagsGrid = new ResultGrid(view::Grid::Flags, m_rows, page);
    m_flagsGrid->setObjectName("FlagsGrid");
    m_checksOffLabel = new QLabel(page);
    m_checksOffLabel->setObjectName("ChecksOff");
    QPalette warning = m_checksOffLabel->palette();
    warning.setColor(QPalette::WindowText, Qt::red);
    m_checksOffLabel->setPalette(warning);
    for (const auto& [grid, kind] : gridKinds()) {
        connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, grid = grid] { onSelectionChanged(grid); });
        connect(grid, &ResultGrid::headerClicked, this,
                [this, kind = kind](int column) { onHeaderClicked(kind, column); });
    }
    return page;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == m_client)
            layoutClient();
        else if (watched == m_baseGrid->horizontalHeader())
            placeSortButtons();
        else if (auto* page = qobject_cast<QWidget*>(watched))
            layoutPage(page);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::layoutClient() {
    // The tab control keeps its distance to every edge; the controls above it keep their places
    // while they fit, and move in from the right when the window is narrower than they were drawn.
    const int width = m_client->width();
    const int rightMargin = kClientWidth - kPagesPlace.right() - 1;
    const int bottomMargin = kClientHeight - kPagesPlace.bottom() - 1;
    m_pages->setGeometry(kPagesPlace.left(), kPagesPlace.top(), std::max(0, width - kPagesPlace.left() - rightMargin),
                         std::max(0, m_client->height() - kPagesPlace.top() - bottomMargin));
    const int saveLeft = std::min(kSaveButtonPlace.left(), width - kSaveButtonPlace.width() - 8);
    m_saveButton->move(saveLeft, kSaveButtonPlace.top());
    m_pathEdit->resize(std::min(kPathEditPlace.width(), saveLeft - 12 - kPathEditPlace.left()),
                       kPathEditPlace.height());
    m_pathLabel->move(std::min(478, m_pathEdit->geometry().right() - m_pathLabel->width()), m_pathLabel->y());
}

void MainWindow::layoutPage(QWidget* page) {
    const auto fill = [page](QWidget* child, int top) { FillPageBelow(page, child, top); };
    if (page == m_basePage) {
        fill(m_baseGrid, kGridTop);
        placeSortButtons();
    } else if (page == m_reloadsPage) {
        const bool scrolls = page->width() < m_rulesPanel->width();
        const int rulesHeight =
            kReloadGridTop + (scrolls ? m_rulesScroll->horizontalScrollBar()->sizeHint().height() : 0);
        m_rulesScroll->setGeometry(0, 0, page->width(), rulesHeight);
        fill(m_reloadGrid, rulesHeight);
    } else if (page == m_additionalPage) {
        fill(m_additionalGrid, kGridTop);
    } else if (page == m_flagsPage) {
        fill(m_flagsGrid, kGridTop);
        m_checksOffLabel->setGeometry(kPageMargin, 2, std::max(0, page->width() - 2 * kPageMargin), kGridTop - 4);
    }
}

void MainWindow::placeSortButtons() {
    const auto* header = m_baseGrid->horizontalHeader();
    for (std::size_t i = 0; i < m_sortButtons.size(); ++i) {
        const int column = static_cast<int>(view::IndexOf(view::BaseColumnOf(kSortButtons[i].key)));
        // The frozen file-name column never scrolls away, nor does its button.
        const int start = column < ResultGrid::kFrozenColumns ? header->sectionPosition(column)
                                                              : header->sectionViewportPosition(column);
        const int size = header->sectionSize(column);
        const int centre = header->mapTo(m_basePage, QPoint(start + size / 2, 0)).x();
        const int left = centre - SortButton::kWidth / 2;
        m_sortButtons[i]->move(left, 1);
        // Shown only while it stands whole over the part of the header that scrolls: never over the
        // frozen columns' header or past the grid's right edge.
        int frozenWidth = 0;
        for (int frozen = 0; frozen < ResultGrid::kFrozenColumns; ++frozen) frozenWidth += header->sectionSize(frozen);
        const int frozenRight = header->mapTo(m_basePage, QPoint(frozenWidth, 0)).x();
        const int headerRight = header->mapTo(m_basePage, QPoint(header->width(), 0)).x();
        m_sortButtons[i]->setVisible(column < ResultGrid::kFrozenColumns ||
                                     (left >= frozenRight && left + SortButton::kWidth <= headerRight));
    }
}

void MainWindow::showSortDirections() {
    const auto marks = view::SortButtonMarks(m_session.lastSortKey(), m_session.sortDirections());
    for (std::size_t i = 0; i < m_sortButtons.size(); ++i)
        m_sortButtons[i]->setShows(marks[static_cast<std::size_t>(kSortButtons[i].key)]);
    const auto byColumn = m_session.lastColumnSort();
    for (const auto& [grid, kind] : gridKinds()) {
        const bool shown = byColumn && byColumn->grid == kind;
        grid->showSortOrder(shown ? std::optional<int>(byColumn->column) : std::nullopt, shown && byColumn->ascending);
    }
}

int MainWindow::graphCategory() const { return m_graphPage->category(); }

bool MainWindow::isLoading() const { return m_loads->isRunning(); }

void MainWindow::setProgressDelay(int milliseconds) { m_loads->setProgressDelay(milliseconds); }

bool MainWindow::loadFiles(const std::vector<std::string>& paths) {
    if (paths.empty() || isLoading()) return false;
    startLoad(std::make_unique<session::BackgroundLoad>(paths, 0));
    return true;
}

void MainWindow::startLoad(std::unique_ptr<session::BackgroundLoad> load) {
    // The old table goes at once: a sort or a rule change during the load has nothing to act on.
    m_session.adopt(analysis::ResultTable{});
    m_rows.clearShown();
    m_graphPage->forgetSaves();
    showRows(true);
    const auto files = static_cast<int>(load->files().size());
    m_pathEdit->setText(FromFileSystem(load::FolderOf(load->files().front())));
    m_noteTimer.stop();
    m_loadButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    m_loads->start(std::move(load));
    m_statusLabel->setText(tr("Reading %n saves...", nullptr, files));
}

void MainWindow::cancelLoad() { m_loads->cancel(); }

void MainWindow::finishLoad(session::BackgroundLoad& load) {
    m_lastLoad = m_session.adopt(load);
    m_loadButton->setEnabled(true);
    m_saveButton->setEnabled(true);

    showAdoptedRecords();
    showLoadProblems(m_lastLoad);
    Q_EMIT loadFinished();
}

void MainWindow::showLoadProblems(const session::LoadSummary& summary) {
    const auto problems = session::ProblemsOf(summary);
    if (problems.empty()) return;
    QStringList lines;
    for (const auto& line : problems.lines) lines << FromUtf8(line);
    reportFailures(FromUtf8(problems.heading), lines);
}

session::LoadSummary MainWindow::showLoadedRecords(analysis::ResultTable records) {
    auto summary = m_session.adopt(std::move(records));
    showAdoptedRecords();
    return summary;
}

void MainWindow::showAdoptedRecords() {
    m_rows.invalidate();
    m_graphPage->forgetSaves();  // the same paths may hold other saves now
    showRows(true);
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid, m_flagsGrid}) grid->fitColumns();
}

void MainWindow::showRows(bool graphData) {
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid, m_flagsGrid}) grid->refresh();
    if (graphData) {
        // The hidden graph waits until its tab is shown.
        m_graphPage->recordsChanged();
        if (m_pages->currentWidget() == m_graphPage) m_graphPage->drawIfStale();
    }
    showSortDirections();
    showStatus();
    // A reset of the grids shows every row again.
    if (m_filtered) applyFilter();
}

}  // namespace quillmere::gui
