#include "gui/TopControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace quillmere::gui {

namespace {

constexpr QRect kSaveButtonPlace(808, 15, 93, 33);
constexpr QRect kPathEditPlace(247, 22, 482, 21);
constexpr int kPathLabelLeft = 478;

}  // namespace

TopControls::TopControls(QWidget* client) : QObject(client) {
    m_pathLabel = new QLabel("Path", client);
    m_pathLabel->setObjectName("Label1");
    m_pathLabel->setGeometry(kPathLabelLeft, 6, 22, 13);
    m_pathLabel->adjustSize();

    m_loadButton = new QPushButton(tr("&Load File"), client);
    m_loadButton->setObjectName("Button1");
    m_loadButton->setGeometry(76, 15, 93, 33);
    m_loadButton->setAutoDefault(true);  // Enter presses it when it has the focus
    connect(m_loadButton, &QPushButton::clicked, this, &TopControls::loadClicked);

    m_pathEdit = new QLineEdit(client);
    m_pathEdit->setObjectName("Edit1");
    m_pathEdit->setGeometry(kPathEditPlace);
    m_pathEdit->setToolTip(tr("The folder of the saves; Enter loads the folder typed here"));
    connect(m_pathEdit, &QLineEdit::returnPressed, this, [this] {
        if (!m_pathEdit->text().isEmpty()) Q_EMIT pathEntered(m_pathEdit->text());
    });

    m_saveButton = new QPushButton(tr("&Save Results"), client);
    m_saveButton->setObjectName("Button2");
    m_saveButton->setGeometry(kSaveButtonPlace);
    m_saveButton->setAutoDefault(true);
    connect(m_saveButton, &QPushButton::clicked, this, &TopControls::saveClicked);
}

QString TopControls::path() const { return m_pathEdit->text(); }

void TopControls::setPath(const QString& path) { m_pathEdit->setText(path); }

void TopControls::setLoading(bool loading) {
    m_loadButton->setEnabled(!loading);
    m_saveButton->setEnabled(!loading);
}

void TopControls::place(int width) {
    const int saveLeft = std::min(kSaveButtonPlace.left(), width - kSaveButtonPlace.width() - 8);
    m_saveButton->move(saveLeft, kSaveButtonPlace.top());
    m_pathEdit->resize(std::min(kPathEditPlace.width(), saveLeft - 12 - kPathEditPlace.left()),
                       kPathEditPlace.height());
    m_pathLabel->move(std::min(kPathLabelLeft, m_pathEdit->geometry().right() - m_pathLabel->width()),
                      m_pathLabel->y());
}

void TopControls::chainTabOrder(QWidget* next) {
    QWidget::setTabOrder(m_pathEdit, m_loadButton);
    QWidget::setTabOrder(m_loadButton, m_saveButton);
    QWidget::setTabOrder(m_saveButton, next);
}

}  // namespace quillmere::gui
