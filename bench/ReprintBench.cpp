// Times how long the window takes to show 1,000 rows again after a rule keystroke and after a sort
// click, painting included (offscreen). Built with the window, run by hand:
//   QT_QPA_PLATFORM=offscreen build/bin/quillmere-reprint-bench [ROWS]

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "gui/MainWindow.h"
#include "gui/ResultGrid.h"

namespace {

using quillmere::analysis::SaveRecord;

SaveRecord record(int i) {
    SaveRecord rec;
    rec.fileName = "player" + std::to_string(i);
    rec.fileDate = 38685.5 + i % 20;
    rec.nickName = "nick" + std::to_string(i);
    rec.turn = 100 + i % 400;
    rec.score = 1000 + (i * 37) % 5000;
    rec.finalScore = (i * 7919) % 30000;
    rec.playTime = 3600 + i * 17;
    rec.loadCount = 2 + i % 9;
    rec.history.assign(quillmere::analysis::kHistoryCategories,
                       std::vector<std::int32_t>(quillmere::analysis::kHistoryTurns));
    for (std::size_t c = 0; c < rec.history.size(); ++c)
        for (std::size_t t = 0; t < rec.history[c].size(); ++t)
            rec.history[c][t] = static_cast<std::int32_t>(t * (c + 1) + i);
    return rec;
}

// The fastest of `rounds` runs of `action` followed by painting the grid in view.
template <typename Action>
double fastest(quillmere::gui::MainWindow& window, int rounds, Action action) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer clock;
        clock.start();
        action(r);
        QApplication::processEvents();
        window.repaint();
        for (auto* grid : window.findChildren<quillmere::gui::ResultGrid*>())
            if (grid->isVisible()) grid->viewport()->repaint();
        best = std::min(best, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    QTemporaryDir dir;
    quillmere::gui::MainWindow window(std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat));
    window.show();
    quillmere::analysis::ResultTable table;
    for (int i = 0; i < rows; ++i) table.push_back(record(i));
    window.showLoadedRecords(std::move(table));
    QApplication::processEvents();

    auto* presessions = window.findChild<QLineEdit*>("Edit4");
    auto* tabs = window.findChild<QTabWidget*>("PageControls");
    tabs->setCurrentIndex(2);  // the Reloads tab, whose cells the rules change
    const double keystroke = fastest(window, 9, [&](int r) { presessions->setText(QString::number(r % 3)); });
    tabs->setCurrentIndex(0);
    auto* byScore = window.findChild<QToolButton*>("SortByScoreSelect");
    const double sort = fastest(window, 9, [&](int) { byScore->click(); });
    std::printf("%d rows: rule keystroke to repaint %.1f ms, sort click to repaint %.1f ms (target < 50 ms)\n", rows,
                keystroke, sort);
    return 0;
}
