#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <exception>
#include <vector>

#include "gui/ResultRows.h"
#include "session/Session.h"

namespace quillmere::gui {

// The results going out of the window: a report written to a file (the results file or another
// format) and rows copied to the clipboard. What came of it is told through noted() and failed().
class ResultsOutput : public QObject {
    Q_OBJECT

public:
    ResultsOutput(const session::Session& session, const ResultRows& rows, QObject* parent);

    // Whether a report can be made now; when not (a rule is invalid), failed() says why.
    bool reportable();
    // Writes the report in `format` to `path`, replacing it; noted() says what was saved. On a
    // failure an existing file is untouched, failed() says why and false is returned.
    bool save(session::ReportFormat format, const QString& path);
    // Puts `rows` (indexes of the records) on the clipboard as tab-separated text with a header;
    // false when there are none.
    bool copy(const std::vector<std::size_t>& rows);

    // "path: why.", for a file that could not be written.
    [[nodiscard]] static QString writeError(const QString& path, const std::exception& error);

Q_SIGNALS:
    void noted(const QString& note);
    void failed(const QString& message);

private:
    const session::Session& m_session;
    const ResultRows& m_rows;
};

}  // namespace quillmere::gui
