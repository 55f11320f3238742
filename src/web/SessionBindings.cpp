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
#include "session/RecordCodec.h"
#include "session/Session.h"
#include "view/CellTexts.h"
#include "view/Charts.h"
#include "view/GraphPlan.h"
#include "view/Sorting.h"

namespace quillmere::web {

namespace {

using emscripten::val;

val Bytes(const std::string& bytes) {
    // A copy the page owns: the memory view would move when the WebAssembly memory grows.
    return val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data())));
}

std::vector<std::uint8_t> BytesOf(const val& array) {
    return emscripten::convertJSArrayToNumberVector<std::uint8_t>(array);
}

// The bytes of a Uint8Array as the core's texts hold bytes.
std::string TextBytesOf(const val& array) {
    const auto bytes = BytesOf(array);
    return {bytes.begin(), bytes.end()};
}

double MostProfileBytes() { return static_cast<double>(session::kMostProfileBytes); }

std::string StringOf(const val& object, const char* key) {
    const val field = object[key];
    return field.isString() ? field.as<std::string>() : std::string();
}

val Strings(const std::vector<std::string>& texts) {
    val array = val::array();
    for (const auto& text : texts) array.call<void>("push", text);
    return array;
}

// A grid's texts of one row, in column order.
val Strings(const view::RowTexts& row, view::Grid grid) {
    val array = val::array();
    for (std::size_t column = 0; const auto* text = row.cell(grid, column); ++column) array.call<void>("push", *text);
    return array;
}

const char* FieldName(reload::RuleField field) {
    switch (field) {
        case reload::RuleField::StartDate:
            return "startDate";
        case reload::RuleField::SessionsPerDay:
            return "sessionsPerDay";
        case reload::RuleField::MinSessionMinutes:
            return "minSessionMinutes";
        case reload::RuleField::Presessions:
            return "presessions";
    }
    return "";
}

std::optional<view::Grid> GridOf(int grid) {
    if (grid < 0 || grid > static_cast<int>(view::Grid::Flags)) return std::nullopt;
    return static_cast<view::Grid>(grid);
}

std::optional<view::SortKey> KeyOf(int key) {
    if (key < 0 || key > static_cast<int>(view::SortKey::FinalScore)) return std::nullopt;
    return static_cast<view::SortKey>(key);
}

reload::RuleTexts RuleTextsOf(const val& texts) {
    reload::RuleTexts rules;
    rules.day = StringOf(texts, "day");
    rules.month = StringOf(texts, "month");
    rules.year = StringOf(texts, "year");
    rules.sessionsPerDay = StringOf(texts, "sessionsPerDay");
    rules.minSessionMinutes = StringOf(texts, "minSessionMinutes");
    rules.presessions = StringOf(texts, "presessions");
    return rules;
}

val RuleTextsObject(const reload::RuleTexts& rules) {
    val texts = val::object();
    texts.set("day", rules.day);
    texts.set("month", rules.month);
    texts.set("year", rules.year);
    texts.set("sessionsPerDay", rules.sessionsPerDay);
    texts.set("minSessionMinutes", rules.minSessionMinutes);
    texts.set("presessions", rules.presessions);
    return texts;
}

}  // namespace

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
        auto summary = m_session.adopt(std::move(records));
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

    // Sets the rule texts ({day, month, year, sessionsPerDay, minSessionMinutes, presessions}) and
    // re-judges. Returns {valid, errors: [{field, message}]}: one message per rule in error.
    val setRules(const val& texts) { return check(m_session.setRules(RuleTextsOf(texts))); }

    [[nodiscard]] val ruleTexts() const { return RuleTextsObject(m_session.ruleTexts()); }
    [[nodiscard]] val defaultRuleTexts() const { return RuleTextsObject(reload::RuleTexts{}); }
    [[nodiscard]] val ruleCheck() const { return check(m_session.ruleCheck()); }

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
            return check(m_session.setProfile(
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

    // {buttons: per sort key "key" | "ascending" | "descending", column: {grid, column, ascending}
    // or null}: what the sort buttons and the header arrows show.
    [[nodiscard]] val sortState() const {
        val buttons = val::array();
        const auto last = m_session.lastSortKey();
        for (int key = 0; key <= static_cast<int>(view::SortKey::FinalScore); ++key) {
            const auto sortKey = static_cast<view::SortKey>(key);
            // The click flipped the key's direction: the rows stand in the other one.
            const char* shows = !last || *last != sortKey                ? "key"
                                : m_session.sortDirections().of(sortKey) ? "descending"
                                                                         : "ascending";
            buttons.call<void>("push", std::string(shows));
        }
        val state = val::object();
        state.set("buttons", buttons);
        state.set("column", val::null());
        if (const auto byColumn = m_session.lastColumnSort()) {
            val column = val::object();
            column.set("grid", static_cast<int>(byColumn->grid));
            column.set("column", byColumn->column);
            column.set("ascending", byColumn->ascending);
            state.set("column", column);
        }
        return state;
    }

    [[nodiscard]] int baseColumnOf(int key) const {
        const auto sortKey = KeyOf(key);
        return sortKey ? static_cast<int>(view::BaseColumnOf(*sortKey)) : -1;
    }

    [[nodiscard]] std::size_t size() const { return m_session.size(); }

    // [{text, width, numeric}] of a grid's columns.
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
            result.call<void>("push", column);
        }
        return result;
    }

    // Every row of a grid: an array of cell texts per record, in the table's order.
    [[nodiscard]] val gridTexts(int grid) const {
        const auto kind = GridOf(grid).value_or(view::Grid::Base);
        val rows = val::array();
        for (std::size_t i = 0; i < m_session.size(); ++i) {
            rows.call<void>("push", Strings(m_session.rowTexts(i, m_display), kind));
        }
        return rows;
    }

    // Per record {status: "analysed" | "blocked" | "failed" | "notLoaded", flagged, reason,
    // verdict}: the tint of its row, the tooltip of its row (failure, block or flags, one a line)
    // and the Honesty cell's explanation.
    [[nodiscard]] val rowStates() const {
        val states = val::array();
        for (const auto& rec : m_session.records()) {
            val state = val::object();
            const char* status = "analysed";
            switch (analysis::StatusOf(rec)) {
                case analysis::SaveStatus::NotLoaded:
                    status = "notLoaded";
                    break;
                case analysis::SaveStatus::Failed:
                    status = "failed";
                    break;
                case analysis::SaveStatus::Blocked:
                    status = "blocked";
                    break;
                case analysis::SaveStatus::Analysed:
                    break;
            }
            std::string flags;
            for (const auto& flag : rec.flags) flags += (flags.empty() ? "" : "\n") + flag;
            state.set("status", std::string(status));
            state.set("flagged", !rec.flags.empty());
            state.set("reason", view::RowReason(rec));
            state.set("flags", flags);
            state.set("verdict", rec.reload ? view::VerdictExplanation(*rec.reload, rec.loadCount) : std::string());
            states.call<void>("push", state);
        }
        return states;
    }

    [[nodiscard]] int verdictColumn() const { return static_cast<int>(view::ReloadColumn::Honesty); }

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

    // The lines of the graph for `rows` (record indices; the first 20 records when empty) in
    // `category`: {caption, lines: [{row, name, values: Int32Array} or null for a save without
    // details], turns: {min, max, step, ticks}, values: {min, max, step, ticks}}.
    // The plan of the history graph of `category` over the rows `rowList` (none: the first ones),
    // the saves in `slotList` (the slots of the plan before) keeping their slots:
    // {caption, valueName, lines: [{row, slot, colour, id, name, values}], slots, turns, values,
    // turnLabels, valueLabels}.
    [[nodiscard]] val graph(const val& rowList, int category, const val& slotList) const {
        std::vector<std::size_t> picked;
        for (unsigned i = 0; i < rowList["length"].as<unsigned>(); ++i) {
            const auto row = rowList[i].as<double>();
            if (row >= 0 && row < static_cast<double>(m_session.size()))
                picked.push_back(static_cast<std::size_t>(row));
        }
        view::GraphSlots previous;
        for (unsigned i = 0; i < previous.size() && i < slotList["length"].as<unsigned>(); ++i)
            previous[i] = slotList[i].isString() ? slotList[i].as<std::string>() : std::string();
        const auto plan = view::PlanHistoryGraph(m_session.records(), picked, category, previous);
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
        graph.set("turns", Scale(plan.axes.turns));
        graph.set("values", Scale(plan.axes.values));
        graph.set("turnLabels", Strings(plan.turnLabels));
        graph.set("valueLabels", Strings(plan.valueLabels));
        return graph;
    }

    // What the graph says of a point under the pointer (view::GraphPointText).
    [[nodiscard]] static std::string graphPointText(const std::string& lineName, const std::string& valueName, int turn,
                                                    int value) {
        return view::GraphPointText(lineName, valueName, turn, value);
    }

    // The rows `indices` as tab-separated text for a spreadsheet, header line first.
    [[nodiscard]] std::string copyRows(const val& indexList) const {
        std::vector<std::size_t> indices;
        for (unsigned i = 0; i < indexList["length"].as<unsigned>(); ++i) {
            const auto row = indexList[i].as<double>();
            if (row >= 0 && row < static_cast<double>(m_session.size()))
                indices.push_back(static_cast<std::size_t>(row));
        }
        view::FormatOptions options = m_display;
        return view::TabSeparatedRows(m_session.records(), indices, options);
    }

    // The bytes of a report: 0 the results file (Windows-1251), 1 CSV, 2 JSON, 3 HTML. Returns
    // {bytes} or, while a rule is invalid, {error} naming every invalid rule.
    [[nodiscard]] val report(int format) const {
        val result = val::object();
        if (format < 0 || format > static_cast<int>(session::ReportFormat::Html)) {
            result.set("error", std::string("no such report"));
            return result;
        }
        view::FormatOptions options = m_display;
        options.encoding = view::TextEncoding::Windows1251;
        try {
            result.set("bytes", Bytes(m_session.report(static_cast<session::ReportFormat>(format), options)));
            result.set("rows", m_session.size());
        } catch (const session::RulesInvalid& error) {
            result.set("error", "The results were not saved: " + view::WithFullStop(error.what()));
        }
        return result;
    }

private:
    session::Session m_session;
    view::FormatOptions m_display{'.', view::TextEncoding::Utf8};

    static val check(const reload::RuleCheck& check) {
        val result = val::object();
        result.set("valid", check.rules.has_value());
        val errors = val::array();
        for (const auto& error : check.errors) {
            val item = val::object();
            item.set("field", std::string(FieldName(error.field)));
            item.set("message", view::WithFullStop(error.message));
            errors.call<void>("push", item);
        }
        result.set("errors", errors);
        return result;
    }

    static val Scale(const view::AxisScale& scale) {
        val result = val::object();
        result.set("min", scale.min);
        result.set("max", scale.max);
        result.set("step", scale.step);
        result.set("ticks", scale.ticks);
        return result;
    }
};

EMSCRIPTEN_BINDINGS(quillmere_session) {
    emscripten::class_<WebSession>("Session")
        .constructor<int, std::string>()
        .function("adopt", &WebSession::adopt)
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
        .function("rowStates", &WebSession::rowStates)
        .function("verdictColumn", &WebSession::verdictColumn)
        .function("status", &WebSession::status)
        .function("statusLine", &WebSession::statusLine)
        .function("graphCategories", &WebSession::graphCategories)
        .function("graph", &WebSession::graph)
        .class_function("graphPointText", &WebSession::graphPointText)
        .function("copyRows", &WebSession::copyRows)
        .function("report", &WebSession::report);
    emscripten::function("mostProfileBytes", &MostProfileBytes);
}

}  // namespace quillmere::web
