#include "export/JsonReport.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "export/ReportFields.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"

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
        history[std::string(kHistoryNames[static_cast<std::size_t>(category)])] = std::move(series);
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
        {"file_date", rec.FileDate ? orNull(IsoDateTime(*rec.FileDate)) : Json(nullptr)},
        {"status", StatusText(status)},
        {"failure", status == SaveStatus::Failed || status == SaveStatus::NotLoaded ? Json(rec.Failure) : Json(nullptr)},
        {"block_text", status == SaveStatus::Blocked ? Json(load::Windows1251ToUtf8(rec.BlockText)) : Json(nullptr)},
        {"flags", rec.Flags},
    };
    if (status != SaveStatus::Analysed) return save;
    save["player"] = {
        {"nick_name", NickNameUtf8(rec)},
        {"leader", view::LeaderText(rec.LeaderType)},
        {"leader_type", rec.LeaderType},
        {"civilization", view::CivText(rec.CivType)},
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

std::string BuildJsonReport(const analysis::ResultTable& table, const reload::RuleTexts& ruleTexts,
                            const reload::Rules& rules) {
    Json saves = Json::array();
    for (std::size_t i = 0; i < table.size(); ++i) saves.push_back(saveOf(table[i], i + 1));
    const Json document{
        {"generator", "quillmere " QUILLMERE_VERSION},
        {"rules", rulesOf(ruleTexts, rules)},
        {"saves", std::move(saves)},
    };
    // A text that is not valid UTF-8 cannot have come through the conversions above; replace
    // rather than fail should one ever slip through.
    return document.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace quillmere::exporting
