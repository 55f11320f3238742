#include "cli/ReportOptions.h"

#include <algorithm>
#include <array>
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
    if (name == "xlsx") return session::ReportFormat::Xlsx;
    throw UsageError("unknown format '" + std::string(name) + "' (use res, csv, json, html or xlsx)");
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

// One option as --help shows it; the parse knows it by its long name.
struct OptionSpec {
    char shortName = '\0';      // none when '\0'
    std::string_view longName;  // "--output"
    std::string_view value;     // what it takes, as --help names it; empty for a flag
    std::string_view help;      // one sentence, wrapped when shown
};

constexpr auto kOptions = std::to_array<OptionSpec>({
    {'\0', "--start", "DD-MM-YYYY", "tournament start date (default 27-11-2005)"},
    {'\0', "--sessions-per-day", "NUMBER", "most sessions per day, \",\" or \".\" decimals (default 1,5)"},
    {'\0', "--min-session-minutes", "N", "minimum session time in minutes (default 30)"},
    {'\0', "--presessions", "N", "loads that are not reloads (default 1)"},
    {'\0', "--sort", "name|turn|score|final",
     "order of the rows (default name); name and turn ascending, score and final descending"},
    {'o', "--output", "FILE",
     "write the results there, replacing it once all is written (default: standard output); a pipe or a "
     "device such as /dev/null is written directly"},
    {'\0', "--files-from", "FILE|-",
     "also load the saves and folders that FILE lists, one a line, after those given; - reads the list from "
     "standard input"},
    {'\0', "--format", "res|csv|json|html|xlsx",
     "the results file (default); CSV (RFC 4180, UTF-8 with a byte-order mark); one JSON document; one "
     "self-contained HTML page; a spreadsheet workbook, one sheet per grid, with real numbers, dates and "
     "durations (never to a terminal)"},
    {'\0', "--encoding", "windows-1251|utf-8",
     "the results file's text encoding (default: utf-8 when it goes to a terminal whose locale is UTF-8, "
     "else windows-1251)"},
    {'\0', "--decimal-separator", ",|.",
     "of the results file and the page (default .); \",\" writes what the window writes in a comma locale"},
    {'\0', "--no-bom", "", "CSV without the UTF-8 byte-order mark that a spreadsheet needs to read it, for scripts"},
    {'\0', "--no-histories", "", "JSON without the per-turn histories (CSV never has them)"},
    {'r', "--recursive", "", "read the folders inside folders too"},
    {'\0', "--profile", "FILE",
     "a tournament profile (JSON): its rules, and the settings, deadline, leaders and civilisations every "
     "save is checked against; rule options given as well override its rules"},
    {'\0', "--flags-only", "",
     "list only the flagged saves, one line each, instead of the results; exit status 3 when any save is "
     "flagged"},
    {'j', "--jobs", "N", "analyse on N workers (default: one per core); the output is the same for any N"},
    {'h', "--help", "", "show this help"},
    {'V', "--version", "", "show the version"},
});

// --help fits a terminal of 80 columns; option texts start at kHelpColumn.
constexpr std::size_t kUsageColumns = 80;
constexpr std::size_t kHelpColumn = 32;

const OptionSpec* longOption(std::string_view name) {
    const auto* found =
        std::find_if(kOptions.begin(), kOptions.end(), [&](const auto& o) { return o.longName == name; });
    return found == kOptions.end() ? nullptr : found;
}

const OptionSpec* shortOption(char name) {
    const auto* found =
        std::find_if(kOptions.begin(), kOptions.end(), [&](const auto& o) { return o.shortName == name; });
    return found == kOptions.end() ? nullptr : found;
}

// Appends `words` broken into lines of at most `width` columns, every line but the first (which
// the caller has started at `indent`) indented by `indent`.
void appendWrapped(std::string& out, std::string_view words, std::size_t indent, std::size_t width) {
    std::size_t column = indent;
    bool lineStarted = false;
    while (!words.empty()) {
        const auto end = std::min(words.find(' '), words.size());
        const auto word = words.substr(0, end);
        words.remove_prefix(std::min(end + 1, words.size()));
        if (lineStarted && column + 1 + word.size() > width) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
            lineStarted = false;
        }
        if (lineStarted) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineStarted = true;
    }
    out += '\n';
}

}  // namespace

ReportOptions ParseReportArguments(std::span<const std::string> arguments) {
    ReportOptions options;
    std::optional<std::string> reportOnlyOption;  // one that shapes the report, which --flags-only does not write
    // Takes one option; returns true when it ends the parse (--help, --version).
    const auto take = [&](const OptionSpec& option, const std::string& value) {
        const std::string_view name = option.longName;
        if (name == "--help" || name == "--version") {
            options.action = name == "--help" ? ReportAction::Help : ReportAction::Version;
            return true;
        }
        if (name == "--recursive") {
            options.recursive = true;
        } else if (name == "--flags-only") {
            options.flagsOnly = true;
        } else if (name == "--no-histories") {
            options.histories = false;
        } else if (name == "--no-bom") {
            options.byteOrderMark = false;
        } else if (name == "--start") {
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
        } else if (name == "--jobs") {
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
        return false;
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
                const OptionSpec* option = shortOption(argument[k]);
                if (option == nullptr) throw UsageError("unknown option '" + name + "'");
                if (option->value.empty()) {
                    if (take(*option, {})) return options;
                    continue;
                }
                (void)take(*option, k + 1 < argument.size() ? argument.substr(k + 1) : nextArgument(name));
                break;
            }
            continue;
        }

        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        // An unknown name is refused before it could take the next argument as its value.
        const OptionSpec* option = longOption(name);
        if (option == nullptr) throw UsageError("unknown option '" + argument + "'");
        if (option->value.empty()) {
            if (equals != std::string::npos) throw UsageError("option '" + name + "' takes no value");
            if (take(*option, {})) return options;
            continue;
        }
        (void)take(*option, equals == std::string::npos ? nextArgument(name) : argument.substr(equals + 1));
    }
    if (options.saves.empty() && !options.filesFrom) throw UsageError("no save files given");
    const auto fromStandardInput = std::count(options.saves.begin(), options.saves.end(), "-");
    if (fromStandardInput > 1) throw UsageError("'-' (a save on standard input) may be given only once");
    if (fromStandardInput == 1 && options.filesFrom == "-") {
        throw UsageError("'--files-from -' and the save '-' cannot both be read from standard input");
    }
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
    std::string text =
        "Usage: quillmere-report [options] SAVE|FOLDER...\n"
        "       quillmere-report [options] --files-from FILE|- [SAVE|FOLDER...]\n";
    appendWrapped(text,
                  "Loads the save files (a folder: every regular file in it, in name order; -: one save read from "
                  "standard input) and writes the results file (Windows-1251 text, \"; \" between cells) or another "
                  "format.",
                  0, kUsageColumns);
    text += "\nOptions:\n";
    for (const auto& option : kOptions) {
        std::string label = "  ";
        label += option.shortName != '\0' ? std::string{'-', option.shortName, ',', ' '} : std::string(4, ' ');
        label += option.longName;
        if (!option.value.empty()) label.append(" ").append(option.value);
        // A long label has its text on the lines below it.
        if (label.size() + 2 <= kHelpColumn) {
            label.resize(kHelpColumn, ' ');
        } else {
            label += "\n" + std::string(kHelpColumn, ' ');
        }
        text += label;
        appendWrapped(text, option.help, kHelpColumn, kUsageColumns);
    }
    text += "\n";
    appendWrapped(text,
                  "Exit status: 0 when every file was analysed, 1 when some could not be (their rows are still "
                  "written), 2 for a usage, rule or profile error or when the results cannot be written, 3 with "
                  "--flags-only when some save is flagged. Interrupted (SIGINT, SIGTERM), it leaves the output as it "
                  "was and ends by the signal (130, 143 in a shell).",
                  0, kUsageColumns);
    return text;
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
