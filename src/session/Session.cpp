#include "session/Session.h"

#include <algorithm>
#include <utility>

#include "export/CsvReport.h"
#include "export/HtmlReport.h"
#include "export/JsonReport.h"
#include "export/ResultsFile.h"
#include "load/FileList.h"
#include "reload/ReloadControl.h"
#include "session/TournamentChecks.h"

namespace quillmere::session {

Session::Session(int currentYear)
    : m_currentYear(currentYear), m_ruleCheck(reload::CheckRules(m_ruleTexts, currentYear)) {}

const reload::RuleCheck& Session::setRules(const reload::RuleTexts& texts) {
    m_ruleTexts = texts;
    m_ruleCheck = reload::CheckRules(texts, m_currentYear);
    refresh();
    return m_ruleCheck;
}

const reload::RuleCheck& Session::setProfile(std::optional<Profile> profile) {
    m_profile = std::move(profile);
    return setRules(m_profile ? m_profile->rules : m_ruleTexts);
}

std::size_t Session::flaggedCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_records.begin(), m_records.end(), [](const auto& rec) { return !rec.Flags.empty(); }));
}

void Session::refresh() {
    reload::ApplyRules(m_records, m_ruleCheck.rules);
    CheckTournament(m_records, m_profile ? &*m_profile : nullptr, m_ruleCheck.rules);
}

LoadSummary Session::load(std::span<const std::string> paths, const analysis::BatchControl& control) {
    return adopt(analysis::AnalyseFiles(paths, control));
}

LoadSummary Session::loadPaths(const std::vector<std::string>& paths, bool recursive,
                               const analysis::BatchControl& control) {
    const auto inputs = load::ExpandPaths(paths, recursive);
    auto analysed = analysis::AnalyseFiles(inputs.files, control);
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

LoadSummary Session::adopt(analysis::ResultTable records) {
    LoadSummary summary;
    for (const auto& rec : records) {
        switch (analysis::StatusOf(rec)) {
            case analysis::SaveStatus::NotLoaded:
                ++summary.notLoaded;
                break;
            case analysis::SaveStatus::Failed:
                ++summary.failed;
                summary.failures.emplace_back(rec.Path, rec.Failure);
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
    refresh();
    view::SortRecords(m_records, view::SortKey::FileName, m_directions.fileName);
    return summary;
}

void Session::sortClick(view::SortKey key) {
    view::SortClick(m_records, m_directions, key);
    m_lastSortKey = key;
}

view::RowTexts Session::rowTexts(std::size_t index, const view::FormatOptions& options) const {
    return view::RowTextsOf(m_records.at(index), static_cast<int>(index + 1), options);
}

std::string Session::resultsText(const view::FormatOptions& options) const {
    return report(ReportFormat::Results, options);
}

std::string Session::report(ReportFormat format, const view::FormatOptions& options) const {
    std::string text;
    writeReport(format, options, true, [&](std::string_view part) { text += part; });
    return text;
}

void Session::writeReport(ReportFormat format, const view::FormatOptions& options, bool withHistories,
                          const std::function<void(std::string_view)>& write) const {
    if (!rulesValid()) {
        throw RulesInvalid("the reload rules are invalid (" + m_ruleCheck.errors.front().message + ")");
    }
    switch (format) {
        case ReportFormat::Csv:
            return write(exporting::BuildCsvReport(m_records));
        case ReportFormat::Json:
            return exporting::WriteJsonReport(m_records, m_ruleTexts, *m_ruleCheck.rules, withHistories, write);
        case ReportFormat::Html:
            return write(exporting::BuildHtmlReport(m_records, m_ruleTexts, options.decimalSeparator,
                                                    m_profile ? std::string_view(m_profile->name) : std::string_view()));
        case ReportFormat::Results:
            return write(exporting::BuildResultsText(m_records, options));
    }
}

}  // namespace quillmere::session
