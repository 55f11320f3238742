#pragma once

#include <QFutureWatcher>
#include <QStringList>
#include <QWidget>
#include <array>
#include <optional>

#include "analysis/SaveDataRec.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"
#include "view/Sorting.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTabWidget;

namespace quillmere::view {
class HistoryChart;
class ResultGrid;
class SortButton;
}  // namespace quillmere::view

namespace quillmere::app {

inline constexpr char kApplicationTitle[] = "Quillmere";
inline constexpr char kApplicationVersion[] = "1.02";

// The one window: three result grids, the history graph, the reload rules, and the commands that
// load saves, sort the rows and save the results. It keeps the table of the last load.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Loads `paths` as Load File does after its dialog: the rows of the previous load are cleared,
    // the files are read off the user-interface thread, and loadFinished() comes when the rows are
    // shown. Returns false, doing nothing, when `paths` is empty or a load is still running.
    bool loadFiles(const QStringList& paths);

    // True from loadFiles() until its rows are shown.
    [[nodiscard]] bool isLoading() const { return m_loading; }

    // Replaces the table as a load does once its files are read: applies the rules when they are
    // valid, empties the graph series no record uses, sorts by file name and prints every row.
    void showRecords(analysis::ResultTable records);

    // Writes the results file to `path`, replacing it. On failure an existing file is untouched,
    // the error box shows the system's text and false is returned.
    bool saveResults(const QString& path);

    [[nodiscard]] const analysis::ResultTable& records() const { return m_records; }
    [[nodiscard]] const view::SortDirections& sortDirections() const { return m_directions; }
    // Fixed-point texts use the locale's decimal separator.
    [[nodiscard]] view::FormatOptions formatOptions() const;
    // The selected graph category, -1 when the typed text is no category.
    [[nodiscard]] int graphCategory() const;

    // Blanks the first `count` rows of the three grids.
    void ClearList(int count);
    // Writes every record to its row and redraws the graph series of the first 20.
    void PrintData();
    void PrintRecData(int index);
    // Redraws graph series `index` (below 20) from record `index` in the selected category.
    void DrawGraph(int index);

Q_SIGNALS:
    void loadFinished();
    void errorReported(const QString& message);

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Edit6Change();
    void GraphSelectChange();
    void SortByFileNameSelectClick();
    void SortByTurnSelectClick();
    void SortByScoreSelectClick();
    void SortByFinalScoreSelectClick();

protected:
    // Shows `message` in the standard error box without waiting for it to close, then emits
    // errorReported().
    virtual void reportError(const QString& message);

    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTopControls();
    QWidget* createBasePage();
    QWidget* createGraphPage();
    QWidget* createReloadsPage();
    QWidget* createAdditionalPage();
    QLineEdit* createRuleEdit(QWidget* page, const char* name, const QRect& place, const QString& text, bool enabled);
    QLabel* createRuleLabel(QWidget* page, const char* name, const QRect& place, const QString& caption);
    void layoutPage(QWidget* page);
    void placeSortButtons();
    void sortClick(view::SortKey key);
    void finishLoad();
    void showRuleError(const reload::RuleError& error);
    [[nodiscard]] reload::RuleTexts ruleTexts() const;

    analysis::ResultTable m_records;
    int m_shownRows = 0;
    view::SortDirections m_directions;
    std::optional<reload::Rules> m_rules;

    bool m_loading = false;
    QFutureWatcher<analysis::TSaveDataRec> m_loadWatcher;
    QStringList m_loadPaths;
    QProgressDialog* m_progress = nullptr;

    QLabel* m_label1 = nullptr;
    QPushButton* m_button1 = nullptr;
    QLineEdit* m_edit1 = nullptr;
    QPushButton* m_button2 = nullptr;
    QTabWidget* m_pageControls = nullptr;
    QWidget* m_basePage = nullptr;
    QWidget* m_graphPage = nullptr;
    QWidget* m_reloadsPage = nullptr;
    QWidget* m_additionalPage = nullptr;
    view::ResultGrid* m_baseGrid = nullptr;
    view::ResultGrid* m_reloadGrid = nullptr;
    view::ResultGrid* m_additionalGrid = nullptr;
    view::HistoryChart* m_historyChart = nullptr;
    QComboBox* m_graphSelect = nullptr;
    std::array<view::SortButton*, 4> m_sortButtons{};
    QLineEdit* m_edit2 = nullptr;
    QLineEdit* m_edit3 = nullptr;
    QLineEdit* m_edit4 = nullptr;
    QLineEdit* m_edit6 = nullptr;
    QLineEdit* m_edit7 = nullptr;
    QLineEdit* m_edit8 = nullptr;
    QLabel* m_ruleError = nullptr;
};

}  // namespace quillmere::app
