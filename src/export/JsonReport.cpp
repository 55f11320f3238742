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
    if (!rec.reload) return nullptr;
    const auto& judged = *rec.reload;
    const auto next = reload::ReloadsToNextVerdict(judged);
    return Json{
        {"play_days", judged.playDays},
        {"reloads", judged.reloads},
        {"reload_percent", number2(judged.reloadPercent)},
        {"session_seconds", judged.sessionTime},
        {"max_reloads", judged.maxReloads},
        {"verdict", view::VerdictText(judged.honesty)},
        {"reloads_to_next_verdict", next ? Json(*next) : Json(nullptr)},
    };
}

Json saveOf(const analysis::SaveRecord& rec, std::size_t row) {
    const auto status = StatusOf(rec);
    Json save{
        {"row", row},
        {"file_name", FileNameUtf8(rec)},
        {"path", load::FileNameToUtf8(rec.path)},
        {"file_date", rec.fileDate ? orNull(IsoDateTime(*rec.fileDate, rec.fileDateUtcOffset)) : Json(nullptr)},
        {"status", StatusText(status)},
        {"failure",
         status == SaveStatus::Failed || status == SaveStatus::NotLoaded ? Json(rec.failure) : Json(nullptr)},
        {"block_text", status == SaveStatus::Blocked ? Json(load::Windows1251ToUtf8(rec.blockText)) : Json(nullptr)},
        {"flags", rec.flags},
    };
    if (status != SaveStatus::Analysed) return save;
    save["player"] = {
        {"nick_name", NickNameUtf8(rec)}, {"leader", view::LeaderText(rec.leaderType)},
        {"leader_type", rec.leaderType},  {"civilization", view::CivText(rec.civType)},
        {"civ_type", rec.civType},
    };
    save["game"] = {
        {"turn", rec.turn},
        {"turn_limit", rec.turnLimit},
        {"year", rec.year},
        {"level", view::LevelText(rec.level)},
        {"level_index", rec.level},
        {"victory", view::VictoryText(rec.gameOver, rec.victoryType)},
        {"play_time_seconds", rec.playTime},
        {"load_count", rec.loadCount},
    };
    save["score"] = rec.score;
    save["final_score"] = rec.finalScore;
    save["empire"] = {
        {"cities", rec.cities},
        {"units", rec.units},
        {"techs", rec.techs},
        {"land", rec.land},
        {"land_percent", number2(rec.landPercent)},
        {"population", rec.population},
        {"population_percent", number2(rec.populationPercent)},
        {"culture", {rec.culture1, rec.culture2, rec.culture3}},
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
