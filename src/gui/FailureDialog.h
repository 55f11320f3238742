#pragma once

#include <QDialog>
#include <QStringList>

namespace quillmere::gui {

// What could not be loaded: `heading` over a scrollable list of `lines`, in a resizable box as
// wide and tall as the lines need within three quarters of the screen. Deletes itself on close.
class FailureDialog : public QDialog {
    Q_OBJECT

public:
    FailureDialog(const QString& heading, const QStringList& lines, QWidget* parent);
};

}  // namespace quillmere::gui
