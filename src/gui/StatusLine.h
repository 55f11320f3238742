#pragma once

#include <QLabel>
#include <QTimer>

#include "session/Session.h"

namespace quillmere::gui {

// The status bar's text, one message at a time: the session's summary (Session::statusLine), a
// note before it for a few seconds, or what a running load says.
class StatusLine : public QLabel {
    Q_OBJECT

public:
    StatusLine(const session::Session& session, QWidget* parent);

    // Shows `note` before the summary; the summary alone comes back after a few seconds.
    void showNote(const QString& note);
    // Ends the note that stands, so that the summary shows next.
    void dropNote();
    // Shows the summary as it stands now, unless a note or a load's text stands.
    void showSummary();
    // Shows `text` in place of any note until endLoad().
    void showLoad(const QString& text);
    void endLoad();

private:
    const session::Session& m_session;
    QTimer m_noteTimer;
    bool m_loading = false;
};

}  // namespace quillmere::gui
