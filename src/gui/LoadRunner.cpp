#include "gui/LoadRunner.h"

#include <QProgressDialog>
#include <climits>

#include "gui/ApplicationTitle.h"
#include "gui/QtText.h"
#include "session/Messages.h"

namespace quillmere::gui {

namespace {

constexpr int kPollMilliseconds = 30;
// Rows that fill in are re-sorted and redrawn each time: a few times a second is enough to watch.
constexpr int kArrivalsMilliseconds = 200;

}  // namespace

LoadRunner::LoadRunner(QWidget* window) : QObject(window) {
    m_progress = new QProgressDialog(window);
    m_progress->setWindowTitle(kApplicationTitle);
    // Not modal: a window blocked by a modal dialog cannot be closed, and closing the window is how a
    // referee gives up on a load as much as Cancel is.
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(INT_MAX);  // shown by poll(), never by the dialog itself
    m_progress->reset();
    m_progress->hide();
    connect(m_progress, &QProgressDialog::canceled, this, &LoadRunner::cancel);
    m_poll.setInterval(kPollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &LoadRunner::poll);
}

LoadRunner::~LoadRunner() {
    m_poll.stop();
    if (m_progress) m_progress->hide();
}

void LoadRunner::start(std::unique_ptr<session::BackgroundLoad> load) {
    const auto files = static_cast<int>(load->files().size());
    m_load = std::move(load);
    m_progress->reset();
    m_progress->setRange(0, files);
    m_progress->setLabelText(FromUtf8(session::ProgressStartText()));
    m_clock.start();
    m_sinceArrivals.start();
    m_poll.start();
}

void LoadRunner::cancel() {
    if (m_load) m_load->cancel();
}

void LoadRunner::poll() {
    // Showing the dialog processes events, which may bring this timer back.
    if (m_polling || !m_load) return;
    m_polling = true;
    if (m_load->finished()) {
        m_poll.stop();
        const auto load = std::move(m_load);
        m_progress->hide();
        m_progress->reset();
        Q_EMIT finished(*load);
    } else {
        if (m_sinceArrivals.elapsed() >= kArrivalsMilliseconds) {
            m_sinceArrivals.start();
            Q_EMIT arrived(*m_load);
        }
        if (m_clock.elapsed() >= m_progressDelay) {
            const auto progress = m_load->progress();
            m_progress->setLabelText(FromUtf8(session::ProgressText(progress)));
            if (!m_progress->isVisible() && !m_progress->wasCanceled()) m_progress->show();
            m_progress->setValue(static_cast<int>(progress.done));
        }
    }
    m_polling = false;
}

}  // namespace quillmere::gui
