#pragma once

#include <QWidget>
#include <cstdint>
#include <optional>

#include "tournament/Standings.h"
#include "tournament/StandingsTables.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace quillmere::gui {

class StandingsView;

// The Standings tab of an open tournament: the round selector with "Add to Round" for the loaded
// batch, the season's standings, and the chosen round's submissions, whose context menu rules on
// the one under it. Shows what the window gives it; every action goes through the window.
class SeasonPage : public QWidget {
    Q_OBJECT

public:
    explicit SeasonPage(QWidget* parent);

    // Shows the season and the rounds to choose from, keeping the round chosen when it is still
    // there (else the last round).
    void showSeason(const tournament::SeasonTable& season);
    // Shows the submissions of the round chosen.
    void showRound(const tournament::RoundTable& round);
    // The round chosen; none while the tournament has no round.
    [[nodiscard]] std::optional<int> chosenRound() const;
    void chooseRound(int number);
    // Whether "Add to Round" may be clicked (saves are loaded, nothing is being added).
    void setAddEnabled(bool enabled);

    [[nodiscard]] StandingsView* roundView() const { return m_roundView; }
    // The context menu's choice for the submission on `row` of the round's grid, as a right-click
    // there would ask for it.
    void askRuling(int row, tournament::RulingState state);

Q_SIGNALS:
    void roundChosen(int number);
    void addClicked();
    void rulingAsked(std::int64_t submission, quillmere::tournament::RulingState state);

private:
    void showRoundMenu(const QPoint& at);

    QComboBox* m_roundSelect = nullptr;
    QPushButton* m_addButton = nullptr;
    QLabel* m_seasonHeading = nullptr;
    StandingsView* m_seasonView = nullptr;
    QLabel* m_seasonNote = nullptr;
    QLabel* m_roundHeading = nullptr;
    StandingsView* m_roundView = nullptr;
};

}  // namespace quillmere::gui
