#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include "gui/SortButton.h"
#include "gui/WindowFixture.h"

namespace quillmere::gui {
namespace {

using namespace quillmere::gui::testing;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class WindowWork : public Window {
protected:
    QString writeProfile() {
        const QString path = m_dir.filePath("cup.json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(savewriter::TournamentProfile()));
        return path;
    }
    QLineEdit* edit(MainWindow& window, const char* name) { return window.findChild<QLineEdit*>(name); }
};

TEST_F(WindowWork, TypedRulesOutliveARestartWithARememberedProfile) {
    ASSERT_TRUE(m_window->openProfile(writeProfile()));  // its rules are the defaults: no question
    EXPECT_EQ(m_window->windowTitle(), "Quillmere (version 1.02) - profile Example Cup");
    edit(*m_window, "Edit7")->setText("2");
    edit(*m_window, "Edit8")->setText("45");
    m_window->close();
    m_window = makeWindow();
    EXPECT_EQ(edit(*m_window, "Edit7")->text(), "2");
    EXPECT_EQ(edit(*m_window, "Edit8")->text(), "45");
    EXPECT_EQ(m_window->session().ruleTexts().minSessionMinutes, "45");
    ASSERT_TRUE(m_window->session().profile());
    EXPECT_TRUE(m_window->windowTitle().endsWith("Example Cup"));

    // A profile whose rules differ asks first: Cancel changes nothing, No keeps the typed rules.
    QString question;
    {
        DialogAnswers answers({DialogAnswers::press(QMessageBox::Cancel, &question)});
        EXPECT_FALSE(m_window->openProfile(m_dir.filePath("cup.json")));
    }
    EXPECT_TRUE(question.contains("sessions per day: 1,5 (typed: 2)")) << question.toStdString();
    {
        DialogAnswers answers({DialogAnswers::press(QMessageBox::No)});
        EXPECT_TRUE(m_window->openProfile(m_dir.filePath("cup.json")));
    }
    EXPECT_EQ(edit(*m_window, "Edit7")->text(), "2");
    {
        DialogAnswers answers({DialogAnswers::press(QMessageBox::Yes)});
        EXPECT_TRUE(m_window->openProfile(m_dir.filePath("cup.json")));
    }
    EXPECT_EQ(edit(*m_window, "Edit7")->text(), "1,5");

    m_window->dropProfile();
    EXPECT_EQ(m_window->windowTitle(), "Quillmere (version 1.02)");
    m_window->close();
    m_window = makeWindow();
    EXPECT_FALSE(m_window->session().profile());
}

TEST_F(WindowWork, SavingAsksBeforeReplacingAFileAndSaysWhatItSaved) {
    ASSERT_TRUE(load({save("a.sav", 10), save("b.sav", 20)}));
    const QString target = m_dir.filePath("Res.txt");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("another round");
    }
    {
        DialogAnswers answers(
            {DialogAnswers::accept(), DialogAnswers::press(QMessageBox::No), DialogAnswers::reject()});
        m_window->chooseAndSaveResults();
        EXPECT_EQ(answers.answered(), 3u);
    }
    EXPECT_EQ(contentsOf(target), "another round");
    {
        DialogAnswers answers({DialogAnswers::accept(), DialogAnswers::press(QMessageBox::Yes)});
        m_window->chooseAndSaveResults();
    }
    EXPECT_EQ(contentsOf(target).toStdString(),
              m_window->session().report(session::ReportFormat::Results, {'.', view::TextEncoding::Windows1251}));
    // A note never hides the batch's counts.
    EXPECT_EQ(child<QLabel>("StatusText")->text().toStdString(),
              ("Saved 2 rows to " + QDir::toNativeSeparators(target) + " - 2 saves: 2 analysed, 0 blocked, 0 failed")
                  .toStdString());
}

TEST_F(WindowWork, SavingAfterACancelSaysHowManyRowsAreBlank) {
    auto left = Record("c", 0, 0);
    left.failure = analysis::kNotLoaded;
    auto alsoLeft = left;
    alsoLeft.fileName = "d";
    m_window->showLoadedRecords({Record("a", 10, 1), left, alsoLeft});
    const auto* model = grid("BaseGrid")->model();
    EXPECT_TRUE(model->data(model->index(1, 3), Qt::ToolTipRole).toString().startsWith("Not loaded"));
    EXPECT_NE(model->data(model->index(1, 3), Qt::BackgroundRole), model->data(model->index(0, 3), Qt::BackgroundRole));
    QString question;
    {
        DialogAnswers answers({DialogAnswers::press(QMessageBox::Cancel, &question), DialogAnswers::reject()});
        m_window->chooseAndSaveResults();
        EXPECT_EQ(answers.answered(), 1u);  // no file dialog after Cancel
    }
    EXPECT_TRUE(question.startsWith("2 saves were left out by Cancel")) << question.toStdString();
}

TEST_F(WindowWork, InvalidRulesAreRefusedBeforeAnyDialogNamingEveryBox) {
    m_window->showLoadedRecords({Record("a", 10, 1)});
    edit(*m_window, "Edit7")->setText("-1");
    edit(*m_window, "Edit4")->setText("-5");
    edit(*m_window, "Edit8")->setText("x");
    EXPECT_FALSE(m_window->session().rulesValid());
    auto* errors = child<QLabel>("RuleError");
    EXPECT_TRUE(errors->text().contains("presessions must be 0 or more, not '-5'."));
    EXPECT_LE(errors->heightForWidth(errors->width()), errors->height());  // all three messages fit
    edit(*m_window, "Edit8")->setText("0");                                // 0 stands: it counts as one minute

    QSignalSpy reported(m_window.get(), &MainWindow::errorReported);
    DialogAnswers answers({DialogAnswers::reject()});
    m_window->chooseAndSaveResults();
    ASSERT_EQ(reported.count(), 1);
    EXPECT_EQ(reported.first().first().toString(),
              "The results were not saved: the reload rules are invalid (sessions per day must be 0 or more, not "
              "'-1'; presessions must be 0 or more, not '-5').");
    QTest::qWait(50);
    EXPECT_EQ(answers.answered(), 1u);  // only the error box, which is not modal: no file dialog
    EXPECT_TRUE(m_window->findChildren<QFileDialog*>().isEmpty());

    // Copying says why the verdicts are blank.
    grid("BaseGrid")->selectRow(0);
    ASSERT_TRUE(m_window->copySelectedRows());
    EXPECT_TRUE(child<QLabel>("StatusText")
                    ->text()
                    .endsWith("verdicts blank - 1 save: 1 analysed, 0 blocked, 0 failed - no reload verdicts: invalid "
                              "sessions per day, "
                              "presessions"));
}

TEST_F(WindowWork, EveryEntryPassedOverIsListedInAListThatFitsTheScreen) {
    QDir(m_dir.path()).mkpath("round/inner");
    save("round/a.sav", 10);
    // A name long enough to run past the list's width.
    const QString pipe = "round/pipe" + QString(150, 'x');
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_dir.filePath(pipe)).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(m_dir.filePath("round/gone.sav"), m_dir.filePath("round/link.sav")));
    QSignalSpy errors(m_window.get(), &MainWindow::errorReported);
    ASSERT_TRUE(load({m_dir.filePath("round")}));
    EXPECT_EQ(records().size(), 1u);
    auto* box = m_window->findChild<QDialog*>("FailureList");
    ASSERT_NE(box, nullptr);
    const auto* list = box->findChild<QListWidget*>();
    // A folder inside is not read without --recursive, as a folder is meant to be: not a fault.
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().contains("link.sav: skipped (No such file"))
        << list->item(0)->text().toStdString();
    EXPECT_TRUE(list->item(1)->text().contains("xxx: skipped (not a save file")) << list->item(1)->text().toStdString();
    // The list is as wide as the screen allows, and no line hides under its scroll bar.
    QTest::qWait(50);
    EXPECT_TRUE(list->horizontalScrollBar()->isVisible());
    EXPECT_LE(list->visualItemRect(list->item(1)).bottom(), list->viewport()->rect().bottom());
    box->close();

    QStringList many;
    for (int i = 0; i < 300; ++i) many << m_dir.filePath(QStringLiteral("missing%1.sav").arg(i));
    ASSERT_TRUE(load(many));
    box = m_window->findChildren<QDialog*>("FailureList").last();
    EXPECT_EQ(box->findChild<QListWidget*>()->count(), 300);
    EXPECT_LE(box->height(), m_window->screen()->availableGeometry().height());
}

TEST_F(WindowWork, HeadersSortEveryTabAndALoadClearsEverySortMark) {
    ResultTable table = {Record("a", 30, 1), Record("b", 10, 2), Record("c", 20, 3)};
    table[0].loadCount = 9;
    m_window->showLoadedRecords(table);
    auto* byTurn = child<SortButton>("SortByTurnSelect");
    auto* byName = child<SortButton>("SortByFileNameSelect");
    const auto picture = [](SortButton* button) { return button->icon().pixmap(16, 16).toImage(); };
    byTurn->click();
    EXPECT_EQ(byTurn->shows(), SortButton::Shows::Ascending);
    EXPECT_NE(picture(byTurn), picture(byName));  // active and inactive look different

    // A header of the Reloads grid sorts by its texts, and says so; the Base grid's Turn header
    // sorts as its button does.
    auto* reloads = grid("ReloadGrid");
    Q_EMIT reloads->horizontalHeader()->sectionClicked(7);  // "Reloads", smallest first
    EXPECT_EQ(reloads->cellText(2, 1), "a");
    EXPECT_TRUE(reloads->horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(byTurn->shows(), SortButton::Shows::Key);
    Q_EMIT grid("BaseGrid")->horizontalHeader()->sectionClicked(5);
    EXPECT_EQ(byTurn->shows(), SortButton::Shows::Descending);
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "a");
    EXPECT_FALSE(reloads->horizontalHeader()->isSortIndicatorShown());

    m_window->showLoadedRecords({Record("z", 1, 1), Record("y", 2, 2)});
    for (const char* name : {"SortByFileNameSelect", "SortByTurnSelect", "SortByScoreSelect", "SortByFinalScoreSelect"})
        EXPECT_EQ(child<SortButton>(name)->shows(), SortButton::Shows::Key) << name;
    EXPECT_EQ(grid("BaseGrid")->cellText(0, 1), "y");
}

TEST_F(WindowWork, TheGraphCategoryIsAFixedListAndAnInvalidStartDateSaysWhichChecksAreOff) {
    auto* select = child<QComboBox>("GraphSelect");
    EXPECT_FALSE(select->isEditable());
    m_window->close();
    {
        QSettings settings(m_dir.filePath("settings.ini"), QSettings::IniFormat);
        settings.setValue("graph/category", "Sci");
    }
    m_window = makeWindow();
    EXPECT_EQ(m_window->graphCategory(), 0);

    ASSERT_TRUE(m_window->openProfile(writeProfile()));
    edit(*m_window, "Edit6")->setText("32");
    const QString note = "deadline not checked: the start date is invalid";
    EXPECT_TRUE(child<QLabel>("ChecksOff")->text().contains(note));
    EXPECT_TRUE(child<QLabel>("StatusText")->text().contains(note));
    edit(*m_window, "Edit6")->setText("27");
    EXPECT_TRUE(child<QLabel>("ChecksOff")->text().isEmpty());
}

TEST_F(WindowWork, TheFilterNarrowsTheRowsShownButSortingAndSavingActOnAll) {
    auto anna = Record("round1", 10, 1);
    anna.nickName = "Anna";
    m_window->showLoadedRecords({anna, Record("anna-2", 20, 2), Record("bob", 30, 3)});
    child<QLineEdit>("RowFilter")->setText("ANNA");
    auto* base = grid("BaseGrid");
    EXPECT_FALSE(base->isRowHidden(0));
    EXPECT_TRUE(base->isRowHidden(1));  // bob
    EXPECT_FALSE(base->isRowHidden(2));
    EXPECT_EQ(child<QLabel>("FilterNote")->text(), "1 of 3 rows hidden");
    EXPECT_TRUE(child<QLabel>("StatusText")->text().startsWith("3 saves: "))
        << child<QLabel>("StatusText")->text().toStdString();
    child<SortButton>("SortByTurnSelect")->click();
    EXPECT_EQ(base->cellText(2, 1), "bob");
    EXPECT_TRUE(base->isRowHidden(2));
    EXPECT_TRUE(grid("FlagsGrid")->isRowHidden(2));
    ASSERT_TRUE(m_window->saveResults(m_dir.filePath("Res.txt")));
    EXPECT_TRUE(contentsOf(m_dir.filePath("Res.txt")).contains("bob"));
    child<QLineEdit>("RowFilter")->clear();
    EXPECT_FALSE(base->isRowHidden(2));
    EXPECT_TRUE(child<QLabel>("FilterNote")->text().isEmpty());

    // Enter in the Path box loads the folder typed there.
    QDir(m_dir.path()).mkdir("next");
    save("next/n.sav", 5);
    QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
    auto* path = child<QLineEdit>("Edit1");
    path->setText(m_dir.filePath("next"));
    QTest::keyClick(path, Qt::Key_Return);
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].fileName, "n");
}

}  // namespace
}  // namespace quillmere::gui
