#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <optional>

#include "cli/ReportOptions.h"
#include "export/AtomicFile.h"
#include "export/SafeText.h"
#include "load/Windows1251.h"
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

bool writeToStandardOutput(std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

// One line per flagged save: its file name, then its flags.
int writeFlags(const session::Session& session, int status) {
    std::string lines;
    for (const auto& rec : session.records()) {
        if (rec.Flags.empty()) continue;
        lines += shown(load::FileNameToUtf8(rec.FileName)) + ":";
        for (std::size_t i = 0; i < rec.Flags.size(); ++i) lines += (i == 0 ? " " : "; ") + shown(rec.Flags[i]);
        lines += "\n";
    }
    if (!writeToStandardOutput(lines)) return fail("cannot write to standard output");
    return session.flaggedCount() > 0 ? kSomeFlagged : status;
}

int run(const std::vector<std::string>& arguments) {
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
    // The target is checked, and its temporary file made, before any work: a refused -o fails at once.
    std::optional<exporting::AtomicFileWriter> outputFile;
    if (!options.flagsOnly && options.output != "-") {
        try {
            outputFile.emplace(options.output);
        } catch (const exporting::ExportError& error) {
            return fail("cannot write '" + options.output + "': " + error.what());
        }
    }
    analysis::BatchControl control;
    control.jobs = options.jobs;
    // A progress line only where a person watches; it never mixes into the data on standard output.
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    if (showProgress) {
        control.onProgress = [](const analysis::BatchProgress& progress) {
            std::fprintf(stderr, "\rquillmere-report: %zu of %zu files read", progress.done, progress.total);
            if (progress.failed > 0) std::fprintf(stderr, " (%zu failed)", progress.failed);
            std::fflush(stderr);
        };
    }
    const auto summary = session.loadPaths(options.saves, options.recursive, control);
    if (showProgress) std::fputs("\r\033[K", stderr);
    if (session.size() == 0) return fail("no save files in the folders given");
    for (const auto& [file, message] : summary.failures)
        std::fprintf(stderr, "%s: %s\n", shown(file).c_str(), shown(message).c_str());
    if (options.sort) session.sortClick(*options.sort);
    if (options.flagsOnly) return writeFlags(session, summary.failed > 0 ? kSomeFailed : kAllAnalysed);

    // The C locale's decimal point unless asked: the output is meant for scripts as much as for people.
    const view::FormatOptions format{options.decimalSeparator, options.encoding};
    try {
        if (outputFile) {
            session.writeReport(options.format, format, options.histories, [&](std::string_view part) { outputFile->write(part); });
            outputFile->commit();
        } else {
            bool written = true;
            session.writeReport(options.format, format, options.histories,
                                [&](std::string_view part) { written = written && writeToStandardOutput(part); });
            if (!written) return fail("cannot write to standard output");
        }
    } catch (const exporting::ExportError& error) {
        return fail("cannot write '" + options.output + "': " + error.what());
    }
    return summary.failed > 0 ? kSomeFailed : kAllAnalysed;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
