// The window's part of a season: a tournament made, its rounds added from the profile in use, the
// loaded batch added to a round without freezing the window, rulings, the Standings tab and the
// flags across rounds on the Flags tab; the faults of an archive named with nothing lost.

#include <sqlite3.h>
#include <utime.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <ctime>

#include "gui/SeasonPage.h"
#include "gui/StandingsView.h"
#include "gui/WindowFixture.h"
#include "tournament/Archive.h"

namespace quillmere::gui {
namespace {

using namespace quillmere::gui::testing;

// A local time as Unix seconds, as quillmere-tournament reads --received.
std::int64_t LocalTime(int year, int month, int day, int hour) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

std::vector<std::vector<std::string>> CellsOf(const StandingsView* view) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < view->rowCount(); ++r) {
        rows.emplace_back();
        for (int c = 0; c < view->columnCount(); ++c) rows.back().push_back(view->item(r, c)->text().toStdString());
    }
    return rows;
}

class SeasonWindow : public Window {
protected:
    // The example season's saves and profiles under roundN/, with the files' times of their uploads.
    void writeSeason() {
        for (const auto& round : savewriter::SeasonRounds()) {
            const QString folder = m_dir.filePath(QStringLiteral("round%1").arg(round.number));
            for (const auto& [sub, saves] : {std::pair{"saves", &round.saves}, std::pair{"mail", &round.mailed}}) {
                QDir().mkpath(folder + "/" + sub);
                for (const auto& save : *saves) {
                    const QString path = folder + "/" + sub + "/" + QString::fromStdString(save.fileName);
                    WriteBytes(path, save.bytes);
                    const std::time_t when = savewriter::UploadTimeOf(save);
                    const utimbuf times{when, when};
                    ::utime(QFile::encodeName(path).constData(), &times);
                }
            }
            QFile profile(folder + "/profile.json");
            ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
            profile.write(round.profile.data(), static_cast<qint64>(round.profile.size()));
        }
    }
    QString in(const QString& name) const { return m_dir.filePath(name); }

    // Adds the loaded saves to `round`, answering the dialogs that come with `answers`; true once
    // `batches` batches are over.
    bool addToRound(int round, std::int64_t received, std::vector<DialogAnswers::Step> answers = {}, int batches = 1) {
        QSignalSpy over(m_window.get(), &MainWindow::submitFinished);
        DialogAnswers answering(std::move(answers));
        if (!m_window->addToRound(round, received)) return false;
        return QTest::qWaitFor([&] { return over.count() >= batches && !m_window->isAdding(); }, 30000);
    }
    void openProfile(const QString& path) {
        DialogAnswers answers({DialogAnswers::press(QMessageBox::Yes)});  // take its rules
        ASSERT_TRUE(m_window->openProfile(path));
    }
    // Closes the failure lists shown, after noting their lines.
    QStringList failureLines() {
        QStringList lines;
        for (auto* box : m_window->findChildren<QDialog*>("FailureList")) {
            if (!box->isVisible()) continue;
            const auto* list = box->findChild<QListWidget*>();
            for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
            box->close();
        }
        return lines;
    }
    QAction* action(const char* name) const { return m_window->findChild<QAction*>(name); }
    static DialogAnswers::Step typeAndAccept(const QString& text) {
        return [text](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            ASSERT_NE(input, nullptr);
            input->setTextValue(text);
            input->accept();
        };
    }

    std::string m_archive = (QDir(m_dir.path()).filePath("season.qmt")).toStdString();
};

TEST_F(SeasonWindow, TheExampleSeasonGivesTheStandingsAndFlagsARefereeExpects) {
    writeSeason();
    const auto tabs = child<QTabWidget>("PageControls");
    ASSERT_TRUE(m_window->newTournament(QString::fromStdString(m_archive), "Example Season"));
    EXPECT_EQ(tabs->count(), 6);
    EXPECT_EQ(tabs->tabText(5), "Standings");
    EXPECT_TRUE(m_window->windowTitle().endsWith(" - tournament Example Season"));
    const char* titles[] = {"Opening", "Winter", "Thaw"};
    for (int round = 1; round <= 3; ++round) {
        openProfile(in(QStringLiteral("round%1/profile.json").arg(round)));
        ASSERT_TRUE(m_window->addRound(titles[round - 1]));
    }
    ASSERT_EQ(m_window->tournament()->rounds().size(), 3u);
    EXPECT_EQ(m_window->tournament()->round(2).profile.deadlineDay,
              session::ReadProfile(in("round2/profile.json").toStdString()).deadlineDay);

    // Round 1 registers its players once the referee says so.
    ASSERT_TRUE(load({in("round1/saves")}));
    QStringList asked;
    const auto newPlayer = [&asked](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        asked << input->labelText();
        EXPECT_EQ(input->textValue(), input->comboBoxItems().front());
        input->accept();
    };
    ASSERT_TRUE(addToRound(1, LocalTime(2005, 12, 26, 20), {newPlayer, newPlayer, newPlayer, newPlayer, newPlayer}, 2));
    EXPECT_EQ(asked.size(), 5);
    EXPECT_EQ(asked.value(0), "Nobody plays as 'Anna' yet. Whose saves are they?");
    EXPECT_EQ(m_window->tournament()->round(1).submissions, 7u);
    // Carl sent Bea's file: its player is named, and registered since nobody has the name yet.
    ASSERT_TRUE(load({in("round1/saves/Carl-round1.sav")}));
    {
        QSignalSpy over(m_window.get(), &MainWindow::submitFinished);
        ASSERT_TRUE(m_window->addToRound(1, LocalTime(2005, 12, 26, 20), true, QString("Carl")));
        ASSERT_TRUE(over.wait(30000));
    }
    EXPECT_EQ(m_window->tournament()->round(1).submissions, 8u);
    ASSERT_TRUE(load({in("round2/saves")}));
    ASSERT_TRUE(addToRound(2, LocalTime(2006, 1, 30, 20)));
    ASSERT_TRUE(load({in("round2/mail")}));
    ASSERT_TRUE(addToRound(2, LocalTime(2006, 2, 3, 9)));

    // Nobody plays as Dima yet: asked whose saves they are and not told, the batch is refused whole,
    // and the rows stay for another try; told, Dmitri plays as Dima from then on.
    ASSERT_TRUE(load({in("round3/saves")}));
    ASSERT_TRUE(addToRound(3, LocalTime(2006, 3, 2, 18), {DialogAnswers::reject()}));
    EXPECT_EQ(failureLines(),
              QStringList{in("round3/saves/Dima.sav") + ": no player plays as 'Dima': name its player"});
    EXPECT_EQ(m_window->tournament()->round(3).submissions, 0u);
    EXPECT_EQ(records().size(), 6u);
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    ASSERT_TRUE(addToRound(3, LocalTime(2006, 3, 2, 18), {typeAndAccept("Dmitri")}, 2));
    EXPECT_EQ(m_window->tournament()->round(3).submissions, 6u);

    // Carl's round 1 from the context menu of its row, with the reason asked.
    auto* page = child<SeasonPage>("StandingsPage");
    m_window->chooseRound(1);
    int carlRow = -1;
    for (int row = 0; row < page->roundView()->rowCount(); ++row)
        if (page->roundView()->submissionAt(row) == 8) carlRow = row;
    ASSERT_GE(carlRow, 0);
    {
        DialogAnswers answers({typeAndAccept("sent Bea's save as his own")});
        page->askRuling(carlRow, tournament::RulingState::Disqualified);
    }
    ASSERT_TRUE(m_window->rule(19, tournament::RulingState::Rejected, "the same game as round 2"));
    for (const std::int64_t accepted : {3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14})
        ASSERT_TRUE(m_window->rule(accepted, tournament::RulingState::Accepted, "checked"));
    EXPECT_EQ(errors.count(), 0);

    // What the command line's standings show for the same season.
    EXPECT_EQ(child<QLabel>("SeasonHeading")->text(), "Example Season: standings after 3 rounds (sum of Final scores)");
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(CellsOf(child<StandingsView>("StandingsGrid")),
              (Rows{{"1", "Dmitri", "56360*", "19973", "20147", "16240*"},
                    {"2", "Frank", "47476*", "14362", "15928", "17186*"},
                    {"3", "Anna", "36374*", "10519", "10168", "15687*"},
                    {"4", "Carl", "31866*", "-", "20029", "11837*"},
                    {"5", "Bea", "28463*", "11448", "8133", "8882*"},
                    {"6", "Eve", "28308", "17726", "10582", "-"}}));
    EXPECT_EQ(
        CellsOf(child<StandingsView>("SeasonFlagsGrid")),
        (Rows{{"1", "3", "Anna", "Anna-t200", "counted", "load count 5 at turn 200, but 8 at turn 150 in Anna-t150"},
              {"1", "4", "Bea", "Bea-round1", "counted", "same game data as Carl-round1, saved after this one"},
              {"1", "5", "Dmitri", "Dmitri", "counted", "speed Quick (tournament: Normal)"},
              {"1", "6", "Eve", "Eve", "counted", "saved on day 33 (deadline: day 30)"},
              {"2", "14", "Frank", "Frank-r2", "counted", "received on day 34 (deadline: day 30)"},
              {"3", "18", "Dmitri", "Dima", "provisional", "plays as 'Dima', in round 2 as 'Dmitri'"}}));
    EXPECT_FALSE(child<StandingsView>("SeasonFlagsGrid")->isHidden());
    // The round's grid shows the rulings as they now stand.
    const auto round1 = CellsOf(page->roundView());
    ASSERT_GT(carlRow, -1);
    bool carlShown = false;
    for (const auto& row : round1) {
        if (row[1] != "8") continue;
        carlShown = true;
        EXPECT_EQ(row[7], "disqualified");
        EXPECT_TRUE(row[8].starts_with("disqualified: sent Bea's save as his own (")) << row[8];
    }
    EXPECT_TRUE(carlShown);

    ASSERT_TRUE(m_window->closeTournament());
    EXPECT_EQ(tabs->count(), 5);
    EXPECT_TRUE(child<StandingsView>("SeasonFlagsGrid")->isHidden());
    EXPECT_FALSE(m_window->windowTitle().contains("tournament"));
}

TEST_F(SeasonWindow, WithoutATournamentOnlyMakingOrOpeningOneIsOffered) {
    for (const char* name : {"NewTournament", "OpenTournament"}) EXPECT_TRUE(action(name)->isEnabled()) << name;
    for (const char* name : {"NewRound", "AddToRoundAction", "AddToRoundAsPlayer", "CloseTournament"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    EXPECT_EQ(child<QTabWidget>("PageControls")->count(), 5);
    EXPECT_FALSE(m_window->addToRound(1));
    ASSERT_TRUE(m_window->newTournament(QString::fromStdString(m_archive), "<b>Cup</b>"));
    // Names are data: shown as typed, never as markup.
    EXPECT_EQ(child<QLabel>("SeasonHeading")->textFormat(), Qt::PlainText);
    EXPECT_TRUE(child<QLabel>("SeasonHeading")->text().startsWith("<b>Cup</b>: standings"));
    EXPECT_TRUE(action("NewRound")->isEnabled());
    EXPECT_FALSE(action("AddToRoundAction")->isEnabled());  // no round, no saves
    ASSERT_TRUE(m_window->addRound("Opening"));
    ASSERT_TRUE(load({save("a.sav", 100)}));
    EXPECT_TRUE(action("AddToRoundAction")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("AddToRound")->isEnabled());
    EXPECT_EQ(child<QComboBox>("RoundSelect")->currentText(), "1: Opening");
}

TEST_F(SeasonWindow, AFaultOfTheArchiveIsNamedAndTheLoadedSavesStay) {
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    const QString notAnArchive = m_dir.filePath("notes.qmt");
    {
        QFile file(notAnArchive);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    ASSERT_TRUE(load({save("a.sav", 100), save("b.sav", 120)}));
    EXPECT_FALSE(m_window->openTournament(notAnArchive));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors[0][0].toString().startsWith(notAnArchive + ": ")) << errors[0][0].toString().toStdString();
    EXPECT_EQ(m_window->tournament(), nullptr);
    EXPECT_EQ(child<QTabWidget>("PageControls")->count(), 5);
    EXPECT_FALSE(m_window->newTournament(notAnArchive, "Cup"));  // an existing file is never replaced
    ASSERT_EQ(errors.count(), 2);
    EXPECT_TRUE(errors[1][0].toString().contains(notAnArchive)) << errors[1][0].toString().toStdString();

    ASSERT_TRUE(m_window->newTournament(QString::fromStdString(m_archive), "Cup"));
    ASSERT_TRUE(m_window->addRound("Opening"));
    // Another program holds the archive longer than the batch waits.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_archive.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    m_window->setArchiveWait(std::chrono::milliseconds(300));
    m_window->setAddProgressDelay(0);
    QSignalSpy over(m_window.get(), &MainWindow::submitFinished);
    ASSERT_TRUE(m_window->addToRound(1, 0));
    EXPECT_TRUE(m_window->isAdding());
    EXPECT_FALSE(child<QPushButton>("AddToRound")->isEnabled());
    EXPECT_FALSE(m_window->addToRound(1, 0));  // one batch at a time
    // The window answers while the batch waits.
    bool answered = false;
    QTimer::singleShot(10, [&] { answered = m_window->isAdding(); });
    ASSERT_TRUE(over.wait(20000));
    EXPECT_TRUE(answered);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_EQ(errors.count(), 3);
    EXPECT_TRUE(errors[2][0].toString().startsWith(QString::fromStdString(m_archive) + ": the archive is busy"))
        << errors[2][0].toString().toStdString();
    EXPECT_EQ(records().size(), 2u);
    EXPECT_EQ(m_window->tournament()->round(1).submissions, 0u);
    EXPECT_TRUE(child<QPushButton>("AddToRound")->isEnabled());

    // A ruling the archive refuses says why; the season stays as it was.
    EXPECT_FALSE(m_window->rule(99, tournament::RulingState::Accepted, ""));
    ASSERT_EQ(errors.count(), 4);
    EXPECT_TRUE(errors[3][0].toString().contains("there is no submission 99")) << errors[3][0].toString().toStdString();
}

}  // namespace
}  // namespace quillmere::gui
