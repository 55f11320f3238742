#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Batch.h"
#include "analysis/SaveRecord.h"
#include "export/AtomicFile.h"
#include "export/ResultsFile.h"
#include "reload/Rules.h"
#include "session/BackgroundLoad.h"
#include "session/Profile.h"
#include "view/CellTexts.h"
#include "view/Sorting.h"

namespace quillmere::session {

// What a load brought in, for a front end to report.
struct LoadSummary {
    std::size_t loaded = 0;     // analysed, blocked ones included
    std::size_t blocked = 0;    // analysed but shown without details
    std::size_t failed = 0;     // could not be analysed
    std::size_t notLoaded = 0;  // left out by a cancel
    // The path and message of every failed file, in the order of the paths.
    std::vector<std::pair<std::string, std::string>> failures;
    // Entries of folders that a background load passed over unread, each with its reason; they
    // have no rows (a blocking load gives them failed rows instead).
    std::vector<std::pair<std::string, std::string>> passedOver;
    // Why the batch as a whole stopped, e.g. out of memory: it has no rows then. Empty when it ran.
    std::string batchFailure;

    // Whether every file of the load was analysed: none failed, none was left out by a cancel, and
    // the batch ran to its end. Entries passed over do not count.
    [[nodiscard]] bool allAnalysed() const { return failed == 0 && notLoaded == 0 && batchFailure.empty(); }
};

// A list of paths that cannot be read; what() says which and why: "cannot read 'list.txt': Is a
// directory".
class PathListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The paths the list file at `path` names, one a line (load::ReadPathList); "-" reads
// `standardInput` instead. Throws PathListError.
[[nodiscard]] std::vector<std::string> ReadPathList(const std::string& path, std::istream& standardInput);

// The outputs of the table.
enum class ReportFormat {
    Results,  // the results file, as the grids show it
    Csv,      // RFC 4180, UTF-8 with a byte-order mark, plain numbers and ISO dates
    Json,     // one document, docs/report.schema.json
    Html,     // one self-contained page
    Xlsx,     // a spreadsheet workbook, one sheet per grid, with numbers, dates and durations typed
};

// What each format is written as by default, for the front ends' save dialogs, menus and downloads.
struct ReportKind {
    ReportFormat format;
    std::string_view fileName;  // "Res.txt", "Results.csv"...
    std::string_view mimeType;
    std::string_view fileFilter;   // a save dialog's: "CSV files (*.csv)"
    std::string_view exportEntry;  // the window's menu entry; none for the results file, which is saved
    bool inPage;                   // whether the browser edition writes it
};
inline constexpr std::array<ReportKind, 5> kReportKinds = {{
    {ReportFormat::Results, "Res.txt", "text/plain", "Text files (*.txt)", "", true},
    {ReportFormat::Csv, "Results.csv", "text/csv", "CSV files (*.csv)", "Export &CSV...", true},
    {ReportFormat::Json, "Results.json", "application/json", "JSON files (*.json)", "Export &JSON...", true},
    {ReportFormat::Html, "Results.html", "text/html", "Web pages (*.html)", "Export &HTML...", true},
    {ReportFormat::Xlsx, "Results.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
     "Spreadsheets (*.xlsx)", "Export &XLSX...", false},
}};
static_assert(
    [] {
        for (std::size_t i = 0; i < kReportKinds.size(); ++i)
            if (kReportKinds[i].format != static_cast<ReportFormat>(i)) return false;
        return kReportKinds.back().format == ReportFormat::Xlsx;
    }(),
    "one kind per format, in the formats' order");

// The kind of `format`.
[[nodiscard]] constexpr const ReportKind& KindOf(ReportFormat format) {
    return kReportKinds[static_cast<std::size_t>(format)];
}

// What a report may leave out for a script that reads it.
struct ReportContent {
    bool histories = true;      // JSON's per-turn histories
    bool byteOrderMark = true;  // CSV's, which a spreadsheet needs to read UTF-8
};

// `records` as a report in `format`, judged by `rules` (which `ruleTexts` spell), handed to `write`
// in pieces: what Session::writeReport writes for its table, and the archive for a round's.
// Returns the names that the results file in Windows-1251 wrote with "?" for characters it lacks.
exporting::LostCharacters WriteReport(const analysis::ResultTable& records, const reload::RuleTexts& ruleTexts,
                                      const reload::Rules& rules, std::string_view profileName, ReportFormat format,
                                      const view::FormatOptions& options, const ReportContent& content,
                                      const std::function<void(std::string_view)>& write);

// No report can be made now; what() says why.
class ReportRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The results cannot be written while a rule does not parse: they would show no verdicts.
class RulesInvalid : public ReportRefused {
public:
    using ReportRefused::ReportRefused;
};

// A report on its way to a file: the target is checked and a temporary file made beside it at once,
// so that a path that cannot be written is refused before any work; the file replaces the target
// only at commit(), and destroyed before that it leaves the target untouched. Every call throws
// exporting::ExportError with the system's text or the reason.
class ReportFile {
public:
    explicit ReportFile(const std::string& path, const exporting::AtomicFileOptions& options = {})
        : m_file(path, options) {}
    void write(std::string_view bytes) { m_file.write(bytes); }
    void commit() { m_file.commit(); }

private:
    exporting::AtomicFileWriter m_file;
};

// Whether opening a profile sets the rules to its own or keeps the rules in force.
enum class ProfileRules { Take, Keep };

// What a referee works on: the table of the last load, the rule texts and their parse, and the
// sort directions. Every change keeps them consistent: the records always carry the judgements of
// the rules now set, or none while a rule does not parse. The front ends make one call per user
// action and show what it returns.
class Session {
public:
    // Rules at their defaults, two-digit years read around `currentYear`.
    explicit Session(int currentYear = reload::CurrentYear());

    // Sets the rule texts and re-judges every record; while any text does not parse, every record
    // loses its judgement. Returns the parse, with one error per rule in error.
    const reload::RuleCheck& setRules(const reload::RuleTexts& texts);
    [[nodiscard]] const reload::RuleTexts& ruleTexts() const { return m_ruleTexts; }
    [[nodiscard]] const reload::RuleCheck& ruleCheck() const { return m_ruleCheck; }
    [[nodiscard]] bool rulesValid() const { return m_ruleCheck.rules.has_value(); }

    // Reads the profile at `path` (ReadProfile) and takes it as setProfile does. When its rules
    // differ from those in force, `choose` is asked whether to take them or keep those in force;
    // when it answers nothing, nothing changes. Returns whether the profile was taken. Throws
    // ProfileError naming the file and the problem; nothing changes then.
    bool openProfile(const std::string& path,
                     const std::function<std::optional<ProfileRules>(const reload::RuleTexts& theirs)>& choose);
    // The profile in use (an empty one without) with the rules in force, named `fallbackName` when
    // it has no name of its own: what a saved profile holds.
    [[nodiscard]] Profile profileInForce(const std::string& fallbackName) const;
    // Writes profileInForce(the name of the file at `path`) to `path`, replacing it atomically; the
    // profile in use goes by the name written from then on. Throws exporting::ExportError.
    void saveProfile(const std::string& path);

    // Takes a tournament's profile: with ProfileRules::Take its rule texts become the rules (as
    // setRules), and every save is checked against its requirements from now on. Without a profile
    // only the checks that need none run (duplicates, save chains, saves before the start).
    // The profile goes by ProfileNameOf(profile, fileName).
    const reload::RuleCheck& setProfile(std::optional<Profile> profile, ProfileRules rules = ProfileRules::Take,
                                        std::string_view fileName = {});
    [[nodiscard]] const std::optional<Profile>& profile() const { return m_profile; }
    // The name the profile in use goes by (see setProfile); empty without one.
    [[nodiscard]] const std::string& profileName() const { return m_profileName; }
    // How many records carry a flag.
    [[nodiscard]] std::size_t flaggedCount() const;
    // The checks that do not run while a rule is invalid, each with its reason, e.g. "deadline not
    // checked: the start date is invalid"; empty while every rule is valid.
    [[nodiscard]] std::vector<std::string> checksOff() const;
    // The status line: `note` when there is one, the batch's counts ("No saves loaded" before a
    // load), then the checks that are off ("; " between them), the parts joined by " - ", so that a
    // note never hides the counts.
    [[nodiscard]] std::string statusLine(std::string_view note = {}) const;
    // How many records stand as `status`.
    [[nodiscard]] std::size_t countOf(analysis::SaveStatus status) const;

    // Analyses `paths` and adopts the records (blocking; see BackgroundLoad for a window).
    LoadSummary load(std::span<const std::string> paths, const analysis::BatchControl& control = {});
    // The same for files and folders (load::ExpandPaths): an entry that is not read, a folder
    // that cannot be listed or a FIFO in a folder, gets a row with its reason, counted as failed.
    // With `standardInput`, the first entry "-" is one save read from that descriptor
    // (load::ReadSaveStream), before the others; its row is named "-".
    LoadSummary loadPaths(const std::vector<std::string>& paths, bool recursive,
                          const analysis::BatchControl& control = {}, std::optional<int> standardInput = {});
    // Replaces the table with the records of a load, in the order of its paths: judges them under
    // the current rules and sorts them by file name in that key's current direction, then by the
    // sort clicked since the load's first rows arrived (addArrived), if any. Records made elsewhere
    // (from bytes in memory) come in here too; its path names a record in the failures.
    LoadSummary adopt(analysis::ResultTable records);
    // The same for a finished background load, whose summary also names the entries it passed over
    // and a failure of the batch as a whole.
    LoadSummary adopt(BackgroundLoad& load);

    // Shows the records of a running load that have finished so far (`arrived`, in any order): the
    // first ones replace the table of the last load, which stays until then, and the sort marks go;
    // each call adds them and judges, checks and orders the table as adopt() does, so that the rows
    // fill in where they will stand. adopt() ends the load with the whole table. Returns whether
    // the table changed.
    bool addArrived(analysis::ResultTable arrived);
    // The same with the records that `load` finished since the last call.
    bool adoptArrived(BackgroundLoad& load);
    // Whether the table holds a running load's rows so far: between its first arrivals and adopt().
    [[nodiscard]] bool showsArrivals() const { return m_showsArrivals; }

    // Sorts by `key` in its current direction, then flips that direction (as one click of its sort
    // button does).
    void sortBy(view::SortKey key);
    [[nodiscard]] const view::SortDirections& sortDirections() const { return m_directions; }
    // The key of the last click, if any since the start or the last load.
    [[nodiscard]] std::optional<view::SortKey> lastSortKey() const { return m_lastSortKey; }

    // One click on a grid's column header: a column of a sort button sorts as that button does;
    // any other sorts by its texts (view::SortByColumn), ascending first, and flips its direction.
    void headerClick(view::Grid grid, int column);
    // The column of the last header click that sorted by texts, and the order it left.
    struct ColumnSort {
        view::Grid grid;
        int column;
        bool ascending;
    };
    [[nodiscard]] std::optional<ColumnSort> lastColumnSort() const { return m_lastColumnSort; }

    [[nodiscard]] const analysis::ResultTable& records() const { return m_records; }
    [[nodiscard]] std::size_t size() const { return m_records.size(); }
    // The cells of record `index` as grid row index + 1.
    [[nodiscard]] view::RowTexts rowTexts(std::size_t index, const view::FormatOptions& options) const;
    // The table in `format`: the results file and the page follow `options`, the other formats
    // have fixed conventions. Throws RulesInvalid while a rule does not parse; its what() names
    // every invalid rule.
    [[nodiscard]] std::string report(ReportFormat format, const view::FormatOptions& options) const;
    // The same handed to `write` in pieces (JSON save by save, so that memory does not grow with
    // the batch), with what `content` keeps. Returns the names that the results file in
    // Windows-1251 wrote with "?" for characters it lacks (none for the other formats). Throws
    // RulesInvalid.
    exporting::LostCharacters writeReport(ReportFormat format, const view::FormatOptions& options,
                                          const ReportContent& content,
                                          const std::function<void(std::string_view)>& write) const;
    // Throws RulesInvalid when no report can be made now, as report() would, and ReportRefused while
    // the table holds a running load's first rows (showsArrivals()): a report is of a whole load.
    void requireValidRules() const;
    // Writes report(format, options) to `path`, replacing it only once all of it is written, and
    // returns what writeReport returns. Throws RulesInvalid (nothing written) or
    // exporting::ExportError (an existing file untouched).
    exporting::LostCharacters saveReport(ReportFormat format, const view::FormatOptions& options,
                                         const std::string& path) const;

private:
    int m_currentYear;
    reload::RuleTexts m_ruleTexts;
    reload::RuleCheck m_ruleCheck;
    view::SortDirections m_directions;
    std::optional<view::SortKey> m_lastSortKey;
    std::optional<ColumnSort> m_lastColumnSort;
    std::map<std::pair<view::Grid, int>, bool> m_columnDirections;  // true: ascending on the next click
    std::optional<Profile> m_profile;
    std::string m_profileName;
    analysis::ResultTable m_records;
    bool m_showsArrivals = false;

    // Judges and checks every record under what is set now.
    void refresh();
    // Orders the table by file name, then by the last sort clicked, if any.
    void orderLoaded();
};

}  // namespace quillmere::session
