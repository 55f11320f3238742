#include "gui/FirstScreen.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "session/Guide.h"

namespace quillmere::gui {

namespace {

QLabel* plainLabel(std::string_view text, QWidget* parent) {
    auto* label = new QLabel(FromUtf8(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

}  // namespace

FirstScreen::FirstScreen(QWidget* parent) : QFrame(parent) {
    setObjectName("FirstScreen");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addStretch(1);
    auto* hint = plainLabel(session::kFirstScreenHint, this);
    hint->setObjectName("FirstScreenHint");
    QFont large = hint->font();
    large.setPixelSize(large.pixelSize() > 0 ? large.pixelSize() * 3 / 2 : 16);
    hint->setFont(large);
    hint->setAlignment(Qt::AlignCenter);
    layout->addWidget(hint);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const auto button = [&](const char* name, std::string_view caption, void (FirstScreen::*clicked)()) {
        auto* pushButton = new QPushButton(FromUtf8(caption), this);
        pushButton->setObjectName(name);
        connect(pushButton, &QPushButton::clicked, this, clicked);
        buttons->addWidget(pushButton);
        return pushButton;
    };
    button("FirstLoad", session::kFirstScreenLoad, &FirstScreen::loadClicked);
    button("FirstProfile", session::kFirstScreenProfile, &FirstScreen::profileClicked);
    m_exampleButton = button("FirstExample", session::kFirstScreenExample, &FirstScreen::exampleClicked);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    auto* steps = plainLabel(session::RoundInFiveSteps(), this);
    steps->setObjectName("FirstScreenSteps");
    // A wrapped label in a layout gets the height of its width only when the width is fixed.
    constexpr int kStepsWidth = 620;
    steps->setFixedWidth(kStepsWidth);
    steps->setMinimumHeight(steps->heightForWidth(kStepsWidth));
    layout->addSpacing(12);
    layout->addWidget(steps, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

void FirstScreen::offerExample(bool found, const QString& whyNot) {
    m_exampleButton->setEnabled(found);
    m_exampleButton->setToolTip(found ? QString() : whyNot);
}

}  // namespace quillmere::gui
