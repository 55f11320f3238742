#include "tournament/Scoring.h"

#include <nlohmann/json.hpp>

namespace quillmere::tournament {

std::string ScoringJson(const Scoring& scoring) {
    nlohmann::ordered_json json;
    json["method"] = scoring.method == ScoringMethod::RankPoints ? "points" : "sum";
    if (scoring.method == ScoringMethod::RankPoints) json["points"] = scoring.points;
    if (scoring.bestRounds) json["best_rounds"] = *scoring.bestRounds;
    return json.dump();
}

std::optional<Scoring> ParseScoring(std::string_view text) {
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("method") || !json["method"].is_string()) return std::nullopt;
    Scoring scoring;
    const auto method = json["method"].get<std::string>();
    if (method == "points") {
        scoring.method = ScoringMethod::RankPoints;
        if (!json.contains("points") || !json["points"].is_array() || json["points"].size() > kMostPoints)
            return std::nullopt;
        for (const auto& entry : json["points"]) {
            if (!entry.is_number_integer()) return std::nullopt;
            scoring.points.push_back(entry.get<std::int64_t>());
        }
    } else if (method != "sum") {
        return std::nullopt;
    }
    if (json.contains("best_rounds")) {
        const auto& best = json["best_rounds"];
        if (!best.is_number_integer() || best.get<std::int64_t>() < 1 || best.get<std::int64_t>() > kMostRounds)
            return std::nullopt;
        scoring.bestRounds = best.get<int>();
    }
    return scoring;
}

std::string ScoringText(const Scoring& scoring) {
    std::string text;
    if (scoring.method == ScoringMethod::FinalScoreSum) {
        text = "sum of Final scores";
    } else {
        text = "points by round rank (";
        for (std::size_t i = 0; i < scoring.points.size(); ++i)
            text += (i == 0 ? "" : ", ") + std::to_string(scoring.points[i]);
        text += ")";
    }
    if (scoring.bestRounds)
        text += ", best " + std::to_string(*scoring.bestRounds) + (*scoring.bestRounds == 1 ? " round" : " rounds");
    return text;
}

}  // namespace quillmere::tournament
