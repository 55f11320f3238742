#include "gui/WindowMenus.h"

#include <QAction>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <utility>

#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "session/Guide.h"

namespace quillmere::gui {

namespace {

// A help text in a box of its own that leaves the window usable, as plain text.
void ShowHelpText(QWidget& window, const char* name, const QString& title, std::string_view text) {
    auto* box = new QMessageBox(QMessageBox::Information, title, FromUtf8(text), QMessageBox::Close, &window);
    box->setObjectName(QString::fromLatin1(name));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace

void CreateWindowMenus(MainWindow& window, QTabWidget& pages) {
    auto* const bar = window.menuBar();
    auto* file = bar->addMenu(MainWindow::tr("&File"));
    file->addAction(MainWindow::tr("&Load Files..."), QKeySequence::Open, &window, &MainWindow::chooseAndLoadFiles);
    file->addAction(MainWindow::tr("Load F&older..."), &window, &MainWindow::chooseAndLoadFolder);
    file->addSeparator();
    file->addAction(MainWindow::tr("&Save Results..."), QKeySequence::Save, &window, &MainWindow::chooseAndSaveResults);
    for (const auto& kind : session::kReportKinds) {
        if (kind.exportEntry.empty()) continue;
        const auto format = kind.format;
        // The table's texts are literals, so their data ends where the view does.
        file->addAction(MainWindow::tr(kind.exportEntry.data()), &window,
                        [&window, format] { window.chooseAndExport(format); });
    }
    file->addAction(MainWindow::tr("Save &Graph as PNG or SVG..."), &window, &MainWindow::chooseAndSaveGraph);
    file->addSeparator();
    file->addAction(MainWindow::tr("Open &Profile..."), &window, &MainWindow::chooseAndOpenProfile);
    file->addAction(MainWindow::tr("Save Profile &As..."), &window, &MainWindow::chooseAndSaveProfile);
    file->addAction(MainWindow::tr("&No Profile"), &window, &MainWindow::dropProfile);
    file->addSeparator();
    // A season's commands; those that need an open tournament are enabled by the window.
    const std::pair<const char*, QAction*> tournament[] = {
        {"NewTournament",
         file->addAction(MainWindow::tr("New &Tournament..."), &window, &MainWindow::chooseAndNewTournament)},
        {"OpenTournament",
         file->addAction(MainWindow::tr("Open Tou&rnament..."), &window, &MainWindow::chooseAndOpenTournament)},
        {"NewRound", file->addAction(MainWindow::tr("New Ro&und..."), &window, &MainWindow::chooseAndAddRound)},
        {"AddToRoundAction", file->addAction(MainWindow::tr("A&dd to Round"), &window, &MainWindow::addLoadedToRound)},
        {"AddToRoundAsPlayer",
         file->addAction(MainWindow::tr("Add to Round as Pla&yer..."), &window, &MainWindow::addLoadedToRoundAs)},
        {"CloseTournament",
         file->addAction(MainWindow::tr("Clos&e Tournament"), &window, [&window] { window.closeTournament(); })},
    };
    for (const auto& [name, action] : tournament) action->setObjectName(name);
    file->addSeparator();
    file->addAction(MainWindow::tr("&Quit"), QKeySequence::Quit, &window, &QWidget::close);

    auto* edit = bar->addMenu(MainWindow::tr("&Edit"));
    edit->addAction(MainWindow::tr("&Copy Rows"), QKeySequence::Copy, &window, &MainWindow::copyRows);
    edit->addAction(MainWindow::tr("&Reset Rules"), &window, &MainWindow::resetRules);

    auto* view = bar->addMenu(MainWindow::tr("&View"));
    for (int tab = 0; tab < pages.count(); ++tab) {
        view->addAction(pages.tabText(tab), QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + tab)), &window,
                        [&pages, tab] { pages.setCurrentIndex(tab); });
    }

    auto* help = bar->addMenu(MainWindow::tr("&Help"));
    help->addAction(MainWindow::tr("A Round in &Five Steps"), &window, [&window] {
        ShowHelpText(window, "RoundSteps", MainWindow::tr("A round in five steps"), session::RoundInFiveSteps());
    });
    help->addAction(MainWindow::tr("&Keyboard Shortcuts"), &window, [&window] {
        ShowHelpText(window, "Shortcuts", MainWindow::tr("Keyboard shortcuts"),
                     session::ShortcutsText(session::FrontEnd::Window));
    });
    help->addSeparator();
    help->addAction(MainWindow::tr("&About Quillmere"), &window, &MainWindow::showAbout);
}

}  // namespace quillmere::gui
