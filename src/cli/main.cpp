#include <cstdio>
#include <ctime>
#include <string>

#include "analysis/Batch.h"
#include "cli/ReportOptions.h"
#include "export/ResultsFile.h"
#include "reload/ReloadControl.h"
#include "view/Sorting.h"

namespace {

using namespace quillmere;

constexpr int kAllAnalysed = 0;
constexpr int kSomeFailed = 1;
constexpr int kNothingWritten = 2;

int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) return 2000;
    return local.tm_year + 1900;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "quillmere-report: %s\n", message.c_str());
    return kNothingWritten;
}

bool writeToStandardOutput(const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
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

    reload::Rules rules;
    try {
        rules = reload::ParseRules(options.rules, currentYear());
    } catch (const reload::RuleError& error) {
        return fail(std::string(cli::OptionOf(error.field())) + ": " + error.what());
    }

    // As the window's Load File does: analyse in the given order, apply the rules, sort by name.
    auto table = analysis::AnalyseFiles(options.saves);
    int status = kAllAnalysed;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].Failure.empty()) continue;
        std::fprintf(stderr, "%s: %s\n", options.saves[i].c_str(), table[i].Failure.c_str());
        status = kSomeFailed;
    }
    reload::ApplyRules(table, rules);
    view::SortRecords(table, view::SortKey::FileName, true);
    if (options.sort) view::SortRecords(table, *options.sort, view::SortDirections{}.of(*options.sort));

    // The C locale's decimal point: the output is meant for scripts as much as for people.
    const std::string text = exporting::BuildResultsText(table, view::FormatOptions{'.'});
    if (options.output == "-") {
        if (!writeToStandardOutput(text)) return fail("cannot write to standard output");
    } else {
        try {
            exporting::WriteFileAtomically(options.output, text);
        } catch (const exporting::ExportError& error) {
            return fail("cannot write '" + options.output + "': " + error.what());
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
