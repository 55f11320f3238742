#include "gui/SeasonPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "gui/StandingsView.h"
#include "tournament/SeasonMessages.h"
#include "tournament/StandingsReport.h"

namespace quillmere::gui {

namespace {

// The rulings a row's context menu offers, in its order.
struct RulingItem {
    const char* text;
    tournament::RulingState state;
};
constexpr RulingItem kRulings[] = {
    {"&Accept...", tournament::RulingState::Accepted},
    {"&Reject...", tournament::RulingState::Rejected},
    {"&Disqualify...", tournament::RulingState::Disqualified},
    {"Set &Pending...", tournament::RulingState::Pending},
};

QLabel* plainLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);  // tournament and player names are data
    return label;
}

}  // namespace

SeasonPage::SeasonPage(QWidget* parent) : QWidget(parent) {
    setObjectName("StandingsPage");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);

    auto* top = new QHBoxLayout;
    auto* roundLabel = new QLabel(tr("&Round:"), this);
    m_roundSelect = new QComboBox(this);
    m_roundSelect->setObjectName("RoundSelect");
    m_roundSelect->setMinimumContentsLength(24);
    roundLabel->setBuddy(m_roundSelect);
    m_addButton = new QPushButton(tr("Add to Round"), this);
    m_addButton->setObjectName("AddToRound");
    m_addButton->setToolTip(tr("Adds the loaded saves to the round chosen"));
    m_seasonHeading = plainLabel("SeasonHeading", this);
    top->addWidget(roundLabel);
    top->addWidget(m_roundSelect);
    top->addWidget(m_addButton);
    top->addSpacing(12);
    top->addWidget(m_seasonHeading, 1);
    layout->addLayout(top);

    auto* split = new QSplitter(Qt::Vertical, this);
    auto* seasonPart = new QWidget(split);
    auto* seasonLayout = new QVBoxLayout(seasonPart);
    seasonLayout->setContentsMargins(0, 0, 0, 0);
    m_seasonView = new StandingsView(seasonPart);
    m_seasonView->setObjectName("StandingsGrid");
    m_seasonNote = plainLabel("StandingsNote", seasonPart);
    seasonLayout->addWidget(m_seasonView);
    seasonLayout->addWidget(m_seasonNote);
    auto* roundPart = new QWidget(split);
    auto* roundLayout = new QVBoxLayout(roundPart);
    roundLayout->setContentsMargins(0, 0, 0, 0);
    m_roundHeading = plainLabel("RoundHeading", roundPart);
    m_roundView = new StandingsView(roundPart);
    m_roundView->setObjectName("RoundGrid");
    m_roundView->setContextMenuPolicy(Qt::CustomContextMenu);
    roundLayout->addWidget(m_roundHeading);
    roundLayout->addWidget(m_roundView);
    split->addWidget(seasonPart);
    split->addWidget(roundPart);
    layout->addWidget(split, 1);

    connect(m_roundSelect, &QComboBox::currentIndexChanged, this, [this] {
        if (const auto round = chosenRound()) Q_EMIT roundChosen(*round);
    });
    connect(m_addButton, &QPushButton::clicked, this, &SeasonPage::addClicked);
    connect(m_roundView, &QWidget::customContextMenuRequested, this, &SeasonPage::showRoundMenu);
}

void SeasonPage::showSeason(const tournament::SeasonTable& season) {
    const auto grid = tournament::SeasonGrid(season);
    m_seasonHeading->setText(FromUtf8(grid.heading));
    m_seasonView->showGrid(grid);
    m_seasonNote->setText(FromUtf8(grid.note));
    const auto chosen = chosenRound();
    {
        const QSignalBlocker quiet(m_roundSelect);
        m_roundSelect->clear();
        for (const auto& round : season.rounds)
            m_roundSelect->addItem(FromUtf8(tournament::RoundLabel(round)), round.number);
        const int kept = chosen ? m_roundSelect->findData(*chosen) : -1;
        m_roundSelect->setCurrentIndex(kept >= 0 ? kept : m_roundSelect->count() - 1);
    }
}

void SeasonPage::showRound(const tournament::RoundTable& round) {
    const auto grid = tournament::RoundGrid(round);
    m_roundHeading->setText(FromUtf8(grid.heading));
    m_roundView->showGrid(grid);
}

std::optional<int> SeasonPage::chosenRound() const {
    if (m_roundSelect->currentIndex() < 0) return std::nullopt;
    return m_roundSelect->currentData().toInt();
}

void SeasonPage::chooseRound(int number) {
    const int index = m_roundSelect->findData(number);
    if (index >= 0) m_roundSelect->setCurrentIndex(index);
}

void SeasonPage::setAddEnabled(bool enabled) { m_addButton->setEnabled(enabled); }

void SeasonPage::askRuling(int row, tournament::RulingState state) {
    if (const auto submission = m_roundView->submissionAt(row)) Q_EMIT rulingAsked(*submission, state);
}

void SeasonPage::showRoundMenu(const QPoint& at) {
    const int row = m_roundView->rowAt(at.y());
    const auto submission = m_roundView->submissionAt(row);
    if (!submission) return;
    m_roundView->selectRow(row);
    QMenu menu(this);
    menu.setObjectName("RulingMenu");
    for (const auto& item : kRulings) {
        const auto state = item.state;
        menu.addAction(tr(item.text), this, [this, row, state] { askRuling(row, state); });
    }
    menu.exec(m_roundView->viewport()->mapToGlobal(at));
}

}  // namespace quillmere::gui
