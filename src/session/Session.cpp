#include "session/Session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <utility>

#include "analysis/BytesAnalyser.h"
#include "export/CsvReport.h"
#include "export/HtmlReport.h"
#include "export/JsonReport.h"
#include "export/ResultsFile.h"
#ifndef QUILLMERE_NO_XLSX
#include "export/XlsxReport.h"
#endif
#include "load/FileList.h"
#include "load/LoadError.h"
#include "load/SaveStream.h"
#include "reload/ReloadControl.h"
#include "session/TournamentChecks.h"

namespace quillmere::session {

std::vector<std::string> ReadPathList(const std::string& path, std::istream& standardInput) {
    const auto unreadable = [&path](int error) {
        // Appended piece by piece: GCC 12 at -O3 takes "'" + path + "'" for overlapping copies.
        std::string message = "cannot read '";
        message += path;
        message += "': ";
        message += std::strerror(error);
        return PathListError(message);
    };
    std::ifstream file;
    if (path != "-") {
        file.open(path);
        if (!file) throw unreadable(errno);
    }
    std::istream& list = path == "-" ? standardInput : file;
    errno = 0;
    auto paths = load::ReadPathList(list);
    if (list.bad()) throw unreadable(errno != 0 ? errno : EIO);
    return paths;
}

namespace {

constexpr std::string_view kStandardInputPath = "-";

// The record of the one save on the stream `fd`, named "-".
analysis::SaveRecord standardInputRecord(int fd) {
    const std::string path(kStandardInputPath);
    load::StreamedSave save;
    try {
        save = load::ReadSaveStream(fd);
    } catch (const load::LoadError& error) {
        return analysis::UnreadRecord(path, error.what());
    } catch (const std::bad_alloc&) {
        return analysis::UnreadRecord(path, "insufficient memory");
    }
    return analysis::BytesAnalyser().analyse(path, save.modified, save.bytes);
}

}  // namespace

Session::Session(int currentYear)
    : m_currentYear(currentYear), m_ruleCheck(reload::CheckRules(m_ruleTexts, currentYear)) {}

const reload::RuleCheck& Session::setRules(const reload::RuleTexts& texts) {
    m_ruleTexts = texts;
    m_ruleCheck = reload::CheckRules(texts, m_currentYear);
    refresh();
    return m_ruleCheck;
}

bool Session::openProfile(const std::string& path,
                          const std::function<std::optional<ProfileRules>(const reload::RuleTexts&)>& choose) {
    auto profile = ReadProfile(path);
    auto rules = ProfileRules::Take;
    if (profile.rules != m_ruleTexts) {
        const auto chosen = choose(profile.rules);
        if (!chosen) return false;
        rules = *chosen;
    }
    setProfile(std::move(profile), rules, path);
    return true;
}

Profile Session::profileInForce(const std::string& fallbackName) const {
    Profile profile = m_profile.value_or(Profile{});
    profile.rules = m_ruleTexts;
    if (profile.name.empty()) profile.name = fallbackName;
    return profile;
}

void Session::saveProfile(const std::string& path) {
    const Profile profile = profileInForce(ProfileNameOf(Profile{}, path));
    exporting::WriteFileAtomically(path, ProfileJson(profile));
    if (m_profile) m_profileName = profile.name;
}

const reload::RuleCheck& Session::setProfile(std::optional<Profile> profile, ProfileRules rules,
                                             std::string_view fileName) {
    m_profile = std::move(profile);
    m_profileName = m_profile ? ProfileNameOf(*m_profile, fileName) : std::string();
    return setRules(m_profile && rules == ProfileRules::Take ? m_profile->rules : m_ruleTexts);
}

std::size_t Session::flaggedCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_records.begin(), m_records.end(), [](const auto& rec) { return !rec.flags.empty(); }));
}

std::string Session::statusLine(std::string_view note) const {
    std::string line = note.empty() ? std::string() : std::string(note) + " - ";
    line += m_records.empty() ? std::string("No saves loaded") : view::BatchSummary(m_records);
    const auto off = checksOff();
    for (std::size_t i = 0; i < off.size(); ++i) line += (i == 0 ? " - " : "; ") + off[i];
    return line;
}

std::vector<std::string> Session::checksOff() const {
    std::vector<std::string> off;
    if (m_ruleCheck.failed(reload::RuleField::StartDate)) {
        if (m_profile && m_profile->deadlineDay) off.push_back("deadline not checked: the start date is invalid");
        off.push_back("saves before the start not checked: the start date is invalid");
    }
    if (!m_ruleCheck.errors.empty()) {
        std::string names;
        for (const auto& error : m_ruleCheck.errors)
            names += (names.empty() ? "" : ", ") + std::string(reload::RuleName(error.field));
        off.push_back("no reload verdicts: invalid " + names);
    }
    return off;
}

std::size_t Session::countOf(analysis::SaveStatus status) const {
    return static_cast<std::size_t>(std::count_if(
        m_records.begin(), m_records.end(), [status](const auto& rec) { return analysis::StatusOf(rec) == status; }));
}

void Session::refresh() {
    reload::ApplyRules(m_records, m_ruleCheck.rules);
    // The date checks need only the start date: another rule in error does not switch them off.
    std::optional<reload::Rules> dateRules = m_ruleCheck.rules;
    if (!dateRules && m_ruleCheck.startDate) {
        dateRules.emplace();
        dateRules->startDate = *m_ruleCheck.startDate;
    }
    CheckTournament(m_records, m_profile ? &*m_profile : nullptr, dateRules);
}

LoadSummary Session::load(std::span<const std::string> paths, const analysis::BatchControl& control) {
    return adopt(analysis::AnalyseFiles(paths, control));
}

LoadSummary Session::loadPaths(const std::vector<std::string>& paths, bool recursive,
                               const analysis::BatchControl& control, std::optional<int> standardInput) {
    const auto dash = standardInput ? std::find(paths.begin(), paths.end(), kStandardInputPath) : paths.end();
    auto inputs = load::ExpandPaths({paths.begin(), dash}, recursive);
    // The save on standard input stands where its "-" was met, between the entries before and after.
    std::optional<std::size_t> pipedAt;
    std::optional<analysis::SaveRecord> piped;
    analysis::BatchControl batchControl = control;
    if (dash != paths.end()) {
        pipedAt = inputs.files.size();
        auto after = load::ExpandPaths({dash + 1, paths.end()}, recursive);
        for (std::size_t i = 0; i < after.skipped.size(); ++i) {
            inputs.skipped.push_back(std::move(after.skipped[i]));
            inputs.skippedAt.push_back(*pipedAt + 1 + after.skippedAt[i]);
        }
        inputs.files.insert(inputs.files.end(), std::make_move_iterator(after.files.begin()),
                            std::make_move_iterator(after.files.end()));
        piped = standardInputRecord(*standardInput);
        const std::size_t pipedFailed = piped->failure.empty() ? 0 : 1;
        if (control.onProgress) {
            control.onProgress({.total = inputs.files.size() + 1, .done = 1, .failed = pipedFailed});
            batchControl.onProgress = [&control, pipedFailed](analysis::BatchProgress progress) {
                ++progress.total;
                ++progress.done;
                progress.failed += pipedFailed;
                control.onProgress(progress);
            };
        }
    }
    auto analysed = analysis::AnalyseFiles(inputs.files, batchControl);
    if (piped) analysed.insert(analysed.begin() + static_cast<std::ptrdiff_t>(*pipedAt), std::move(*piped));
    // Back in the order the entries were met, so that the failures are listed in that order.
    analysis::ResultTable records;
    records.reserve(analysed.size() + inputs.skipped.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < inputs.skipped.size(); ++i) {
        for (; next < inputs.skippedAt[i]; ++next) records.push_back(std::move(analysed[next]));
        records.push_back(analysis::UnreadRecord(inputs.skipped[i].first, inputs.skipped[i].second));
    }
    for (; next < analysed.size(); ++next) records.push_back(std::move(analysed[next]));
    return adopt(std::move(records));
}

LoadSummary Session::adopt(BackgroundLoad& load) {
    auto summary = adopt(load.takeRecords());
    summary.passedOver = load.passedOver();
    summary.batchFailure = load.batchFailure();
    return summary;
}

LoadSummary Session::adopt(analysis::ResultTable records) {
    LoadSummary summary;
    for (const auto& rec : records) {
        switch (analysis::StatusOf(rec)) {
            case analysis::SaveStatus::NotLoaded:
                ++summary.notLoaded;
                break;
            case analysis::SaveStatus::Failed:
                ++summary.failed;
                summary.failures.emplace_back(rec.path, rec.failure);
                break;
            case analysis::SaveStatus::Blocked:
                ++summary.blocked;
                ++summary.loaded;
                break;
            case analysis::SaveStatus::Analysed:
                ++summary.loaded;
                break;
        }
    }
    m_records = std::move(records);
    // A sort clicked while the load's rows came in still orders them; any earlier one is the old table's.
    if (!m_showsArrivals) {
        m_lastSortKey.reset();
        m_lastColumnSort.reset();
    }
    m_showsArrivals = false;
    refresh();
    orderLoaded();
    return summary;
}

bool Session::addArrived(analysis::ResultTable arrived) {
    if (arrived.empty()) return false;
    if (!m_showsArrivals) {
        m_records.clear();
        m_lastSortKey.reset();
        m_lastColumnSort.reset();
        m_showsArrivals = true;
    }
    m_records.insert(m_records.end(), std::make_move_iterator(arrived.begin()), std::make_move_iterator(arrived.end()));
    refresh();
    orderLoaded();
    return true;
}

bool Session::adoptArrived(BackgroundLoad& load) {
    auto arrived = load.takeArrived();
    analysis::ResultTable records;
    records.reserve(arrived.size());
    for (auto& [index, rec] : arrived) records.push_back(std::move(rec));
    return addArrived(std::move(records));
}

void Session::orderLoaded() {
    view::SortRecords(m_records, view::SortKey::FileName, m_directions.fileName);
    // The last click's direction has flipped since: it sorted the other way.
    if (m_lastSortKey) {
        view::SortRecords(m_records, *m_lastSortKey, !m_directions.of(*m_lastSortKey));
    } else if (m_lastColumnSort) {
        view::SortByColumn(m_records, m_lastColumnSort->grid, m_lastColumnSort->column, m_lastColumnSort->ascending);
    }
}

void Session::sortBy(view::SortKey key) {
    view::SortClick(m_records, m_directions, key);
    m_lastSortKey = key;
    m_lastColumnSort.reset();
}

void Session::headerClick(view::Grid grid, int column) {
    if (const auto key = view::ButtonKeyOf(grid, column)) {
        sortBy(*key);
        return;
    }
    bool& ascending = m_columnDirections.try_emplace({grid, column}, true).first->second;
    view::SortByColumn(m_records, grid, column, ascending);
    m_lastColumnSort = ColumnSort{grid, column, ascending};
    m_lastSortKey.reset();
    ascending = !ascending;
}

view::RowTexts Session::rowTexts(std::size_t index, const view::FormatOptions& options) const {
    return view::RowTextsOf(m_records.at(index), static_cast<int>(index + 1), options);
}

std::string Session::report(ReportFormat format, const view::FormatOptions& options) const {
    std::string text;
    writeReport(format, options, {}, [&](std::string_view part) { text += part; });
    return text;
}

void Session::requireValidRules() const {
    if (m_showsArrivals) throw ReportRefused("the saves are still being read");
    if (rulesValid()) return;
    std::string reasons;
    for (const auto& error : m_ruleCheck.errors) {
        if (!reasons.empty()) reasons += "; ";
        reasons += reload::NamedMessage(error);
    }
    throw RulesInvalid("the reload rules are invalid (" + reasons + ")");
}

exporting::LostCharacters Session::saveReport(ReportFormat format, const view::FormatOptions& options,
                                              const std::string& path) const {
    requireValidRules();
    ReportFile file(path);
    const auto lost = writeReport(format, options, {}, [&file](std::string_view part) { file.write(part); });
    file.commit();
    return lost;
}

exporting::LostCharacters Session::writeReport(ReportFormat format, const view::FormatOptions& options,
                                               const ReportContent& content,
                                               const std::function<void(std::string_view)>& write) const {
    requireValidRules();
    return WriteReport(m_records, m_ruleTexts, *m_ruleCheck.rules,
                       m_profile ? std::string_view(m_profile->name) : std::string_view(), format, options, content,
                       write);
}

exporting::LostCharacters WriteReport(const analysis::ResultTable& records, const reload::RuleTexts& ruleTexts,
                                      const reload::Rules& rules, std::string_view profileName, ReportFormat format,
                                      const view::FormatOptions& options, const ReportContent& content,
                                      const std::function<void(std::string_view)>& write) {
    switch (format) {
        case ReportFormat::Csv:
            write(exporting::BuildCsvReport(records, content.byteOrderMark));
            break;
        case ReportFormat::Json:
            exporting::WriteJsonReport(records, ruleTexts, rules, content.histories, write);
            break;
        case ReportFormat::Html:
            write(exporting::BuildHtmlReport(records, ruleTexts, options.decimalSeparator, profileName));
            break;
        case ReportFormat::Xlsx:
#ifdef QUILLMERE_NO_XLSX
            // The browser edition offers no workbook (ReportKind::inPage).
            throw exporting::ExportError("this edition writes no workbooks");
#else
            write(exporting::BuildXlsxReport(records));
            break;
#endif
        case ReportFormat::Results: {
            auto results = exporting::BuildResultsText(records, options);
            write(results.bytes);
            return std::move(results.lost);
        }
    }
    return {};
}

}  // namespace quillmere::session
