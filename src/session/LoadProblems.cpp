#include "session/LoadProblems.h"

#include "load/Windows1251.h"
#include "view/CellTexts.h"

namespace quillmere::session {

namespace {

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::vector<std::string> PassedOverLines(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const auto& [path, reason] : entries)
        lines.push_back(load::FileNameToUtf8(path) + ": skipped (" + reason + ")");
    return lines;
}

LoadProblems ProblemsOf(const LoadSummary& summary) {
    LoadProblems problems;
    std::vector<std::string> heading;
    if (!summary.batchFailure.empty()) {
        heading.emplace_back("The load failed");
        problems.lines.push_back("The load stopped: " + view::WithFullStop(summary.batchFailure));
    }
    if (!summary.failures.empty())
        heading.push_back(counted(summary.failures.size(), "file could not be read", "files could not be read"));
    for (const auto& [path, message] : summary.failures) {
        const std::string name = load::FileNameToUtf8(path.substr(path.find_last_of('/') + 1));
        problems.lines.push_back(name + ": " + view::WithFullStop(message));
    }
    if (!summary.passedOver.empty())
        heading.push_back(counted(summary.passedOver.size(), "entry passed over", "entries passed over"));
    for (auto& line : PassedOverLines(summary.passedOver)) problems.lines.push_back(std::move(line));
    for (const auto& part : heading) problems.heading += (problems.heading.empty() ? "" : "; ") + part;
    return problems;
}

}  // namespace quillmere::session
