#include "gui/MainWindow.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QtCharts/QLegendMarker>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "analysis/Batch.h"
#include "gui/SortButton.h"
#include "gui/WindowFixture.h"

namespace quillmere::gui {
namespace {

using namespace quillmere::gui::testing;

TEST_F(Window, StartsWithItsCaptionTabsHeadersAndDefaultRules) {
    EXPECT_EQ(m_window->objectName(), "Form1");
    EXPECT_EQ(m_window->windowTitle(), "Quillmere (version 1.02)");
    // The drawn size where the screen has room for it (the offscreen screen is 800 x 600).
    const QRect screen = m_window->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(m_window->frameGeometry()));
    if (screen.width() > 1000 && screen.height() > 700) {
        EXPECT_EQ(m_window->width(), 985);
        EXPECT_GE(m_window->height(), 558);  // the controls' area, with a menu bar above and a status bar below
    }
    auto* tabs = child<QTabWidget>("PageControls");
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->tabText(0), "Base");
    EXPECT_EQ(tabs->tabText(1), "Graph");
    EXPECT_EQ(tabs->tabText(2), "Reloads");
    EXPECT_EQ(tabs->tabText(3), "Additional");
    EXPECT_EQ(tabs->tabText(4), "Flags");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(child<QPushButton>("Button1")->text().remove(QLatin1Char('&')), "Load File");
    EXPECT_EQ(child<QPushButton>("Button2")->text().remove(QLatin1Char('&')), "Save Results");

    EXPECT_EQ(header("BaseGrid", 0), QString::fromUtf8("№"));
    EXPECT_EQ(header("BaseGrid", 1), "File Name");
    EXPECT_EQ(grid("BaseGrid")->columnWidth(1), 240);
    EXPECT_EQ(grid("ReloadGrid")->model()->columnCount(), 13);
    EXPECT_EQ(header("ReloadGrid", 12), "Penalty");
    EXPECT_EQ(header("AdditionalGrid", 11), "Culture 3");
    for (const char* name : {"BaseGrid", "ReloadGrid", "AdditionalGrid"}) {
        EXPECT_EQ(grid(name)->model()->rowCount(), 99) << name;
        EXPECT_EQ(grid(name)->editTriggers(), QAbstractItemView::NoEditTriggers) << name;
        EXPECT_EQ(grid(name)->cellText(0, 1), QString()) << name;
    }

    const std::pair<const char*, const char*> rules[] = {{"Edit6", "27"},   {"Edit2", "11"}, {"Edit3", "2005"},
                                                         {"Edit7", "1,5"},  {"Edit8", "30"}, {"Edit4", "1"},
                                                         {"Edit5", "10,0"}, {"Edit9", "5,0"}};
    for (const auto& [name, text] : rules) EXPECT_EQ(child<QLineEdit>(name)->text(), text) << name;
    EXPECT_FALSE(child<QLineEdit>("Edit5")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("Edit9")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("Edit6")->palette().color(QPalette::Text), QColor(Qt::blue));
    EXPECT_EQ(child<QLabel>("Label6")->text(), QString::fromUtf8("   Turnamet start date    (Дата начала турнира)"));

    auto* select = child<QComboBox>("GraphSelect");
    EXPECT_EQ(select->count(), 7);
    EXPECT_EQ(select->currentText(), "Score");
    ASSERT_EQ(chart()->chart()->series().size(), HistoryChart::kSeriesCount);
    EXPECT_EQ(chart()->series(0)->name(), "Graph01");
    EXPECT_EQ(chart()->series(19)->name(), "Graph20");
    EXPECT_EQ(chart()->series(0)->pen().color(), QColor(0xE6, 0x19, 0x4B));
    EXPECT_TRUE(chart()->isInLegend(19));
}

TEST_F(Window, LoadShowsEveryColumnOfEveryRowAsTheCoreWritesIt) {
    const QStringList paths = {save("carol.sav", 30), save("alice.sav", 10), save("Bob.sav", 20)};
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    ASSERT_TRUE(m_window->loadPaths(paths));
    // The files are read off the user-interface thread; a second load waits for the first.
    EXPECT_TRUE(m_window->isLoading());
    EXPECT_FALSE(m_window->loadPaths(paths));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.count(), 1);

    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), QDir(m_dir.path()).absolutePath());
    ASSERT_EQ(records().size(), 3u);
    EXPECT_EQ(records()[0].fileName, "alice");
    EXPECT_EQ(records()[2].fileName, "carol");
    for (const auto& rec : records()) EXPECT_TRUE(rec.reload) << rec.fileName;
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 0), "2");
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 1), "Bob");
    expectRowsAsTheCoreWrites();
    EXPECT_EQ(grid("ReloadGrid")->cellText(0, 12), QString());
    EXPECT_TRUE(errorBoxes().isEmpty());
}

TEST_F(Window, ANewLoadReplacesTheTableAndBlanksTheRowsItDoesNotUse) {
    QStringList five;
    for (int i = 0; i < 5; ++i) five << save(QStringLiteral("f%1.sav").arg(i), 10 + i);
    ASSERT_TRUE(load(five));
    ASSERT_TRUE(load({save("z.sav", 3), save("y.sav", 4)}));

    ASSERT_EQ(records().size(), 2u);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "y");
    EXPECT_EQ(grid("ReloadGrid")->cellText(0, 12), " ");  // the Penalty cell blanked by the new load
    for (const char* name : {"BaseGrid", "ReloadGrid", "AdditionalGrid"})
        for (int row = 2; row < 5; ++row)
            for (int column = 0; column < grid(name)->model()->columnCount(); ++column)
                EXPECT_EQ(grid(name)->cellText(row, column), " ") << name << row << column;
    EXPECT_EQ(grid("BaseGrid")->cellText(5, 0), QString());
}

TEST_F(Window, RowsFillInAsSavesFinishAndTheOldOnesStayUntilTheFirst) {
    ASSERT_TRUE(load({save("f1.sav", 11), save("f2.sav", 12), save("f3.sav", 13)}));
    // One worker that waits to start, then after the first save until it is let go (10 s at most).
    std::atomic<bool> start{false};
    std::atomic<bool> rest{false};
    const auto hold = [](const std::atomic<bool>& until) {
        for (int i = 0; i < 10000 && !until; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    auto analyse = [&](std::span<const std::string> paths, const analysis::BatchControl& control) {
        hold(start);
        analysis::BatchControl held = control;
        held.jobs = 1;
        held.onRecord = [&](std::size_t index, const analysis::SaveRecord& rec) {
            control.onRecord(index, rec);
            if (index == 0) hold(rest);
        };
        return analysis::AnalyseFiles(paths, held);
    };
    const QStringList paths = {save("c.sav", 10), save("a.sav", 30), save("b.sav", 20)};
    std::vector<std::string> files;
    for (const auto& path : paths) files.push_back(path.toStdString());
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    m_window->startLoad(std::make_unique<session::BackgroundLoad>(files, 1, analyse));

    QTest::qWait(300);
    EXPECT_EQ(records().size(), 3u);  // nothing read yet: the old rows stay
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "f1");
    start = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return records().size() == 1; }, 5000));
    EXPECT_TRUE(m_window->isLoading());
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "c");
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 1), " ");  // the old rows blanked
    // A sort clicked while the rows fill in orders them to the end.
    auto* byTurn = child<SortButton>("SortByTurnSelect");
    byTurn->click();
    rest = true;
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(records().size(), 3u);
    EXPECT_EQ(records()[0].fileName, "c");
    EXPECT_EQ(records()[2].fileName, "a");
    EXPECT_EQ(byTurn->shows(), SortButton::Shows::Ascending);
    expectRowsAsTheCoreWrites();
}

TEST_F(Window, FailedFilesKeepMarkedRowsAndOneErrorBoxListsThemAll) {
    const QString garbage = m_dir.filePath("garbage.sav");
    WriteBytes(garbage, {'n', 'o', 't', ' ', 'a', ' ', 's', 'a', 'v', 'e'});
    const QString missing = m_dir.filePath("missing.sav");
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    ASSERT_TRUE(load({missing, save("good.sav", 12), garbage}));

    ASSERT_EQ(records().size(), 3u);
    EXPECT_EQ(records()[0].fileName, "garbage");
    EXPECT_EQ(records()[2].fileName, "missing");
    expectRowsAsTheCoreWrites();
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 5), " ");
    EXPECT_NE(grid("BaseGrid")->cellText(1, 5), " ");

    for (const char* name : {"BaseGrid", "ReloadGrid", "AdditionalGrid"}) {
        const auto* model = grid(name)->model();
        EXPECT_TRUE(model->data(model->index(0, 3), Qt::BackgroundRole).isValid()) << name;
        EXPECT_FALSE(model->data(model->index(1, 3), Qt::BackgroundRole).isValid()) << name;
        EXPECT_EQ(model->data(model->index(2, 1), Qt::ToolTipRole).toString(), "No such file or directory.") << name;
    }

    ASSERT_EQ(errors.count(), 1);
    auto* box = m_window->findChild<QDialog*>("FailureList");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Quillmere");
    const auto* list = box->findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "missing.sav: No such file or directory.");
    EXPECT_TRUE(list->item(1)->text().startsWith("garbage.sav: ")) << list->item(1)->text().toStdString();
}

TEST_F(Window, ShowsFileNamesAsTheFileSystemHasThem) {
    // Names that Windows-1251 cannot hold stay apart on screen; the results file writes "?".
    const QString chinese = save(QString::fromUtf8("玩家_ふじこ.sav"), 20);
    const QString accented = save(QString::fromUtf8("Zoë.round1.sav"), 30);
    // A name that is not valid UTF-8 is loaded from its bytes.
    const std::string folder = QFile::encodeName(m_dir.path()).toStdString();
    const std::string latin1 = folder + "/M\xFCller.sav";
    const auto bytes = savewriter::BuildSave(savewriter::MakeGame(savewriter::SmallGame(40)));
    {
        FILE* file = std::fopen(latin1.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    ASSERT_TRUE(m_window->loadFiles(std::vector<std::string>{QFile::encodeName(chinese).toStdString(),
                                                             QFile::encodeName(accented).toStdString(), latin1}));
    ASSERT_TRUE(finished.wait(10000));
    for (const auto& rec : records()) EXPECT_EQ(rec.failure, "") << rec.fileName;
    QStringList shown;
    for (int row = 0; row < 3; ++row) shown << grid("BaseGrid")->cellText(row, 1);
    EXPECT_TRUE(shown.contains(QString::fromUtf8("玩家_ふじこ")));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("Zoë.round1")));
    EXPECT_TRUE(
        shown.contains(QFile::decodeName("M\xFC"
                                         "ller")));
    EXPECT_EQ(QString::fromStdString(m_window->session().report(session::ReportFormat::Results, {}))
                  .count(QStringLiteral("Zo?.round1")),
              1);
    const QString target = m_dir.filePath("Res.txt");
    ASSERT_TRUE(m_window->saveResults(target));
    EXPECT_EQ(child<QLabel>("StatusText")->text(),
              "Saved 3 rows to " + QDir::toNativeSeparators(target) +
                  QString::fromUtf8("; 2 names have characters that Windows-1251 cannot hold, written as '?' (the "
                                    "first: \"玩家_ふじこ\") - 3 saves: 3 analysed, 0 blocked, 0 failed"));
}

TEST_F(Window, BlockedSavesShowOnlyTheirIdentityAndNoGraph) {
    ASSERT_TRUE(load({save("open.sav", 40), save("blocked.sav", 40, "kept out")}));

    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "blocked");
    for (int column = 2; column < 12; ++column) {
        EXPECT_EQ(grid("BaseGrid")->cellText(0, column), " ") << column;
        EXPECT_EQ(grid("AdditionalGrid")->cellText(0, column), " ") << column;
    }
    EXPECT_NE(grid("ReloadGrid")->cellText(0, 2), " ");
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 2), "nick-open");
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 5), "  40");
    EXPECT_TRUE(errorBoxes().isEmpty());
    EXPECT_EQ(chart()->series(0)->count(), 0);
    EXPECT_FALSE(chart()->isInLegend(0));
    EXPECT_EQ(chart()->series(1)->count(), 40);
    EXPECT_EQ(chart()->series(1)->name(), "nick-open (open)");
}

TEST_F(Window, SortButtonsSortFlipTheirDirectionAndTheGraphKeepsItsColours) {
    m_window->showLoadedRecords({Record("a", 10, 300), Record("b", 20, 100), Record("c", 30, 200)});
    auto* byScore = child<QToolButton>("SortByScoreSelect");
    EXPECT_EQ(chart()->series(1)->name(), "nick-b (b)");

    QTest::mouseClick(byScore, Qt::LeftButton);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "a");
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 1), "c");
    EXPECT_EQ(grid("BaseGrid")->cellText(2, 1), "b");
    EXPECT_EQ(chart()->series(0)->name(), "nick-a (a)");

    QTest::mouseClick(byScore, Qt::LeftButton);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "b");
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 0), "1");
    EXPECT_EQ(chart()->series(1)->name(), "nick-b (b)");  // a save keeps its series while plotted
    EXPECT_EQ(chart()->series(1)->count(), 20);
    expectRowsAsTheCoreWrites();

    // A load sorts by name in the name button's current direction, without flipping it.
    QTest::mouseClick(child<QToolButton>("SortByFileNameSelect"), Qt::LeftButton);
    ASSERT_TRUE(load({save("m.sav", 1), save("x.sav", 2), save("d.sav", 3)}));
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "x");
    EXPECT_EQ(grid("BaseGrid")->cellText(2, 1), "d");
    EXPECT_FALSE(m_window->session().sortDirections().fileName);
}

TEST_F(Window, RulesShowOnlyVerdictsOfTheRulesInTheBoxes) {
    m_window->showLoadedRecords({Record("a", 10, 1), Record("b", 20, 2)});
    const QString fair = grid("ReloadGrid")->cellText(0, 11);
    ASSERT_NE(fair, " ");
    auto* day = child<QLineEdit>("Edit6");
    auto* month = child<QLineEdit>("Edit2");
    auto* presessions = child<QLineEdit>("Edit4");
    const QColor validBase = presessions->palette().color(QPalette::Base);

    // "31" typed over the day, then "02" over the month: through "3-11" to the impossible "31-02".
    day->clear();
    QTest::keyClicks(day, "31");
    month->clear();
    QTest::keyClicks(month, "02");
    EXPECT_EQ(child<QLabel>("RuleError")->text(), "'31-02-2005' is not a valid date.");
    for (const char* name : {"Edit6", "Edit2", "Edit3"})
        EXPECT_EQ(child<QLineEdit>(name)->toolTip(), "'31-02-2005' is not a valid date.") << name;
    for (int row = 0; row < 2; ++row)
        for (int column = 6; column < 12; ++column) EXPECT_EQ(grid("ReloadGrid")->cellText(row, column), " ");

    // A second box in error is marked with its own message while the date stays wrong.
    presessions->clear();
    EXPECT_NE(presessions->palette().color(QPalette::Base), validBase);
    EXPECT_EQ(presessions->toolTip(), "'' is not a valid integer value.");
    EXPECT_NE(day->palette().color(QPalette::Base), validBase);

    // Save Results says why instead of writing a file without verdicts.
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    EXPECT_FALSE(m_window->saveResults(m_dir.filePath("Res.txt")));
    EXPECT_FALSE(QFile::exists(m_dir.filePath("Res.txt")));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.first().first().toString().contains("'31-02-2005' is not a valid date"))
        << errors.first().first().toString().toStdString();

    // Valid again: every row is judged under the rules on screen.
    QTest::keyClicks(presessions, "0");
    day->setText("27");
    month->setText("11");
    EXPECT_TRUE(child<QLabel>("RuleError")->text().isEmpty());
    EXPECT_EQ(day->palette().color(QPalette::Base), validBase);
    EXPECT_EQ(records()[0].reload->reloads, 3);
    expectRowsAsTheCoreWrites();
}

TEST_F(Window, ALoadOfThreeAfterTenLeavesTheUnusedSeriesEmptyAndOutOfTheLegend) {
    ResultTable ten;
    for (int i = 0; i < 10; ++i) ten.push_back(Record(std::string{'r', static_cast<char>('0' + i)}, 10 + i, i));
    m_window->showLoadedRecords(ten);
    m_window->showLoadedRecords({Record("a", 10, 0), Record("b", 0, 0), Record("z", 5000, 7)});

    auto* select = child<QComboBox>("GraphSelect");
    child<QTabWidget>("PageControls")->setCurrentIndex(1);
    for (const int category : {0, 1, 6}) {
        select->setCurrentIndex(category);
        for (int i = 3; i < HistoryChart::kSeriesCount; ++i) {
            EXPECT_EQ(chart()->series(i)->count(), 0) << category << i;
            EXPECT_FALSE(chart()->isInLegend(i)) << category << i;
        }
        EXPECT_EQ(chart()->series(0)->name(), "nick-a (a)");
        ASSERT_EQ(chart()->series(0)->count(), 10) << category;
        // A turn-0 save is titled and listed but draws nothing; no history is read past its end.
        EXPECT_EQ(chart()->series(1)->count(), 0);
        EXPECT_TRUE(chart()->isInLegend(1));
        EXPECT_EQ(chart()->series(2)->count(), analysis::kHistoryTurns);
    }
    EXPECT_EQ(m_window->graphCategory(), 6);

    // On screen, the legend lists exactly the series set to show in it.
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    for (int i = 0; i < HistoryChart::kSeriesCount; ++i) {
        const auto markers = chart()->chart()->legend()->markers(chart()->series(i));
        ASSERT_EQ(markers.size(), 1);
        EXPECT_EQ(markers.first()->isVisible(), i < 3) << i;
    }
    select->setCurrentIndex(0);
    select->setCurrentIndex(6);
    EXPECT_EQ(chart()->series(0)->at(9), QPointF(9, 6009));
}

TEST_F(Window, TheValueAxisFollowsTheDataForEconomyAndStartsAtZeroOtherwise) {
    auto rec = Record("a", 50, 0);
    for (auto& category : rec.history) std::fill(category.begin(), category.end(), -300);
    rec.history[1][10] = 800;
    m_window->showLoadedRecords({rec});
    auto* select = child<QComboBox>("GraphSelect");
    auto* axis = chart()->valueAxis();

    select->setCurrentText("Economy");
    EXPECT_LE(axis->min(), -300);
    EXPECT_GE(axis->max(), 800);
    select->setCurrentText("Score");
    EXPECT_EQ(axis->min(), 0);
    EXPECT_GT(axis->max(), 0);
    EXPECT_GE(chart()->turnAxis()->max(), 49);
}

TEST_F(Window, MoreRecordsThanRowsGrowTheGridsAndWidenColumnsToFit) {
    ResultTable many;
    for (int i = 0; i < 120; ++i)
        many.push_back(Record(QStringLiteral("s%1").arg(i, 3, 10, QLatin1Char('0')).toStdString(), 2, i));
    many[7].fileName += std::string(80, 'w');
    const int nameWidth = grid("BaseGrid")->columnWidth(1);
    m_window->showLoadedRecords(many);
    EXPECT_EQ(grid("BaseGrid")->model()->rowCount(), 120);
    EXPECT_GT(grid("BaseGrid")->columnWidth(1), nameWidth);
    EXPECT_EQ(grid("AdditionalGrid")->cellText(119, 0), "120");
    EXPECT_EQ(chart()->series(19)->name(), "nick-s019 (s019)");
}

TEST_F(Window, FixedPointTextsUseTheLocalesDecimalSeparator) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto window = makeWindow();
    QLocale::setDefault(previous);
    auto rec = Record("a", 10, 1);
    rec.landPercent = 33.333L;
    window->showLoadedRecords({rec});
    auto* additional = window->findChild<ResultGrid*>("AdditionalGrid");
    EXPECT_EQ(additional->cellText(0, 6), " 33,33");
    EXPECT_EQ(window->findChild<ResultGrid*>("ReloadGrid")->cellText(0, 8), " 20,00");
    const QString target = m_dir.filePath("Res.txt");
    ASSERT_TRUE(window->saveResults(target));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains(" 33,33"));
}

TEST_F(Window, SaveResultsWritesTheResultsFileAndReportsAFailure) {
    m_window->showLoadedRecords({Record("a", 10, 1), Record("b", 20, 2)});
    const QString target = m_dir.filePath("Res.txt");
    ASSERT_TRUE(m_window->saveResults(target));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().toStdString(),
              m_window->session().report(session::ReportFormat::Results, view::FormatOptions{}));

    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    EXPECT_FALSE(m_window->saveResults(m_dir.filePath("no-such-folder/Res.txt")));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.first().first().toString().startsWith(m_dir.filePath("no-such-folder/Res.txt") + ": "));
    EXPECT_EQ(errorBoxes().size(), 1);
}

// A load long enough for the progress dialog: it shows, counts, finishes and goes away, every time.
TEST_F(Window, ALongLoadShowsItsProgressAndEndsCleanlyEveryTime) {
    const auto& batch = LargeBatch();
    m_window->setProgressDelay(0);
    auto* progress = m_window->findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    m_window->show();
    for (int round = 0; round < 3; ++round) {
        QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
        ASSERT_TRUE(m_window->loadPaths(batch));
        EXPECT_TRUE(QTest::qWaitFor([&] { return progress->isVisible() || finished.count() > 0; }, 20000));
        ASSERT_TRUE(finished.count() > 0 || finished.wait(20000));
        EXPECT_FALSE(progress->isVisible());
        ASSERT_EQ(records().size(), static_cast<std::size_t>(batch.size()));
        for (const auto& rec : records()) EXPECT_EQ(rec.failure, "") << rec.fileName;
    }
}

TEST_F(Window, CancelKeepsTheFinishedRowsAndMarksTheRestNotLoaded) {
    // The batch several times over: with its files cached, one pass can end before the first poll.
    QStringList batch;
    for (int pass = 0; pass < 8; ++pass) batch += LargeBatch();
    m_window->setProgressDelay(0);
    auto* progress = m_window->findChild<QProgressDialog*>();
    m_window->show();
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    ASSERT_TRUE(m_window->loadPaths(batch));
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->isVisible(); }, 20000));
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(records().size(), static_cast<std::size_t>(batch.size()));
    std::size_t notLoaded = 0;
    for (const auto& rec : records()) notLoaded += rec.failure == analysis::kNotLoaded ? 1 : 0;
    EXPECT_GT(notLoaded, 0u);
    EXPECT_EQ(errors.count(), 0);  // a cancel is no failure
}

TEST_F(Window, ClosingDuringALoadReturnsAtOnce) {
    for (int round = 0; round < 3; ++round) {
        auto window = makeWindow();
        window->setProgressDelay(0);
        window->show();
        ASSERT_TRUE(window->loadPaths(LargeBatch()));
        QTest::qWait(20 * round);
        window.reset();  // the workers go on alone and end without it
    }
}

}  // namespace
}  // namespace quillmere::gui
