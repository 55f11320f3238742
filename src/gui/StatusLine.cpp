#include "gui/StatusLine.h"

#include "gui/QtText.h"

namespace quillmere::gui {

namespace {

constexpr int kNoteMilliseconds = 6000;

}  // namespace

StatusLine::StatusLine(const session::Session& session, QWidget* parent) : QLabel(parent), m_session(session) {
    setObjectName("StatusText");
    m_noteTimer.setSingleShot(true);
    m_noteTimer.setInterval(kNoteMilliseconds);
    connect(&m_noteTimer, &QTimer::timeout, this, &StatusLine::showSummary);
}

void StatusLine::showNote(const QString& note) {
    setText(FromUtf8(m_session.statusLine(note.toStdString())));
    m_noteTimer.start();
}

void StatusLine::dropNote() { m_noteTimer.stop(); }

void StatusLine::showSummary() {
    if (m_loading || m_noteTimer.isActive()) return;
    setText(FromUtf8(m_session.statusLine()));
}

void StatusLine::showLoad(const QString& text) {
    m_noteTimer.stop();
    m_loading = true;
    setText(text);
}

void StatusLine::endLoad() { m_loading = false; }

}  // namespace quillmere::gui
