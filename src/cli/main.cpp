#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/InterruptCleanup.h"
#include "cli/ReportOptions.h"
#include "export/ResultsFile.h"
#include "export/SafeText.h"
#include "load/Windows1251.h"
#include "session/Messages.h"
#include "session/ProgressPace.h"
#include "session/Session.h"

namespace {

using namespace quillmere;

constexpr int kAllAnalysed = 0;
constexpr int kSomeFailed = 1;
constexpr int kNothingWritten = 2;
constexpr int kSomeFlagged = 3;

// A text from a file system, a save or the command line on one line of the terminal, its control
// characters escaped.
std::string shown(std::string_view text) { return exporting::EscapedForTerminal(text); }

int fail(const std::string& message) {
    std::fprintf(stderr, "quillmere-report: %s\n", shown(message).c_str());
    return kNothingWritten;
}

// Where the output goes: standard output, or a file that replaces its target only when all of it
// was written (a pipe or a device is written directly). The file is checked and made before any
// work, so that a refused -o fails at once; an interrupt leaves no temporary file behind.
class Output {
public:
    Output(const std::string& path, cli::InterruptCleanup& cleanup) : m_path(path) {
        if (path != "-")
            m_file.emplace(path, exporting::AtomicFileOptions{.writeStreamsDirectly = true, .watch = &cleanup});
    }
    // Hands the pieces of the output on; false once one could not be written, after a message.
    [[nodiscard]] bool write(std::string_view bytes) {
        if (!m_ok) return false;
        try {
            if (m_file) {
                m_file->write(bytes);
            } else if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
                m_ok = false;
                fail("cannot write to standard output");
            }
        } catch (const exporting::ExportError& error) {
            m_ok = false;
            fail("cannot write '" + m_path + "': " + error.what());
        }
        return m_ok;
    }
    // Puts the file in place; false after a message when that failed or a write did.
    [[nodiscard]] bool finish() {
        if (!m_ok || !m_file) return m_ok;
        try {
            m_file->commit();
        } catch (const exporting::ExportError& error) {
            m_ok = false;
            fail("cannot write '" + m_path + "': " + error.what());
        }
        return m_ok;
    }

private:
    std::string m_path;
    std::optional<session::ReportFile> m_file;
    bool m_ok = true;
};

// One line per flagged save: its file name, then its flags.
int writeFlags(const session::Session& session, Output& output, int status) {
    std::string lines;
    for (const auto& rec : session.records()) {
        if (rec.flags.empty()) continue;
        lines += shown(load::FileNameToUtf8(rec.fileName)) + ": " + shown(analysis::FlagsText(rec)) + "\n";
    }
    if (!output.write(lines) || !output.finish()) return kNothingWritten;
    return session.flaggedCount() > 0 ? kSomeFlagged : status;
}

// Whether standard error is a terminal that takes "\r" and the erase-line sequence.
bool progressTerminal() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) == 1 && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

// The character set of the user's locale, as nl_langinfo names it ("UTF-8"); the program itself
// stays in the C locale.
std::string localeCodeset() {
    if (std::setlocale(LC_CTYPE, "") == nullptr) return "ANSI_X3.4-1968";
    std::string codeset = ::nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, "C");
    return codeset;
}

// The saves of the command line, then those of the --files-from list; empty after a message.
std::optional<std::vector<std::string>> savePaths(const cli::ReportOptions& options) {
    std::vector<std::string> paths = options.saves;
    if (!options.filesFrom) return paths;
    try {
        for (auto& listed : session::ReadPathList(*options.filesFrom, std::cin)) {
            // A list names files: its "-" is the file of that name, standard input only on the command line.
            paths.push_back(listed == "-" ? "./-" : std::move(listed));
        }
    } catch (const session::PathListError& error) {
        fail(error.what());
        return std::nullopt;
    }
    return paths;
}

int run(const std::vector<std::string>& arguments) {
    // Before any other thread, which all leave the interrupts to it.
    cli::InterruptCleanup cleanup;
    cli::ReportOptions options;
    try {
        options = cli::ParseReportArguments(arguments);
    } catch (const cli::UsageError& error) {
        fail(error.what());
        std::fputs("Try 'quillmere-report --help'.\n", stderr);
        return kNothingWritten;
    }
    if (options.action == cli::ReportAction::Help) {
        std::fputs(cli::ReportUsage().c_str(), stdout);
        return kAllAnalysed;
    }
    if (options.action == cli::ReportAction::Version) {
        std::puts("quillmere-report " QUILLMERE_VERSION);
        return kAllAnalysed;
    }

    session::Session session;
    if (options.profile) {
        try {
            session.openProfile(*options.profile, [](const reload::RuleTexts&) { return session::ProfileRules::Take; });
        } catch (const session::ProfileError& error) {
            return fail(error.what());
        }
    }
    // Rule options given override the profile's rules, or the defaults.
    const reload::RuleTexts base = session.ruleTexts();
    if (const auto& check = session.setRules(cli::RulesOf(options, base)); !check.errors.empty()) {
        const auto& first = check.errors.front();
        return fail(std::string(cli::OptionOf(first.field)) + ": " + first.message);
    }
    if (options.format == session::ReportFormat::Xlsx && options.output == "-" && ::isatty(STDOUT_FILENO) == 1)
        return fail("a workbook is no text for a terminal: write it with --output FILE or redirect standard output");
    std::optional<Output> output;
    try {
        output.emplace(options.output, cleanup);
    } catch (const exporting::ExportError& error) {
        return fail("cannot write '" + options.output + "': " + error.what());
    }
    analysis::BatchControl control;
    control.jobs = options.jobs;
    // A progress line only where a person watches; it never mixes into the data on standard output.
    const bool showProgress = progressTerminal();
    session::ProgressPace pace;
    if (showProgress) {
        control.onProgress = [&pace](const analysis::BatchProgress& progress) {
            if (!pace.due(progress, session::ProgressPace::Clock::now())) return;
            // The window's and the page's words; the line is redrawn in place, then erased.
            std::fprintf(stderr, "\rquillmere-report: %s", session::ProgressText(progress).c_str());
            std::fflush(stderr);
        };
    }
    const auto saves = savePaths(options);
    if (!saves) return kNothingWritten;
    if (saves->empty()) return fail("no save files in the list '" + *options.filesFrom + "'");
    const auto summary = session.loadPaths(*saves, options.recursive, control, STDIN_FILENO);
    if (showProgress) std::fputs("\r\033[K", stderr);
    if (session.size() == 0) return fail("no save files in the folders given");
    for (const auto& [file, message] : summary.failures)
        std::fprintf(stderr, "%s: %s\n", shown(file).c_str(), shown(message).c_str());
    if (options.sort) session.sortBy(*options.sort);
    const int status = summary.failed > 0 ? kSomeFailed : kAllAnalysed;
    if (options.flagsOnly) return writeFlags(session, *output, status);

    // The C locale's decimal point unless asked: the output is meant for scripts as much as for people.
    // Only a person reads a terminal, so the results file comes in its encoding there.
    const bool toTerminal = options.output == "-" && ::isatty(STDOUT_FILENO) == 1;
    const auto encoding = cli::ResultsEncoding(options, toTerminal, toTerminal ? localeCodeset() : "");
    bool written = true;
    const auto lost = session.writeReport(options.format, {options.decimalSeparator, encoding},
                                          {.histories = options.histories, .byteOrderMark = options.byteOrderMark},
                                          [&](std::string_view part) { written = written && output->write(part); });
    if (!written || !output->finish()) return kNothingWritten;
    if (lost.names > 0)
        std::fprintf(stderr, "quillmere-report: %s\n", shown(exporting::LostCharactersMessage(lost)).c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
