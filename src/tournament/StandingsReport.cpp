#include "tournament/StandingsReport.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "export/SafeText.h"
#include "view/CellTexts.h"

namespace quillmere::tournament {

namespace {

using Json = nlohmann::ordered_json;

std::string shown(std::string_view text) { return exporting::EscapedForTerminal(text); }

// Characters, not bytes, so that UTF-8 names line up.
std::size_t widthOf(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Rows of cells as aligned columns, two blanks apart; the columns in `rightAligned` are numbers.
std::string columns(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& rightAligned) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], widthOf(row[c]));
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - widthOf(row[c]), ' ');
            const bool right = c < rightAligned.size() && rightAligned[c];
            line += (c == 0 ? "" : "  ") + (right ? pad + row[c] : row[c] + pad);
        }
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// A text cell: guarded against formulas, then quoted as needed. Numbers go through csvField alone.
std::string csvText(std::string_view text) { return csvField(exporting::CsvTextCell(text)); }

std::string csvLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) line += (i == 0 ? "" : ",") + cells[i];
    return line + "\r\n";
}

std::string joined(const std::vector<std::string>& texts) {
    std::string text;
    for (const auto& t : texts) text += (text.empty() ? "" : "; ") + t;
    return text;
}

std::string rulingText(const SubmissionRow& row) {
    if (!row.ruling) return "";
    std::string text(StateName(row.ruling->state));
    if (!row.ruling->reason.empty()) text += ": " + row.ruling->reason;
    return text + " (" + row.ruling->by + ", " + LocalTimeText(static_cast<std::time_t>(row.ruling->at)) + ")";
}

// What a row says where it has no rank.
std::string standingText(const SubmissionRow& row) {
    std::string text(StandingName(row.place.standing));
    if (row.place.standing == Standing::Superseded && row.place.supersededBy)
        text += " by " + std::to_string(*row.place.supersededBy);
    return text;
}

std::string verdictText(const SubmissionRow& row) { return row.verdict ? view::VerdictText(*row.verdict) : ""; }

bool scored(const SubmissionRow& row) { return row.status == analysis::SaveStatus::Analysed; }

std::string roundsWord(std::size_t count) { return std::to_string(count) + (count == 1 ? " round" : " rounds"); }

// The value of a season cell as text: "*" marks a provisional one, brackets one the best-N rule drops.
std::string cellText(const SeasonLine::Cell& cell) {
    std::string text = std::to_string(cell.value) + (cell.result.provisional ? "*" : "");
    return cell.kept ? text : "(" + text + ")";
}

const SeasonLine::Cell* cellOf(const SeasonLine& line, int round) {
    for (const auto& cell : line.cells) {
        if (cell.result.round == round) return &cell;
    }
    return nullptr;
}

Json scoringJson(const Scoring& scoring) {
    Json json;
    json["method"] = scoring.method == ScoringMethod::RankPoints ? "points" : "sum";
    if (scoring.method == ScoringMethod::RankPoints) json["points"] = scoring.points;
    json["best_rounds"] = scoring.bestRounds ? Json(*scoring.bestRounds) : Json(nullptr);
    json["text"] = ScoringText(scoring);
    return json;
}

Json roundJson(const RoundInfo& round) {
    return Json{{"number", round.number},
                {"title", round.title},
                {"profile_name", round.profileName},
                {"submissions", round.submissions}};
}

Json submissionJson(const SubmissionRow& row) {
    Json json;
    json["submission"] = row.id;
    json["round"] = row.round;
    json["rank"] = row.place.rank ? Json(*row.place.rank) : Json(nullptr);
    json["standing"] = StandingName(row.place.standing);
    json["superseded_by"] = row.place.supersededBy ? Json(*row.place.supersededBy) : Json(nullptr);
    json["player"] = row.playerName;
    json["nick_name"] = row.nickName;
    json["file_name"] = row.fileName;
    json["path"] = row.path;
    json["received"] = IsoLocalTime(static_cast<std::time_t>(row.receivedAt));
    json["file_time"] = IsoLocalTime(static_cast<std::time_t>(row.fileTime));
    json["sha256"] = row.sha256;
    json["status"] = row.status == analysis::SaveStatus::Analysed  ? "ok"
                     : row.status == analysis::SaveStatus::Blocked ? "blocked"
                                                                   : "failed";
    json["failure"] = row.failure.empty() ? Json(nullptr) : Json(row.failure);
    json["final_score"] = scored(row) ? Json(row.finalScore) : Json(nullptr);
    json["verdict"] = row.verdict ? Json(view::VerdictText(*row.verdict)) : Json(nullptr);
    if (row.ruling) {
        json["ruling"] = Json{{"state", StateName(row.ruling->state)},
                              {"reason", row.ruling->reason},
                              {"by", row.ruling->by},
                              {"at", IsoLocalTime(static_cast<std::time_t>(row.ruling->at))}};
    } else {
        json["ruling"] = nullptr;
    }
    json["flags"] = row.flags;
    return json;
}

std::string dump(const Json& json) { return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"; }

constexpr std::string_view kStyle = R"(body{font-family:sans-serif;margin:1.5em;color:#222}
table{border-collapse:collapse;font-size:13px;margin-bottom:1.5em}th,td{border:1px solid #bbb;padding:2px 6px}
th{background:#e8e8e8}td.num{text-align:right;font-variant-numeric:tabular-nums}td.dropped{color:#888}
tr.provisional td{font-style:italic}tr.out td{background:#eee;color:#666}td.flagged{background:#fc9}
)";

std::string page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
           "<title>" +
           exporting::EscapedForHtml(title) + "</title>\n<style>\n" + std::string(kStyle) +
           "</style>\n</head>\n<body>\n<h1>" + exporting::EscapedForHtml(title) + "</h1>\n" + body +
           "</body>\n</html>\n";
}

std::string htmlRow(const std::vector<std::string>& cells, const std::vector<bool>& numeric,
                    std::string_view rowClass = {}) {
    std::string row = rowClass.empty() ? "<tr>" : "<tr class=\"" + std::string(rowClass) + "\">";
    for (std::size_t i = 0; i < cells.size(); ++i)
        row += (i < numeric.size() && numeric[i] ? "<td class=\"num\">" : "<td>") +
               exporting::EscapedForHtml(cells[i]) + "</td>";
    return row + "</tr>\n";
}

std::string htmlHead(const std::vector<std::string>& cells) {
    std::string row = "<tr>";
    for (const auto& cell : cells) row += "<th>" + exporting::EscapedForHtml(cell) + "</th>";
    return row + "</tr>\n";
}

constexpr std::string_view kFlaggedHeading = "Flags of the submissions that stand";

std::vector<std::string> flaggedHeader() { return {"round", "submission", "player", "file", "standing", "flags"}; }

std::vector<std::string> flaggedCells(const SubmissionRow& row) {
    return {std::to_string(row.round), std::to_string(row.id), row.playerName, row.fileName,
            standingText(row),         joined(row.flags)};
}

std::vector<std::string> roundHeader() {
    return {"rank",    "submission", "player", "in-game name", "file", "final score",
            "verdict", "standing",   "ruling", "received",     "flags"};
}

std::vector<std::string> roundCells(const SubmissionRow& row) {
    return {row.place.rank ? std::to_string(*row.place.rank) : "",
            std::to_string(row.id),
            row.playerName,
            row.nickName,
            row.fileName,
            scored(row)           ? std::to_string(row.finalScore)
            : row.failure.empty() ? "blocked"
                                  : "failed",
            verdictText(row),
            standingText(row),
            rulingText(row),
            LocalTimeText(static_cast<std::time_t>(row.receivedAt)),
            joined(row.flags)};
}

const std::vector<bool> kRoundNumeric = {true, true, false, false, false, true};

std::string seasonTitle(const SeasonTable& season) { return season.tournament + ": standings"; }

std::string roundTitle(const RoundTable& table) {
    return table.tournament + ": round " + std::to_string(table.round.number) + ", " + table.round.title;
}

std::vector<std::string> seasonHeader(const SeasonTable& season) {
    std::vector<std::string> header = {"rank", "player", "total"};
    for (const auto& round : season.rounds) header.push_back("round " + std::to_string(round.number));
    return header;
}

std::vector<std::string> seasonCells(const SeasonTable& season, const SeasonTable::Line& line) {
    std::vector<std::string> cells = {line.standing.rank ? std::to_string(*line.standing.rank) : "", line.playerName,
                                      std::to_string(line.standing.total) + (line.standing.provisional ? "*" : "")};
    for (const auto& round : season.rounds) {
        const auto* cell = cellOf(line.standing, round.number);
        cells.push_back(cell ? cellText(*cell) : "-");
    }
    return cells;
}

std::string seasonHeading(const SeasonTable& season) {
    return seasonTitle(season) + " after " + roundsWord(season.rounds.size()) + " (" + ScoringText(season.scoring) +
           ")";
}

std::string seasonNote(const SeasonTable& season) {
    std::string note = "* provisional: not ruled on yet";
    if (season.scoring.bestRounds) note += "; (brackets): not among the best " + roundsWord(*season.scoring.bestRounds);
    return note;
}

std::vector<bool> seasonNumeric(const SeasonTable& season) {
    std::vector<bool> numeric(3 + season.rounds.size(), true);
    numeric[1] = false;
    return numeric;
}

std::string seasonText(const SeasonTable& season) {
    std::string text = shown(seasonHeading(season)) + "\n\n";
    std::vector<std::vector<std::string>> rows = {seasonHeader(season)};
    for (const auto& line : season.lines) {
        auto cells = seasonCells(season, line);
        for (auto& cell : cells) cell = shown(cell);
        rows.push_back(std::move(cells));
    }
    text += columns(rows, seasonNumeric(season));
    text += "\n" + seasonNote(season) + "\n";
    if (!season.flagged.empty()) text += "\n" + std::string(kFlaggedHeading) + ":\n" + FlaggedLines(season);
    return text;
}

std::string seasonCsv(const SeasonTable& season) {
    auto header = seasonHeader(season);
    header.insert(header.begin() + 3, "provisional");
    std::string text = csvLine([&] {
        std::vector<std::string> cells;
        for (const auto& h : header) cells.push_back(csvField(h));
        return cells;
    }());
    for (const auto& line : season.lines) {
        std::vector<std::string> cells = {line.standing.rank ? std::to_string(*line.standing.rank) : "",
                                          csvText(line.playerName), std::to_string(line.standing.total),
                                          line.standing.provisional ? "yes" : "no"};
        for (const auto& round : season.rounds) {
            const auto* cell = cellOf(line.standing, round.number);
            cells.push_back(cell ? csvField(cellText(*cell)) : "");
        }
        text += csvLine(cells);
    }
    return text;
}

std::string seasonJson(const SeasonTable& season) {
    Json json;
    json["tournament"] = season.tournament;
    json["scoring"] = scoringJson(season.scoring);
    json["rounds"] = Json::array();
    for (const auto& round : season.rounds) json["rounds"].push_back(roundJson(round));
    json["standings"] = Json::array();
    for (const auto& line : season.lines) {
        Json entry;
        entry["rank"] = line.standing.rank ? Json(*line.standing.rank) : Json(nullptr);
        entry["player"] = line.playerName;
        entry["total"] = line.standing.total;
        entry["provisional"] = line.standing.provisional;
        entry["rounds"] = Json::array();
        for (const auto& cell : line.standing.cells) {
            entry["rounds"].push_back(Json{{"round", cell.result.round},
                                           {"submission", cell.result.submission},
                                           {"final_score", cell.result.finalScore},
                                           {"rank", cell.result.rank},
                                           {"value", cell.value},
                                           {"kept", cell.kept},
                                           {"provisional", cell.result.provisional}});
        }
        json["standings"].push_back(std::move(entry));
    }
    json["flagged"] = Json::array();
    for (const auto& row : season.flagged) json["flagged"].push_back(submissionJson(row));
    return dump(json);
}

std::string seasonHtml(const SeasonTable& season) {
    std::string body =
        "<p>After " + roundsWord(season.rounds.size()) + "; " + exporting::EscapedForHtml(ScoringText(season.scoring)) +
        ". Values marked * are provisional: not ruled on yet.</p>\n<table>\n" + htmlHead(seasonHeader(season));
    for (const auto& line : season.lines)
        body +=
            htmlRow(seasonCells(season, line), seasonNumeric(season), line.standing.provisional ? "provisional" : "");
    body += "</table>\n";
    if (!season.flagged.empty()) {
        body += "<h2>" + std::string(kFlaggedHeading) + "</h2>\n<table>\n" + htmlHead(flaggedHeader());
        for (const auto& row : season.flagged) body += htmlRow(flaggedCells(row), {true, true});
        body += "</table>\n";
    }
    return page(seasonTitle(season), body);
}

std::string roundText(const RoundTable& table) {
    std::string text = shown(roundTitle(table)) + " (" + std::to_string(table.rows.size()) + " submissions)\n\n";
    std::vector<std::vector<std::string>> rows;
    auto header = roundHeader();
    header.pop_back();  // the flags follow each row on lines of their own
    rows.push_back(header);
    std::vector<std::pair<std::size_t, std::string>> flagLines;
    for (const auto& row : table.rows) {
        auto cells = roundCells(row);
        cells.pop_back();
        for (auto& cell : cells) cell = shown(cell);
        rows.push_back(std::move(cells));
    }
    const std::string aligned = columns(rows, kRoundNumeric);
    // Each row's line, then its flags indented beneath it.
    std::size_t start = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t end = aligned.find('\n', start) + 1;
        text += aligned.substr(start, end - start);
        start = end;
        if (r == 0) continue;
        for (const auto& flag : table.rows[r - 1].flags) text += "      ! " + shown(flag) + "\n";
    }
    return text;
}

std::string roundCsv(const RoundTable& table) {
    std::vector<std::string> header;
    for (const auto& h : roundHeader()) header.push_back(csvField(h));
    header.insert(header.begin() + 5, "path");
    header.push_back("sha256");
    std::string text = csvLine(header);
    for (const auto& row : table.rows) {
        auto values = roundCells(row);
        std::vector<std::string> cells;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool number = i < 2 || (i == 5 && scored(row));
            cells.push_back(number ? csvField(values[i]) : csvText(values[i]));
        }
        cells.insert(cells.begin() + 5, csvText(row.path));
        cells.push_back(row.sha256);
        text += csvLine(cells);
    }
    return text;
}

std::string roundJson(const RoundTable& table) {
    Json json;
    json["tournament"] = table.tournament;
    json["round"] = roundJson(table.round);
    json["submissions"] = Json::array();
    for (const auto& row : table.rows) json["submissions"].push_back(submissionJson(row));
    return dump(json);
}

std::string roundHtml(const RoundTable& table) {
    std::string body = "<table>\n" + htmlHead(roundHeader());
    for (const auto& row : table.rows) {
        const bool out = !row.place.rank;
        std::string cells;
        const auto values = roundCells(row);
        std::string line = out                                           ? "<tr class=\"out\">"
                           : row.place.standing == Standing::Provisional ? "<tr class=\"provisional\">"
                                                                         : "<tr>";
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool numeric = i < kRoundNumeric.size() && kRoundNumeric[i];
            const bool flagged = i + 1 == values.size() && !row.flags.empty();
            line += std::string(numeric   ? "<td class=\"num\">"
                                : flagged ? "<td class=\"flagged\">"
                                          : "<td>") +
                    exporting::EscapedForHtml(values[i]) + "</td>";
        }
        body += line + "</tr>\n";
    }
    body += "</table>\n";
    return page(roundTitle(table), body);
}

}  // namespace

std::string SeasonStandings(const SeasonTable& season, StandingsFormat format) {
    switch (format) {
        case StandingsFormat::Csv:
            return seasonCsv(season);
        case StandingsFormat::Json:
            return seasonJson(season);
        case StandingsFormat::Html:
            return seasonHtml(season);
        case StandingsFormat::Text:
            break;
    }
    return seasonText(season);
}

std::string RoundStandings(const RoundTable& round, StandingsFormat format) {
    switch (format) {
        case StandingsFormat::Csv:
            return roundCsv(round);
        case StandingsFormat::Json:
            return roundJson(round);
        case StandingsFormat::Html:
            return roundHtml(round);
        case StandingsFormat::Text:
            break;
    }
    return roundText(round);
}

StandingsGrid SeasonGrid(const SeasonTable& season) {
    StandingsGrid grid;
    grid.heading = seasonHeading(season);
    grid.header = seasonHeader(season);
    grid.numeric = seasonNumeric(season);
    for (const auto& line : season.lines) {
        grid.rows.push_back(seasonCells(season, line));
        grid.submissions.push_back(0);
    }
    grid.note = seasonNote(season);
    return grid;
}

StandingsGrid RoundGrid(const RoundTable& round) {
    StandingsGrid grid;
    grid.heading = roundTitle(round) + " (" + std::to_string(round.rows.size()) + " submissions)";
    grid.header = roundHeader();
    grid.numeric = kRoundNumeric;
    grid.numeric.resize(grid.header.size(), false);
    for (const auto& row : round.rows) {
        grid.rows.push_back(roundCells(row));
        grid.submissions.push_back(row.id);
    }
    return grid;
}

StandingsGrid FlaggedGrid(const SeasonTable& season) {
    StandingsGrid grid;
    grid.heading = kFlaggedHeading;
    grid.header = flaggedHeader();
    grid.numeric = {true, true, false, false, false, false};
    for (const auto& row : season.flagged) {
        grid.rows.push_back(flaggedCells(row));
        grid.submissions.push_back(row.id);
    }
    return grid;
}

std::string FlaggedLines(const SeasonTable& season) {
    std::string text;
    for (const auto& row : season.flagged) {
        text += "round " + std::to_string(row.round) + ", submission " + std::to_string(row.id) + " (" +
                shown(row.playerName) + ", " + shown(row.fileName) + "): " + shown(joined(row.flags)) + "\n";
    }
    return text;
}

std::string IsoLocalTime(std::time_t time) {
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr) return "";
    char text[64];
    const long offset = local.tm_gmtoff;
    const int minutes = static_cast<int>(std::min<long>((offset < 0 ? -offset : offset) / 60, 99 * 60 + 59));
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}

std::string LocalTimeText(std::time_t time) {
    std::string text = IsoLocalTime(time).substr(0, 19);
    if (text.size() == 19) text[10] = ' ';
    return text;
}

}  // namespace quillmere::tournament
