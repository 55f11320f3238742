// The browser page's hold on a session::Session: one call per user action, every text the page
// shows made here by the core (cells, headers, tooltips, summaries, reports), UTF-8 for display.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/Batch.h"
#include "load/Windows1251.h"
#include "reload/Rules.h"
#include "session/LoadProblems.h"
#include "session/Messages.h"
#include "session/RecordCodec.h"
#include "session/Session.h"
#include "view/CellTexts.h"
#include "view/Charts.h"
#include "view/GraphPick.h"
#include "view/GraphPlan.h"
#include "view/RowLook.h"
#include "view/Sorting.h"
#include "web/JsValues.h"

namespace quillmere::web {

// The page's session. Grids are numbered as view::Grid (0 Base, 1 Reload, 2 Additional, 3 Flags),
// sort keys as view::SortKey (0 file name, 1 turn, 2 score, 3 final score).
class WebSession {
public:
    // `decimalSeparator` is the browser locale's, as the window takes its locale's.
    WebSession(int currentYear, const std::string& decimalSeparator) : m_session(currentYear) {
        m_display.decimalSeparator = decimalSeparator == "," ? ',' : '.';
    }

    // Replaces the table with a load's entries, in the order of its files: each a record encoded
    // by a worker (Uint8Array), or {path, failure} for a file the page could not hand to one.
    // Returns {loaded, blocked, failed, notLoaded, failures: [{path, message}]}.
    val adopt(const val& entries, const val& passedOver) {
        auto summary = m_session.adopt(recordsOf(entries));
        const auto skipped = passedOver["length"].as<unsigned>();
        for (unsigned i = 0; i < skipped; ++i)
            summary.passedOver.emplace_back(StringOf(passedOver[i], "path"), StringOf(passedOver[i], "reason"));
        val result = val::object();
        result.set("loaded", summary.loaded);
        result.set("blocked", summary.blocked);
        result.set("failed", summary.failed);
        result.set("notLoaded", summary.notLoaded);
        val failures = val::array();
        for (const auto& [path, message] : summary.failures) {
            val failure = val::object();
            failure.set("path", load::FileNameToUtf8(path));
            failure.set("message", view::WithFullStop(message));
            failures.call<void>("push", failure);
        }
        result.set("failures", failures);
        const auto problems = session::ProblemsOf(summary);
        result.set("problemsHeading", problems.heading);
        result.set("problems", Strings(problems.lines));
        return result;
    }

    // Shows the entries (as adopt takes them) of the saves of a running load finished since the
    // last call, in any order (Session::addArrived). Returns whether the table changed.
    bool adoptArrived(const val& entries) { return m_session.addArrived(recordsOf(entries)); }

    // Sets the rule texts ({day, month, year, sessionsPerDay, minSessionMinutes, presessions}) and
    // re-judges. Returns {valid, errors: [{field, message}]}: one message per rule in error.
    val setRules(const val& texts) { return RuleCheckObject(m_session.setRules(RuleTextsOf(texts))); }

    [[nodiscard]] val ruleTexts() const { return RuleTextsObject(m_session.ruleTexts()); }
    [[nodiscard]] val defaultRuleTexts() const { return RuleTextsObject(reload::RuleTexts{}); }
    [[nodiscard]] val ruleCheck() const { return RuleCheckObject(m_session.ruleCheck()); }

    // What opening the profile file `fileName` would do, given its first bytes (a Uint8Array of up
    // to mostProfileBytes() + 1: a longer file is refused all the same): {error} when it cannot be
    // used, else {name, changes} where `changes` lists the rules it sets otherwise than those in
    // force (empty when none).
    [[nodiscard]] val inspectProfile(const val& bytes, const std::string& fileName) const {
        val result = val::object();
        try {
            const auto profile = session::ProfileFromFile(fileName, TextBytesOf(bytes));
            result.set("name", session::ProfileNameOf(profile, fileName));
            result.set("changes", reload::RuleChanges(m_session.ruleTexts(), profile.rules));
        } catch (const session::ProfileError& error) {
            result.set("error", view::WithFullStop(error.what()));
        }
        return result;
    }

    // Uses the profile file `fileName` of `bytes` (check it with inspectProfile first), taking its
    // rules unless `keepRules`. Returns the rule check now in force, or {error}.
    val openProfile(const val& bytes, const std::string& fileName, bool keepRules) {
        try {
            auto profile = session::ProfileFromFile(fileName, TextBytesOf(bytes));
            return RuleCheckObject(m_session.setProfile(
                std::move(profile), keepRules ? session::ProfileRules::Keep : session::ProfileRules::Take, fileName));
        } catch (const session::ProfileError& error) {
            val result = val::object();
            result.set("error", view::WithFullStop(error.what()));
            return result;
        }
    }

    // The profile in use with the rules in force, as JSON text; named `fallbackName` when it has
    // no name of its own.
    [[nodiscard]] std::string profileJson(const std::string& fallbackName) const {
        return session::ProfileJson(m_session.profileInForce(fallbackName));
    }

    void dropProfile() { m_session.setProfile(std::nullopt, session::ProfileRules::Keep); }

    // The name of the profile in use; empty without one.
    [[nodiscard]] std::string profileName() const { return m_session.profileName(); }

    void sortBy(int key) {
        if (const auto sortKey = KeyOf(key)) m_session.sortBy(*sortKey);
    }

    void headerClick(int grid, int column) {
        if (const auto kind = GridOf(grid)) m_session.headerClick(*kind, column);
    }

    // {buttons: per sort key {shows: "key" | "ascending" | "descending", mark, title}, column:
    // {grid, column, ascending, mark} or null, columnTitle}: what the sort buttons and the header
    // arrows show.
    [[nodiscard]] val sortState() const {
        static constexpr const char* kShows[] = {"key", "ascending", "descending"};
        val buttons = val::array();
        for (const auto shows : view::SortButtonMarks(m_session.lastSortKey(), m_session.sortDirections())) {
            val button = val::object();
            button.set("shows", std::string(kShows[static_cast<int>(shows)]));
            button.set("mark", std::string(view::SortMarkText(shows)));
            button.set("title", std::string(view::SortMarkTitle(shows)));
            buttons.call<void>("push", button);
        }
        val state = val::object();
        state.set("buttons", buttons);
        state.set("column", val::null());
        state.set("columnTitle", std::string(view::SortMarkTitle(view::SortShows::Key)));
        if (const auto byColumn = m_session.lastColumnSort()) {
            val column = val::object();
            column.set("grid", static_cast<int>(byColumn->grid));
            column.set("column", byColumn->column);
            column.set("ascending", byColumn->ascending);
            column.set("mark", std::string(view::SortMarkText(byColumn->ascending ? view::SortShows::Ascending
                                                                                  : view::SortShows::Descending)));
            state.set("column", column);
        }
        return state;
    }

    [[nodiscard]] int baseColumnOf(int key) const {
        const auto sortKey = KeyOf(key);
        return sortKey ? static_cast<int>(view::BaseColumnOf(*sortKey)) : -1;
    }

    [[nodiscard]] std::size_t size() const { return m_session.size(); }

    // [{text, width, numeric, help, verdict}] of a grid's columns; `verdict` marks the column of the
    // verdicts, which a narrow page keeps in sight.
    [[nodiscard]] val columns(int grid) const {
        const auto kind = GridOf(grid).value_or(view::Grid::Base);
        const auto headers = view::HeaderTexts(view::TextEncoding::Utf8);
        const auto specs = view::ColumnsOf(kind);
        val result = val::array();
        for (std::size_t i = 0; i < specs.size(); ++i) {
            val column = val::object();
            column.set("text", *headers.cell(kind, i));
            column.set("width", specs[i].width);
            column.set("numeric", specs[i].numeric);
            column.set("help", std::string(specs[i].help));
            column.set("verdict", kind == view::Grid::Reload && i == view::IndexOf(view::ReloadColumn::Honesty));
            result.call<void>("push", column);
        }
        return result;
    }

    // Every row of a grid: an array of cell texts per record, in the table's order, a marked cell's
    // text after its mark's sign.
    [[nodiscard]] val gridTexts(int grid) const {
        const auto kind = GridOf(grid).value_or(view::Grid::Base);
        val rows = val::array();
        for (std::size_t i = 0; i < m_session.size(); ++i) {
            const auto& rec = m_session.records()[i];
            const auto texts = m_session.rowTexts(i, m_display);
            val cells = val::array();
            for (std::size_t column = 0; const auto* text = texts.cell(kind, column); ++column)
                cells.call<void>("push", view::MarkedText(view::MarkOf(rec, kind, column), *text));
            rows.call<void>("push", cells);
        }
        return rows;
    }

    // Per record of grid `grid` {tint: "" | "notLoaded" | "failed" | "blocked" | "flagged", title,
    // cells: [{column, name, colour, title}]}: its row's tint and tooltip, and the cells that have a
    // mark (its style name and colour, else "") or a tooltip of their own.
    [[nodiscard]] val rowLooks(int grid) const {
        const auto kind = GridOf(grid).value_or(view::Grid::Base);
        const auto columns = view::ColumnsOf(kind).size();
        val looks = val::array();
        for (const auto& rec : m_session.records()) {
            const auto look = view::LookOf(rec, kind);
            val item = val::object();
            item.set("tint", std::string(view::TintName(look.tint)));
            item.set("title", look.toolTip);
            val cells = val::array();
            for (std::size_t column = 0; column < columns; ++column) {
                const auto mark = view::MarkOf(rec, kind, column);
                auto title = view::CellToolTip(rec, kind, column);
                if (mark == view::CellMark::None && (title.empty() || title == look.toolTip)) continue;
                val cell = val::object();
                cell.set("column", static_cast<int>(column));
                cell.set("name", std::string(view::MarkName(mark)));
                cell.set("colour", std::string(view::MarkColour(mark)));
                cell.set("title", std::move(title));
                cells.call<void>("push", cell);
            }
            item.set("cells", cells);
            looks.call<void>("push", item);
        }
        return looks;
    }

    // The attention filter's caption: "Needs attention (3)".
    [[nodiscard]] std::string attentionText() const { return view::AttentionFilterText(m_session.records()); }

    // {shown: per record whether the filter `text` (and with `attentionOnly` the attention filter)
    // shows it, note: "1 of 3 rows hidden" or ""}.
    [[nodiscard]] val filterRows(const std::string& text, bool attentionOnly) const {
        const auto filter = view::FilterRows(m_session.records(), text, attentionOnly);
        val shown = val::array();
        for (const bool row : filter.shown) shown.call<void>("push", row);
        val result = val::object();
        result.set("shown", shown);
        result.set("note", filter.note);
        return result;
    }

    // The status line, after `note` when it is not empty (Session::statusLine).
    [[nodiscard]] std::string statusLine(const std::string& note) const { return m_session.statusLine(note); }

    // The checks that are off, and the batch's flagged and not-loaded counts.
    [[nodiscard]] val status() const {
        val status = val::object();
        status.set("checksOff", Strings(m_session.checksOff()));
        status.set("flagged", m_session.flaggedCount());
        status.set("notLoaded", m_session.countOf(analysis::SaveStatus::NotLoaded));
        return status;
    }

    [[nodiscard]] val graphCategories() const {
        return Strings(
            std::vector<std::string>(view::kHistoryCategoryNames.begin(), view::kHistoryCategoryNames.end()));
    }

    // The plan of the history graph of `category` over the rows `rowList` (none: the first ones),
    // the saves in `slotList` (the slots of the plan before) keeping their slots:
    // {caption, valueName, lines: [{row, slot, colour, id, name, values}], slots, turns, values,
    // turnLabels, valueLabels}. The session keeps it for pickGraphPoint.
    val graph(const val& rowList, int category, const val& slotList) {
        const auto picked = IndicesOf(rowList, m_session.size());
        view::GraphSlots previous;
        for (unsigned i = 0; i < previous.size() && i < slotList["length"].as<unsigned>(); ++i)
            previous[i] = slotList[i].isString() ? slotList[i].as<std::string>() : std::string();
        m_graph = view::PlanHistoryGraph(m_session.records(), picked, category, previous);
        const auto& plan = m_graph;
        val lines = val::array();
        for (const auto& line : plan.lines) {
            val item = val::object();
            item.set("row", line.row);
            item.set("slot", line.slot);
            item.set("colour", line.colour);
            item.set("id", line.id);
            item.set("name", line.name);
            item.set(
                "values",
                val::global("Int32Array").new_(emscripten::typed_memory_view(line.values.size(), line.values.data())));
            lines.call<void>("push", item);
        }
        val graph = val::object();
        graph.set("caption", plan.caption);
        graph.set("valueName", plan.valueName);
        graph.set("lines", lines);
        graph.set("slots", Strings(std::vector<std::string>(plan.slots.begin(), plan.slots.end())));
        graph.set("turns", ScaleObject(plan.axes.turns));
        graph.set("values", ScaleObject(plan.axes.values));
        graph.set("turnLabels", Strings(plan.turnLabels));
        graph.set("valueLabels", Strings(plan.valueLabels));
        return graph;
    }

    // The point of the last graph's lines under the pointer at (x, y) on the plot `area` ({left, top,
    // width, height} in pixels) that shows the ranges `shown` ({turns: {min, max}, values: {min,
    // max}}), of the lines `drawnList` flags drawn: {line, turn, text}, or null when none is near.
    [[nodiscard]] val pickGraphPoint(const val& drawnList, const val& shown, const val& area, double x,
                                     double y) const {
        const auto count = drawnList["length"].as<unsigned>();
        std::vector<bool> drawn(count);
        for (unsigned i = 0; i < count; ++i) drawn[i] = drawnList[i].as<bool>();
        const auto range = [](const val& scale) {
            return view::AxisScale{.min = scale["min"].as<double>(), .max = scale["max"].as<double>()};
        };
        const view::GraphAxes axes{.turns = range(shown["turns"]), .values = range(shown["values"])};
        const view::PlotArea plot{.left = area["left"].as<double>(),
                                  .top = area["top"].as<double>(),
                                  .width = area["width"].as<double>(),
                                  .height = area["height"].as<double>()};
        const auto pick = view::PickGraphPoint(m_graph, drawn, axes, plot, x, y);
        if (!pick) return val::null();
        val result = val::object();
        result.set("line", static_cast<int>(pick->line));
        result.set("turn", pick->turn);
        result.set("text", view::GraphPointText(m_graph, m_graph.lines[pick->line], pick->turn));
        return result;
    }

    // The rows `indices` as tab-separated text for a spreadsheet, header line first.
    [[nodiscard]] std::string copyRows(const val& indexList) const {
        const auto indices = IndicesOf(indexList, m_session.size());
        view::FormatOptions options = m_display;
        return view::TabSeparatedRows(m_session.records(), indices, options);
    }

    // The bytes of a report: 0 the results file (Windows-1251), 1 CSV, 2 JSON, 3 HTML (the kinds
    // in the page, session::ReportKind::inPage). Returns
    // {bytes, rows, note} (the note says what was saved, and which names lost characters) or, while
    // a rule is invalid, {error} naming every invalid rule.
    [[nodiscard]] val report(int format) const {
        val result = val::object();
        if (format < 0 || static_cast<std::size_t>(format) >= session::kReportKinds.size() ||
            !session::kReportKinds[static_cast<std::size_t>(format)].inPage) {
            result.set("error", std::string("no such report"));
            return result;
        }
        view::FormatOptions options = m_display;
        options.encoding = view::TextEncoding::Windows1251;
        try {
            const auto kind = static_cast<session::ReportFormat>(format);
            std::string bytes;
            const auto lost = m_session.writeReport(kind, options, {}, [&](std::string_view part) { bytes += part; });
            result.set("bytes", Bytes(bytes));
            result.set("rows", m_session.size());
            result.set("note",
                       session::SavedRowsNote(m_session.size(),
                                              session::kReportKinds[static_cast<std::size_t>(format)].fileName, lost));
        } catch (const session::ReportRefused& error) {
            result.set("error", session::ResultsNotSavedMessage(error.what()));
        }
        return result;
    }

private:
    session::Session m_session;

    // The records of a load's entries: each a record encoded by a worker (Uint8Array), or
    // {path, failure} for a file the page could not hand to one.
    static analysis::ResultTable recordsOf(const val& entries) {
        analysis::ResultTable records;
        const auto count = entries["length"].as<unsigned>();
        records.reserve(count);
        for (unsigned i = 0; i < count; ++i) {
            const val entry = entries[i];
            if (entry.instanceof (val::global("Uint8Array"))) {
                try {
                    records.push_back(session::DecodeRecord(BytesOf(entry)));
                } catch (const std::exception& error) {
                    records.push_back(analysis::UnreadRecord("", std::string("broken record: ") + error.what()));
                }
            } else {
                records.push_back(analysis::UnreadRecord(StringOf(entry, "path"), StringOf(entry, "failure")));
            }
        }
        return records;
    }
    view::FormatOptions m_display{'.', view::TextEncoding::Utf8};
    view::GraphPlan m_graph;
};

EMSCRIPTEN_BINDINGS(quillmere_session) {
    emscripten::class_<WebSession>("Session")
        .constructor<int, std::string>()
        .function("adopt", &WebSession::adopt)
        .function("adoptArrived", &WebSession::adoptArrived)
        .function("setRules", &WebSession::setRules)
        .function("ruleTexts", &WebSession::ruleTexts)
        .function("defaultRuleTexts", &WebSession::defaultRuleTexts)
        .function("ruleCheck", &WebSession::ruleCheck)
        .function("inspectProfile", &WebSession::inspectProfile)
        .function("openProfile", &WebSession::openProfile)
        .function("profileJson", &WebSession::profileJson)
        .function("dropProfile", &WebSession::dropProfile)
        .function("profileName", &WebSession::profileName)
        .function("sortBy", &WebSession::sortBy)
        .function("headerClick", &WebSession::headerClick)
        .function("sortState", &WebSession::sortState)
        .function("baseColumnOf", &WebSession::baseColumnOf)
        .function("size", &WebSession::size)
        .function("columns", &WebSession::columns)
        .function("gridTexts", &WebSession::gridTexts)
        .function("rowLooks", &WebSession::rowLooks)
        .function("filterRows", &WebSession::filterRows)
        .function("attentionText", &WebSession::attentionText)
        .function("status", &WebSession::status)
        .function("statusLine", &WebSession::statusLine)
        .function("graphCategories", &WebSession::graphCategories)
        .function("graph", &WebSession::graph)
        .function("pickGraphPoint", &WebSession::pickGraphPoint)
        .function("copyRows", &WebSession::copyRows)
        .function("report", &WebSession::report);
}

}  // namespace quillmere::web
