#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/ApplicationTitle.h"
#include "gui/FileChooser.h"
#include "gui/ResultRows.h"
#include "gui/WindowSettings.h"
#include "session/BackgroundLoad.h"
#include "session/ExampleTournament.h"
#include "session/Session.h"
#include "tournament/Archive.h"

namespace quillmere::tournament {
class BackgroundSubmit;
}

namespace quillmere::gui {

class FirstScreen;
class LoadRunner;
class ResultPages;
class ResultsOutput;
class SeasonPage;
class StatusLine;
class SubmitRunner;
class TopControls;

// The one window: three result grids, the history graph, the reload rules, and the commands that
// load saves, sort the rows and save or export the results. What the referee works on lives in the
// session; the window turns each user action into one call of it and shows the outcome.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Remembers its rules, folders, geometry and graph category in `settings` (the user's own
    // settings of the program when null).
    explicit MainWindow(std::unique_ptr<QSettings> settings = nullptr, QWidget* parent = nullptr);
    // A load still running is cancelled; the files in progress end first.
    ~MainWindow() override;

    // Loads `paths` (as the file system names them) as Load File does after its dialog: the files are
    // read off the user-interface thread, the rows of the previous load stay until the first save is
    // read and are blanked then, the rows fill in as saves finish, and loadFinished() comes when the
    // whole table is shown. Returns false, doing nothing, when `paths` is
    // empty or a load is still running.
    bool loadFiles(const std::vector<std::string>& paths);
    // The same for paths as given (command line, dialog, drop), where a folder stands for the regular
    // files in it; what is passed over is named in the failure list after the load (or at once when
    // nothing is left to load).
    bool loadPaths(const QStringList& paths);
    bool loadPaths(const std::vector<std::string>& paths);
    // Runs `load` (which has files to read) as loadFiles() runs its own: a load made elsewhere, with an
    // analysis of its own. The old rows stay until its first save is read; from then on its rows
    // fill in as saves finish, in the order they will have. Requires !isLoading().
    void startLoad(std::unique_ptr<session::BackgroundLoad> load);
    // Cancels a running load: the files finished so far keep their rows, the rest show "not loaded".
    void cancelLoad();
    // True from loadFiles() until its rows are shown.
    [[nodiscard]] bool isLoading() const;

    // What the last load that ran to its end brought in.
    [[nodiscard]] const session::LoadSummary& lastLoad() const { return m_lastLoad; }

    // Replaces the table with the records of a finished load (in the order of its paths) and shows
    // them: judged under the current rules and sorted by file name.
    session::LoadSummary showLoadedRecords(analysis::ResultTable records);

    // Writes the results file (or another format) to `path`, replacing it, and says so in the status
    // bar. On failure (or while a rule is invalid) an existing file is untouched, the error box says
    // why and false is returned.
    bool saveResults(const QString& path);
    bool exportReport(session::ReportFormat format, const QString& path);
    // Puts the selected rows of the grid in view on the clipboard as tab-separated text with a
    // header; false when no row is selected.
    bool copySelectedRows();
    // Opens a tournament profile: every save is checked against it, and its rules go into the rule
    // boxes (when they differ from the rules in force, after asking; the answer may keep the typed
    // ones). On an error the box names the field and the problem, nothing changes, and false is
    // returned; so it is when the question is cancelled.
    bool openProfile(const QString& path);
    // Stops checking saves against a profile; the rules in force stay.
    void dropProfile();
    // Writes the profile open now, with the rules in the boxes, to `path`.
    bool saveProfile(const QString& path);

    // Makes the tournament archive `path` (which must not exist) named `name`, scored by the sum of
    // Final scores, and opens it. On an error the box names the file and the problem and false is
    // returned; the tournament open before stays open then.
    bool newTournament(const QString& path, const QString& name);
    // Opens the tournament archive at `path`: the Standings tab shows its season, the Flags tab the
    // flags across rounds. A file that cannot be written opens for reading only. On an error the box
    // names the file and the problem, the tournament open before stays open, and false is returned.
    bool openTournament(const QString& path);
    // Closes the tournament: the window is as it is without one. Refused (false) while saves are
    // being added to a round.
    bool closeTournament();
    // The tournament open now, if any.
    [[nodiscard]] const tournament::Archive* tournament() const { return m_archive ? &*m_archive : nullptr; }
    // Adds the next round, titled `title`, with the profile in use and the rules in the boxes.
    bool addRound(const QString& title);
    // Adds the loaded saves to round `round`, off the user-interface thread, received at
    // `receivedAt` (Unix seconds; now when not given); with `registerPlayers`, a save that nobody
    // plays under registers a player of its name. With `player`, every save is that player's (and
    // registers them, with `registerPlayers`, when nobody has the name). submitFinished() comes when
    // it is over. Returns false, doing nothing, without a tournament or saves, or while a load or
    // another batch runs.
    bool addToRound(int round, std::optional<std::int64_t> receivedAt = {}, bool registerPlayers = false,
                    const std::optional<QString>& player = {});
    // True from addToRound() until submitFinished().
    [[nodiscard]] bool isAdding() const;
    // Records a ruling on `submission` with `reason`, by the user's login name, and shows the
    // season again. On an error the box says why and false is returned.
    bool rule(std::int64_t submission, tournament::RulingState state, const QString& reason);
    // Shows round `number` on the Standings tab.
    void chooseRound(int number);
    // How long adding saves runs before its progress dialog shows.
    void setAddProgressDelay(int milliseconds);
    // How long a batch waits for another program that holds the archive (10 s unless set); the
    // window's own calls wait at most 2 s, so that the window never stands still for long.
    void setArchiveWait(std::chrono::milliseconds wait) { m_archiveWait = wait; }

    [[nodiscard]] const session::Session& session() const { return m_session; }
    [[nodiscard]] view::FormatOptions displayOptions() const { return m_rows.formatOptions(); }
    // The selected graph category.
    [[nodiscard]] int graphCategory() const;
    // How long a load runs before its progress dialog shows.
    void setProgressDelay(int milliseconds);

Q_SIGNALS:
    void loadFinished();
    // A batch of addToRound() is over, added or not.
    void submitFinished();
    void errorReported(const QString& message);

public Q_SLOTS:
    void chooseAndLoadFiles();
    void chooseAndLoadFolder();
    void chooseAndSaveResults();
    void chooseAndExport(session::ReportFormat format);
    void chooseAndSaveGraph();
    void chooseAndOpenProfile();
    void chooseAndSaveProfile();
    // Copies the selected rows, or says to select them first.
    void copyRows();
    void resetRules();
    void showAbout();
    // Opens the example tournament's profile and loads its saves; false, doing nothing, when there
    // is no example or a load runs.
    bool tryExample();
    void chooseAndNewTournament();
    void chooseAndOpenTournament();
    // Asks the new round's title and adds it.
    void chooseAndAddRound();
    // Adds the loaded saves to the round chosen on the Standings tab, received now.
    void addLoadedToRound();
    // The same, every save as the player the referee names.
    void addLoadedToRoundAs();
    // Asks the reason for ruling `submission` `state`, then rules.
    void askRuling(std::int64_t submission, tournament::RulingState state);

protected:
    // Shows `message` in the standard error box without waiting for it to close, then emits
    // errorReported().
    virtual void reportError(const QString& message);
    // Shows a list of what could not be loaded under `heading` in a resizable, scrollable box that
    // fits the screen, without waiting for it to close; emits errorReported() with the lines.
    void reportFailures(const QString& heading, const QStringList& lines);
    // Asks `question` and waits for the answer.
    QMessageBox::StandardButton ask(const QString& question, QMessageBox::StandardButtons buttons);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Places the tabs and the controls above them for the client area's size.
    void layoutClient();
    void restoreSettings();
    void showTitle();
    // Shows the profile the session took from `path`: its name, its rules, its flags.
    void showProfileInUse(const QString& path);

    void onRulesEdited(const reload::RuleTexts& texts);
    void onSortClicked(view::SortKey key);
    void onHeaderClicked(view::Grid grid, int column);
    // Shows the rows of a new order: the selections named rows that now hold other saves.
    void showSortedRows();
    // Blanks the rows of the previous load and runs `load`, which has files to read.
    void showArrivedRows(session::BackgroundLoad& load);
    void finishLoad(session::BackgroundLoad& load);
    // Shows the session's table after it took the records of a load.
    void showAdoptedRecords();
    // Shows the session's rows again; the graph too when `graphData` changed.
    void showRows(bool graphData);
    void showStatus();
    void showLoadProblems(const session::LoadSummary& summary);
    // Takes `archive` as the tournament open now (for reading only when `readOnly`) and shows its season.
    void useTournament(tournament::Archive archive, bool readOnly);
    // Shows the tournament's season, the chosen round and the flags across rounds again.
    void showSeason();
    void showChosenRound();
    void finishSubmit(const tournament::BackgroundSubmit& submit);
    // Asks whose saves each of `names` (played by nobody) are: a registered player's, told at once
    // (Archive::addPlaysAs), or a new player's. Returns whether any is new, or nothing when the
    // referee cancels or the archive fails.
    std::optional<bool> tellPlayers(const std::vector<std::string>& names);
    // Shows the first screen over an empty table while no load runs.
    void showFirstScreen();
    // Enables the tournament's commands for what is open, loaded and running now.
    void showTournamentCommands();

    session::Session m_session;
    ResultRows m_rows{m_session};
    WindowSettings m_settings;
    FileChooser m_files;
    session::LoadSummary m_lastLoad;

    ResultsOutput* m_output = nullptr;
    LoadRunner* m_loads = nullptr;
    QWidget* m_client = nullptr;
    TopControls* m_top = nullptr;
    ResultPages* m_pages = nullptr;
    StatusLine* m_status = nullptr;
    std::optional<tournament::Archive> m_archive;
    bool m_archiveReadOnly = false;
    std::chrono::milliseconds m_archiveWait = tournament::kDefaultBusyTimeout;
    SeasonPage* m_seasonPage = nullptr;
    FirstScreen* m_firstScreen = nullptr;
    std::optional<session::ExampleTournament> m_example;
    SubmitRunner* m_submits = nullptr;
};

}  // namespace quillmere::gui
