#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "reload/Rules.h"
#include "session/Session.h"
#include "view/Sorting.h"

namespace quillmere::cli {

enum class ReportAction { Run, Help, Version };

// What one run of quillmere-report is asked to do.
struct ReportOptions {
    ReportAction action = ReportAction::Run;
    reload::RuleTexts rules;
    std::vector<reload::RuleField> rulesGiven;  // the rules set on the command line, over a profile's
    std::optional<view::SortKey> sort;          // applied after the file-name sort of every load
    std::string output = "-";                   // "-" is standard output
    unsigned jobs = 0;                          // workers; 0 is one per core
    session::ReportFormat format = session::ReportFormat::Results;
    std::optional<view::TextEncoding> encoding;  // of the results file; see ResultsEncoding
    char decimalSeparator = '.';                 // of the results file and the page
    bool recursive = false;                      // folders' folders too
    std::optional<std::string> profile;          // a tournament profile file
    bool flagsOnly = false;                      // list only the flagged saves
    bool histories = true;                       // JSON with the per-turn histories
    bool byteOrderMark = true;                   // CSV with UTF-8's byte-order mark
    std::vector<std::string> saves;              // files and folders; "-" is one save on standard input
    std::optional<std::string> filesFrom;        // a file that lists more of them, one a line; "-" is standard input
};

// The command line does not make sense; what() says why, without the program's name.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program's name. "--help" ("-h") and "--version" ("-V") end the
// parse at once; otherwise at least one save (or --files-from) is required, "-" (standard input)
// at most once and not with "--files-from -". Short options take their value attached or as the
// next argument ("-j2", "-j 2") and may be bundled ("-rj2"); long ones after "=" or as the next
// argument. Throws UsageError. Rule texts are only split here: their meaning is checked by
// reload::CheckRules.
[[nodiscard]] ReportOptions ParseReportArguments(std::span<const std::string> arguments);

// The encoding the results file is written in: the one asked for; else, when it goes to a terminal,
// the terminal's (`codeset` as nl_langinfo(CODESET) names it) if that is UTF-8; else Windows-1251.
[[nodiscard]] view::TextEncoding ResultsEncoding(const ReportOptions& options, bool toTerminal,
                                                 std::string_view codeset);

// The text of "--help": every option, in lines of at most 80 columns.
[[nodiscard]] std::string ReportUsage();

// The option that sets the rule text of `field`, for messages.
[[nodiscard]] std::string_view OptionOf(reload::RuleField field);

// The rule texts a run uses: a profile's (or the defaults), with those given on the command line
// over them.
[[nodiscard]] reload::RuleTexts RulesOf(const ReportOptions& options, const reload::RuleTexts& base);

}  // namespace quillmere::cli
