#include "gui/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <ctime>

#include "gui/FailureDialog.h"
#include "gui/FirstScreen.h"
#include "gui/GraphPage.h"
#include "gui/LoadRunner.h"
#include "gui/QtText.h"
#include "gui/ResultGrid.h"
#include "gui/ResultPages.h"
#include "gui/ResultsOutput.h"
#include "gui/RulesPanel.h"
#include "gui/ScreenFit.h"
#include "gui/SeasonPage.h"
#include "gui/StatusLine.h"
#include "gui/SubmitRunner.h"
#include "gui/TopControls.h"
#include "gui/WindowMenus.h"
#include "load/SaveFile.h"
#include "session/LoadProblems.h"
#include "session/Messages.h"
#include "tournament/Referee.h"
#include "tournament/SeasonMessages.h"
#include "tournament/StandingsReport.h"
#include "view/CellTexts.h"

namespace quillmere::gui {

namespace {

constexpr int kClientWidth = 985;
constexpr int kClientHeight = 558;
constexpr QSize kSmallestClient(640, 360);
constexpr int kDesignFontPixels = 11;
// The window's own calls on the archive run on the user-interface thread: they wait less for
// another program than a batch does on its thread.
constexpr std::chrono::milliseconds kWindowBusyTimeout{2000};

std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }

QString archiveMessage(const tournament::ArchiveError& error) { return FromUtf8(view::WithFullStop(error.what())); }

char localeDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.front().unicode() < 0x80 ? point.front().toLatin1() : '.';
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<QSettings> settings, QWidget* parent)
    : QMainWindow(parent),
      m_settings(std::move(settings)),
      m_files(m_settings, this, [this] { return m_top->path(); }) {
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
    m_top = new TopControls(m_client);
    connect(m_top, &TopControls::loadClicked, this, &MainWindow::chooseAndLoadFiles);
    connect(m_top, &TopControls::saveClicked, this, &MainWindow::chooseAndSaveResults);
    connect(m_top, &TopControls::pathEntered, this, [this](const QString& path) { loadPaths(QStringList{path}); });
    m_pages = new ResultPages(m_session, m_rows, m_client);
    connect(m_pages, &ResultPages::sortClicked, this, &MainWindow::onSortClicked);
    connect(m_pages, &ResultPages::headerClicked, this, &MainWindow::onHeaderClicked);
    connect(m_pages->rules(), &RulesPanel::rulesEdited, this, &MainWindow::onRulesEdited);
    connect(m_pages->graph(), &GraphPage::categoryChanged, this,
            [this](const QString& name) { m_settings.setGraphCategory(name); });
    m_client->installEventFilter(this);
    m_firstScreen = m_pages->firstScreen();
    connect(m_firstScreen, &FirstScreen::loadClicked, this, &MainWindow::chooseAndLoadFiles);
    connect(m_firstScreen, &FirstScreen::profileClicked, this, &MainWindow::chooseAndOpenProfile);
    connect(m_firstScreen, &FirstScreen::exampleClicked, this, &MainWindow::tryExample);
    const std::string programFolder = ToFileSystem(QCoreApplication::applicationDirPath());
    m_example = session::FindExampleTournament(programFolder, QUILLMERE_DATA_DIR);
    m_firstScreen->offerExample(m_example.has_value(),
                                FromUtf8(session::NoExampleText(programFolder, QUILLMERE_DATA_DIR)));

    m_top->chainTabOrder(m_pages);

    m_status = new StatusLine(m_session, this);
    statusBar()->addWidget(m_status, 1);
    CreateWindowMenus(*this, *m_pages);

    m_output = new ResultsOutput(m_session, m_rows, this);
    connect(m_output, &ResultsOutput::noted, m_status, &StatusLine::showNote);
    connect(m_output, &ResultsOutput::failed, this, &MainWindow::reportError);
    m_loads = new LoadRunner(this);
    connect(m_loads, &LoadRunner::arrived, this, &MainWindow::showArrivedRows);
    connect(m_loads, &LoadRunner::finished, this, &MainWindow::finishLoad);
    m_submits = new SubmitRunner(this);
    connect(m_submits, &SubmitRunner::finished, this, &MainWindow::finishSubmit);
    // Shown as a tab only while a tournament is open.
    m_seasonPage = new SeasonPage(m_pages);
    m_seasonPage->hide();
    connect(m_seasonPage, &SeasonPage::roundChosen, this, [this] { showChosenRound(); });
    connect(m_seasonPage, &SeasonPage::addClicked, this, &MainWindow::addLoadedToRound);
    connect(m_seasonPage, &SeasonPage::rulingAsked, this, &MainWindow::askRuling);

    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    move(38, 130);
    restoreSettings();
    showStatus();
    showTournamentCommands();
    showFirstScreen();
}

// The load runner, a child, hides its dialog and cancels a running load as the children go.
MainWindow::~MainWindow() = default;

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_client) layoutClient();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::layoutClient() {
    // The tab control keeps its distance to every edge; the controls above it keep their places
    // while they fit, and move in from the right when the window is narrower than they were drawn.
    const QRect drawn = ResultPages::kDesignPlace;
    const int width = m_client->width();
    const int rightMargin = kClientWidth - drawn.right() - 1;
    const int bottomMargin = kClientHeight - drawn.bottom() - 1;
    m_pages->setGeometry(drawn.left(), drawn.top(), std::max(0, width - drawn.left() - rightMargin),
                         std::max(0, m_client->height() - drawn.top() - bottomMargin));
    m_top->place(width);
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
                            .arg(FromUtf8(view::WithFullStop(error.what()))));
        }
    }
    m_pages->rules()->setTexts(m_session.ruleTexts());
    m_pages->rules()->showCheck(m_session.ruleCheck());
    m_pages->graph()->selectCategory(m_settings.graphCategory());
    const QByteArray geometry = m_settings.geometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    FitToScreen(*this, kSmallestClient);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_settings.setGeometry(saveGeometry());
    m_settings.sync();
    QMainWindow::closeEvent(event);
}

void MainWindow::showTitle() {
    const QString title = QStringLiteral("%1 (version %2)").arg(kApplicationTitle, QUILLMERE_VERSION);
    const QString profile = FromUtf8(m_session.profileName());
    QString shown = profile.isEmpty() ? title : tr("%1 - profile %2").arg(title, profile);
    if (m_archive) shown = tr("%1 - tournament %2").arg(shown, FromUtf8(m_archive->tournamentName()));
    setWindowTitle(shown);
}

void MainWindow::showStatus() {
    m_pages->showChecksOff();
    m_status->showSummary();
}

int MainWindow::graphCategory() const { return m_pages->graph()->category(); }

bool MainWindow::isLoading() const { return m_loads->isRunning(); }

void MainWindow::setProgressDelay(int milliseconds) { m_loads->setProgressDelay(milliseconds); }

bool MainWindow::loadFiles(const std::vector<std::string>& paths) {
    if (paths.empty() || isLoading()) return false;
    startLoad(std::make_unique<session::BackgroundLoad>(paths, 0));
    return true;
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

void MainWindow::cancelLoad() { m_loads->cancel(); }

void MainWindow::startLoad(std::unique_ptr<session::BackgroundLoad> load) {
    // The old table stays until the first save of this load is read (showArrivedRows).
    const auto files = static_cast<int>(load->files().size());
    m_top->setPath(FromFileSystem(load::FolderOf(load->files().front())));
    m_top->setLoading(true);
    m_loads->start(std::move(load));
    showFirstScreen();
    showTournamentCommands();
    m_status->showLoad(tr("Reading %n saves...", nullptr, files));
}

void MainWindow::showArrivedRows(session::BackgroundLoad& load) {
    const bool first = !m_session.showsArrivals();
    if (!m_session.adoptArrived(load)) return;
    if (first) {
        m_rows.clearShown();
        m_pages->graph()->forgetSaves();
    } else {
        m_rows.invalidate();
    }
    showRows(first);
}

void MainWindow::finishLoad(session::BackgroundLoad& load) {
    if (!m_session.showsArrivals()) m_rows.clearShown();  // no row of this load was shown yet
    m_lastLoad = m_session.adopt(load);
    m_top->setLoading(false);
    showTournamentCommands();
    m_status->endLoad();
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
    m_pages->graph()->forgetSaves();  // the same paths may hold other saves now
    showRows(true);
    m_pages->fitColumns();
    showTournamentCommands();
}

void MainWindow::showRows(bool graphData) {
    m_pages->showRows(graphData);
    showStatus();
    showFirstScreen();
}

void MainWindow::showFirstScreen() { m_pages->showFirstScreen(m_session.records().empty() && !isLoading()); }

bool MainWindow::tryExample() {
    if (!m_example || isLoading()) return false;
    if (!openProfile(FromFileSystem(m_example->profile))) return false;
    return loadFiles(m_example->saves);
}

void MainWindow::onRulesEdited(const reload::RuleTexts& texts) {
    m_status->dropNote();  // what the new rules leave unchecked replaces an older note
    m_pages->rules()->showCheck(m_session.setRules(texts));
    m_settings.setRules(texts);
    m_rows.invalidate();
    showRows(false);
    m_pages->fitJudgedColumnsSoon();
}

void MainWindow::resetRules() {
    const reload::RuleTexts defaults;
    m_pages->rules()->setTexts(defaults);
    onRulesEdited(defaults);
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
    m_pages->clearSelections();
    m_pages->graph()->plotRows({});
    showRows(true);
}

void MainWindow::chooseAndLoadFiles() {
    const QStringList paths = m_files.savesToLoad();
    if (!paths.isEmpty()) loadPaths(paths);
}

void MainWindow::chooseAndLoadFolder() {
    const QString folder = m_files.folderToLoad();
    if (!folder.isEmpty()) loadPaths(QStringList{folder});
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
    if (!m_output->reportable()) return;
    const auto left = m_session.countOf(analysis::SaveStatus::NotLoaded);
    if (left > 0 &&
        ask(FromUtf8(session::BlankRowsQuestion(left)), QMessageBox::Save | QMessageBox::Cancel) != QMessageBox::Save)
        return;
    const QString path = m_files.resultsFile();
    if (!path.isEmpty()) saveResults(path);
}

void MainWindow::chooseAndExport(session::ReportFormat format) {
    if (!m_output->reportable()) return;
    const QString path = m_files.exportFile(session::KindOf(format));
    if (!path.isEmpty()) exportReport(format, path);
}

void MainWindow::chooseAndSaveGraph() {
    const QString path = m_files.graphImage();
    if (!path.isEmpty() && !m_pages->graph()->saveImage(path))
        reportError(tr("%1: the graph could not be written.").arg(path));
}

bool MainWindow::saveResults(const QString& path) { return exportReport(session::ReportFormat::Results, path); }

bool MainWindow::exportReport(session::ReportFormat format, const QString& path) {
    return m_output->save(format, path);
}

void MainWindow::copyRows() {
    if (!copySelectedRows()) m_status->showNote(tr("Select the rows to copy first"));
}

bool MainWindow::copySelectedRows() { return m_output->copy(m_pages->gridInView()->selectedRecords()); }

void MainWindow::chooseAndOpenProfile() {
    const QString path = m_files.profileToOpen();
    if (!path.isEmpty()) openProfile(path);
}

void MainWindow::chooseAndSaveProfile() {
    const QString name = m_session.profile() && !m_session.profile()->name.empty()
                             ? QString::fromStdString(m_session.profile()->name) + ".json"
                             : QStringLiteral("profile.json");
    const QString path = m_files.profileToSave(name);
    if (!path.isEmpty()) saveProfile(path);
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
        reportError(FromUtf8(view::WithFullStop(error.what())));
        return false;
    }
    showProfileInUse(path);
    m_status->showNote(tr("Profile %1 in use").arg(FromUtf8(m_session.profileName())));
    return true;
}

void MainWindow::showProfileInUse(const QString& path) {
    m_pages->rules()->setTexts(m_session.ruleTexts());
    m_pages->rules()->showCheck(m_session.ruleCheck());
    m_settings.setProfilePath(path);
    m_settings.setRules(m_session.ruleTexts());
    showTitle();
    m_rows.invalidate();
    showRows(false);
    m_pages->fitFlagsColumn();
}

void MainWindow::dropProfile() {
    m_session.setProfile(std::nullopt, session::ProfileRules::Keep);
    m_settings.setProfilePath({});
    showTitle();
    m_rows.invalidate();
    showRows(false);
    m_status->showNote(tr("No profile in use"));
}

bool MainWindow::saveProfile(const QString& path) {
    try {
        m_session.saveProfile(ToFileSystem(path));
        m_settings.setProfilePath(path);
    } catch (const exporting::ExportError& error) {
        reportError(ResultsOutput::writeError(path, error));
        return false;
    }
    showTitle();
    return true;
}

void MainWindow::showAbout() {
    QMessageBox::about(this, tr("About Quillmere"),
                       tr("<b>Quillmere %1</b><p>Reads the save files of a strategy game tournament and judges every "
                          "player's game.</p><p>Free software under the MIT licence.</p>")
                           .arg(QUILLMERE_VERSION));
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

void MainWindow::chooseAndNewTournament() {
    const QString path = m_files.tournamentToCreate();
    if (path.isEmpty()) return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, kApplicationTitle, tr("The tournament's name:"), QLineEdit::Normal,
                                               QFileInfo(path).completeBaseName(), &ok);
    if (ok) newTournament(path, name);
}

void MainWindow::chooseAndOpenTournament() {
    const QString path = m_files.tournamentToOpen();
    if (!path.isEmpty()) openTournament(path);
}

bool MainWindow::newTournament(const QString& path, const QString& name) {
    if (isAdding()) return false;
    try {
        useTournament(tournament::Archive::Create(ToFileSystem(path), name.toStdString(), tournament::Scoring{}, now(),
                                                  kWindowBusyTimeout),
                      false);
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
        return false;
    }
    m_status->showNote(tr("Tournament %1 made: add its first round").arg(name));
    return true;
}

bool MainWindow::openTournament(const QString& path) {
    if (isAdding()) return false;
    const std::string file = ToFileSystem(path);
    try {
        try {
            useTournament(tournament::Archive::Open(file, tournament::OpenMode::ReadWrite, kWindowBusyTimeout), false);
        } catch (const tournament::ArchiveError& error) {
            // A file the referee may only read still shows its season.
            if (error.problem() != tournament::ArchiveProblem::ReadOnly) throw;
            useTournament(tournament::Archive::Open(file, tournament::OpenMode::ReadOnly, kWindowBusyTimeout), true);
        }
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
        return false;
    }
    m_status->showNote(m_archiveReadOnly
                           ? tr("Tournament %1 open for reading only").arg(FromUtf8(m_archive->tournamentName()))
                           : tr("Tournament %1 open").arg(FromUtf8(m_archive->tournamentName())));
    return true;
}

void MainWindow::useTournament(tournament::Archive archive, bool readOnly) {
    // Read before anything changes: an archive whose season cannot be read is not taken.
    const auto season = archive.seasonTable();
    m_archive.emplace(std::move(archive));
    m_archiveReadOnly = readOnly;
    if (m_pages->indexOf(m_seasonPage) < 0) m_pages->addTab(m_seasonPage, tr("Standings"));
    m_seasonPage->showSeason(season);
    showChosenRound();
    const auto flagged = tournament::FlaggedGrid(season);
    m_pages->showSeasonFlags(&flagged);
    showTitle();
    showTournamentCommands();
}

bool MainWindow::closeTournament() {
    if (isAdding()) return false;
    if (!m_archive) return true;
    m_pages->removeTab(m_pages->indexOf(m_seasonPage));
    m_seasonPage->hide();
    m_pages->showSeasonFlags(nullptr);
    m_archive.reset();
    showTitle();
    showTournamentCommands();
    return true;
}

void MainWindow::showSeason() {
    if (!m_archive) return;
    try {
        const auto season = m_archive->seasonTable();
        m_seasonPage->showSeason(season);
        const auto flagged = tournament::FlaggedGrid(season);
        m_pages->showSeasonFlags(&flagged);
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
        return;
    }
    showChosenRound();
}

void MainWindow::showChosenRound() {
    const auto round = m_seasonPage->chosenRound();
    if (!m_archive || !round) return;
    try {
        m_seasonPage->showRound(m_archive->roundTable(*round));
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
    }
}

void MainWindow::chooseRound(int number) { m_seasonPage->chooseRound(number); }

void MainWindow::chooseAndAddRound() {
    if (!m_archive) return;
    bool ok = false;
    const QString title = QInputDialog::getText(
        this, kApplicationTitle, FromUtf8(tournament::NewRoundQuestion(m_archive->rounds(), m_session.profileName())),
        QLineEdit::Normal, {}, &ok);
    if (ok) addRound(title);
}

bool MainWindow::addRound(const QString& title) {
    if (!m_archive) return false;
    try {
        const auto round =
            tournament::NextRound(m_archive->rounds(), title.toStdString(),
                                  m_session.profileInForce(title.toStdString()), m_session.profileName());
        m_archive->addRound(round);
        showSeason();
        m_seasonPage->chooseRound(round.number);
        m_status->showNote(tr("Round %1 added").arg(round.number));
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
        return false;
    }
    return true;
}

bool MainWindow::isAdding() const { return m_submits->isRunning(); }

void MainWindow::setAddProgressDelay(int milliseconds) { m_submits->setProgressDelay(milliseconds); }

void MainWindow::addLoadedToRound() {
    if (const auto round = m_seasonPage->chosenRound()) addToRound(*round);
}

void MainWindow::addLoadedToRoundAs() {
    const auto round = m_seasonPage->chosenRound();
    if (!m_archive || !round) return;
    QStringList names;
    try {
        for (const auto& player : m_archive->players()) names << FromUtf8(player.name);
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
        return;
    }
    bool ok = false;
    const QString player = QInputDialog::getItem(this, kApplicationTitle,
                                                 FromUtf8(tournament::AsPlayerQuestion(*round)), names, 0, true, &ok)
                               .trimmed();
    if (ok && !player.isEmpty()) addToRound(*round, std::nullopt, true, player);
}

bool MainWindow::addToRound(int round, std::optional<std::int64_t> receivedAt, bool registerPlayers,
                            const std::optional<QString>& player) {
    if (!m_archive || isAdding() || isLoading() || m_session.size() == 0) return false;
    std::vector<std::string> paths;
    for (const auto& record : m_session.records()) paths.push_back(record.path);
    tournament::SubmitOptions options;
    options.round = round;
    options.registerPlayers = registerPlayers;
    if (player) options.player = player->toStdString();
    options.receivedAt = receivedAt.value_or(now());
    options.by = tournament::LoginName();
    m_submits->start(
        std::make_unique<tournament::BackgroundSubmit>(m_archive->path(), std::move(paths), options, m_archiveWait));
    m_status->showLoad(FromUtf8(tournament::AddingText(0, m_session.size(), round)));
    showTournamentCommands();
    return true;
}

void MainWindow::finishSubmit(const tournament::BackgroundSubmit& submit) {
    m_status->endLoad();
    showTournamentCommands();
    const int round = submit.round();
    if (submit.error()) {
        reportError(archiveMessage(*submit.error()));
    } else if (const auto& summary = *submit.summary(); !summary.committed) {
        if (const auto registering = tellPlayers(tournament::UnknownNames(summary))) {
            // The same saves again, each received when it first was.
            QTimer::singleShot(0, this, [this, round, received = submit.receivedAt(), registering] {
                addToRound(round, received, *registering);
            });
            Q_EMIT submitFinished();
            return;
        }
        QStringList lines;
        for (const auto& outcome : summary.outcomes)
            if (outcome.result == tournament::SubmitResult::Refused)
                lines << FromUtf8(tournament::RefusedLine(outcome));
        reportFailures(FromUtf8(tournament::RefusedSummary(summary)), lines);
    } else {
        showSeason();
        m_seasonPage->chooseRound(round);
        m_status->showNote(FromUtf8(tournament::AddedSummary(summary, round)));
        QStringList kept;
        for (const auto& outcome : summary.outcomes)
            if (outcome.result == tournament::SubmitResult::Added && !outcome.failure.empty())
                kept << FromUtf8(tournament::KeptFailureLine(outcome));
        if (!kept.isEmpty()) reportFailures(FromUtf8(tournament::AddedSummary(summary, round)), kept);
    }
    Q_EMIT submitFinished();
}

std::optional<bool> MainWindow::tellPlayers(const std::vector<std::string>& names) {
    if (names.empty() || !m_archive) return std::nullopt;
    bool registering = false;
    for (const auto& name : names) {
        try {
            const auto players = m_archive->players();
            const auto choice = tournament::WhoPlaysAs(name, players);
            QStringList items;
            for (const auto& text : choice.choices) items << FromUtf8(text);
            bool ok = false;
            const QString chosen =
                QInputDialog::getItem(this, kApplicationTitle, FromUtf8(choice.question), items, 0, false, &ok);
            if (!ok) return std::nullopt;
            const auto index = static_cast<std::size_t>(std::max<qsizetype>(0, items.indexOf(chosen)));
            if (index == 0) {
                registering = true;
            } else {
                m_archive->addPlaysAs(players[index - 1].name, name);
            }
        } catch (const tournament::ArchiveError& error) {
            reportError(archiveMessage(error));
            return std::nullopt;
        }
    }
    return registering;
}

void MainWindow::askRuling(std::int64_t submission, tournament::RulingState state) {
    bool ok = false;
    const QString reason = QInputDialog::getText(
        this, kApplicationTitle, FromUtf8(tournament::RulingQuestion(submission, state)), QLineEdit::Normal, {}, &ok);
    if (ok) rule(submission, state, reason);
}

bool MainWindow::rule(std::int64_t submission, tournament::RulingState state, const QString& reason) {
    if (!m_archive) return false;
    try {
        m_archive->rule(submission, state, reason.toStdString(), tournament::LoginName(), now());
    } catch (const tournament::ArchiveError& error) {
        reportError(archiveMessage(error));
        return false;
    }
    showSeason();
    m_status->showNote(FromUtf8(tournament::RuledLine(submission, state, reason.toStdString())));
    return true;
}

void MainWindow::showTournamentCommands() {
    const bool open = m_archive.has_value();
    const bool writable = open && !m_archiveReadOnly;
    const bool idle = !isAdding() && !isLoading();
    const bool canAdd = writable && idle && m_session.size() > 0 && m_seasonPage->chosenRound().has_value();
    const std::pair<const char*, bool> states[] = {
        {"NewTournament", idle},        {"OpenTournament", idle},     {"CloseTournament", open && idle},
        {"NewRound", writable && idle}, {"AddToRoundAction", canAdd}, {"AddToRoundAsPlayer", canAdd},
    };
    for (const auto& [name, enabled] : states)
        if (auto* action = findChild<QAction*>(name)) action->setEnabled(enabled);
    m_seasonPage->setAddEnabled(canAdd);
}

}  // namespace quillmere::gui
