#pragma once

#include <QFrame>

class QPushButton;

namespace quillmere::gui {

// What an empty table shows: where to drop saves, the three ways to begin, and a round in five
// steps. Its texts are the core's; a drop on it goes to the window.
class FirstScreen : public QFrame {
    Q_OBJECT

public:
    explicit FirstScreen(QWidget* parent);

    // Offers the example tournament, or says in its button's tooltip why it cannot be tried.
    void offerExample(bool found, const QString& whyNot);

Q_SIGNALS:
    void loadClicked();
    void profileClicked();
    void exampleClicked();

private:
    QPushButton* m_exampleButton = nullptr;
};

}  // namespace quillmere::gui
