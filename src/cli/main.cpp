#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cli/ReportOptions.h"
#include "export/AtomicFile.h"
#include "load/FileList.h"
#include "load/Windows1251.h"
#include "session/Session.h"

namespace {

using namespace quillmere;

constexpr int kAllAnalysed = 0;
constexpr int kSomeFailed = 1;
constexpr int kNothingWritten = 2;
constexpr int kSomeFlagged = 3;

int fail(const std::string& message) {
    std::fprintf(stderr, "quillmere-report: %s\n", message.c_str());
    return kNothingWritten;
}

bool writeToStandardOutput(const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

// Writes `bytes` to standard output ("-") or replaces the file `output`; returns whether that worked,
// having said why not.
bool writeOutput(const std::string& output, const std::string& bytes) {
    if (output == "-") {
        if (writeToStandardOutput(bytes)) return true;
        fail("cannot write to standard output");
        return false;
    }
    try {
        exporting::WriteFileAtomically(output, bytes);
        return true;
    } catch (const exporting::ExportError& error) {
        fail("cannot write '" + output + "': " + error.what());
        return false;
    }
}

// One line per flagged save: its file name, then its flags.
int writeFlags(const session::Session& session, const std::string& output, int status) {
    std::string lines;
    for (const auto& rec : session.records()) {
        if (rec.Flags.empty()) continue;
        lines += load::FileNameToUtf8(rec.FileName) + ":";
        for (std::size_t i = 0; i < rec.Flags.size(); ++i) lines += (i == 0 ? " " : "; ") + rec.Flags[i];
        lines += "\n";
    }
    if (!writeOutput(output, lines)) return kNothingWritten;
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
    const std::string& listPath = *options.filesFrom;
    std::ifstream file;
    if (listPath != "-") {
        file.open(listPath);
        if (!file) {
            fail("cannot read '" + listPath + "': " + std::strerror(errno));
            return std::nullopt;
        }
    }
    std::istream& list = listPath == "-" ? std::cin : file;
    errno = 0;
    auto listed = load::ReadPathList(list);
    if (list.bad()) {
        fail("cannot read '" + listPath + "': " + std::strerror(errno != 0 ? errno : EIO));
        return std::nullopt;
    }
    paths.insert(paths.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
    return paths;
}

int run(const std::vector<std::string>& arguments) {
    cli::ReportOptions options;
    try {
        options = cli::ParseReportArguments(arguments);
    } catch (const cli::UsageError& error) {
        return fail(std::string(error.what()) + "\nTry 'quillmere-report --help'.");
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
    reload::RuleTexts base;
    if (options.profile) {
        try {
            auto profile = session::ReadProfile(*options.profile);
            base = profile.rules;
            session.setProfile(std::move(profile));
        } catch (const session::ProfileError& error) {
            return fail(error.what());
        }
    }
    if (const auto& check = session.setRules(cli::RulesOf(options, base)); !check.errors.empty()) {
        const auto& first = check.errors.front();
        return fail(std::string(cli::OptionOf(first.field)) + ": " + first.message);
    }
    analysis::BatchControl control;
    control.jobs = options.jobs;
    // A progress line only where a person watches; it never mixes into the data on standard output.
    const bool showProgress = progressTerminal();
    if (showProgress) {
        control.onProgress = [](const analysis::BatchProgress& progress) {
            std::fprintf(stderr, "\rquillmere-report: %zu of %zu files read", progress.done, progress.total);
            if (progress.failed > 0) std::fprintf(stderr, " (%zu failed)", progress.failed);
            std::fflush(stderr);
        };
    }
    const auto saves = savePaths(options);
    if (!saves) return kNothingWritten;
    if (saves->empty()) return fail("no save files in the list '" + *options.filesFrom + "'");
    const auto inputs = load::ExpandPaths(*saves, options.recursive);
    for (const auto& [path, reason] : inputs.skipped) std::fprintf(stderr, "%s: skipped (%s)\n", path.c_str(), reason.c_str());
    if (inputs.files.empty()) return fail("no save files in the folders given");
    const auto summary = session.load(inputs.files, control);
    if (showProgress) std::fputs("\r\033[K", stderr);
    for (const auto& [file, message] : summary.failures) std::fprintf(stderr, "%s: %s\n", file.c_str(), message.c_str());
    if (options.sort) session.sortClick(*options.sort);
    const int status = summary.failed > 0 ? kSomeFailed : kAllAnalysed;
    if (options.flagsOnly) return writeFlags(session, options.output, status);

    // The C locale's decimal point unless asked: the output is meant for scripts as much as for people.
    // Only a person reads a terminal, so the results file comes in its encoding there.
    const bool toTerminal = options.output == "-" && ::isatty(STDOUT_FILENO) == 1;
    const auto encoding = cli::ResultsEncoding(options, toTerminal, toTerminal ? localeCodeset() : "");
    const std::string text = session.report(options.format, {options.decimalSeparator, encoding});
    return writeOutput(options.output, text) ? status : kNothingWritten;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
