#include "gui/MainWindow.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <algorithm>
#include <climits>

#include "export/AtomicFile.h"
#include "gui/HistoryChart.h"
#include "gui/QtText.h"
#include "gui/ResultGrid.h"
#include "gui/RulesPanel.h"
#include "gui/SortButton.h"
#include "load/SaveFile.h"

namespace quillmere::gui {

namespace {

constexpr int kWindowWidth = 985;
constexpr int kWindowHeight = 558;
constexpr QRect kPagesPlace(8, 64, 961, 465);
constexpr int kDesignFontPixels = 11;
constexpr int kPageMargin = 8;  // between a grid or the chart and the page's left and right edges
constexpr int kPageBottomMargin = 4;
constexpr int kGridTop = 24;
constexpr int kReloadGridTop = 74;
constexpr int kChartTop = 26;
constexpr int kLoadPollMilliseconds = 30;
constexpr int kFirstJudgedColumn = 6;  // "Play Days": the reload grid's columns that the rules change

const char* const kGraphCategories[] = {"Score", "Economy", "Industry", "Agriculture", "Power", "Culture", "Science"};

// The sort keys in the order of their buttons, with the Base grid column each stands over.
struct SortButtonSpec {
    const char* name;
    view::SortKey key;
    int column;
};
constexpr std::array<SortButtonSpec, 4> kSortButtons = {{
    {"SortByFileNameSelect", view::SortKey::FileName, 1},
    {"SortByTurnSelect", view::SortKey::Turn, 5},
    {"SortByScoreSelect", view::SortKey::Score, 8},
    {"SortByFinalScoreSelect", view::SortKey::FinalScore, 9},
}};

char localeDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.front().unicode() < 0x80 ? point.front().toLatin1() : '.';
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("Form1");
    // The platform's font family at the 11-pixel size the fixed places and column widths were
    // laid out for, so that captions, rule boxes and cell texts fit them.
    QFont designFont = font();
    designFont.setPixelSize(kDesignFontPixels);
    setFont(designFont);
    setWindowTitle(QStringLiteral("%1 (version %2)").arg(kApplicationTitle, QUILLMERE_VERSION));
    m_rows.setDecimalSeparator(localeDecimalSeparator());
    createTopControls();

    m_pages = new QTabWidget(this);
    m_pages->setObjectName("PageControls");
    m_pages->setGeometry(kPagesPlace);
    m_basePage = createBasePage();
    m_graphPage = createGraphPage();
    m_reloadsPage = createReloadsPage();
    m_additionalPage = createAdditionalPage();
    m_pages->addTab(m_basePage, "Base");
    m_pages->addTab(m_graphPage, "Graph");
    m_pages->addTab(m_reloadsPage, "Reloads");
    m_pages->addTab(m_additionalPage, "Additional");
    m_pages->setCurrentIndex(0);
    for (auto* page : {m_basePage, m_graphPage, m_reloadsPage, m_additionalPage}) page->installEventFilter(this);
    m_baseGrid->horizontalHeader()->installEventFilter(this);

    setTabOrder(m_pathEdit, m_loadButton);
    setTabOrder(m_loadButton, m_saveButton);
    setTabOrder(m_saveButton, m_pages);

    m_progress = new QProgressDialog(this);
    m_progress->setWindowTitle(kApplicationTitle);
    // Not modal: a window blocked by a modal dialog cannot be closed, and closing the window is how a
    // referee gives up on a load as much as Cancel is.
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(INT_MAX);  // shown by pollLoad(), never by the dialog itself
    m_progress->reset();
    m_progress->hide();
    connect(m_progress, &QProgressDialog::canceled, this, &MainWindow::cancelLoad);
    m_loadPoll.setInterval(kLoadPollMilliseconds);
    connect(&m_loadPoll, &QTimer::timeout, this, &MainWindow::pollLoad);

    resize(kWindowWidth, kWindowHeight);
    move(38, 130);
    m_rulesPanel->showCheck(m_session.ruleCheck());
}

MainWindow::~MainWindow() {
    // A running load is cancelled when m_load goes; its modal dialog goes first, as a person's would.
    m_loadPoll.stop();
    m_progress->hide();
}

void MainWindow::createTopControls() {
    auto* pathLabel = new QLabel("Path", this);
    pathLabel->setObjectName("Label1");
    pathLabel->setGeometry(478, 6, 22, 13);
    pathLabel->adjustSize();

    m_loadButton = new QPushButton("Load File", this);
    m_loadButton->setObjectName("Button1");
    m_loadButton->setGeometry(76, 15, 93, 33);
    connect(m_loadButton, &QPushButton::clicked, this, &MainWindow::chooseAndLoadFiles);

    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setObjectName("Edit1");
    m_pathEdit->setGeometry(247, 22, 482, 21);

    m_saveButton = new QPushButton("Save Results", this);
    m_saveButton->setObjectName("Button2");
    m_saveButton->setGeometry(808, 15, 93, 33);
    connect(m_saveButton, &QPushButton::clicked, this, &MainWindow::chooseAndSaveResults);
}

QWidget* MainWindow::createBasePage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet1");
    m_baseGrid = new ResultGrid(GridKind::Base, view::kBaseColumns, m_rows, page);
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

QWidget* MainWindow::createGraphPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet5");
    m_graphSelect = new QComboBox(page);
    m_graphSelect->setObjectName("GraphSelect");
    m_graphSelect->setEditable(true);
    m_graphSelect->setInsertPolicy(QComboBox::NoInsert);
    for (const char* category : kGraphCategories) m_graphSelect->addItem(category);
    m_graphSelect->setCurrentIndex(0);
    m_graphSelect->setGeometry(428, 2, 109, 21);
    m_historyChart = new HistoryChart(page);
    m_historyChart->setObjectName("HistoryChart");
    connect(m_graphSelect, &QComboBox::currentTextChanged, this, &MainWindow::onGraphCategoryChanged);
    return page;
}

QWidget* MainWindow::createReloadsPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet7");
    m_rulesPanel = new RulesPanel(page);
    m_rulesPanel->setGeometry(0, 0, kPagesPlace.width(), kReloadGridTop);
    connect(m_rulesPanel, &RulesPanel::rulesEdited, this, &MainWindow::onRulesEdited);
    m_reloadGrid = new ResultGrid(GridKind::Reload, view::kReloadColumns, m_rows, page);
    m_reloadGrid->setObjectName("ReloadGrid");
    return page;
}

QWidget* MainWindow::createAdditionalPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet2");
    m_additionalGrid = new ResultGrid(GridKind::Additional, view::kAdditionalColumns, m_rows, page);
    m_additionalGrid->setObjectName("AdditionalGrid");
    return page;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The tab control keeps its distance to every edge of the window; the controls above it stay.
    const int rightMargin = kWindowWidth - kPagesPlace.right() - 1;
    const int bottomMargin = kWindowHeight - kPagesPlace.bottom() - 1;
    m_pages->setGeometry(kPagesPlace.left(), kPagesPlace.top(),
                         std::max(0, width() - kPagesPlace.left() - rightMargin),
                         std::max(0, height() - kPagesPlace.top() - bottomMargin));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == m_baseGrid->horizontalHeader())
            placeSortButtons();
        else if (auto* page = qobject_cast<QWidget*>(watched))
            layoutPage(page);
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::layoutPage(QWidget* page) {
    const auto fill = [page](QWidget* child, int top) {
        child->setGeometry(kPageMargin, top, std::max(0, page->width() - 2 * kPageMargin),
                           std::max(0, page->height() - top - kPageBottomMargin));
    };
    if (page == m_basePage) {
        fill(m_baseGrid, kGridTop);
        placeSortButtons();
    } else if (page == m_graphPage) {
        fill(m_historyChart, kChartTop);
    } else if (page == m_reloadsPage) {
        fill(m_reloadGrid, kReloadGridTop);
    } else if (page == m_additionalPage) {
        fill(m_additionalGrid, kGridTop);
    }
}

void MainWindow::placeSortButtons() {
    const auto* header = m_baseGrid->horizontalHeader();
    for (std::size_t i = 0; i < m_sortButtons.size(); ++i) {
        const int column = kSortButtons[i].column;
        const int start = header->sectionViewportPosition(column);
        const int size = header->sectionSize(column);
        const int centre = header->mapTo(m_basePage, QPoint(start + size / 2, 0)).x();
        m_sortButtons[i]->move(centre - SortButton::kWidth / 2, 1);
        m_sortButtons[i]->setVisible(start + size > 0 && start < header->width());
    }
}

int MainWindow::graphCategory() const {
    return m_graphSelect->findText(m_graphSelect->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void MainWindow::chooseAndLoadFiles() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({"Text files (*.txt)", "All files (*)"});
    dialog.selectNameFilter("All files (*)");
    if (!m_pathEdit->text().isEmpty()) dialog.setDirectory(m_pathEdit->text());
    if (dialog.exec() == QDialog::Accepted) loadFiles(dialog.selectedFiles());
}

bool MainWindow::loadFiles(const QStringList& paths) {
    std::vector<std::string> files;
    files.reserve(static_cast<std::size_t>(paths.size()));
    for (const auto& path : paths) files.push_back(ToFileSystem(path));
    return loadFiles(files);
}

bool MainWindow::loadFiles(const std::vector<std::string>& paths) {
    if (paths.empty() || isLoading()) return false;
    // The old table goes at once: a sort or a rule change during the load has nothing to act on.
    m_session.adopt({});
    m_rows.clearShown();
    showRows(true);
    m_pathEdit->setText(FromFileSystem(load::FolderOf(paths.front())));
    m_loadButton->setEnabled(false);
    m_saveButton->setEnabled(false);

    m_load = std::make_unique<session::BackgroundLoad>(paths, 0);
    m_progress->reset();
    m_progress->setRange(0, static_cast<int>(paths.size()));
    m_progress->setLabelText(tr("Reading the saves..."));
    m_loadClock.start();
    m_loadPoll.start();
    return true;
}

void MainWindow::cancelLoad() {
    if (m_load) m_load->cancel();
}

void MainWindow::pollLoad() {
    // Showing the dialog processes events, which may bring this timer back.
    if (m_polling || !m_load) return;
    m_polling = true;
    if (m_load->finished()) {
        finishLoad();
    } else if (m_loadClock.elapsed() >= m_progressDelay) {
        const auto progress = m_load->progress();
        m_progress->setLabelText(progress.failed == 0
                                     ? tr("Reading the saves: %1 of %2").arg(progress.done).arg(progress.total)
                                     : tr("Reading the saves: %1 of %2 (%3 failed)")
                                           .arg(progress.done)
                                           .arg(progress.total)
                                           .arg(progress.failed));
        if (!m_progress->isVisible() && !m_progress->wasCanceled()) m_progress->show();
        m_progress->setValue(static_cast<int>(progress.done));
    }
    m_polling = false;
}

void MainWindow::finishLoad() {
    m_loadPoll.stop();
    auto records = m_load->takeRecords();
    m_load.reset();
    m_progress->hide();
    m_progress->reset();
    m_loadButton->setEnabled(true);
    m_saveButton->setEnabled(true);

    const auto summary = showLoadedRecords(std::move(records));
    QStringList failures;
    for (const auto& [path, message] : summary.failures) {
        failures << QStringLiteral("%1: %2").arg(FromFileSystem(path).section(QLatin1Char('/'), -1),
                                                 WithFullStop(FromUtf8(message)));
    }
    if (!failures.isEmpty()) reportError(failures.join(QLatin1Char('\n')));
    Q_EMIT loadFinished();
}

session::LoadSummary MainWindow::showLoadedRecords(analysis::ResultTable records) {
    auto summary = m_session.adopt(std::move(records));
    m_rows.invalidate();
    showRows(true);
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid}) grid->fitColumns();
    return summary;
}

void MainWindow::showRows(bool graphData) {
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid}) grid->refresh();
    if (graphData) m_historyChart->drawRecords(m_session.records(), graphCategory());
}

void MainWindow::onGraphCategoryChanged() { m_historyChart->drawRecords(m_session.records(), graphCategory()); }

void MainWindow::onRulesEdited(const reload::RuleTexts& texts) {
    m_rulesPanel->showCheck(m_session.setRules(texts));
    m_rows.invalidate();
    showRows(false);
    m_reloadGrid->fitColumns(kFirstJudgedColumn);
}

void MainWindow::onSortClicked(view::SortKey key) {
    m_session.sortClick(key);
    m_rows.invalidate();
    showRows(true);
}

void MainWindow::chooseAndSaveResults() {
    const QString folder = m_pathEdit->text().isEmpty() ? QDir::currentPath() : m_pathEdit->text();
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QDir(folder).filePath("Res.txt"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveResults(dialog.selectedFiles().first());
}

bool MainWindow::saveResults(const QString& path) {
    // The results file holds Windows-1251 texts and the locale's decimal separator.
    view::FormatOptions options = m_rows.formatOptions();
    options.encoding = view::TextEncoding::Windows1251;
    try {
        exporting::WriteFileAtomically(ToFileSystem(path), m_session.resultsText(options));
        return true;
    } catch (const session::RulesInvalid& error) {
        reportError(tr("The results were not saved: %1").arg(WithFullStop(QString::fromStdString(error.what()))));
    } catch (const exporting::ExportError& error) {
        reportError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                 WithFullStop(QString::fromLocal8Bit(error.what()))));
    }
    return false;
}

void MainWindow::reportError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Critical, kApplicationTitle, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    Q_EMIT errorReported(message);
}

}  // namespace quillmere::gui
