#include "gui/SubmitRunner.h"

#include <QProgressDialog>
#include <climits>

#include "gui/ApplicationTitle.h"
#include "gui/QtText.h"
#include "tournament/SeasonMessages.h"

namespace quillmere::gui {

namespace {

constexpr int kPollMilliseconds = 30;

}  // namespace

SubmitRunner::SubmitRunner(QWidget* window) : QObject(window) {
    m_progress = new QProgressDialog(window);
    m_progress->setObjectName("SubmitProgress");
    m_progress->setWindowTitle(kApplicationTitle);
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setCancelButton(nullptr);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(INT_MAX);  // shown by poll(), never by the dialog itself
    m_progress->reset();
    m_progress->hide();
    m_poll.setInterval(kPollMilliseconds);
    connect(&m_poll, &QTimer::timeout, this, &SubmitRunner::poll);
}

SubmitRunner::~SubmitRunner() {
    m_poll.stop();
    if (m_progress) m_progress->hide();
}

void SubmitRunner::start(std::unique_ptr<tournament::BackgroundSubmit> submit) {
    m_submit = std::move(submit);
    m_progress->reset();
    m_progress->setRange(0, static_cast<int>(m_submit->paths().size()));
    m_progress->setLabelText(FromUtf8(tournament::AddingText(0, m_submit->paths().size(), m_submit->round())));
    m_elapsed = 0;
    m_poll.start();
}

void SubmitRunner::poll() {
    if (!m_submit) return;
    m_elapsed += kPollMilliseconds;
    if (m_submit->finished()) {
        m_poll.stop();
        const auto submit = std::move(m_submit);
        m_progress->hide();
        m_progress->reset();
        Q_EMIT finished(*submit);
    } else if (m_elapsed >= m_progressDelay) {
        if (!m_progress->isVisible()) m_progress->show();
        const auto [done, total] = m_submit->progress();
        m_progress->setLabelText(FromUtf8(tournament::AddingText(done, total, m_submit->round())));
        m_progress->setValue(static_cast<int>(done));
    }
}

}  // namespace quillmere::gui
