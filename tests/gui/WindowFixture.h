#pragma once

// What the window tests share: saves from the save writer, records made by hand, and a window
// whose settings live in the test's own folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "gui/HistoryChart.h"
#include "gui/MainWindow.h"
#include "gui/ResultGrid.h"
#include "savewriter/SampleGames.h"

namespace quillmere::gui::testing {

using analysis::ResultTable;
using analysis::SaveRecord;

inline void WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

inline SaveRecord Record(const std::string& name, std::int32_t turn, std::int32_t score) {
    SaveRecord rec;
    rec.fileName = name;
    rec.fileDate = 38685.5;
    rec.nickName = "nick-" + name;
    rec.turn = turn;
    rec.score = score;
    rec.playTime = 7200;
    rec.loadCount = 3;
    rec.history.assign(analysis::kHistoryCategories, std::vector<std::int32_t>(analysis::kHistoryTurns));
    for (std::size_t category = 0; category < rec.history.size(); ++category)
        for (std::size_t t = 0; t < rec.history[category].size(); ++t)
            rec.history[category][t] = static_cast<std::int32_t>(category * 1000 + t) + score;
    return rec;
}

// Saves large enough that a batch of them keeps the window loading for a while; written once.
inline const QStringList& LargeBatch() {
    static QTemporaryDir dir;
    static QStringList paths = [] {
        QStringList written;
        for (std::uint32_t i = 0; i < 16; ++i) {
            written << dir.filePath(QStringLiteral("large%1.sav").arg(i, 2, 10, QLatin1Char('0')));
            WriteBytes(written.back(), savewriter::MakeBenchmarkSave(i));
        }
        return written;
    }();
    return paths;
}

// Answers the modal dialogs that open from now on, one step per dialog in the order they come; each
// step runs once the dialog waits for an answer.
class DialogAnswers {
public:
    using Step = std::function<void(QWidget*)>;
    explicit DialogAnswers(std::vector<Step> steps) : m_steps(std::move(steps)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || dialog == m_last || m_next == m_steps.size()) return;
            m_last = dialog;
            // Queued, so that a step that opens a dialog of its own does not hold up this timer.
            QTimer::singleShot(0, dialog, [step = m_steps[m_next++], dialog] { step(dialog); });
        });
        m_timer.start(10);
    }
    [[nodiscard]] std::size_t answered() const { return m_next; }

    static Step accept() {
        return [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); };
    }
    static Step reject() {
        return [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); };
    }
    // Presses a message box's button, after noting its text.
    static Step press(QMessageBox::StandardButton button, QString* text = nullptr) {
        return [button, text](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            if (box == nullptr) {
                qobject_cast<QDialog*>(dialog)->reject();
                return;
            }
            if (text) *text = box->text();
            box->button(button)->click();
        };
    }

private:
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_window = makeWindow();
    }
    void TearDown() override {
        if (m_window)
            for (auto* box : m_window->findChildren<QMessageBox*>()) box->close();
    }

    // A window that keeps its settings in this test's folder.
    std::unique_ptr<MainWindow> makeWindow() const {
        return std::make_unique<MainWindow>(
            std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat));
    }

    QString save(const QString& name, std::int32_t turn, const std::string& block = {}) {
        const QString path = m_dir.filePath(name);
        savewriter::GameSketch sketch = savewriter::SmallGame(turn);
        sketch.name = "nick-" + QFileInfo(path).baseName().toStdString();
        sketch.block = block;
        WriteBytes(path, savewriter::BuildSave(savewriter::MakeGame(sketch)));
        return path;
    }

    bool load(const QStringList& paths) {
        QSignalSpy finished(m_window.get(), &MainWindow::loadFinished);
        if (!m_window->loadPaths(paths)) return false;
        return finished.wait(20000);
    }

    template <typename T>
    T* child(const char* name) const {
        auto* found = m_window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    ResultGrid* grid(const char* name) const { return child<ResultGrid>(name); }
    // The graph, drawn: it draws only while its tab is shown.
    HistoryChart* chart() const {
        child<QTabWidget>("PageControls")->setCurrentIndex(1);
        return child<HistoryChart>("HistoryChart");
    }
    const ResultTable& records() const { return m_window->session().records(); }
    QString header(const char* name, int column) const {
        return grid(name)->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    QList<QMessageBox*> errorBoxes() const {
        QList<QMessageBox*> shown;
        for (auto* box : m_window->findChildren<QMessageBox*>())
            if (box->isVisible()) shown << box;
        return shown;
    }

    // Every cell of every row shows the core's text for it, as the display decodes it.
    void expectRowsAsTheCoreWrites() {
        for (std::size_t i = 0; i < records().size(); ++i) {
            const int row = static_cast<int>(i);
            const auto texts = m_window->session().rowTexts(i, m_window->displayOptions());
            const auto expect = [&](const char* name, const auto& cells, std::size_t columns) {
                for (std::size_t c = 0; c < columns; ++c) {
                    const QString shown = grid(name)->cellText(row, static_cast<int>(c));
                    EXPECT_EQ(shown, QString::fromStdString(cells.texts[c])) << name << i << c;
                }
            };
            expect("BaseGrid", texts.base, texts.base.texts.size());
            expect("ReloadGrid", texts.reload, view::IndexOf(view::ReloadColumn::Penalty));
            expect("AdditionalGrid", texts.additional, texts.additional.texts.size());
        }
    }

    QTemporaryDir m_dir;
    std::unique_ptr<MainWindow> m_window;
};

}  // namespace quillmere::gui::testing
