#pragma once

#include <QWidget>
#include <array>
#include <utility>
#include <vector>

#include "reload/Rules.h"

class QLabel;
class QLineEdit;

namespace quillmere::gui {

// The tournament rules at the top of the Reloads tab: the start date as day, month and year, the
// sessions per day, the minimum session time and the presessions, with the two fixed boxes shown
// disabled, and the rules' errors beside them.
class RulesPanel : public QWidget {
    Q_OBJECT

public:
    explicit RulesPanel(QWidget* parent);

    [[nodiscard]] reload::RuleTexts texts() const;
    // Puts `texts` into the boxes without emitting rulesEdited().
    void setTexts(const reload::RuleTexts& texts);
    // Marks every box whose rule is in error with that rule's message (the date's three boxes share
    // theirs) and lists the messages; clears every mark when there is none.
    void showCheck(const reload::RuleCheck& check);
    // Places the boxes and captions for a panel `width` wide: as drawn while they fit, else the
    // columns of rules that do not fit wrap under the first ones. Takes and returns the size that
    // holds them all.
    QSize arrange(int width);

Q_SIGNALS:
    // Any edit of one of the six rule boxes, with all six texts as they now stand.
    void rulesEdited(const reload::RuleTexts& texts);

private:
    QLineEdit* createEdit(const char* name, const QRect& place, const QString& text, bool enabled);
    void createLabel(const char* name, const QRect& place, const QString& caption);
    void paintEdit(QLineEdit* edit, const QString& error);

    // A column of rules: its drawn extent and its boxes and captions with their drawn places.
    struct Column {
        int left = 0;
        int right = 0;
        std::vector<std::pair<QWidget*, QRect>> places;
    };
    std::vector<Column> m_columns;
    QLineEdit* m_dayEdit = nullptr;
    QLineEdit* m_monthEdit = nullptr;
    QLineEdit* m_yearEdit = nullptr;
    QLineEdit* m_sessionsPerDayEdit = nullptr;
    QLineEdit* m_minSessionEdit = nullptr;
    QLineEdit* m_presessionsEdit = nullptr;
    QLabel* m_errorLabel = nullptr;
};

}  // namespace quillmere::gui
