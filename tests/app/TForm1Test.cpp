#include "app/TForm1.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtCharts/QLegendMarker>
#include <memory>

#include "export/ResultsFile.h"
#include "savewriter/SampleGames.h"
#include "view/widgets/HistoryChart.h"
#include "view/widgets/ResultGrid.h"
#include "view/widgets/Windows1251Text.h"

namespace quillmere::app {
namespace {

using analysis::ResultTable;
using analysis::TSaveDataRec;
using view::HistoryChart;
using view::ResultGrid;

// A small but whole save of a game at `turn`, from the save writer.
void WriteSave(const QString& path, std::int32_t turn, const std::string& block = {}) {
    savewriter::GameSketch sketch;
    sketch.name = "nick-" + QFileInfo(path).baseName().toStdString();
    sketch.block = block;
    sketch.turn = turn;
    sketch.activePlayers = 2;
    sketch.citiesPerPlayer = 2;
    sketch.unitsPerPlayer = 3;
    sketch.messagesPerPlayer = 4;
    sketch.width = 8;
    sketch.height = 6;
    sketch.seed = static_cast<std::uint32_t>(turn) + 1;
    const auto bytes = savewriter::BuildSave(savewriter::MakeGame(sketch));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

TSaveDataRec Record(const std::string& name, std::int32_t turn, std::int32_t score) {
    TSaveDataRec rec;
    rec.FileName = name;
    rec.FileDate = 38685.5;
    rec.NickName = "nick-" + name;
    rec.Turn = turn;
    rec.Score = score;
    rec.PlayTime = 7200;
    rec.LoadCount = 3;
    for (std::size_t category = 0; category < rec.History.size(); ++category)
        for (std::size_t t = 0; t < rec.History[category].size(); ++t)
            rec.History[category][t] = static_cast<std::int32_t>(category * 1000 + t) + score;
    return rec;
}

class Window : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        for (auto* box : m_form->findChildren<QMessageBox*>()) box->close();
    }

    QString save(const QString& name, std::int32_t turn, const std::string& block = {}) {
        const QString path = m_dir.filePath(name);
        WriteSave(path, turn, block);
        return path;
    }

    bool load(const QStringList& paths) {
        QSignalSpy finished(m_form.get(), &TForm1::loadFinished);
        if (!m_form->loadFiles(paths)) return false;
        return finished.wait(10000);
    }

    template <typename T>
    T* child(const char* name) const {
        auto* found = m_form->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    ResultGrid* grid(const char* name) const { return child<ResultGrid>(name); }
    HistoryChart* chart() const { return child<HistoryChart>("HistoryChart"); }

    QList<QMessageBox*> errorBoxes() const {
        QList<QMessageBox*> shown;
        for (auto* box : m_form->findChildren<QMessageBox*>())
            if (box->isVisible()) shown << box;
        return shown;
    }

    // The texts that every grid row must show: the core's, decoded.
    void expectRowsAsTheCoreWrites() {
        const auto& records = m_form->records();
        for (std::size_t i = 0; i < records.size(); ++i) {
            const int row = static_cast<int>(i);
            const auto texts = view::RowTextsOf(records[i], row + 1, m_form->formatOptions());
            for (std::size_t c = 0; c < texts.base.size(); ++c)
                EXPECT_EQ(grid("BaseGrid")->cellText(row, static_cast<int>(c)), view::FromWindows1251(texts.base[c])) << i << c;
            for (std::size_t c = 0; c + 1 < texts.reload.size(); ++c)
                EXPECT_EQ(grid("ReloadGrid")->cellText(row, static_cast<int>(c)), view::FromWindows1251(texts.reload[c])) << i << c;
            for (std::size_t c = 0; c < texts.additional.size(); ++c)
                EXPECT_EQ(grid("AdditionalGrid")->cellText(row, static_cast<int>(c)), view::FromWindows1251(texts.additional[c]))
                    << i << c;
        }
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TForm1> m_form;
};

TEST_F(Window, StartsWithItsCaptionTabsHeadersAndDefaultRules) {
    EXPECT_EQ(m_form->windowTitle(), "Quillmere (version 1.02)");
    EXPECT_EQ(m_form->size(), QSize(985, 558));
    auto* tabs = child<QTabWidget>("PageControls");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "Base");
    EXPECT_EQ(tabs->tabText(1), "Graph");
    EXPECT_EQ(tabs->tabText(2), "Reloads");
    EXPECT_EQ(tabs->tabText(3), "Additional");
    EXPECT_EQ(tabs->currentIndex(), 0);

    EXPECT_EQ(grid("BaseGrid")->horizontalHeaderItem(0)->text(), QString::fromUtf8("№"));
    EXPECT_EQ(grid("BaseGrid")->horizontalHeaderItem(1)->text(), "File Name");
    EXPECT_EQ(grid("BaseGrid")->columnWidth(1), 240);
    EXPECT_EQ(grid("ReloadGrid")->columnCount(), 13);
    EXPECT_EQ(grid("ReloadGrid")->horizontalHeaderItem(12)->text(), "Penalty");
    EXPECT_EQ(grid("AdditionalGrid")->horizontalHeaderItem(11)->text(), "Culture 3");
    for (const char* name : {"BaseGrid", "ReloadGrid", "AdditionalGrid"}) {
        EXPECT_EQ(grid(name)->rowCount(), 99) << name;
        EXPECT_EQ(grid(name)->editTriggers(), QAbstractItemView::NoEditTriggers) << name;
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
    EXPECT_EQ(select->itemText(6), "Science");
    ASSERT_EQ(chart()->chart()->series().size(), HistoryChart::kSeriesCount);
    EXPECT_EQ(chart()->series(0)->name(), "Graph01");
    EXPECT_EQ(chart()->series(19)->name(), "Graph20");
    EXPECT_EQ(chart()->series(0)->pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(chart()->series(0)->pen().width(), 2);
    EXPECT_TRUE(chart()->isInLegend(19));

    const auto& directions = m_form->sortDirections();
    EXPECT_TRUE(directions.fileName);
    EXPECT_TRUE(directions.turn);
    EXPECT_FALSE(directions.score);
    EXPECT_FALSE(directions.finalScore);
}

TEST_F(Window, LoadShowsEveryColumnOfEveryRowAsTheCoreWritesIt) {
    const QStringList paths = {save("carol.sav", 30), save("alice.sav", 10), save("Bob.sav", 20)};
    QSignalSpy finished(m_form.get(), &TForm1::loadFinished);
    ASSERT_TRUE(m_form->loadFiles(paths));
    // The files are read off the user-interface thread; a second load waits for the first.
    EXPECT_TRUE(m_form->isLoading());
    EXPECT_FALSE(m_form->loadFiles(paths));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.count(), 1);

    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), QDir(m_dir.path()).absolutePath());
    const auto& records = m_form->records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].FileName, "alice");
    EXPECT_EQ(records[1].FileName, "Bob");
    EXPECT_EQ(records[2].FileName, "carol");
    EXPECT_EQ(records[0].Turn, 10);
    for (const auto& rec : records) EXPECT_TRUE(rec.ReloadDone) << rec.FileName;
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

    ASSERT_EQ(m_form->records().size(), 2u);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "y");
    for (const char* name : {"BaseGrid", "ReloadGrid", "AdditionalGrid"})
        for (int row = 2; row < 5; ++row)
            for (int column = 0; column < grid(name)->columnCount(); ++column)
                EXPECT_EQ(grid(name)->cellText(row, column), " ") << name << row << column;
}

TEST_F(Window, FailedFilesKeepMarkedRowsAndOneErrorBoxListsThemAll) {
    const QString garbage = m_dir.filePath("garbage.sav");
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a save at all");
    }
    const QString missing = m_dir.filePath("missing.sav");
    QSignalSpy errors(m_form.get(), &TForm1::errorReported);
    ASSERT_TRUE(load({missing, save("good.sav", 12), garbage}));

    const auto& records = m_form->records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].FileName, "garbage");
    EXPECT_EQ(records[1].FileName, "good");
    EXPECT_EQ(records[2].FileName, "missing");
    expectRowsAsTheCoreWrites();
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 5), " ");
    EXPECT_NE(grid("BaseGrid")->cellText(1, 5), " ");

    const QColor plain = grid("BaseGrid")->item(1, 3)->background().color();
    for (const char* name : {"BaseGrid", "ReloadGrid", "AdditionalGrid"}) {
        EXPECT_NE(grid(name)->item(0, 3)->background().color(), plain) << name;
        EXPECT_EQ(grid(name)->item(2, 1)->toolTip(), "No such file or directory.") << name;
        EXPECT_TRUE(grid(name)->item(1, 1)->toolTip().isEmpty()) << name;
    }

    ASSERT_EQ(errors.count(), 1);
    const auto boxes = errorBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->windowTitle(), "Quillmere");
    EXPECT_EQ(boxes.first()->icon(), QMessageBox::Critical);
    const QStringList lines = boxes.first()->text().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "missing.sav: No such file or directory.");
    EXPECT_TRUE(lines[1].startsWith("garbage.sav: ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(".")) << lines[1].toStdString();
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
    expectRowsAsTheCoreWrites();
    EXPECT_TRUE(grid("BaseGrid")->item(0, 1)->toolTip().isEmpty());
    EXPECT_TRUE(errorBoxes().isEmpty());
    EXPECT_EQ(chart()->series(0)->count(), 0);
    EXPECT_FALSE(chart()->isInLegend(0));
    EXPECT_EQ(chart()->series(1)->count(), 40);
    EXPECT_EQ(chart()->series(1)->name(), "nick-open");
    EXPECT_TRUE(chart()->isInLegend(1));
}

TEST_F(Window, SortButtonsSortFlipTheirDirectionAndMoveTheGraphAlong) {
    m_form->showRecords({Record("a", 10, 300), Record("b", 20, 100), Record("c", 30, 200)});
    auto* byScore = child<QToolButton>("SortByScoreSelect");

    QTest::mouseClick(byScore, Qt::LeftButton);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "a");
    EXPECT_EQ(grid("BaseGrid")->cellText(1, 1), "c");
    EXPECT_EQ(grid("BaseGrid")->cellText(2, 1), "b");
    EXPECT_TRUE(m_form->sortDirections().score);
    EXPECT_EQ(chart()->series(0)->name(), "nick-a");

    QTest::mouseClick(byScore, Qt::LeftButton);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "b");
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 0), "1");
    EXPECT_EQ(grid("BaseGrid")->cellText(2, 1), "a");
    EXPECT_FALSE(m_form->sortDirections().score);
    EXPECT_EQ(chart()->series(0)->name(), "nick-b");
    EXPECT_EQ(chart()->series(0)->count(), 20);
    expectRowsAsTheCoreWrites();

    // A load sorts by name in the name button's current direction, without flipping it.
    QTest::mouseClick(child<QToolButton>("SortByFileNameSelect"), Qt::LeftButton);
    ASSERT_FALSE(m_form->sortDirections().fileName);
    ASSERT_TRUE(load({save("m.sav", 1), save("x.sav", 2), save("d.sav", 3)}));
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "x");
    EXPECT_EQ(grid("BaseGrid")->cellText(2, 1), "d");
    EXPECT_FALSE(m_form->sortDirections().fileName);
}

TEST_F(Window, ARuleChangeRerunsTheReloadControlForEveryRow) {
    m_form->showRecords({Record("a", 10, 1), Record("b", 20, 2)});
    ASSERT_EQ(m_form->records()[0].Reloads, 2);

    child<QLineEdit>("Edit4")->setText("0");
    reload::RuleTexts texts;
    texts.presessions = "0";
    ResultTable expected = {Record("a", 10, 1), Record("b", 20, 2)};
    reload::ApplyRules(expected, reload::ParseRules(texts, QDate::currentDate().year()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(m_form->records()[i].Reloads, expected[i].Reloads);
        EXPECT_EQ(m_form->records()[i].Honesty, expected[i].Honesty);
    }
    EXPECT_EQ(m_form->records()[0].Reloads, 3);
    expectRowsAsTheCoreWrites();
}

TEST_F(Window, AnInvalidRuleIsShownInlineAndTheGridsKeepTheirTexts) {
    m_form->showRecords({Record("a", 10, 1)});
    const QString honesty = grid("ReloadGrid")->cellText(0, 11);
    ASSERT_NE(honesty, " ");
    auto* day = child<QLineEdit>("Edit6");
    const QColor validBase = day->palette().color(QPalette::Base);

    day->setText("");
    EXPECT_EQ(child<QLabel>("RuleError")->text(), "'-11-2005' is not a valid date.");
    EXPECT_NE(day->palette().color(QPalette::Base), validBase);
    EXPECT_EQ(child<QLineEdit>("Edit4")->palette().color(QPalette::Base), validBase);
    child<QLineEdit>("Edit4")->setText("1");  // another change while the date is still wrong
    EXPECT_EQ(grid("ReloadGrid")->cellText(0, 11), honesty);
    EXPECT_TRUE(errorBoxes().isEmpty());

    // A load meanwhile reads every file but leaves the verdicts open until the rules are valid.
    ASSERT_TRUE(load({save("later.sav", 5)}));
    EXPECT_FALSE(m_form->records()[0].ReloadDone);
    EXPECT_EQ(grid("ReloadGrid")->cellText(0, 11), " ");
    EXPECT_NE(grid("ReloadGrid")->cellText(0, 3), " ");

    day->setText("27");
    EXPECT_TRUE(child<QLabel>("RuleError")->text().isEmpty());
    EXPECT_EQ(day->palette().color(QPalette::Base), validBase);
    EXPECT_TRUE(m_form->records()[0].ReloadDone);
    EXPECT_NE(grid("ReloadGrid")->cellText(0, 11), " ");
}

TEST_F(Window, ALoadOfThreeAfterTenLeavesTheUnusedSeriesEmptyAndOutOfTheLegend) {
    ResultTable ten;
    for (int i = 0; i < 10; ++i) ten.push_back(Record("r" + std::to_string(i), 10 + i, i));
    m_form->showRecords(ten);
    auto many = Record("z", 5000, 7);
    m_form->showRecords({Record("a", 10, 0), Record("b", 0, 0), many});

    auto* select = child<QComboBox>("GraphSelect");
    for (const char* category : {"Score", "Economy", "Science", "no such graph"}) {
        select->setEditText(category);
        for (int i = 3; i < HistoryChart::kSeriesCount; ++i) {
            EXPECT_EQ(chart()->series(i)->count(), 0) << category << i;
            EXPECT_FALSE(chart()->isInLegend(i)) << category << i;
        }
        EXPECT_EQ(chart()->series(0)->name(), "nick-a");
        ASSERT_EQ(chart()->series(0)->count(), 10) << category;
        // A turn-0 save is titled and listed but draws nothing; no history is read past its end.
        EXPECT_EQ(chart()->series(1)->count(), 0);
        EXPECT_TRUE(chart()->isInLegend(1));
        EXPECT_EQ(chart()->series(2)->count(), analysis::kHistoryTurns);
    }
    EXPECT_EQ(m_form->graphCategory(), -1);
    EXPECT_EQ(chart()->series(0)->at(9), QPointF(9, 0));

    // On screen, the legend lists exactly the series set to show in it.
    child<QTabWidget>("PageControls")->setCurrentIndex(1);
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    for (int i = 0; i < HistoryChart::kSeriesCount; ++i) {
        const auto markers = chart()->chart()->legend()->markers(chart()->series(i));
        ASSERT_EQ(markers.size(), 1);
        EXPECT_EQ(markers.first()->isVisible(), i < 3) << i;
    }

    select->setCurrentIndex(6);
    EXPECT_EQ(chart()->series(0)->at(9), QPointF(9, 6009));
}

TEST_F(Window, TheValueAxisFollowsTheDataForEconomyAndStartsAtZeroOtherwise) {
    auto rec = Record("a", 50, 0);
    for (auto& category : rec.History) category.fill(-300);
    rec.History[1][10] = 800;
    m_form->showRecords({rec});
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

TEST_F(Window, MoreRecordsThanRowsGrowTheGridsButDrawTwentySeries) {
    ResultTable many;
    for (int i = 0; i < 120; ++i)
        many.push_back(Record(QStringLiteral("s%1").arg(i, 3, 10, QLatin1Char('0')).toStdString(), 2, i));
    many[7].FileName += std::string(80, 'w');
    const int nameWidth = grid("BaseGrid")->columnWidth(1);
    m_form->showRecords(many);
    EXPECT_EQ(grid("BaseGrid")->rowCount(), 120);
    // A text wider than its column widens the column instead of being cut.
    EXPECT_GT(grid("BaseGrid")->columnWidth(1), nameWidth);
    EXPECT_EQ(grid("AdditionalGrid")->cellText(119, 0), "120");
    EXPECT_EQ(chart()->series(19)->name(), "nick-s019");
}

TEST_F(Window, FixedPointTextsUseTheLocalesDecimalSeparator) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto rec = Record("a", 10, 1);
    rec.LandPercent = 33.333L;
    m_form->showRecords({rec});
    QLocale::setDefault(previous);
    EXPECT_EQ(grid("AdditionalGrid")->cellText(0, 6), " 33,33");
    EXPECT_EQ(grid("ReloadGrid")->cellText(0, 8), " 20,00");
}

TEST_F(Window, SaveResultsWritesTheCoreTextAndReportsAFailure) {
    m_form->showRecords({Record("a", 10, 1), Record("b", 20, 2)});
    const QString target = m_dir.filePath("Res.txt");
    ASSERT_TRUE(m_form->saveResults(target));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_EQ(bytes.toStdString(), exporting::BuildResultsText(m_form->records(), m_form->formatOptions()));

    QSignalSpy errors(m_form.get(), &TForm1::errorReported);
    EXPECT_FALSE(m_form->saveResults(m_dir.filePath("no-such-folder/Res.txt")));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.first().first().toString().startsWith(m_dir.filePath("no-such-folder/Res.txt") + ": "));
    EXPECT_EQ(errorBoxes().size(), 1);
}

}  // namespace
}  // namespace quillmere::app
