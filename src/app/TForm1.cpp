#include "app/TForm1.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "analysis/Batch.h"
#include "export/ResultsFile.h"
#include "load/SaveFile.h"
#include "view/widgets/HistoryChart.h"
#include "view/widgets/ResultGrid.h"
#include "view/widgets/SortButton.h"

namespace quillmere::app {

namespace {

constexpr int kWindowWidth = 985;
constexpr int kWindowHeight = 558;
constexpr QRect kPageControlsPlace(8, 64, 961, 465);
constexpr int kDesignFontPixels = 11;
constexpr int kSmallestCaptionPixels = 7;
constexpr int kPageMargin = 8;  // between a grid or the chart and the page's left and right edges
constexpr int kPageBottomMargin = 4;
constexpr int kGridTop = 24;
constexpr int kReloadGridTop = 74;
constexpr int kChartTop = 26;
const QColor kRuleTextColour(Qt::blue);
const QColor kWrongRuleColour(255, 190, 190);

struct LabelSpec {
    const char* name;
    QRect place;
    const char* caption;  // UTF-8
};

// English and Russian captions, word-wrapped in fixed boxes; their leading and inner blanks are part
// of the text.
const LabelSpec kRuleLabels[] = {
    {"Label6", QRect(120, 5, 141, 29), "   Turnamet start date    (Дата начала турнира)"},
    {"Label7", QRect(344, 5, 65, 27), "dd.mm.yyyy (чч.мм.гггг)"},
    {"Label8", QRect(434, 5, 151, 27), "     Max session per day     (Макс. число сессий в день)"},
    {"Label9", QRect(656, 5, 113, 28), "  Min session time   (Мин. время сессии)"},
    {"Label10", QRect(816, 5, 49, 27), "minutes (минут)"},
    {"Label2", QRect(144, 37, 89, 29), "   Presessions    (Пресессии)"},
    {"Label11", QRect(434, 37, 151, 27), "    Max reloads percent     (Макс. % перезагрузок)"},
    {"Label12", QRect(648, 37, 129, 28), "  Penalty for reloads   (Штраф за перезагрузки)"},
    {"Label13", QRect(816, 37, 129, 27), "%, for each % of reloads (%, за каждый % пер-к)"},
};

const char* const kGraphCategories[] = {"Score", "Economy", "Industry", "Agriculture", "Power", "Culture", "Science"};

// Base grid columns that the four sort buttons stand over: file name, turn, score, Final.
constexpr std::array<int, 4> kSortColumns = {1, 5, 8, 9};

QString WithFullStop(QString message) {
    if (!message.endsWith(QLatin1Char('.'))) message += QLatin1Char('.');
    return message;
}

void PaintRuleEdit(QLineEdit* edit, bool wrong) {
    QPalette palette = edit->parentWidget()->palette();
    palette.setColor(QPalette::Text, kRuleTextColour);
    if (wrong) palette.setColor(QPalette::Base, kWrongRuleColour);
    edit->setPalette(palette);
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName("Form1");
    // The platform's font family at the 11-pixel size the fixed places and column widths were
    // laid out for, so that captions, rule boxes and cell texts fit them.
    QFont designFont = font();
    designFont.setPixelSize(kDesignFontPixels);
    setFont(designFont);
    setWindowTitle(QStringLiteral("%1 (version %2)").arg(kApplicationTitle, kApplicationVersion));
    createTopControls();

    m_pageControls = new QTabWidget(this);
    m_pageControls->setObjectName("PageControls");
    m_pageControls->setGeometry(kPageControlsPlace);
    m_basePage = createBasePage();
    m_graphPage = createGraphPage();
    m_reloadsPage = createReloadsPage();
    m_additionalPage = createAdditionalPage();
    m_pageControls->addTab(m_basePage, "Base");
    m_pageControls->addTab(m_graphPage, "Graph");
    m_pageControls->addTab(m_reloadsPage, "Reloads");
    m_pageControls->addTab(m_additionalPage, "Additional");
    m_pageControls->setCurrentIndex(0);
    for (auto* page : {m_basePage, m_graphPage, m_reloadsPage, m_additionalPage}) page->installEventFilter(this);
    m_baseGrid->horizontalHeader()->installEventFilter(this);

    setTabOrder(m_edit1, m_button1);
    setTabOrder(m_button1, m_button2);
    setTabOrder(m_button2, m_pageControls);

    connect(&m_loadWatcher, &QFutureWatcher<analysis::TSaveDataRec>::finished, this, &TForm1::finishLoad);
    resize(kWindowWidth, kWindowHeight);
    move(38, 130);
    Edit6Change();
}

TForm1::~TForm1() {
    m_loadWatcher.disconnect(this);
    m_loadWatcher.waitForFinished();
}

void TForm1::createTopControls() {
    m_label1 = new QLabel("Path", this);
    m_label1->setObjectName("Label1");
    m_label1->setGeometry(478, 6, 22, 13);
    m_label1->adjustSize();

    m_button1 = new QPushButton("Load File", this);
    m_button1->setObjectName("Button1");
    m_button1->setGeometry(76, 15, 93, 33);
    connect(m_button1, &QPushButton::clicked, this, &TForm1::Button1Click);

    m_edit1 = new QLineEdit(this);
    m_edit1->setObjectName("Edit1");
    m_edit1->setGeometry(247, 22, 482, 21);

    m_button2 = new QPushButton("Save Results", this);
    m_button2->setObjectName("Button2");
    m_button2->setGeometry(808, 15, 93, 33);
    connect(m_button2, &QPushButton::clicked, this, &TForm1::Button2Click);
}

QWidget* TForm1::createBasePage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet1");
    m_baseGrid = new view::ResultGrid(view::kBaseColumns, page);
    m_baseGrid->setObjectName("BaseGrid");
    const char* const names[] = {"SortByFileNameSelect", "SortByTurnSelect", "SortByScoreSelect",
                                 "SortByFinalScoreSelect"};
    void (TForm1::*const handlers[])() = {&TForm1::SortByFileNameSelectClick, &TForm1::SortByTurnSelectClick,
                                          &TForm1::SortByScoreSelectClick, &TForm1::SortByFinalScoreSelectClick};
    for (std::size_t i = 0; i < m_sortButtons.size(); ++i) {
        m_sortButtons[i] = new view::SortButton(names[i], page);
        connect(m_sortButtons[i], &QToolButton::clicked, this, handlers[i]);
    }
    // The buttons follow their columns when a column is resized or the grid scrolls sideways.
    connect(m_baseGrid->horizontalHeader(), &QHeaderView::sectionResized, this, &TForm1::placeSortButtons);
    connect(m_baseGrid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TForm1::placeSortButtons);
    return page;
}

QWidget* TForm1::createGraphPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet5");
    m_graphSelect = new QComboBox(page);
    m_graphSelect->setObjectName("GraphSelect");
    m_graphSelect->setEditable(true);
    m_graphSelect->setInsertPolicy(QComboBox::NoInsert);
    for (const char* category : kGraphCategories) m_graphSelect->addItem(category);
    m_graphSelect->setCurrentIndex(0);
    m_graphSelect->setGeometry(428, 2, 109, 21);
    m_historyChart = new view::HistoryChart(page);
    m_historyChart->setObjectName("HistoryChart");
    connect(m_graphSelect, &QComboBox::currentTextChanged, this, &TForm1::GraphSelectChange);
    return page;
}

QLineEdit* TForm1::createRuleEdit(QWidget* page, const char* name, const QRect& place, const QString& text,
                                  bool enabled) {
    auto* edit = new QLineEdit(text, page);
    edit->setObjectName(name);
    edit->setGeometry(place);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setEnabled(enabled);
    if (enabled) {
        PaintRuleEdit(edit, false);
        connect(edit, &QLineEdit::textChanged, this, &TForm1::Edit6Change);
    }
    return edit;
}

QLabel* TForm1::createRuleLabel(QWidget* page, const char* name, const QRect& place, const QString& caption) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    // Fonts differ between platforms: shrink the caption until it fits its fixed box.
    QFont captionFont = label->font();
    for (int pixels = kDesignFontPixels; pixels > kSmallestCaptionPixels; --pixels) {
        captionFont.setPixelSize(pixels);
        label->setFont(captionFont);
        const QFontMetrics metrics(captionFont);
        const QStringList words = caption.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool wordsFit = std::all_of(words.begin(), words.end(), [&](const QString& word) {
            return metrics.horizontalAdvance(word) <= place.width();
        });
        if (wordsFit && label->heightForWidth(place.width()) <= place.height() + 1) break;
    }
    return label;
}

QWidget* TForm1::createReloadsPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet7");
    for (const auto& label : kRuleLabels)
        createRuleLabel(page, label.name, label.place, QString::fromUtf8(label.caption));
    m_edit6 = createRuleEdit(page, "Edit6", QRect(264, 8, 20, 21), "27", true);
    m_edit2 = createRuleEdit(page, "Edit2", QRect(287, 8, 20, 21), "11", true);
    m_edit3 = createRuleEdit(page, "Edit3", QRect(310, 8, 32, 21), "2005", true);
    m_edit7 = createRuleEdit(page, "Edit7", QRect(584, 8, 33, 21), "1,5", true);
    m_edit8 = createRuleEdit(page, "Edit8", QRect(784, 8, 33, 21), "30", true);
    m_edit4 = createRuleEdit(page, "Edit4", QRect(264, 40, 20, 21), "1", true);
    createRuleEdit(page, "Edit5", QRect(584, 40, 33, 21), "10,0", false);
    createRuleEdit(page, "Edit9", QRect(784, 40, 33, 21), "5,0", false);

    m_ruleError = new QLabel(page);
    m_ruleError->setObjectName("RuleError");
    m_ruleError->setGeometry(8, 5, 108, 62);
    m_ruleError->setWordWrap(true);
    m_ruleError->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = m_ruleError->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    m_ruleError->setPalette(palette);

    m_reloadGrid = new view::ResultGrid(view::kReloadColumns, page);
    m_reloadGrid->setObjectName("ReloadGrid");
    return page;
}

QWidget* TForm1::createAdditionalPage() {
    auto* page = new QWidget(this);
    page->setObjectName("TabSheet2");
    m_additionalGrid = new view::ResultGrid(view::kAdditionalColumns, page);
    m_additionalGrid->setObjectName("AdditionalGrid");
    return page;
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The tab control keeps its distance to every edge of the window; the controls above it stay.
    const int rightMargin = kWindowWidth - kPageControlsPlace.right() - 1;
    const int bottomMargin = kWindowHeight - kPageControlsPlace.bottom() - 1;
    m_pageControls->setGeometry(kPageControlsPlace.left(), kPageControlsPlace.top(),
                                std::max(0, width() - kPageControlsPlace.left() - rightMargin),
                                std::max(0, height() - kPageControlsPlace.top() - bottomMargin));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == m_baseGrid->horizontalHeader())
            placeSortButtons();
        else if (auto* page = qobject_cast<QWidget*>(watched))
            layoutPage(page);
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::layoutPage(QWidget* page) {
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

void TForm1::placeSortButtons() {
    const auto* header = m_baseGrid->horizontalHeader();
    for (std::size_t i = 0; i < m_sortButtons.size(); ++i) {
        const int column = kSortColumns[i];
        const int start = header->sectionViewportPosition(column);
        const int size = header->sectionSize(column);
        const int centre = header->mapTo(m_basePage, QPoint(start + size / 2, 0)).x();
        m_sortButtons[i]->move(centre - view::SortButton::kWidth / 2, 1);
        m_sortButtons[i]->setVisible(start + size > 0 && start < header->width());
    }
}

view::FormatOptions TForm1::formatOptions() const {
    view::FormatOptions options;
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.front().unicode() < 0x80) options.decimalSeparator = point.front().toLatin1();
    return options;
}

int TForm1::graphCategory() const {
    return m_graphSelect->findText(m_graphSelect->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TForm1::Button1Click() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({"Text files (*.txt)", "All files (*)"});
    dialog.selectNameFilter("All files (*)");
    if (!m_edit1->text().isEmpty()) dialog.setDirectory(m_edit1->text());
    if (dialog.exec() == QDialog::Accepted) loadFiles(dialog.selectedFiles());
}

bool TForm1::loadFiles(const QStringList& paths) {
    if (paths.isEmpty() || isLoading()) return false;
    // The old table goes at once: a sort or a rule change during the load has nothing to act on.
    ClearList(m_shownRows);
    m_shownRows = 0;
    m_records.clear();
    m_edit1->setText(QString::fromStdString(load::FolderOf(paths.first().toStdString())));
    m_loading = true;
    m_button1->setEnabled(false);
    m_button2->setEnabled(false);

    std::vector<std::string> files;
    files.reserve(static_cast<std::size_t>(paths.size()));
    for (const auto& path : paths) files.push_back(QFile::encodeName(path).toStdString());
    m_loadPaths = paths;

    m_progress = new QProgressDialog("Reading the saves...", QString(), 0, static_cast<int>(paths.size()), this);
    m_progress->setWindowTitle(kApplicationTitle);
    m_progress->setCancelButton(nullptr);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(500);
    connect(&m_loadWatcher, &QFutureWatcher<analysis::TSaveDataRec>::progressValueChanged, m_progress,
            &QProgressDialog::setValue);
    // The results come back in the order of `files`, whichever worker finishes first.
    m_loadWatcher.setFuture(QtConcurrent::mapped(std::move(files), analysis::AnalyseFile));
    return true;
}

void TForm1::finishLoad() {
    const auto results = m_loadWatcher.future().results();
    analysis::ResultTable records(results.begin(), results.end());
    QStringList failures;
    for (qsizetype i = 0; i < m_loadPaths.size() && i < static_cast<qsizetype>(records.size()); ++i) {
        const auto& failure = records[static_cast<std::size_t>(i)].Failure;
        if (failure.empty()) continue;
        failures << QStringLiteral("%1: %2").arg(QFileInfo(m_loadPaths[i]).fileName(),
                                                 WithFullStop(QString::fromLocal8Bit(failure)));
    }
    // setValue() of a window-modal dialog processes events, so this may run inside it: the dialog
    // must outlive the call that led here.
    m_loadWatcher.disconnect(m_progress);
    m_progress->hide();
    m_progress->deleteLater();
    m_progress = nullptr;
    m_loadPaths.clear();
    m_loading = false;
    m_button1->setEnabled(true);
    m_button2->setEnabled(true);

    showRecords(std::move(records));
    if (!failures.isEmpty()) reportError(failures.join(QLatin1Char('\n')));
    Q_EMIT loadFinished();
}

void TForm1::showRecords(analysis::ResultTable records) {
    ClearList(m_shownRows);
    m_records = std::move(records);
    const int count = static_cast<int>(m_records.size());
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid}) grid->ensureRows(count);
    if (m_rules) reload::ApplyRules(m_records, *m_rules);
    for (int index = count; index < view::HistoryChart::kSeriesCount; ++index) m_historyChart->emptySeries(index);
    view::SortRecords(m_records, view::SortKey::FileName, m_directions.fileName);
    PrintData();
}

void TForm1::ClearList(int count) {
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid}) grid->clearRows(count);
}

void TForm1::PrintData() {
    for (int index = 0; index < static_cast<int>(m_records.size()); ++index) PrintRecData(index);
    m_shownRows = std::max(m_shownRows, static_cast<int>(m_records.size()));
}

void TForm1::PrintRecData(int index) {
    const auto& rec = m_records.at(static_cast<std::size_t>(index));
    const auto texts = view::RowTextsOf(rec, index + 1, formatOptions());
    m_baseGrid->setRecordRow(index, texts.base);
    // The reload grid's last column ("Penalty") is never written.
    m_reloadGrid->setRecordRow(index, std::span(texts.reload).first(view::kReloadColumnCount - 1));
    m_additionalGrid->setRecordRow(index, texts.additional);
    const QString failure = WithFullStop(QString::fromLocal8Bit(rec.Failure));
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid})
        grid->setRowFailure(index, rec.Failure.empty() ? QString() : failure);
    if (index < view::HistoryChart::kSeriesCount) DrawGraph(index);
}

void TForm1::DrawGraph(int index) {
    const int category = graphCategory();
    m_historyChart->drawRecord(index, m_records.at(static_cast<std::size_t>(index)), category);
    m_historyChart->fitAxes(category);
}

void TForm1::GraphSelectChange() {
    const int drawn = std::min(static_cast<int>(m_records.size()), view::HistoryChart::kSeriesCount);
    for (int index = 0; index < drawn; ++index) DrawGraph(index);
}

reload::RuleTexts TForm1::ruleTexts() const {
    reload::RuleTexts texts;
    texts.day = m_edit6->text().toStdString();
    texts.month = m_edit2->text().toStdString();
    texts.year = m_edit3->text().toStdString();
    texts.sessionsPerDay = m_edit7->text().toStdString();
    texts.minSessionMinutes = m_edit8->text().toStdString();
    texts.presessions = m_edit4->text().toStdString();
    return texts;
}

void TForm1::Edit6Change() {
    try {
        m_rules = reload::ParseRules(ruleTexts(), QDate::currentDate().year());
    } catch (const reload::RuleError& error) {
        // The grids keep the texts of the last valid rules; a load meanwhile leaves reload cells blank.
        m_rules.reset();
        showRuleError(error);
        return;
    }
    m_ruleError->clear();
    for (auto* edit : {m_edit6, m_edit2, m_edit3, m_edit7, m_edit8, m_edit4}) PaintRuleEdit(edit, false);
    reload::ApplyRules(m_records, *m_rules);
    PrintData();
}

void TForm1::showRuleError(const reload::RuleError& error) {
    m_ruleError->setText(WithFullStop(QString::fromStdString(error.what())));
    for (auto* edit : {m_edit6, m_edit2, m_edit3, m_edit7, m_edit8, m_edit4}) PaintRuleEdit(edit, false);
    switch (error.field()) {
        case reload::RuleField::StartDate:
            for (auto* edit : {m_edit6, m_edit2, m_edit3}) PaintRuleEdit(edit, true);
            break;
        case reload::RuleField::SessionsPerDay:
            PaintRuleEdit(m_edit7, true);
            break;
        case reload::RuleField::MinSessionMinutes:
            PaintRuleEdit(m_edit8, true);
            break;
        case reload::RuleField::Presessions:
            PaintRuleEdit(m_edit4, true);
            break;
    }
}

void TForm1::sortClick(view::SortKey key) {
    view::SortClick(m_records, m_directions, key);
    PrintData();
}

void TForm1::SortByFileNameSelectClick() { sortClick(view::SortKey::FileName); }
void TForm1::SortByTurnSelectClick() { sortClick(view::SortKey::Turn); }
void TForm1::SortByScoreSelectClick() { sortClick(view::SortKey::Score); }
void TForm1::SortByFinalScoreSelectClick() { sortClick(view::SortKey::FinalScore); }

void TForm1::Button2Click() {
    const QString folder = m_edit1->text().isEmpty() ? QDir::currentPath() : m_edit1->text();
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QDir(folder).filePath("Res.txt"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveResults(dialog.selectedFiles().first());
}

bool TForm1::saveResults(const QString& path) {
    try {
        exporting::WriteFileAtomically(QFile::encodeName(path).toStdString(),
                                       exporting::BuildResultsText(m_records, formatOptions()));
        return true;
    } catch (const exporting::ExportError& error) {
        reportError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                 WithFullStop(QString::fromLocal8Bit(error.what()))));
        return false;
    }
}

void TForm1::reportError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Critical, kApplicationTitle, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    Q_EMIT errorReported(message);
}

}  // namespace quillmere::app
