#include "export/JsonReport.h"

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "export/ReportFields.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"
#include "view/Charts.h"

namespace quillmere::exporting {

namespace {

using Json = nlohmann::ordered_json;

Json orNull(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

// A value with two decimals, as the grids show it, kept a number.
Json number2(long double value) { return std::strtod(Decimal2(value).c_str(), nullptr); }

Json rulesOf(const reload::RuleTexts& texts, const reload::Rules& rules) {
    return Json{
        {"start_date", IsoDateTime(rules.startDate).value_or("").substr(0, 10)},
        {"sessions_per_day", static_cast<double>(rules.sessionsPerDay)},
        {"min_session_minutes", rules.minSessionMinutes},
        {"presessions", rules.presessions},
        {"texts",
         {{"day", texts.day},
          {"month", texts.month},
          {"year", texts.year},
          {"sessions_per_day", texts.sessionsPerDay},
          {"min_session_minutes", texts.minSessionMinutes},
          {"presessions", texts.presessions}}},
    };
}

Json historyOf(const analysis::SaveRecord& rec) {
    Json history = Json::object();
    const int turns = HistoryTurns(rec);
    for (int category = 0; category < analysis::kHistoryCategories; ++category) {
        Json series = Json::array();
        for (int turn = 0; turn < turns; ++turn) {
            series.push_back(Json::array({turn, analysis::HistoryValue(rec, category, turn)}));
        }
        history[view::HistoryCategoryKey(category)] = std::move(series);
    }
    return history;
}

Json reloadOf(const analysis::SaveRecord& rec) {
    if (!rec.Reload) return nullptr;
    const auto& judged = *rec.Reload;
    const auto next = reload::ReloadsToNextVerdict(judged);
    return Json{
        {"play_days", judged.PlayDays},
        {"reloads", judged.Reloads},
        {"reload_percent", number2(judged.ReloadPercent)},
        {"session_seconds", judged.SessionTime},
        {"max_reloads", judged.MaxReloads},
        {"verdict", view::VerdictText(judged.Honesty)},
        {"reloads_to_next_verdict", next ? Json(*next) : Json(nullptr)},
    };
}

Json saveOf(const analysis::SaveRecord& rec, std::size_t row) {
    const auto status = StatusOf(rec);
    Json save{
        {"row", row},
        {"file_name", FileNameUtf8(rec)},
        {"path", load::FileNameToUtf8(rec.Path)},
        {"file_date", rec.FileDate ? orNull(IsoDateTime(*rec.FileDate, rec.FileDateUtcOffset)) : Json(nullptr)},
        {"status", StatusText(status)},
        {"failure",
         status == SaveStatus::Failed || status == SaveStatus::NotLoaded ? Json(rec.Failure) : Json(nullptr)},
        {"block_text", status == SaveStatus::Blocked ? Json(load::Windows1251ToUtf8(rec.BlockText)) : Json(nullptr)},
        {"flags", rec.Flags},
    };
    if (status != SaveStatus::Analysed) return save;
    save["player"] = {
        {"nick_name", NickNameUtf8(rec)}, {"leader", view::LeaderText(rec.LeaderType)},
        {"leader_type", rec.LeaderType},  {"civilization", view::CivText(rec.CivType)},
        {"civ_type", rec.CivType},
    };
    save["game"] = {
        {"turn", rec.Turn},
        {"turn_limit", rec.TurnLimit},
        {"year", rec.Year},
        {"level", view::LevelText(rec.Level)},
        {"level_index", rec.Level},
        {"victory", view::VictoryText(rec.GameOver, rec.VictoryType)},
        {"play_time_seconds", rec.PlayTime},
        {"load_count", rec.LoadCount},
    };
    save["score"] = rec.Score;
    save["final_score"] = rec.FinalScore;
    save["empire"] = {
        {"cities", rec.Cities},
        {"units", rec.Units},
        {"techs", rec.Techs},
        {"land", rec.Land},
        {"land_percent", number2(rec.LandPercent)},
        {"population", rec.Population},
        {"population_percent", number2(rec.PopulationPercent)},
        {"culture", {rec.Culture1, rec.Culture2, rec.Culture3}},
    };
    save["reload"] = reloadOf(rec);
    save["history"] = historyOf(rec);
    return save;
}

}  // namespace

void WriteJsonReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts, const reload::Rules& rules,
                     bool withHistories, const std::function<void(std::string_view)>& write) {
    // The document is written save by save, so that its size never has to fit in memory; each
    // save is laid out as the whole document's dump would lay it out. A text that is not valid
    // UTF-8 cannot have come through the conversions above; replace rather than fail should one
    // ever slip through.
    const auto dump = [](const Json& json) { return json.dump(1, ' ', false, Json::error_handler_t::replace); };
    const Json head{
        {"generator", "quillmere " QUILLMERE_VERSION},
        {"rules", rulesOf(ruleTexts, rules)},
        {"saves", Json::array()},
    };
    std::string text = dump(head);
    constexpr std::string_view kEmptyEnd = "[]\n}";
    text.resize(text.size() - kEmptyEnd.size());
    if (table.empty()) {
        write(text + std::string(kEmptyEnd) + "\n");
        return;
    }
    text += "[\n";
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto save = saveOf(table[i], i + 1);
        if (!withHistories) save.erase("history");
        // Two levels deeper than the dump of the save alone; a dump holds no line end inside a text.
        const std::string saveText = dump(save);
        text += "  ";
        for (const char c : saveText) {
            text += c;
            if (c == '\n') text += "  ";
        }
        text += i + 1 < table.size() ? ",\n" : "\n ]\n}\n";
        write(text);
        text.clear();
    }
}

std::string BuildJsonReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                            const reload::Rules& rules) {
    std::string document;
    WriteJsonReport(table, ruleTexts, rules, true, [&](std::string_view part) { document += part; });
    return document;
}

}  // namespace quillmere::exporting
