#include "cli/ReportOptions.h"

#include <charconv>

namespace quillmere::cli {

namespace {

view::SortKey sortKeyOf(std::string_view name) {
    if (name == "name") return view::SortKey::FileName;
    if (name == "turn") return view::SortKey::Turn;
    if (name == "score") return view::SortKey::Score;
    if (name == "final") return view::SortKey::FinalScore;
    throw UsageError("unknown sort key '" + std::string(name) + "' (use name, turn, score or final)");
}

unsigned jobsOf(std::string_view text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc{} || end != text.data() + text.size() || jobs < 1 || jobs > 256) {
        throw UsageError("--jobs wants a number of workers from 1 to 256, not '" + std::string(text) + "'");
    }
    return jobs;
}

session::ReportFormat formatOf(std::string_view name) {
    if (name == "res") return session::ReportFormat::Results;
    if (name == "csv") return session::ReportFormat::Csv;
    if (name == "json") return session::ReportFormat::Json;
    if (name == "html") return session::ReportFormat::Html;
    throw UsageError("unknown format '" + std::string(name) + "' (use res, csv, json or html)");
}

view::TextEncoding encodingOf(std::string_view name) {
    if (name == "windows-1251") return view::TextEncoding::Windows1251;
    if (name == "utf-8") return view::TextEncoding::Utf8;
    throw UsageError("unknown encoding '" + std::string(name) + "' (use windows-1251 or utf-8)");
}

char separatorOf(std::string_view text) {
    if (text == "." || text == ",") return text.front();
    throw UsageError("the decimal separator is ',' or '.', not '" + std::string(text) + "'");
}

}  // namespace

ReportOptions ParseReportArguments(std::span<const std::string> arguments) {
    ReportOptions options;
    std::optional<std::string> reportOnlyOption;  // one that shapes the report, which --flags-only does not write
    const auto setValue = [&](std::string_view name, const std::string& value) {
        if (name == "--start") {
            reload::SetStartDateText(options.rules, value);
            options.rulesGiven.push_back(reload::RuleField::StartDate);
        } else if (name == "--sessions-per-day") {
            options.rules.sessionsPerDay = value;
            options.rulesGiven.push_back(reload::RuleField::SessionsPerDay);
        } else if (name == "--min-session-minutes") {
            options.rules.minSessionMinutes = value;
            options.rulesGiven.push_back(reload::RuleField::MinSessionMinutes);
        } else if (name == "--presessions") {
            options.rules.presessions = value;
            options.rulesGiven.push_back(reload::RuleField::Presessions);
        } else if (name == "--profile") {
            options.profile = value;
        } else if (name == "--files-from") {
            options.filesFrom = value;
        } else if (name == "--sort") {
            options.sort = sortKeyOf(value);
        } else if (name == "--jobs" || name == "-j") {
            options.jobs = jobsOf(value);
        } else if (name == "--format") {
            options.format = formatOf(value);
            reportOnlyOption = name;
        } else if (name == "--encoding") {
            options.encoding = encodingOf(value);
            reportOnlyOption = name;
        } else if (name == "--decimal-separator") {
            options.decimalSeparator = separatorOf(value);
            reportOnlyOption = name;
        } else {
            options.output = value;
        }
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            options.saves.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const auto nextArgument = [&](std::string_view name) {
            if (i + 1 == arguments.size()) throw UsageError("option '" + std::string(name) + "' needs a value");
            return arguments[++i];
        };

        if (!argument.starts_with("--")) {
            // Short options bundle; the first that takes a value takes the rest of the argument, if any.
            for (std::size_t k = 1; k < argument.size(); ++k) {
                const std::string name{'-', argument[k]};
                if (name == "-h") {
                    options.action = ReportAction::Help;
                    return options;
                }
                if (name == "-r") {
                    options.recursive = true;
                    continue;
                }
                if (name != "-o" && name != "-j") throw UsageError("unknown option '" + name + "'");
                setValue(name, k + 1 < argument.size() ? argument.substr(k + 1) : nextArgument(name));
                break;
            }
            continue;
        }

        if (argument == "--help") {
            options.action = ReportAction::Help;
            return options;
        }
        if (argument == "--version") {
            options.action = ReportAction::Version;
            return options;
        }
        if (argument == "--recursive") {
            options.recursive = true;
            continue;
        }
        if (argument == "--flags-only") {
            options.flagsOnly = true;
            continue;
        }
        if (argument == "--no-histories") {
            options.histories = false;
            continue;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        // An unknown name is refused before it could take the next argument as its value.
        if (name == "--output" || name == "--start" || name == "--sessions-per-day" ||
            name == "--min-session-minutes" || name == "--presessions" || name == "--profile" ||
            name == "--files-from" || name == "--sort" || name == "--jobs" || name == "--format" ||
            name == "--encoding" || name == "--decimal-separator") {
            setValue(name, equals == std::string::npos ? nextArgument(name) : argument.substr(equals + 1));
        } else {
            throw UsageError("unknown option '" + argument + "'");
        }
    }
    if (options.saves.empty() && !options.filesFrom) throw UsageError("no save files given");
    if (options.flagsOnly && reportOnlyOption) {
        throw UsageError(*reportOnlyOption + " does not apply to --flags-only, which writes a plain list (UTF-8)");
    }
    return options;
}

view::TextEncoding ResultsEncoding(const ReportOptions& options, bool toTerminal, std::string_view codeset) {
    if (options.encoding) return *options.encoding;
    return toTerminal && codeset == "UTF-8" ? view::TextEncoding::Utf8 : view::TextEncoding::Windows1251;
}

std::string ReportUsage() {
    return "Usage: quillmere-report [options] SAVE|FOLDER...\n"
           "       quillmere-report [options] --files-from FILE|- [SAVE|FOLDER...]\n"
           "Loads the save files (a folder: every regular file in it, in name order) and writes the results\n"
           "file (Windows-1251 text, \"; \" between cells) or another format.\n"
           "\n"
           "Options:\n"
           "  --start DD-MM-YYYY            tournament start date (default 27-11-2005)\n"
           "  --sessions-per-day NUMBER     most sessions per day, \",\" or \".\" decimals (default 1,5)\n"
           "  --min-session-minutes N       minimum session time in minutes (default 30)\n"
           "  --presessions N               loads that are not reloads (default 1)\n"
           "  --sort name|turn|score|final  order of the rows (default name); name and turn ascending,\n"
           "                                score and final descending\n"
           "  -o, --output FILE             write the results there, replacing it (default: standard output)\n"
           "  --format res|csv|json|html    the results file (default); CSV (RFC 4180, UTF-8); one JSON\n"
           "                                document; one self-contained HTML page\n"
           "  --encoding windows-1251|utf-8 the results file's text encoding (default windows-1251)\n"
           "  --decimal-separator ,|.       of the results file and the page (default .); \",\" writes what\n"
           "                                the window writes in a comma locale\n"
           "  -r, --recursive               read the folders inside folders too\n"
           "  --profile FILE                a tournament profile (JSON): its rules, and the settings,\n"
           "                                deadline, leaders and civilisations every save is checked\n"
           "                                against; rule options given as well override its rules\n"
           "  --no-histories                JSON without the per-turn histories (CSV never has them)\n"
           "  --flags-only                  list only the flagged saves, one line each, instead of the\n"
           "                                results; exit status 3 when any save is flagged\n"
           "  -j, --jobs N                  analyse on N workers (default: one per core); the output is the\n"
           "                                same for any N\n"
           "  -h, --help                    show this help\n"
           "  --version                     show the version\n"
           "\n"
           "Exit status: 0 when every file was analysed, 1 when some could not be (their rows are still\n"
           "written), 2 for a usage, rule or profile error or when the results cannot be written, 3 with\n"
           "--flags-only when some save is flagged.\n";
}

reload::RuleTexts RulesOf(const ReportOptions& options, const reload::RuleTexts& base) {
    reload::RuleTexts texts = base;
    for (const auto field : options.rulesGiven) {
        switch (field) {
            case reload::RuleField::StartDate:
                texts.day = options.rules.day;
                texts.month = options.rules.month;
                texts.year = options.rules.year;
                break;
            case reload::RuleField::SessionsPerDay:
                texts.sessionsPerDay = options.rules.sessionsPerDay;
                break;
            case reload::RuleField::MinSessionMinutes:
                texts.minSessionMinutes = options.rules.minSessionMinutes;
                break;
            case reload::RuleField::Presessions:
                texts.presessions = options.rules.presessions;
                break;
        }
    }
    return texts;
}

std::string_view OptionOf(reload::RuleField field) {
    switch (field) {
        case reload::RuleField::StartDate:
            return "--start";
        case reload::RuleField::SessionsPerDay:
            return "--sessions-per-day";
        case reload::RuleField::MinSessionMinutes:
            return "--min-session-minutes";
        case reload::RuleField::Presessions:
            break;
    }
    return "--presessions";
}

}  // namespace quillmere::cli
