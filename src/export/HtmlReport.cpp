#include "export/HtmlReport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "export/ReportFields.h"
#include "export/SafeText.h"
#include "load/Windows1251.h"
#include "view/CellTexts.h"
#include "view/Charts.h"
#include "view/GraphPlan.h"
#include "view/RowLook.h"
#include "view/Sorting.h"

namespace quillmere::exporting {

namespace {

constexpr int kChartWidth = 960;
constexpr int kChartHeight = 320;
constexpr int kLeft = 70;  // room for the value labels
constexpr int kRight = 20;
constexpr int kTop = 16;
constexpr int kBottom = 40;
constexpr int kMostPointsPerLine = 400;

constexpr std::string_view kStyle = R"(body{font-family:sans-serif;margin:1.5em;color:#222}
div.scroll{overflow:auto;max-height:85vh}table{border-collapse:collapse;font-size:13px}
th,td{border:1px solid #bbb;padding:2px 6px;white-space:pre}th{background:#e8e8e8;position:sticky;top:0;cursor:pointer}
th[aria-sort=ascending]::after{content:" \25B2"}th[aria-sort=descending]::after{content:" \25BC"}
td:nth-child(2){position:sticky;left:0;background:#fff}td.num{text-align:right;font-variant-numeric:tabular-nums}
svg{max-width:100%;height:auto}@media (max-width:600px){body{margin:.5em}h1{font-size:1.3em}table{font-size:12px}
td:nth-child(2){max-width:9em;overflow:hidden;text-overflow:ellipsis}}
tr.failed td{background:#fdd}tr.blocked td{background:#eee;color:#666}tr.notloaded td{background:#f6f6f6;color:#888}
td.cheat{font-weight:bold}
figure{margin:1.5em 0}figcaption{font-weight:bold;margin-bottom:.3em}ul.legend{list-style:none;padding:0;
display:flex;flex-wrap:wrap;gap:.2em 1.2em;font-size:13px}ul.legend span{display:inline-block;width:1.6em;
height:.25em;vertical-align:middle;margin-right:.4em}
)";

std::string colour(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// The report's columns: who and how they stand first (name, player, verdict, flags, Final), then
// the rest of the grids' columns, each once.
constexpr auto kReportColumns = std::to_array<view::GridColumn>({
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Number)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::FileName)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::NickName)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::Honesty)},
    {view::Grid::Flags, view::IndexOf(view::FlagColumn::Flags)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::FinalScore)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Score)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Turn)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Year)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::PlayTime)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Leader)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Civilization)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Level)},
    {view::Grid::Base, view::IndexOf(view::BaseColumn::Victory)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::FileDate)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::PlayDays)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::Reloads)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::Percent)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::SessionTime)},
    {view::Grid::Reload, view::IndexOf(view::ReloadColumn::MaxReloads)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Cities)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Units)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Techs)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Land)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::LandPercent)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Population)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::PopulationPercent)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Culture1)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Culture2)},
    {view::Grid::Additional, view::IndexOf(view::AdditionalColumn::Culture3)},
});

// Sorts the table by a header's column on a click (or Enter), ascending first, by the ranks the
// cells carry; rows without a rank (no details) stay last. A few lines, so that the page stays
// one file that works offline.
constexpr std::string_view kSortScript = R"(<script>
document.querySelectorAll('th[data-c]').forEach(function (h) {
  function sort() {
    var c = +h.dataset.c, body = document.querySelector('tbody');
    var d = h.getAttribute('aria-sort') === 'ascending' ? -1 : 1;
    document.querySelectorAll('th[aria-sort]').forEach(function (o) { o.removeAttribute('aria-sort'); });
    h.setAttribute('aria-sort', d > 0 ? 'ascending' : 'descending');
    var rows = [].slice.call(body.rows);
    function rank(r) { var k = r.cells[c].dataset.k; return k === undefined ? null : +k; }
    var ranked = rows.filter(function (r) { return rank(r) !== null; });
    ranked.sort(function (x, y) { return d * (rank(x) - rank(y)); });
    ranked.concat(rows.filter(function (r) { return rank(r) === null; })).forEach(function (r) { body.appendChild(r); });
  }
  h.addEventListener('click', sort);
  h.addEventListener('keydown', function (e) { if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); sort(); } });
});
</script>
)";

// The header row: each column's caption with its help as its title.
void appendHeader(std::string& html) {
    const auto headers = view::HeaderTexts(view::TextEncoding::Utf8);
    html += "<thead><tr>";
    for (std::size_t c = 0; c < kReportColumns.size(); ++c) {
        const auto column = kReportColumns[c];
        html += "<th data-c=\"" + std::to_string(c) + "\" tabindex=\"0\" title=\"" +
                EscapedForHtml(view::SpecOf(column).help) + "\">";
        html += EscapedForHtml(*headers.cell(column.grid, column.column)) + "</th>";
    }
    html += "<th>Note</th></tr></thead>\n";
}

// One row: the cells in UTF-8, marked as in the grids, each with its rank for the sort, and the
// reason the row shows no details.
void appendRow(std::string& html, const analysis::SaveRecord& rec, int row, char decimalSeparator,
               const std::vector<std::vector<std::optional<std::size_t>>>& ranks, std::size_t index) {
    const auto status = StatusOf(rec);
    const auto rowTexts = view::RowTextsOf(rec, row, {decimalSeparator, view::TextEncoding::Utf8});
    std::string note;
    const char* rowClass = "";
    if (status == SaveStatus::Failed) {
        rowClass = " class=\"failed\"";
        note = rec.failure;
    } else if (status == SaveStatus::NotLoaded) {
        rowClass = " class=\"notloaded\"";
        note = rec.failure;
    } else if (status == SaveStatus::Blocked) {
        rowClass = " class=\"blocked\"";
        note = "blocked: " + load::Windows1251ToUtf8(rec.blockText);
    }
    html += "<tr";
    html += rowClass;
    if (!note.empty()) html += " title=\"" + EscapedForHtml(note) + "\"";
    html += ">";
    const std::string fileName = FileNameUtf8(rec);
    for (std::size_t c = 0; c < kReportColumns.size(); ++c) {
        const auto column = kReportColumns[c];
        const auto mark = view::MarkOf(rec, column.grid, column.column);
        const bool numeric = view::SpecOf(column).numeric;
        // Appended piece by piece: GCC 12 at -O3 takes a literal + a temporary for overlapping copies.
        std::string classes = numeric ? "num" : "";
        if (const auto name = view::MarkName(mark); !name.empty()) {
            if (!classes.empty()) classes += ' ';
            classes += name;
        }
        html += "<td";
        if (!classes.empty()) {
            html += " class=\"";
            html += classes;
            html += '"';
        }
        if (const auto& rank = ranks[c][index]) {
            html += " data-k=\"";
            html += std::to_string(*rank);
            html += '"';
        }
        html += '>';
        // The file name as UTF-8 whatever the file system gave; numbers without their padding.
        std::string_view text =
            column.column == view::kFileNameColumn ? fileName : *rowTexts.cell(column.grid, column.column);
        if (numeric) {
            const auto first = text.find_first_not_of(' ');
            text = first == std::string_view::npos ? std::string_view() : text.substr(first);
        }
        html += EscapedForHtml(view::MarkedText(mark, text));
        html += "</td>";
    }
    html += "<td>" + EscapedForHtml(note) + "</td></tr>\n";
}

// The graph of `plan` as SVG, at most kMostPointsPerLine points a line.
void appendChart(std::string& html, const view::GraphPlan& plan) {
    const auto& xs = plan.axes.turns;
    const auto& ys = plan.axes.values;
    const double plotWidth = kChartWidth - kLeft - kRight;
    const double plotHeight = kChartHeight - kTop - kBottom;
    const auto x = [&](double turn) { return kLeft + (turn - xs.min) / (xs.max - xs.min) * plotWidth; };
    const auto y = [&](double value) { return kTop + (ys.max - value) / (ys.max - ys.min) * plotHeight; };

    html += "<figure><figcaption>" + EscapedForHtml(plan.valueName) + "</figcaption>\n";
    html += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
            std::to_string(kChartHeight) + "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " +
            std::to_string(kChartHeight) + "\" role=\"img\" aria-label=\"" + EscapedForHtml(plan.valueName) +
            " by turn\" font-size=\"11\" font-family=\"sans-serif\">\n";
    for (int i = 0; i <= ys.ticks; ++i) {
        const double value = ys.min + i * ys.step;
        html += "<line x1=\"" + number(kLeft) + "\" x2=\"" + number(kLeft + plotWidth) + "\" y1=\"" + number(y(value)) +
                "\" y2=\"" + number(y(value)) + "\" stroke=\"#ddd\"/><text x=\"" + number(kLeft - 6) + "\" y=\"" +
                number(y(value) + 4) + "\" text-anchor=\"end\">" + plan.valueLabels[static_cast<std::size_t>(i)] +
                "</text>\n";
    }
    for (int i = 0; i <= xs.ticks; ++i) {
        const double turn = xs.min + i * xs.step;
        html += "<text x=\"" + number(x(turn)) + "\" y=\"" + number(kTop + plotHeight + 16) +
                "\" text-anchor=\"middle\">" + plan.turnLabels[static_cast<std::size_t>(i)] + "</text>\n";
    }
    html += "<text x=\"" + number(kLeft + plotWidth / 2) + "\" y=\"" + number(kChartHeight - 4) +
            "\" text-anchor=\"middle\">Turn</text>\n";
    for (const auto& line : plan.lines) {
        const auto n = static_cast<int>(line.values.size());
        if (n == 0) continue;
        const int stride = std::max(1, n / kMostPointsPerLine);
        html += "<polyline fill=\"none\" stroke-width=\"1.5\" stroke=\"" + colour(line.colour) + "\" points=\"";
        for (int t = 0; t < n; t += stride) {
            html += number(std::round(x(t) * 10) / 10) + "," +
                    number(std::round(y(line.values[static_cast<std::size_t>(t)]) * 10) / 10) + " ";
        }
        html += "\"><title>" + EscapedForHtml(line.name) + "</title></polyline>\n";
    }
    html += "</svg>\n</figure>\n";
}

}  // namespace

std::string BuildHtmlReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                            char decimalSeparator, std::string_view tournament) {
    const std::string title = tournament.empty() ? "Tournament results" : EscapedForHtml(tournament) + ": results";
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
        title + "</title>\n<style>";
    html += kStyle;
    // The marks' colours, as the window and the page show them.
    for (const auto mark :
         {view::CellMark::Fair, view::CellMark::Average, view::CellMark::Cheat, view::CellMark::Flagged}) {
        html += "td.";
        html += view::MarkName(mark);
        html += "{background:";
        html += view::MarkColour(mark);
        html += "}";
    }
    html += "\n";
    html += "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n";
    html += "<p>Start date " + EscapedForHtml(reload::StartDateText(ruleTexts)) + ", at most " +
            EscapedForHtml(ruleTexts.sessionsPerDay) + " sessions per day of at least " +
            EscapedForHtml(ruleTexts.minSessionMinutes) + " minutes, " + EscapedForHtml(ruleTexts.presessions) +
            " presessions. " + EscapedForHtml(view::BatchSummary(table)) + ".</p>\n";

    std::vector<std::vector<std::optional<std::size_t>>> ranks;
    for (const auto column : kReportColumns) ranks.push_back(view::ColumnRanks(table, column.grid, column.column));
    html += "<div class=\"scroll\"><table>\n";
    appendHeader(html);
    html += "<tbody>\n";
    for (std::size_t i = 0; i < table.size(); ++i)
        appendRow(html, table[i], static_cast<int>(i + 1), decimalSeparator, ranks, i);
    html += "</tbody>\n</table></div>\n";

    std::vector<view::GraphPlan> plans;
    for (int category = 0; category < analysis::kHistoryCategories; ++category)
        plans.push_back(view::PlanHistoryGraph(table, {}, category, {}, view::RowsWithoutDetails::LeftOut));
    if (!plans.front().lines.empty()) {
        html +=
            "<h2>History of the first " + std::to_string(plans.front().lines.size()) + " saves in this order</h2>\n";
        html += "<ul class=\"legend\">";
        for (const auto& line : plans.front().lines)
            html += "<li><span style=\"background:" + colour(line.colour) + "\"></span>" + EscapedForHtml(line.name) +
                    "</li>";
        html += "</ul>\n";
        for (const auto& plan : plans) appendChart(html, plan);
    }
    html += kSortScript;
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace quillmere::exporting
