#include "export/HtmlReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "export/ReportFields.h"
#include "load/Windows1251.h"
#include "view/CellTexts.h"
#include "view/Charts.h"
#include "view/GraphPlan.h"
#include "view/RowLook.h"

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
table{border-collapse:collapse;font-size:13px}th,td{border:1px solid #bbb;padding:2px 6px;white-space:pre}
th{background:#e8e8e8;position:sticky;top:0}td.num{text-align:right;font-variant-numeric:tabular-nums}
tr.failed td{background:#fdd}tr.blocked td{background:#eee;color:#666}tr.notloaded td{background:#f6f6f6;color:#888}
td.cheat{font-weight:bold}
figure{margin:1.5em 0}figcaption{font-weight:bold;margin-bottom:.3em}ul.legend{list-style:none;padding:0;
display:flex;flex-wrap:wrap;gap:.2em 1.2em;font-size:13px}ul.legend span{display:inline-block;width:1.6em;
height:.25em;vertical-align:middle;margin-right:.4em}
)";

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

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

// The row's cells as the results file has them, in UTF-8, with the reason it shows no details.
void appendRow(std::string& html, const analysis::SaveRecord& rec, int row, char decimalSeparator) {
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
    if (!note.empty()) html += " title=\"" + escaped(note) + "\"";
    html += ">";
    const auto cell = [&](std::string_view text, bool numeric, const char* extraClass = nullptr) {
        html += "<td";
        if (numeric || extraClass != nullptr) {
            html += " class=\"";
            html += numeric ? "num" : "";
            if (extraClass != nullptr) html += std::string(numeric ? " " : "") + extraClass;
            html += "\"";
        }
        html += '>';
        html += escaped(text);
        html += "</td>";
    };
    const auto cells = view::ResultsCellsOf(rowTexts);
    const auto columns = view::ResultsColumns();
    constexpr view::GridColumn kFileName{view::Grid::Base, view::kFileNameColumn};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const auto mark = view::MarkOf(rec, columns[i].grid, columns[i].column);
        const std::string markName(view::MarkName(mark));
        const bool numeric = view::SpecOf(columns[i]).numeric;
        // The file name as UTF-8 whatever the file system gave.
        const auto text = view::MarkedText(mark, columns[i] == kFileName ? FileNameUtf8(rec) : cells[i]);
        cell(text, numeric, markName.empty() ? nullptr : markName.c_str());
    }
    cell(note, false);
    cell(FlagsText(rec), false, rec.flags.empty() ? nullptr : view::MarkName(view::CellMark::Flagged).data());
    html += "</tr>\n";
}

// The graph of `plan` as SVG, at most kMostPointsPerLine points a line.
void appendChart(std::string& html, const view::GraphPlan& plan) {
    const auto& xs = plan.axes.turns;
    const auto& ys = plan.axes.values;
    const double plotWidth = kChartWidth - kLeft - kRight;
    const double plotHeight = kChartHeight - kTop - kBottom;
    const auto x = [&](double turn) { return kLeft + (turn - xs.min) / (xs.max - xs.min) * plotWidth; };
    const auto y = [&](double value) { return kTop + (ys.max - value) / (ys.max - ys.min) * plotHeight; };

    html += "<figure><figcaption>" + escaped(plan.valueName) + "</figcaption>\n";
    html += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" +
            std::to_string(kChartHeight) + "\" role=\"img\" aria-label=\"" + escaped(plan.valueName) +
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
        html += "\"><title>" + escaped(line.name) + "</title></polyline>\n";
    }
    html += "</svg>\n</figure>\n";
}

}  // namespace

std::string BuildHtmlReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                            char decimalSeparator, std::string_view tournament) {
    const std::string title = tournament.empty() ? "Tournament results" : escaped(tournament) + ": results";
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title + "</title>\n<style>";
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
    html += "<p>Start date " + escaped(reload::StartDateText(ruleTexts)) + ", at most " +
            escaped(ruleTexts.sessionsPerDay) + " sessions per day of at least " +
            escaped(ruleTexts.minSessionMinutes) + " minutes, " + escaped(ruleTexts.presessions) + " presessions. " +
            escaped(view::BatchSummary(table)) + ".</p>\n";

    html += "<table>\n<thead><tr>";
    const auto headers = view::HeaderTexts(view::TextEncoding::Utf8);
    const auto captions = view::ResultsCellsOf(headers);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        html += "<th title=\"" + escaped(view::SpecOf(view::ResultsColumns()[i]).help) + "\">";
        html += escaped(captions[i]) + "</th>";
    }
    html += "<th>Note</th><th title=\"" +
            escaped(view::SpecOf({view::Grid::Flags, view::IndexOf(view::FlagColumn::Flags)}).help) +
            "\">Flags</th></tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < table.size(); ++i) appendRow(html, table[i], static_cast<int>(i + 1), decimalSeparator);
    html += "</tbody>\n</table>\n";

    std::vector<view::GraphPlan> plans;
    for (int category = 0; category < analysis::kHistoryCategories; ++category)
        plans.push_back(view::PlanHistoryGraph(table, {}, category, {}, view::RowsWithoutDetails::LeftOut));
    if (!plans.front().lines.empty()) {
        html +=
            "<h2>History of the first " + std::to_string(plans.front().lines.size()) + " saves in this order</h2>\n";
        html += "<ul class=\"legend\">";
        for (const auto& line : plans.front().lines)
            html += "<li><span style=\"background:" + colour(line.colour) + "\"></span>" + escaped(line.name) + "</li>";
        html += "</ul>\n";
        for (const auto& plan : plans) appendChart(html, plan);
    }
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace quillmere::exporting
