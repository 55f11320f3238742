#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "tournament/BackgroundSubmit.h"

class QProgressDialog;

namespace quillmere::gui {

// Runs one batch into a round at a time for a window, off the user-interface thread: polls it,
// shows its progress in a dialog while it runs, and says when it is over. The batch is one
// transaction, so it has no Cancel: it ends whole or not at all.
class SubmitRunner : public QObject {
    Q_OBJECT

public:
    // The progress dialog belongs to `window`, which it stands over.
    explicit SubmitRunner(QWidget* window);
    // A batch still running ends first (committed or rolled back).
    ~SubmitRunner() override;

    // Runs `submit`. Requires !isRunning().
    void start(std::unique_ptr<tournament::BackgroundSubmit> submit);
    [[nodiscard]] bool isRunning() const { return m_submit != nullptr; }
    // How long a batch runs before its progress dialog shows.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

Q_SIGNALS:
    // The batch is over: the dialog is hidden and isRunning() is false already; `submit` lives
    // until the slots return.
    void finished(const quillmere::tournament::BackgroundSubmit& submit);

private:
    void poll();

    std::unique_ptr<tournament::BackgroundSubmit> m_submit;
    QTimer m_poll;
    int m_progressDelay = 500;
    int m_elapsed = 0;
    QPointer<QProgressDialog> m_progress;  // owned by the window
};

}  // namespace quillmere::gui
