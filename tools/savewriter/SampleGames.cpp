#include "savewriter/SampleGames.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/RuleTables.h"
#include "load/Container.h"

namespace quillmere::savewriter {

namespace {

constexpr std::array<std::int32_t, 4> kTurnLimit = {1200, 660, 460, 320};

// A small, portable generator: the same seed gives the same game on every platform.
class Random {
public:
    explicit Random(std::uint32_t seed) : m_state(seed * 2654435761u + 12345u) {}
    std::uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    // Uniform in [low, high].
    std::int32_t between(std::int32_t low, std::int32_t high) {
        if (high <= low) return low;
        return low + static_cast<std::int32_t>(next() % static_cast<std::uint32_t>(high - low + 1));
    }

private:
    std::uint32_t m_state;
};

// The order in which a typical game learns its technologies (indexes of the technology table).
constexpr std::array<int, 86> kResearchOrder = {
    56, 27, 57, 25, 0,  26, 28, 59, 60, 58, 61, 29, 32, 3,  2,  30, 31, 62, 63, 1,  33, 5,  34, 6,  66, 7,  4,  64, 35,
    65, 8,  10, 36, 9,  67, 11, 12, 37, 69, 13, 68, 41, 38, 14, 39, 40, 70, 18, 42, 15, 43, 16, 17, 71, 72, 19, 73, 74,
    44, 45, 20, 76, 21, 22, 46, 47, 77, 48, 75, 23, 78, 79, 80, 50, 24, 49, 81, 51, 82, 52, 53, 83, 54, 55, 84, 85};

// Everyday messages that name no technology.
constexpr std::array<const char*, 6> kChatter = {"<color=255,255,0>Your city has grown.</color>",
                                                 "A new unit is ready.",
                                                 "Trade route established.",
                                                 "<link=city>Your city</link> is celebrating.",
                                                 "Barbarians spotted near your border!",
                                                 "A great person is born."};

void fillHistory(PlayerContent& player, std::int32_t turn, std::int32_t limit, int side, Random& random) {
    const double strength = 0.8 + side * 0.07 + random.between(0, 40) / 100.0;
    std::int32_t economy = 0;
    for (std::int32_t t = 0; t < turn && t < 1200; ++t) {
        // Empires grow faster as the game goes on; economy wanders around its trend.
        const double progress = static_cast<double>(t) / limit;
        const auto grown = static_cast<std::int32_t>(strength * (t + 900 * progress * progress));
        economy += random.between(-12, 14);
        player.history[0].emplace_back(t, grown * 2 + random.between(0, 5));          // score
        player.history[1].emplace_back(t, grown / 3 + economy);                       // economy, may dip below 0
        player.history[2].emplace_back(t, grown + random.between(0, 9));              // industry
        player.history[3].emplace_back(t, 10 + grown / 2 + random.between(0, 6));     // agriculture
        player.history[4].emplace_back(t, grown * 3 + random.between(0, 20) * side);  // power
        player.history[5].emplace_back(t, static_cast<std::int32_t>(strength * 2000 * progress * progress));  // culture
    }
}

}  // namespace

SaveContent MakeGame(const GameSketch& sketch) {
    Random random(sketch.seed);
    SaveContent save;
    const std::int32_t speed = std::clamp(sketch.speedIndex, 0, 3);
    const std::int32_t limit = kTurnLimit[static_cast<std::size_t>(speed)];
    const std::int32_t turn = std::clamp(sketch.turn, 0, limit);
    const int active = std::clamp(sketch.activePlayers, 1, kSides);

    auto& header = save.header;
    header.saveVersion = 102;
    header.speedIndex = speed;
    header.costSetting = sketch.costSetting;
    header.slots[0] = SlotContent{sketch.name, sketch.block, sketch.civ, sketch.leader};
    for (int k = 1; k < active; ++k) {
        header.slots[static_cast<std::size_t>(k)].civ = random.between(0, 17);
        header.slots[static_cast<std::size_t>(k)].leader = random.between(1, 26);
    }

    auto& game = save.game;
    game.turn = turn;
    game.turnLimit = limit;
    game.rawPlayTime = sketch.playSeconds * 4 + random.between(0, 3);
    game.level = sketch.level;
    game.gameOver = sketch.gameOver;
    game.victoryType = sketch.victoryType;
    game.scoreStart = {10, 5, 2, 1};
    game.scoreEnd = {2500, 900, 400, 120};
    game.loadCount = sketch.loadCount;
    game.replayMessages = std::min<std::int32_t>(turn, 200);
    game.width = sketch.width;
    game.height = sketch.height;
    const std::int32_t plotCount = sketch.width * sketch.height;
    game.plots.assign(static_cast<std::size_t>(plotCount), PlotContent{});
    std::int32_t landTotal = 0;
    for (auto& plot : game.plots) {
        plot.flags = random.between(0, 7);
        plot.pairs = random.between(0, 2);
        if (random.between(0, 9) < 4) {
            plot.kind = static_cast<std::int16_t>(random.between(0, 2));
            ++landTotal;
            // A side's land grows with the game; the rest stays unclaimed.
            if (random.between(0, limit) < turn + limit / 8)
                plot.owner = static_cast<std::uint8_t>(random.between(0, active - 1));
        }
    }
    game.landTotal = landTotal;

    for (int k = 0; k < active; ++k) {
        auto& team = save.teams[static_cast<std::size_t>(k)];
        auto& player = save.players[static_cast<std::size_t>(k)];
        const int learned = std::min<int>(85, 4 + turn * random.between(60, 85) / limit);
        for (int i = 0; i < learned; ++i)
            team.known.set(static_cast<std::size_t>(kResearchOrder[static_cast<std::size_t>(i)]));
        if (learned >= 85) team.futureTechCount = random.between(0, 3);

        player.flags = random.between(0, 0x3F);
        player.population = sketch.citiesPerPlayer * (turn / 4 + random.between(1, 30));
        // Statistics near the tournament's expected curve, scaled by the side's skill.
        const double progress = static_cast<double>(turn) / limit;
        const double skill = 0.6 + random.between(0, 100) / 100.0;
        for (std::size_t s = 0; s < 4; ++s) {
            const std::size_t component = s < 2 ? s : 5 - s;  // the third component scores the fourth statistic
            const double start = game.scoreStart[component];
            const double expected = start * std::pow(game.scoreEnd[component] / start, progress);
            player.scoreStat[s] = static_cast<std::int32_t>(expected * skill);
        }
        const int cities = std::max(1, sketch.citiesPerPlayer * std::max<std::int32_t>(turn, 1) / limit + 1);
        for (int c = 0; c < std::min(cities, sketch.citiesPerPlayer); ++c) {
            player.cities.push_back(
                CityContent{random.between(0, 1), random.between(0, turn * 12 + 1), random.between(0, 3)});
        }
        player.units = sketch.unitsPerPlayer;

        // The four starting technologies are known from turn 0; each later one has its message.
        std::int32_t discovered = 0;
        for (int i = 4; i < learned && i < 85; ++i) {
            discovered = std::min(turn - 1, static_cast<std::int32_t>((i - 3) * turn / std::max(learned - 3, 1)));
            const auto name = std::string(
                analysis::kTechnologies[static_cast<std::size_t>(kResearchOrder[static_cast<std::size_t>(i)])].name);
            player.messages.push_back(
                {"You have discovered <color=0,255,255>" + name + "</color>!", std::max(discovered, 0)});
        }
        while (static_cast<int>(player.messages.size()) < sketch.messagesPerPlayer) {
            player.messages.push_back(
                {kChatter[random.next() % kChatter.size()], random.between(0, std::max(turn - 1, 0))});
        }
        fillHistory(player, turn, limit, k, random);
        if (k == 0 && !player.history[0].empty()) game.score = player.history[0].back().second;
    }
    return save;
}

GameSketch SmallGame(std::int32_t turn) {
    GameSketch sketch;
    sketch.turn = turn;
    sketch.activePlayers = 2;
    sketch.citiesPerPlayer = 2;
    sketch.unitsPerPlayer = 3;
    sketch.messagesPerPlayer = 4;
    sketch.width = 8;
    sketch.height = 6;
    sketch.seed = static_cast<std::uint32_t>(turn) + 1;
    return sketch;
}

namespace {

GameSketch benchmarkSketch(std::uint32_t seed) {
    GameSketch sketch;
    sketch.name = "Bench" + std::to_string(seed);
    sketch.leader = static_cast<std::int32_t>(1 + seed % 26);
    sketch.civ = static_cast<std::int32_t>(seed % 18);
    sketch.speedIndex = 0;
    sketch.turn = 1150;
    sketch.activePlayers = 8;
    sketch.citiesPerPlayer = 32;
    sketch.unitsPerPlayer = 110;
    sketch.messagesPerPlayer = 300;
    sketch.width = 124;
    sketch.height = 68;
    sketch.seed = seed + 1;
    return sketch;
}

}  // namespace

std::vector<std::uint8_t> MakeBenchmarkSave(std::uint32_t seed, bool varied) {
    auto content = MakeGame(benchmarkSketch(seed));
    if (varied) content.fillerSeed = seed * 7919u + 1u;
    auto container = ToContainer(content);
    container.fast = true;
    return BuildContainer(container);
}

std::vector<std::uint8_t> MakeLargestSave(std::size_t fileBytes) {
    auto content = MakeGame(benchmarkSketch(0));
    const auto build = [&] {
        auto container = ToContainer(content);
        container.gameState.resize(static_cast<std::size_t>(load::kMaxGameDataBytes));  // zeros the walk never reaches
        container.fast = true;
        return BuildContainer(container);
    };
    const std::size_t smallest = build().size();
    // The header's counted list of int32 grows it 4 bytes at a time.
    if (fileBytes > smallest) content.header.intCount += static_cast<std::int32_t>((fileBytes - smallest) / 4);
    return build();
}

std::vector<ExampleSave> ExampleBatch() {
    struct Entry {
        const char* file;
        GameSketch sketch;
        double daysAfterStart;
    };
    // Names are Windows-1251: the third player writes hers in Cyrillic.
    const Entry entries[] = {
        {"Anders_final", {"Anders", "", 3, 7, 2, 4, 3, 212, 41000, 9, 0, 0, 7, 10, 24, 80, 48, 32, 11}, 5.62},
        {"Bea-round1", {"Bea", "", 6, 5, 2, 5, 3, 188, 39500, 6, 0, 0, 7, 9, 20, 70, 48, 32, 12}, 4.71},
        {"Darya", {"\xC4\xE0\xF0\xFC\xFF", "", 20, 16, 1, 3, 2, 301, 61000, 12, 0, 0, 8, 12, 30, 90, 52, 36, 13}, 7.35},
        {"Emeka_t160", {"Emeka", "", 16, 12, 3, 6, 3, 160, 23800, 21, 0, 0, 6, 8, 18, 60, 40, 28, 14}, 3.10},
        {"Fujiko", {"Fujiko", "", 24, 11, 2, 7, 4, 120, 20000, 6, 0, 0, 7, 6, 15, 50, 48, 32, 15}, 2.58},
        {"Gustavo", {"Gustavo", "", 12, 17, 0, 2, 1, 520, 88000, 15, 0, 0, 8, 14, 35, 100, 56, 40, 16}, 12.44},
        {"Hana_won", {"Hana", "", 8, 10, 2, 4, 3, 460, 72000, 18, 1, 4, 7, 11, 28, 90, 48, 32, 17}, 14.90},
        {"Ivo-lost", {"Ivo", "", 19, 6, 3, 8, 5, 97, 9000, 40, 1, -1, 5, 4, 12, 40, 40, 28, 18}, 1.27},
        {"Jon_blocked",
         {"Jon", "banned for the round", 10, 4, 2, 4, 3, 150, 30000, 5, 0, 0, 7, 8, 20, 60, 48, 32, 19},
         3.90},
        {"Katya_empty_name", {"", "", 20, 16, 2, 1, 3, 64, 7200, 2, 0, 0, 6, 4, 10, 30, 40, 28, 20}, 0.55},
    };
    std::vector<ExampleSave> batch;
    for (const auto& e : entries)
        batch.push_back({std::string(e.file) + ".sav", BuildSave(MakeGame(e.sketch)), e.daysAfterStart});

    // A file damaged in transfer: cut in the middle of its stream.
    auto cut = BuildSave(MakeGame(entries[1].sketch));
    cut.resize(cut.size() / 2);
    batch.push_back({"Lars_upload_cut.sav", std::move(cut), 6.20});
    return batch;
}

std::time_t UploadTimeOf(const ExampleSave& save) {
    std::tm local{};
    local.tm_year = 2005 - 1900;
    local.tm_mon = 10;
    local.tm_mday = 27;
    local.tm_sec = static_cast<int>(save.daysAfterStart * 86400);
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::vector<ExampleSave> TournamentBatch() {
    // Every game at Normal speed on a 48 x 32 map at Monarch, as the profile asks, but where planted.
    const auto game = [](const char* name, std::int32_t leader, std::int32_t civ, std::int32_t turn,
                         std::int32_t seconds, std::int32_t loads, std::uint32_t seed) {
        GameSketch sketch{name, "", leader, civ, 2, 5, 3, turn, seconds, loads, 0, 0, 6, 8, 16, 40, 48, 32, seed};
        return sketch;
    };
    struct Entry {
        const char* file;
        GameSketch sketch;
        double daysAfterStart;
    };
    auto wrongSpeed = game("Dmitri", 20, 16, 150, 30000, 5, 34);
    wrongSpeed.speedIndex = 3;
    const Entry entries[] = {
        {"Anna-t100", game("Anna", 4, 16, 100, 20000, 4, 31), 3.4},
        {"Anna-t150", game("Anna", 4, 16, 150, 30000, 8, 31), 8.6},
        {"Anna-t200", game("Anna", 4, 16, 200, 40000, 5, 31), 15.2},  // fewer loads than at turn 150
        {"Bea-round1", game("Bea", 6, 5, 180, 36000, 6, 32), 9.1},
        {"Dmitri", wrongSpeed, 10.3},
        {"Eve", game("Eve", 8, 10, 210, 43000, 7, 35), 32.4},  // day 33
        {"Frank", game("Frank", 3, 7, 190, 38000, 6, 36), 12.8},
    };
    std::vector<ExampleSave> batch;
    std::int32_t annasLand = 0;
    for (const auto& e : entries) {
        auto content = MakeGame(e.sketch);
        // One game's map has one land total, whatever turn it is saved at.
        if (e.sketch.name == "Anna") {
            if (annasLand == 0) annasLand = content.game.landTotal;
            content.game.landTotal = annasLand;
        }
        batch.push_back({std::string(e.file) + ".sav", BuildSave(content), e.daysAfterStart});
    }
    // The same file again under another name, a day later.
    batch.push_back({"Carl-round1.sav", batch[3].bytes, 10.0});
    return batch;
}

std::vector<SeasonRound> SeasonRounds() {
    std::vector<SeasonRound> rounds;
    rounds.push_back({1, TournamentProfile(), TournamentBatch(), {}});
    const auto profile = [](const char* name, const char* start) {
        return std::string(R"({
  "name": ")") +
               name + R"(",
  "rules": {"start_date": ")" +
               start + R"(", "sessions_per_day": "1,5", "min_session_minutes": "30", "presessions": "1"},
  "speed": "Normal",
  "levels": ["Monarch"],
  "map": {"width": 48, "height": 32},
  "deadline_day": 30
}
)";
    };
    struct Entry {
        const char* file;
        const char* name;
        std::int32_t leader;
        std::int32_t civ;
        std::int32_t turn;
        std::int32_t loads;
        std::uint32_t seed;
        double day;  // of the round, the start being day 1
    };
    const auto save = [](const Entry& e, double roundStart) {
        GameSketch sketch{e.name, "", e.leader, e.civ, 2,  5,  3,  e.turn, e.turn * 200, e.loads,
                          0,      0,  6,        8,     16, 40, 48, 32,     e.seed};
        return ExampleSave{std::string(e.file) + ".sav", BuildSave(MakeGame(sketch)), roundStart + e.day - 1};
    };
    // Days after 27-11-2005 at which rounds 2 and 3 start: 01-01-2006 and 01-02-2006.
    constexpr double kSecondStart = 35;
    constexpr double kThirdStart = 66;
    SeasonRound second{2, profile("Example Cup, round 2", "01-01-2006"), {}, {}};
    for (const Entry& e :
         {Entry{"Anna-r2", "Anna", 4, 16, 170, 5, 41, 12.5}, Entry{"Bea-r2", "Bea", 6, 5, 190, 6, 42, 20.2},
          Entry{"Carl-r2", "Carl", 9, 11, 120, 9, 43, 8.7}, Entry{"Dmitri-r2", "Dmitri", 20, 16, 160, 4, 44, 15.1},
          Entry{"Eve-r2", "Eve", 8, 10, 200, 7, 45, 26.3}})
        second.saves.push_back(save(e, kSecondStart));
    second.mailed.push_back(save({"Frank-r2", "Frank", 3, 7, 210, 6, 46, 29.6}, kSecondStart));
    SeasonRound third{3, profile("Example Cup, round 3", "01-02-2006"), {}, {}};
    for (const Entry& e :
         {Entry{"Anna-r3", "Anna", 4, 16, 220, 6, 51, 18.4}, Entry{"Bea-r3", "Bea", 6, 5, 150, 5, 52, 9.9},
          Entry{"Carl-r3", "Carl", 9, 11, 180, 8, 53, 22.0}, Entry{"Dima", "Dima", 20, 16, 175, 5, 54, 14.3},
          Entry{"Frank-r3", "Frank", 3, 7, 205, 6, 56, 27.5}})
        third.saves.push_back(save(e, kThirdStart));
    const auto& evesSecond = second.saves[4];
    third.saves.push_back({"Eve-r3.sav", evesSecond.bytes, evesSecond.daysAfterStart});
    rounds.push_back(std::move(second));
    rounds.push_back(std::move(third));
    return rounds;
}

std::string TournamentProfile() {
    return R"({
  "name": "Example Cup",
  "rules": {"start_date": "27-11-2005", "sessions_per_day": "1,5", "min_session_minutes": "30", "presessions": "1"},
  "speed": "Normal",
  "levels": ["Monarch"],
  "map": {"width": 48, "height": 32},
  "deadline_day": 30
}
)";
}

}  // namespace quillmere::savewriter
