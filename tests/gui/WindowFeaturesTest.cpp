#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <QtCharts/QLegendMarker>
#include <set>

#include "gui/ResultGrid.h"
#include "gui/SortButton.h"
#include "gui/WindowFixture.h"
#include "session/Guide.h"
#include "view/Charts.h"
#include "view/RowLook.h"

namespace quillmere::gui {
namespace {

using namespace quillmere::gui::testing;

QAction* actionNamed(QMainWindow& window, const QString& text) {
    for (auto* menu : window.menuBar()->findChildren<QMenu*>()) {
        for (auto* action : menu->actions())
            if (action->text().remove(QLatin1Char('&')) == text) return action;
    }
    return nullptr;
}

TEST_F(Window, MenusAndKeysReachEveryCommand) {
    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"Load Files...", QKeySequence::Open},
        {"Save Results...", QKeySequence::Save},
        {"Quit", QKeySequence::Quit},
        {"Copy Rows", QKeySequence::Copy},
        {"Graph", QKeySequence(Qt::CTRL | Qt::Key_2)},
    };
    for (const auto& [text, keys] : shortcuts) {
        auto* action = actionNamed(*m_window, text);
        ASSERT_NE(action, nullptr) << text;
        EXPECT_EQ(action->shortcut(), keys) << text;
    }
    for (const char* text : {"Load Folder...", "Export CSV...", "Export JSON...", "Export HTML...", "Export XLSX...",
                             "Reset Rules", "About Quillmere", "Save Graph as PNG or SVG..."}) {
        EXPECT_NE(actionNamed(*m_window, text), nullptr) << text;
    }
    // Help shows the core's steps and shortcuts as plain text, leaving the window usable.
    actionNamed(*m_window, "A Round in Five Steps")->trigger();
    actionNamed(*m_window, "Keyboard Shortcuts")->trigger();
    auto* steps = child<QMessageBox>("RoundSteps");
    auto* keys = child<QMessageBox>("Shortcuts");
    EXPECT_EQ(steps->text().toStdString(), session::RoundInFiveSteps());
    EXPECT_EQ(keys->textFormat(), Qt::PlainText);
    EXPECT_FALSE(keys->isModal());
    steps->close();
    keys->close();
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(child<QTabWidget>("PageControls")->currentIndex(), 2);
    EXPECT_TRUE(child<QPushButton>("Button1")->autoDefault());  // Enter presses a focused button
    EXPECT_FALSE(grid("BaseGrid")->tabKeyNavigation());         // Tab leaves the grid in one step

    // Enter on a focused sort button sorts, as a click does.
    m_window->showLoadedRecords({Record("a", 10, 1), Record("b", 20, 2)});
    QTest::keyClick(m_window.get(), Qt::Key_1, Qt::ControlModifier);
    auto* byTurn = child<SortButton>("SortByTurnSelect");
    byTurn->setFocus();
    QTest::keyClick(byTurn, Qt::Key_Return);
    EXPECT_EQ(byTurn->shows(), SortButton::Shows::Ascending);
    QTest::keyClick(byTurn, Qt::Key_Return);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "b");
    EXPECT_EQ(byTurn->shows(), SortButton::Shows::Descending);
    EXPECT_EQ(child<SortButton>("SortByScoreSelect")->shows(), SortButton::Shows::Key);
}

TEST_F(Window, CopyPutsTheSelectedRowsWithAHeaderOnTheClipboard) {
    m_window->showLoadedRecords({Record("a", 10, 1), Record("b", 20, 2), Record("c", 30, 3)});
    EXPECT_FALSE(m_window->copySelectedRows());
    grid("BaseGrid")->selectRow(0);
    grid("BaseGrid")
        ->selectionModel()
        ->select(grid("BaseGrid")->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_TRUE(m_window->copySelectedRows());
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QString::fromUtf8("№\tFile Name\tNickName")));
    EXPECT_TRUE(lines[1].startsWith("1\ta\tnick-a\t"));
    EXPECT_TRUE(lines[2].startsWith("3\tc\tnick-c\t"));
    EXPECT_EQ(lines[1].count('\t'), 31);  // the results file's 32 cells
}

TEST_F(Window, DroppedFilesAndFoldersLoadInNameOrder) {
    QDir(m_dir.path()).mkdir("round");
    save("round/b.sav", 20);
    save("round/a.sav", 10);
    save("round/.hidden.sav", 30);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_dir.filePath("round"))});
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &drop);
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(records().size(), 2u);
    EXPECT_EQ(records()[0].fileName, "a");
    EXPECT_EQ(records()[1].fileName, "b");
}

TEST_F(Window, RulesCategoryAndFoldersSurviveARestart) {
    child<QLineEdit>("Edit6")->setText("31");
    child<QLineEdit>("Edit2")->setText("02");  // an impossible date is kept as typed
    child<QLineEdit>("Edit4")->setText("2");
    child<QComboBox>("GraphSelect")->setCurrentText("Power");
    m_window->close();
    m_window.reset();

    auto again = makeWindow();
    EXPECT_EQ(again->findChild<QLineEdit*>("Edit6")->text(), "31");
    EXPECT_EQ(again->findChild<QLineEdit*>("Edit4")->text(), "2");
    EXPECT_EQ(again->findChild<QComboBox*>("GraphSelect")->currentText(), "Power");
    EXPECT_EQ(again->findChild<QLabel*>("RuleError")->text(), "'31-02-2005' is not a valid date.");
    EXPECT_FALSE(again->session().rulesValid());

    actionNamed(*again, "Reset Rules")->trigger();
    EXPECT_EQ(again->findChild<QLineEdit*>("Edit6")->text(), "27");
    EXPECT_EQ(again->findChild<QLineEdit*>("Edit4")->text(), "1");
    EXPECT_TRUE(again->session().rulesValid());
    EXPECT_TRUE(again->findChild<QLabel*>("RuleError")->text().isEmpty());
}

TEST_F(Window, RowsSayWhyTheyShowNoDetailsAndTheStatusCountsThem) {
    auto blocked = Record("b", 10, 1);
    blocked.blockText = "team game";
    auto failed = Record("c", 0, 0);
    failed.failure = "not a save file: no game data found";
    m_window->showLoadedRecords({Record("a", 10, 1), blocked, failed});
    const auto* model = grid("BaseGrid")->model();
    EXPECT_EQ(model->data(model->index(1, 3), Qt::ToolTipRole).toString(), "Blocked by the organisers: team game");
    EXPECT_TRUE(model->data(model->index(1, 3), Qt::BackgroundRole).isValid());
    EXPECT_EQ(model->data(model->index(2, 3), Qt::ToolTipRole).toString(), "not a save file: no game data found.");
    EXPECT_EQ(child<QLabel>("StatusText")->text(), "3 saves: 1 analysed, 1 blocked, 1 failed");
    const auto* reloads = grid("ReloadGrid")->model();
    EXPECT_TRUE(reloads->data(reloads->index(0, 11), Qt::ToolTipRole).toString().contains("of Max Reloads"));
    // The verdict reads by its sign and stands out by its colour; every header says what it means.
    const auto verdict = reloads->index(0, 11);
    EXPECT_TRUE(reloads->data(verdict, Qt::DisplayRole)
                    .toString()
                    .endsWith(" " + reloads->data(verdict, ResultGridModel::kRawTextRole).toString().trimmed()));
    EXPECT_TRUE(reloads->data(verdict, Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model->headerData(9, Qt::Horizontal, Qt::ToolTipRole).toString().contains("weight"));
    // The attention filter leaves the failed save and hides the blocked one.
    auto* attention = child<QCheckBox>("AttentionFilter");
    EXPECT_EQ(attention->text().toStdString(), view::AttentionFilterText(m_window->session().records()));
    attention->setChecked(true);
    EXPECT_FALSE(grid("BaseGrid")->isRowHidden(2));
    EXPECT_TRUE(grid("FlagsGrid")->isRowHidden(1));
    attention->setChecked(false);
    EXPECT_FALSE(grid("FlagsGrid")->isRowHidden(1));
    // Numbers stand right-aligned without their padding.
    EXPECT_EQ(model->data(model->index(0, 5), Qt::DisplayRole).toString(), "10");
    EXPECT_EQ(model->data(model->index(0, 5), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
}

TEST_F(Window, TheGraphPlotsTheSelectedRowsReadablyAndSavesItself) {
    ResultTable many;
    for (int i = 0; i < 30; ++i) {
        std::string name = "s";  // appended, not prepended: GCC 12 at -O3 sees overlapping copies in "s" + text
        name += std::to_string(100 + i);
        many.push_back(Record(name, 40 + i, 1000 + 37 * i));
    }
    m_window->showLoadedRecords(many);
    EXPECT_TRUE(chart()->chart()->title().contains("of 30")) << chart()->chart()->title().toStdString();
    EXPECT_EQ(chart()->turnAxis()->titleText(), "Turn");
    EXPECT_EQ(chart()->valueAxis()->titleText(), "Score");
    // Round ends, and colours apart from each other and from the white background.
    EXPECT_EQ(std::fmod(chart()->valueAxis()->max(), 100.0), 0.0);
    std::set<QRgb> colours;
    for (int i = 0; i < HistoryChart::kSeriesCount; ++i) colours.insert(chart()->series(i)->pen().color().rgb());
    EXPECT_EQ(colours.size(), 20u);
    EXPECT_FALSE(colours.count(qRgb(255, 255, 255)));

    grid("BaseGrid")->selectRow(25);
    EXPECT_EQ(chart()->series(0)->name(), "nick-s125 (s125)");
    // The hover names the point nearest to the pointer, within a few pixels.
    m_window->show();
    child<QTabWidget>("PageControls")->setCurrentIndex(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    QApplication::processEvents();
    const QPointF point = chart()->viewportTransform().map(chart()->chart()->mapToScene(
        chart()->chart()->mapToPosition(QPointF(20, chart()->series(0)->at(20).y()), chart()->series(0))));
    const auto near = chart()->pickAt(point + QPointF(3, 6));
    ASSERT_TRUE(near);
    EXPECT_EQ(near->turn, 20);
    EXPECT_EQ(near->line, 0u);
    EXPECT_FALSE(chart()->pickAt(point + QPointF(0, 30)));
    EXPECT_EQ(chart()->series(1)->count(), 0);
    EXPECT_EQ(chart()->chart()->title(), "Selected rows 26");

    // A click on a legend entry hides its line, a second shows it again.
    auto* marker = chart()->chart()->legend()->markers(chart()->series(0)).first();
    Q_EMIT marker->clicked();
    EXPECT_FALSE(chart()->series(0)->isVisible());
    Q_EMIT marker->clicked();
    EXPECT_TRUE(chart()->series(0)->isVisible());

    for (const char* name : {"graph.png", "graph.svg"}) {
        ASSERT_TRUE(chart()->saveImage(m_dir.filePath(name))) << name;
        EXPECT_GT(QFileInfo(m_dir.filePath(name)).size(), 1000) << name;
    }
}

TEST_F(Window, AnEmptyTableSaysWhatToDoAndTriesTheExampleTournament) {
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    auto* first = child<QWidget>("FirstScreen");
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(child<QPushButton>("FirstLoad")->text().toStdString(), session::kFirstScreenLoad);
    EXPECT_EQ(child<QPushButton>("FirstProfile")->text().toStdString(), session::kFirstScreenProfile);
    auto* example = child<QPushButton>("FirstExample");
    EXPECT_EQ(example->text().toStdString(), session::kFirstScreenExample);
    // The build tree's example, beside the tests' program.
    ASSERT_TRUE(example->isEnabled()) << example->toolTip().toStdString();
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    example->click();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(m_window->session().records().size(), savewriter::TournamentBatch().size());
    EXPECT_FALSE(m_window->session().profileName().empty());
    EXPECT_FALSE(first->isVisible());
    m_window->showLoadedRecords({});
    EXPECT_TRUE(first->isVisible());
}

TEST_F(Window, EveryControlStaysReachableInTheSmallestWindow) {
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->resize(100, 100);
    QApplication::processEvents();
    const QWidget* client = m_window->centralWidget();
    EXPECT_GE(client->width(), 640);
    for (const char* name : {"Button1", "Button2", "Edit1"}) {
        const auto* control = child<QWidget>(name);
        EXPECT_TRUE(client->rect().contains(control->geometry())) << name;
    }
    // The row number and file name stay in view when the grid scrolls sideways.
    m_window->showLoadedRecords({Record("a", 10, 1)});
    auto* base = grid("BaseGrid");
    base->horizontalScrollBar()->setValue(base->horizontalScrollBar()->maximum());
    const auto* frozen = base->findChild<QTableView*>("FrozenColumns");
    ASSERT_NE(frozen, nullptr);
    EXPECT_TRUE(frozen->isVisible());
    EXPECT_FALSE(frozen->isColumnHidden(1));
    EXPECT_TRUE(frozen->isColumnHidden(2));
}

}  // namespace
}  // namespace quillmere::gui

namespace quillmere::gui {
namespace {

using namespace quillmere::gui::testing;

TEST_F(Window, AProfileChecksTheTournamentAndSurvivesARestart) {
    QDir(m_dir.path()).mkdir("cup");
    QStringList saves;
    for (const auto& save : savewriter::TournamentBatch()) {
        saves << m_dir.filePath("cup/" + QString::fromStdString(save.fileName));
        WriteBytes(saves.back(), save.bytes);
        QFile file(saves.back());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QDateTime uploaded = QDateTime(QDate(2005, 11, 27), QTime(0, 0), Qt::LocalTime)
                                       .addSecs(static_cast<qint64>(save.daysAfterStart * 86400));
        ASSERT_TRUE(file.setFileTime(uploaded, QFileDevice::FileModificationTime));
    }
    const QString profilePath = m_dir.filePath("cup.json");
    {
        QFile profile(profilePath);
        ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
        profile.write(QByteArray::fromStdString(savewriter::TournamentProfile()));
    }
    // A broken profile names its fault and changes nothing.
    const QString broken = m_dir.filePath("broken.json");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"speed": "Fast"})");
    }
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    EXPECT_FALSE(m_window->openProfile(broken));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.first().first().toString().contains("speed: 'Fast' is no game speed"));
    EXPECT_FALSE(m_window->session().profile());

    ASSERT_TRUE(m_window->openProfile(profilePath));
    ASSERT_TRUE(load(saves));
    EXPECT_EQ(m_window->session().flaggedCount(), 5u);
    EXPECT_TRUE(child<QLabel>("StatusText")->text().endsWith("5 flagged"));
    auto* flags = grid("FlagsGrid");
    EXPECT_EQ(flags->cellText(2, 1), "Anna-t200");
    EXPECT_EQ(flags->cellText(2, 2), "load count 5 at turn 200, but 8 at turn 150 in Anna-t150");
    EXPECT_TRUE(flags->model()->data(flags->model()->index(2, 2), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(flags->model()->data(flags->model()->index(0, 2), Qt::BackgroundRole).isValid());

    // Saved and reopened by the next start, the profile checks the same way.
    const QString saved = m_dir.filePath("saved.json");
    ASSERT_TRUE(m_window->saveProfile(saved));
    const auto before = m_window->session().records();
    m_window->close();
    m_window = makeWindow();
    ASSERT_TRUE(m_window->session().profile());
    EXPECT_EQ(m_window->session().profile()->deadlineDay, 30);
    ASSERT_TRUE(load(saves));
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(records()[i].flags, before[i].flags) << i;

    // A remembered profile that no longer opens is named once, and the window starts without it.
    m_window->close();
    {
        QFile file(saved);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"({"deadline_day": 1e400})");
    }
    const auto messagesOfNewWindow = [this] {
        m_window = makeWindow();
        QStringList texts;
        for (auto* box : m_window->findChildren<QMessageBox*>()) texts << box->text();
        return texts;
    };
    const auto first = messagesOfNewWindow();
    ASSERT_EQ(first.size(), 1);
    EXPECT_TRUE(first[0].contains("deadline_day: the number 1e400 is out of range")) << first[0].toStdString();
    EXPECT_FALSE(m_window->session().profile());
    m_window->close();
    EXPECT_TRUE(messagesOfNewWindow().isEmpty());
}

}  // namespace
}  // namespace quillmere::gui
