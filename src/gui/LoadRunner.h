#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "session/BackgroundLoad.h"

class QProgressDialog;

namespace quillmere::gui {

// Runs one background load at a time for a window: polls it, shows its progress in a dialog with
// Cancel once it has run for a while, and says when it is over. The dialog lives as long as the
// runner, so no slot that its own setValue() can lead to ever deletes it.
class LoadRunner : public QObject {
    Q_OBJECT

public:
    // The progress dialog belongs to `window`, which it stands over.
    explicit LoadRunner(QWidget* window);
    // A load still running is cancelled; its dialog goes first, and the files in progress end.
    ~LoadRunner() override;

    // Runs `load`, which has files to read. Requires !isRunning().
    void start(std::unique_ptr<session::BackgroundLoad> load);
    // Files not yet started are left out; finished() still comes.
    void cancel();
    // True from start() until finished() is emitted.
    [[nodiscard]] bool isRunning() const { return m_load != nullptr; }
    // How long a load runs before its progress dialog shows.
    void setProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }

Q_SIGNALS:
    // Saves of the running load have finished since the last time, at most about five times a
    // second: `load` holds their records (BackgroundLoad::takeArrived) for Session::adoptArrived.
    void arrived(quillmere::session::BackgroundLoad& load);
    // The load is over (cancelled or not): the dialog is hidden and isRunning() is false already;
    // `load` lives until the slots return, for Session::adopt.
    void finished(quillmere::session::BackgroundLoad& load);

private:
    void poll();

    std::unique_ptr<session::BackgroundLoad> m_load;
    QTimer m_poll;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceArrivals;  // since the last arrived()
    int m_progressDelay = 500;
    bool m_polling = false;
    QPointer<QProgressDialog> m_progress;  // owned by the window
};

}  // namespace quillmere::gui
