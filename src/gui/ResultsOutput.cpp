#include "gui/ResultsOutput.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>

#include "gui/QtText.h"
#include "session/Messages.h"
#include "view/CellTexts.h"

namespace quillmere::gui {

ResultsOutput::ResultsOutput(const session::Session& session, const ResultRows& rows, QObject* parent)
    : QObject(parent), m_session(session), m_rows(rows) {}

bool ResultsOutput::reportable() {
    try {
        m_session.requireValidRules();
        return true;
    } catch (const session::ReportRefused& error) {
        Q_EMIT failed(FromUtf8(session::ResultsNotSavedMessage(error.what())));
    }
    return false;
}

bool ResultsOutput::save(session::ReportFormat format, const QString& path) {
    if (!reportable()) return false;
    // The results file holds Windows-1251 texts and the locale's decimal separator.
    view::FormatOptions options = m_rows.formatOptions();
    options.encoding = view::TextEncoding::Windows1251;
    exporting::LostCharacters lost;
    try {
        lost = m_session.saveReport(format, options, ToFileSystem(path));
    } catch (const exporting::ExportError& error) {
        Q_EMIT failed(writeError(path, error));
        return false;
    }
    Q_EMIT noted(
        FromUtf8(session::SavedRowsNote(m_session.size(), QDir::toNativeSeparators(path).toStdString(), lost)));
    return true;
}

bool ResultsOutput::copy(const std::vector<std::size_t>& rows) {
    if (rows.empty()) return false;
    QApplication::clipboard()->setText(
        FromUtf8(view::TabSeparatedRows(m_session.records(), rows, m_rows.formatOptions())));
    // The status line goes on to say which checks are off.
    QString note = tr("%n rows copied", nullptr, static_cast<int>(rows.size()));
    if (!m_session.rulesValid()) note += tr(", verdicts blank");
    Q_EMIT noted(note);
    return true;
}

QString ResultsOutput::writeError(const QString& path, const std::exception& error) {
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                        QString::fromLocal8Bit(view::WithFullStop(error.what()).c_str()));
}

}  // namespace quillmere::gui
