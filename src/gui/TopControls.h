#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace quillmere::gui {

// The controls above the tabs: Load File, the Path box with its caption, and Save Results. They
// keep the places they were drawn at while the window is wide enough, and move in from the right
// when it is narrower.
class TopControls : public QObject {
    Q_OBJECT

public:
    // The controls are children of `client`, the window's client area.
    explicit TopControls(QWidget* client);

    // The folder the Path box names.
    [[nodiscard]] QString path() const;
    void setPath(const QString& path);
    // While a load runs, neither button can be pressed.
    void setLoading(bool loading);
    // Places the controls for a client area `width` wide.
    void place(int width);
    // Tab goes from the Path box to Load File, Save Results, then `next`.
    void chainTabOrder(QWidget* next);

Q_SIGNALS:
    void loadClicked();
    void saveClicked();
    // Enter in the Path box, which names `path` (never empty).
    void pathEntered(const QString& path);

private:
    QLabel* m_pathLabel = nullptr;
    QPushButton* m_loadButton = nullptr;
    QLineEdit* m_pathEdit = nullptr;
    QPushButton* m_saveButton = nullptr;
};

}  // namespace quillmere::gui
