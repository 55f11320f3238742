#include <unistd.h>

#include <cstdio>
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

// One line per flagged save: its file name, then its flags.
int writeFlags(const session::Session& session, int status) {
    std::string lines;
    for (const auto& rec : session.records()) {
        if (rec.Flags.empty()) continue;
        lines += load::FileNameToUtf8(rec.FileName) + ":";
        for (std::size_t i = 0; i < rec.Flags.size(); ++i) lines += (i == 0 ? " " : "; ") + rec.Flags[i];
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
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    if (showProgress) {
        control.onProgress = [](const analysis::BatchProgress& progress) {
            std::fprintf(stderr, "\rquillmere-report: %zu of %zu files read", progress.done, progress.total);
            if (progress.failed > 0) std::fprintf(stderr, " (%zu failed)", progress.failed);
            std::fflush(stderr);
        };
    }
    const auto inputs = load::ExpandPaths(options.saves, options.recursive);
    for (const auto& [path, reason] : inputs.skipped) std::fprintf(stderr, "%s: skipped (%s)\n", path.c_str(), reason.c_str());
    if (inputs.files.empty()) return fail("no save files in the folders given");
    const auto summary = session.load(inputs.files, control);
    if (showProgress) std::fputs("\r\033[K", stderr);
    for (const auto& [file, message] : summary.failures) std::fprintf(stderr, "%s: %s\n", file.c_str(), message.c_str());
    if (options.sort) session.sortClick(*options.sort);
    if (options.flagsOnly) return writeFlags(session, summary.failed > 0 ? kSomeFailed : kAllAnalysed);

    // The C locale's decimal point unless asked: the output is meant for scripts as much as for people.
    const std::string text = session.report(options.format, {options.decimalSeparator, options.encoding});
    if (options.output == "-") {
        if (!writeToStandardOutput(text)) return fail("cannot write to standard output");
    } else {
        try {
            exporting::WriteFileAtomically(options.output, text);
        } catch (const exporting::ExportError& error) {
            return fail("cannot write '" + options.output + "': " + error.what());
        }
    }
    return summary.failed > 0 ? kSomeFailed : kAllAnalysed;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
