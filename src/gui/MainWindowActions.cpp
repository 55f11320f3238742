// The window's menus, keys, dialogs, outputs, drops and what it remembers between runs.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <algorithm>

#include "gui/FailureDialog.h"
#include "gui/GraphPage.h"
#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "gui/ResultGrid.h"
#include "gui/RulesPanel.h"
#include "session/LoadProblems.h"
#include "session/Messages.h"
#include "view/RowLook.h"

namespace quillmere::gui {

namespace {

struct ExportKind {
    const char* menuText;
    const session::ReportKind& kind;
};
constexpr ExportKind kExports[] = {
    {"Export &CSV...", session::kReportKinds[1]},
    {"Export &JSON...", session::kReportKinds[2]},
    {"Export &HTML...", session::kReportKinds[3]},
};

constexpr int kNoteMilliseconds = 6000;

}  // namespace

void MainWindow::createMenus() {
    auto* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Load Files..."), QKeySequence::Open, this, &MainWindow::chooseAndLoadFiles);
    file->addAction(tr("Load F&older..."), this, &MainWindow::chooseAndLoadFolder);
    file->addSeparator();
    file->addAction(tr("&Save Results..."), QKeySequence::Save, this, &MainWindow::chooseAndSaveResults);
    for (const auto& item : kExports) {
        const auto format = item.kind.format;
        file->addAction(tr(item.menuText), this, [this, format] { chooseAndExport(format); });
    }
    file->addAction(tr("Save &Graph as PNG or SVG..."), this, &MainWindow::chooseAndSaveGraph);
    file->addSeparator();
    file->addAction(tr("Open &Profile..."), this, &MainWindow::chooseAndOpenProfile);
    file->addAction(tr("Save Profile &As..."), this, &MainWindow::chooseAndSaveProfile);
    file->addAction(tr("&No Profile"), this, &MainWindow::dropProfile);
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    auto* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(tr("&Copy Rows"), QKeySequence::Copy, this, [this] {
        if (!copySelectedRows()) showNote(tr("Select the rows to copy first"), kNoteMilliseconds);
    });
    edit->addAction(tr("&Reset Rules"), this, &MainWindow::resetRules);

    auto* view = menuBar()->addMenu(tr("&View"));
    for (int tab = 0; tab < m_pages->count(); ++tab) {
        view->addAction(m_pages->tabText(tab), QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + tab)), this,
                        [this, tab] { m_pages->setCurrentIndex(tab); });
    }

    auto* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About Quillmere"), this, &MainWindow::showAbout);
}

void MainWindow::restoreSettings() {
    // Read back as typed, errors and all: a rule set that does not parse shows why.
    const auto rules = m_settings.rules();
    if (rules) m_session.setRules(*rules);
    const QString profile = m_settings.profilePath();
    if (!profile.isEmpty()) {
        try {
            // The rules last in force were typed after the profile set its own: they stay.
            const auto kept = rules ? session::ProfileRules::Keep : session::ProfileRules::Take;
            m_session.openProfile(ToFileSystem(profile), [kept](const reload::RuleTexts&) { return kept; });
            showProfileInUse(profile);
        } catch (const session::ProfileError& error) {
            // Forgotten, so that a profile that no longer opens costs one message, not one per start.
            m_settings.setProfilePath(QString());
            reportError(tr("The window starts without the tournament profile it last used, which no longer opens:\n%1")
                            .arg(WithFullStop(FromUtf8(error.what()))));
        }
    }
    m_rulesPanel->setTexts(m_session.ruleTexts());
    m_rulesPanel->showCheck(m_session.ruleCheck());
    m_graphPage->selectCategory(m_settings.graphCategory());
    const QByteArray geometry = m_settings.geometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    fitToScreen();
}

void MainWindow::showTitle() {
    const QString title = QStringLiteral("%1 (version %2)").arg(kApplicationTitle, QUILLMERE_VERSION);
    const QString profile = FromUtf8(m_session.profileName());
    setWindowTitle(profile.isEmpty() ? title : tr("%1 - profile %2").arg(title, profile));
}

void MainWindow::showNote(const QString& text, int milliseconds) {
    m_statusLabel->setText(FromUtf8(m_session.statusLine(text.toStdString())));
    m_noteTimer.start(milliseconds);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_settings.setGeometry(saveGeometry());
    m_settings.sync();
    QMainWindow::closeEvent(event);
}

void MainWindow::rememberFolder(const QString& purpose, const QString& path) {
    m_settings.setFolder(purpose, QFileInfo(path).isDir() ? path : QFileInfo(path).absolutePath());
}

QString MainWindow::startFolder(const QString& purpose) const {
    if (!m_pathEdit->text().isEmpty() && purpose != "load") return m_pathEdit->text();
    const QString remembered = m_settings.folder(purpose);
    if (!remembered.isEmpty()) return remembered;
    return m_pathEdit->text().isEmpty() ? QDir::currentPath() : m_pathEdit->text();
}

void MainWindow::chooseAndLoadFiles() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({"Saves (*.sav)", "Text files (*.txt)", "All files (*)"});
    dialog.selectNameFilter("All files (*)");
    dialog.setDirectory(startFolder("load"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    rememberFolder("load", dialog.selectedFiles().first());
    loadPaths(dialog.selectedFiles());
}

void MainWindow::chooseAndLoadFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Load Folder"), startFolder("load"));
    if (folder.isEmpty()) return;
    rememberFolder("load", folder);
    loadPaths({folder});
}

bool MainWindow::loadPaths(const QStringList& paths) {
    std::vector<std::string> given;
    given.reserve(static_cast<std::size_t>(paths.size()));
    for (const auto& path : paths) given.push_back(ToFileSystem(path));
    return loadPaths(given);
}

bool MainWindow::loadPaths(const std::vector<std::string>& paths) {
    if (paths.empty() || isLoading()) return false;
    auto load = session::BackgroundLoad::expanding(paths, false, 0);
    if (load->files().empty()) {
        QStringList skipped;
        for (const auto& line : session::PassedOverLines(load->passedOver())) skipped << FromUtf8(line);
        if (skipped.isEmpty()) {
            reportError(
                tr("Nothing to load: no files in %1.").arg(QDir::toNativeSeparators(FromFileSystem(paths.front()))));
        } else {
            reportFailures(tr("Nothing to load: %n entries passed over", nullptr, static_cast<int>(skipped.size())),
                           skipped);
        }
        return false;
    }
    startLoad(std::move(load));
    return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const auto urls = event->mimeData()->urls();
    const bool files =
        !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    if (files && !isLoading()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const auto& url : event->mimeData()->urls()) paths << url.toLocalFile();
    if (loadPaths(paths)) event->acceptProposedAction();
}

void MainWindow::chooseAndSaveResults() {
    // Refused before any dialog: nothing the referee picks there could be saved.
    if (!reportable()) return;
    const auto left = m_session.countOf(analysis::SaveStatus::NotLoaded);
    if (left > 0 &&
        ask(FromUtf8(session::BlankRowsQuestion(left)), QMessageBox::Save | QMessageBox::Cancel) != QMessageBox::Save)
        return;
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    dialog.selectFile(QDir(startFolder("save")).filePath(FromUtf8(session::kReportKinds[0].fileName)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    rememberFolder("save", dialog.selectedFiles().first());
    saveResults(dialog.selectedFiles().first());
}

void MainWindow::chooseAndExport(session::ReportFormat format) {
    if (!reportable()) return;
    const auto& kind = session::kReportKinds[static_cast<std::size_t>(format)];
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export"), QDir(startFolder("export")).filePath(FromUtf8(kind.fileName)), FromUtf8(kind.fileFilter));
    if (path.isEmpty()) return;
    rememberFolder("export", path);
    exportReport(format, path);
}

void MainWindow::chooseAndSaveGraph() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save Graph"), QDir(startFolder("export")).filePath("Graph.png"),
                                     tr("PNG images (*.png);;SVG drawings (*.svg)"));
    if (path.isEmpty()) return;
    rememberFolder("export", path);
    if (!m_graphPage->saveImage(path)) reportError(tr("%1: the graph could not be written.").arg(path));
}

void MainWindow::resetRules() {
    const reload::RuleTexts defaults;
    m_rulesPanel->setTexts(defaults);
    onRulesEdited(defaults);
}

void MainWindow::showAbout() {
    QMessageBox::about(this, tr("About Quillmere"),
                       tr("<b>Quillmere %1</b><p>Reads the save files of a strategy game tournament and judges every "
                          "player's game.</p><p>Free software under the MIT licence.</p>")
                           .arg(QUILLMERE_VERSION));
}

void MainWindow::showStatus() {
    QStringList off;
    for (const auto& note : m_session.checksOff()) off << FromUtf8(note);
    m_checksOffLabel->setText(off.join(QStringLiteral("; ")));
    if (isLoading() || m_noteTimer.isActive()) return;
    m_statusLabel->setText(FromUtf8(m_session.statusLine()));
}

void MainWindow::onSelectionChanged(ResultGrid* grid) {
    m_graphPage->plotRows(grid->selectedRecords());
    if (m_pages->currentWidget() == m_graphPage) m_graphPage->drawIfStale();
}

void MainWindow::chooseAndOpenProfile() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Profile"), startFolder("profile"),
                                                      tr("Tournament profiles (*.json);;All files (*)"));
    if (path.isEmpty()) return;
    rememberFolder("profile", path);
    openProfile(path);
}

void MainWindow::chooseAndSaveProfile() {
    const QString name = m_session.profile() && !m_session.profile()->name.empty()
                             ? QString::fromStdString(m_session.profile()->name) + ".json"
                             : QStringLiteral("profile.json");
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Profile"), QDir(startFolder("profile")).filePath(name), tr("Tournament profiles (*.json)"));
    if (path.isEmpty()) return;
    rememberFolder("profile", path);
    saveProfile(path);
}

bool MainWindow::openProfile(const QString& path) {
    const auto choose = [this](const reload::RuleTexts& theirs) -> std::optional<session::ProfileRules> {
        const auto answer =
            ask(FromUtf8(session::ProfileRulesQuestion(reload::RuleChanges(m_session.ruleTexts(), theirs))),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel) return std::nullopt;
        return answer == QMessageBox::No ? session::ProfileRules::Keep : session::ProfileRules::Take;
    };
    try {
        if (!m_session.openProfile(ToFileSystem(path), choose)) return false;
    } catch (const session::ProfileError& error) {
        reportError(WithFullStop(FromUtf8(error.what())));
        return false;
    }
    showProfileInUse(path);
    showNote(tr("Profile %1 in use").arg(FromUtf8(m_session.profileName())), kNoteMilliseconds);
    return true;
}

void MainWindow::showProfileInUse(const QString& path) {
    m_rulesPanel->setTexts(m_session.ruleTexts());
    m_rulesPanel->showCheck(m_session.ruleCheck());
    m_settings.setProfilePath(path);
    m_settings.setRules(m_session.ruleTexts());
    showTitle();
    m_rows.invalidate();
    showRows(false);
    m_flagsGrid->fitColumns(kFlagsColumn);
}

void MainWindow::dropProfile() {
    m_session.setProfile(std::nullopt, session::ProfileRules::Keep);
    m_settings.setProfilePath({});
    showTitle();
    m_rows.invalidate();
    showRows(false);
    showNote(tr("No profile in use"), kNoteMilliseconds);
}

bool MainWindow::saveProfile(const QString& path) {
    try {
        m_session.saveProfile(ToFileSystem(path));
        m_settings.setProfilePath(path);
    } catch (const exporting::ExportError& error) {
        reportWriteError(path, error);
        return false;
    }
    showTitle();
    return true;
}

void MainWindow::onRulesEdited(const reload::RuleTexts& texts) {
    m_noteTimer.stop();  // what the new rules leave unchecked replaces an older note
    m_rulesPanel->showCheck(m_session.setRules(texts));
    m_settings.setRules(texts);
    m_rows.invalidate();
    showRows(false);
    m_fitAfterEdits.start();
}

void MainWindow::onSortClicked(view::SortKey key) {
    m_session.sortBy(key);
    showSortedRows();
}

void MainWindow::onHeaderClicked(view::Grid grid, int column) {
    m_session.headerClick(grid, column);
    showSortedRows();
}

void MainWindow::showSortedRows() {
    m_rows.invalidate();
    // The selection named rows, which now hold other saves.
    for (auto* grid : {m_baseGrid, m_reloadGrid, m_additionalGrid, m_flagsGrid}) grid->clearSelection();
    m_graphPage->plotRows({});
    showRows(true);
}

ResultGrid* MainWindow::gridInView() const {
    if (m_pages->currentWidget() == m_reloadsPage) return m_reloadGrid;
    if (m_pages->currentWidget() == m_additionalPage) return m_additionalGrid;
    if (m_pages->currentWidget() == m_flagsPage) return m_flagsGrid;
    return m_baseGrid;
}

bool MainWindow::copySelectedRows() {
    const auto rows = gridInView()->selectedRecords();
    if (rows.empty()) return false;
    QApplication::clipboard()->setText(
        FromUtf8(view::TabSeparatedRows(m_session.records(), rows, m_rows.formatOptions())));
    // The status line goes on to say which checks are off.
    QString note = tr("%n rows copied", nullptr, static_cast<int>(rows.size()));
    if (!m_session.rulesValid()) note += tr(", verdicts blank");
    showNote(note, kNoteMilliseconds);
    return true;
}

bool MainWindow::saveResults(const QString& path) { return exportReport(session::ReportFormat::Results, path); }

bool MainWindow::exportReport(session::ReportFormat format, const QString& path) {
    if (!reportable()) return false;
    // The results file holds Windows-1251 texts and the locale's decimal separator.
    view::FormatOptions options = m_rows.formatOptions();
    options.encoding = view::TextEncoding::Windows1251;
    exporting::LostCharacters lost;
    try {
        lost = m_session.saveReport(format, options, ToFileSystem(path));
    } catch (const exporting::ExportError& error) {
        reportWriteError(path, error);
        return false;
    }
    showNote(FromUtf8(session::SavedRowsNote(m_session.size(), QDir::toNativeSeparators(path).toStdString(), lost)),
             kNoteMilliseconds);
    return true;
}

bool MainWindow::reportable() {
    try {
        m_session.requireValidRules();
        return true;
    } catch (const session::RulesInvalid& error) {
        reportError(FromUtf8(session::ResultsNotSavedMessage(error.what())));
    }
    return false;
}

void MainWindow::reportWriteError(const QString& path, const std::exception& error) {
    reportError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                             WithFullStop(QString::fromLocal8Bit(error.what()))));
}

void MainWindow::reportError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Critical, kApplicationTitle, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    Q_EMIT errorReported(message);
}

void MainWindow::reportFailures(const QString& heading, const QStringList& lines) {
    (new FailureDialog(heading, lines, this))->open();
    Q_EMIT errorReported(lines.join(QLatin1Char('\n')));
}

QMessageBox::StandardButton MainWindow::ask(const QString& question, QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::Question, kApplicationTitle, question, buttons, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace quillmere::gui
