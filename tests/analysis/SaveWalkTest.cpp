#include "analysis/SaveWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>

#include "analysis/Batch.h"
#include "analysis/FinalScore.h"
#include "analysis/RuleTables.h"
#include "load/Container.h"
#include "load/LoadError.h"
#include "load/SaveReader.h"
#include "savewriter/SaveContent.h"
#include "support/ByteSearch.h"
#include "support/TempFolder.h"

namespace quillmere::analysis {
namespace {

using savewriter::CityContent;
using savewriter::MessageContent;
using savewriter::PlotContent;
using savewriter::SaveContent;

load::WorkBuffer workOf(const SaveContent& content) {
    auto container = savewriter::ToContainer(content);
    container.fast = true;
    return load::AssembleWorkBuffer(savewriter::BuildContainer(container));
}

SaveRecord walkOf(const SaveContent& content) { return AnalyseSave(workOf(content)); }

// Research cost under the default settings (level 3, cost setting 3, speed 2).
std::int32_t costOf(int tech) { return TechCost(tech, CostPercentsOf(3, 3, 2)); }

int techNamed(std::string_view name) {
    const auto it = std::find_if(kTechnologies.begin(), kTechnologies.end(),
                                 [&](const Technology& tech) { return tech.name == name; });
    return static_cast<int>(it - kTechnologies.begin());
}

// A save that sets every value the record reports, with counts unlike the defaults.
SaveContent richContent() {
    SaveContent c;
    c.header.costSetting = 5;
    c.header.speedIndex = 1;
    c.header.slots[0] = {"Ann", "", 4, 7};
    c.header.slots[1] = {"Bob", "blocked", 2, 3};
    c.game.turn = 100;
    c.game.turnLimit = 660;
    c.game.rawPlayTime = 4 * 3600 + 3;
    c.game.score = 1234;
    c.game.level = 5;
    c.game.victoryType = 2;
    c.game.gameOver = 1;
    c.game.scoreStart = {10, 0, 10, 0};
    c.game.scoreEnd = {1000, 0, 1000, 0};
    c.game.loadCount = 17;
    c.game.width = 3;
    c.game.height = 2;
    c.game.landTotal = 4;
    c.game.plots = {{0, 0, 0, 1}, {0, 0, 1, 0}, {0, 1, 2, 3}, {0, 0, 5, 1}, {0, 255, 0, 1}, {0, 0, 2, 2}};
    c.game.replayMessages = 5;
    c.game.groups = {{2, 0}, {0, 3}, {-1, 1}};
    auto& human = c.players[0];
    human.population = 30;
    human.scoreStat = {150, 7, 8, 150};
    human.cities = {{0, 40, 1}, {1, 90, 0}, {0, 70, 2}, {0, 10, 1}};
    human.units = 3;
    human.messages = {{"<b>Mysticism</b> discovered", 12, true}, {"Polytheism", 50, false}};
    for (int list = 0; list < 6; ++list) human.history[list] = {{0, list}, {1, 10 + list}, {2, 20 + list}};
    c.players[5].population = 70;
    c.players[5].cities = {{0, 500, 1}};
    c.teams[0].known.set(0).set(25).set(85);
    c.teams[0].futureTechCount = 2;
    return c;
}

TEST(SaveWalk, ADefaultSaveGivesAnEmptyRecord) {
    const auto rec = walkOf(SaveContent{});
    EXPECT_EQ(rec.turn, 0);
    EXPECT_EQ(rec.turnLimit, 460);
    EXPECT_EQ(rec.year, -4000);
    EXPECT_EQ(rec.nickName, "Barbarian");  // an empty name takes leader 0's name
    EXPECT_EQ(rec.blockText, "");
    EXPECT_EQ(rec.level, 3);
    EXPECT_EQ(rec.finalScore, 0);
    EXPECT_EQ(rec.cities, 0);
    EXPECT_EQ(rec.techs, 0);
    EXPECT_EQ(rec.landPercent, 0);
    EXPECT_EQ(rec.populationPercent, 0);
    // A history of zeros stores no value at all.
    ASSERT_EQ(rec.history.size(), static_cast<std::size_t>(kHistoryCategories));
    for (const auto& series : rec.history) EXPECT_TRUE(series.empty());
}

TEST(SaveWalk, ASaveComesBackWithItsContent) {
    const auto c = richContent();
    const auto rec = walkOf(c);
    EXPECT_EQ(rec.nickName, "Ann");
    EXPECT_EQ(rec.leaderType, 7);
    EXPECT_EQ(rec.civType, 4);
    EXPECT_EQ(rec.blockText, "");
    EXPECT_EQ(rec.turn, 100);
    EXPECT_EQ(rec.turnLimit, 660);
    EXPECT_EQ(rec.year, -1000);  // speed 1: 30 x 100 - 4000
    EXPECT_EQ(rec.playTime, 3601);
    EXPECT_EQ(rec.score, 1234);
    EXPECT_EQ(rec.level, 5);
    EXPECT_EQ(rec.victoryType, 2);
    EXPECT_EQ(rec.gameOver, 1);
    EXPECT_EQ(rec.loadCount, 17);
    EXPECT_EQ(rec.land, 3);  // kinds 0, 1 and 2 of player 0
    EXPECT_DOUBLE_EQ(static_cast<double>(rec.landPercent), 75.0);
    EXPECT_EQ(rec.population, 30);
    EXPECT_DOUBLE_EQ(static_cast<double>(rec.populationPercent), 30.0);
    const ScoreInputs score{.stat = {150, 7, 8, 150},
                            .start = {10, 0, 10, 0},
                            .end = {1000, 0, 1000, 0},
                            .turn = 100,
                            .turnLimit = 660,
                            .difficultyFactor = 1.4};
    EXPECT_EQ(rec.finalScore, FinalScoreComponent(score, 0) + FinalScoreComponent(score, 2));
    EXPECT_EQ(rec.cities, 4);
    EXPECT_EQ(rec.units, 3);
    EXPECT_EQ(std::tie(rec.culture1, rec.culture2, rec.culture3), std::make_tuple(90, 70, 40));
    EXPECT_EQ(rec.techs, 5);
    for (int list = 0; list < 6; ++list) {
        EXPECT_EQ(HistoryValue(rec, list, 0), list);
        EXPECT_EQ(HistoryValue(rec, list, 2), 20 + list);
        EXPECT_EQ(HistoryValue(rec, list, 3), 0);
    }
    const auto percents = CostPercentsOf(5, 5, 1);
    const auto science = [&](int turn) { return HistoryValue(rec, 6, turn); };
    const std::int32_t fromStart = TechCost(25, percents) + TechCost(85, percents);  // known, never named
    EXPECT_EQ(science(0), fromStart);
    EXPECT_EQ(science(11), fromStart);
    EXPECT_EQ(science(12), fromStart + TechCost(0, percents));
    EXPECT_EQ(science(100), fromStart + TechCost(0, percents) + TechCost(2, percents));
    EXPECT_EQ(science(101), 0);
}

TEST(SaveWalk, EveryPlayerFlagCombinationKeepsTheWalkInStep) {
    const auto science = walkOf(richContent()).history[6];
    for (std::int32_t flags = 0; flags <= 0x3F; ++flags) {
        auto c = richContent();
        for (auto& player : c.players) player.flags = flags;
        const auto rec = walkOf(c);
        EXPECT_EQ(rec.population, 30) << flags;
        EXPECT_DOUBLE_EQ(static_cast<double>(rec.populationPercent), 30.0) << flags;
        EXPECT_EQ(rec.cities, 4) << flags;
        EXPECT_EQ(rec.units, 3) << flags;
        EXPECT_EQ(rec.culture1, 90) << flags;
        EXPECT_EQ(HistoryValue(rec, 5, 2), 25) << flags;
        EXPECT_EQ(rec.history[6], science) << flags;
    }
}

TEST(SaveWalk, EveryPlotFlagCombinationKeepsTheWalkInStep) {
    SaveContent c;
    c.game.width = 4;
    c.game.height = 2;
    c.game.landTotal = 16;
    c.game.plots.clear();
    for (std::int32_t flags = 0; flags < 8; ++flags) c.game.plots.push_back({flags, 0, 1, flags % 3});
    c.game.loadCount = 9;
    const auto rec = walkOf(c);
    EXPECT_EQ(rec.land, 8);
    EXPECT_DOUBLE_EQ(static_cast<double>(rec.landPercent), 50.0);
    EXPECT_EQ(rec.loadCount, 9);
}

TEST(SaveWalk, OnlyThePlayerZerosLandOfLandKindsCounts) {
    struct Case {
        std::uint8_t owner;
        std::int16_t kind;
        std::int32_t land;
    };
    for (const auto& [owner, kind, land] : {Case{0, 0, 1}, Case{0, 2, 1}, Case{0, 3, 0}, Case{0, -1, 0}, Case{3, 2, 0},
                                            Case{18, 0, 0}, Case{255, 0, 0}}) {
        SaveContent c;
        c.game.landTotal = 2;
        c.game.plots[1] = {0, owner, kind, 1};
        const auto rec = walkOf(c);
        EXPECT_EQ(rec.land, land) << int{owner} << "/" << kind;
        EXPECT_DOUBLE_EQ(static_cast<double>(rec.landPercent), 50.0 * land);
    }
}

TEST(SaveWalk, LandPercentIsZeroWithoutALandTotal) {
    for (const std::int32_t total : {0, -4}) {
        SaveContent c;
        c.game.landTotal = total;
        c.game.plots[0] = {0, 0, 0, 1};
        const auto rec = walkOf(c);
        EXPECT_EQ(rec.land, 1);
        EXPECT_EQ(rec.landPercent, 0);
    }
}

TEST(SaveWalk, EmptyOrNegativeMapSidesMeanNoPlots) {
    for (const auto& [w, h] : {std::pair{0, 5}, std::pair{-2, 3}, std::pair{-65536, 65537}}) {
        SaveContent c;
        c.game.width = w;
        c.game.height = h;
        c.game.plots.clear();
        c.game.loadCount = 3;
        EXPECT_EQ(walkOf(c).loadCount, 3) << w << " x " << h;
    }
}

TEST(SaveWalk, CityFlagAddsOneValueBeforeTheCulture) {
    for (const std::int32_t flags : {0, 1, 2, 3}) {
        SaveContent c;
        c.players[0].cities = {{flags, 5, 2}, {flags, 300, 0}, {flags, 200, 1}, {flags, 100, 3}};
        c.players[0].population = 8;
        const auto rec = walkOf(c);
        EXPECT_EQ(std::tie(rec.culture1, rec.culture2, rec.culture3), std::make_tuple(300, 200, 100)) << flags;
        EXPECT_EQ(rec.population, 8);
    }
}

TEST(SaveWalk, CultureTakesTheThreeLargestOfThePlayersOwnCities) {
    struct Case {
        std::vector<std::int32_t> cultures;
        std::array<std::int32_t, 3> top;
    };
    for (const auto& [cultures, top] :
         {Case{{}, {0, 0, 0}}, Case{{40, 90}, {90, 40, 0}}, Case{{7, 7, 3, 9, 1}, {9, 7, 7}}, Case{{-5}, {0, 0, 0}}}) {
        SaveContent c;
        for (const auto v : cultures) c.players[0].cities.push_back({0, v, 1});
        c.players[3].cities = {{0, 999, 1}};  // another player's city never counts
        const auto rec = walkOf(c);
        EXPECT_EQ((std::array{rec.culture1, rec.culture2, rec.culture3}), top);
    }
    // Every city counts, however many there are.
    SaveContent c;
    c.players[0].cities.assign(600, CityContent{0, 1, 0});
    c.players[0].cities[550].culture = 77;
    const auto rec = walkOf(c);
    EXPECT_EQ(rec.cities, 600);
    EXPECT_EQ(std::tie(rec.culture1, rec.culture2, rec.culture3), std::make_tuple(77, 1, 1));
}

TEST(SaveWalk, HeaderFlagsBits2And8And16AddOneBoolEach) {
    for (std::int32_t flags = 0; flags < 32; ++flags) {
        SaveContent c;
        c.header.headerFlags = flags;
        c.header.slots[0] = {"Zoe", "", 11, 20};
        const auto rec = walkOf(c);
        EXPECT_EQ(rec.nickName, "Zoe") << flags;
        EXPECT_EQ(rec.civType, 11) << flags;
        EXPECT_EQ(rec.leaderType, 20) << flags;
    }
}

TEST(SaveWalk, OlderSavesCountTheSpeedFromOneLess) {
    struct Case {
        std::int32_t version, stored, year;
    };
    // Turn 81: speed 3 gives year 80, speed 2 gives -850.
    for (const auto& [version, stored, year] : {Case{101, 2, 80}, Case{102, 2, -850}, Case{101, 3, -9999},
                                                Case{0, -1, -4000 + 15 * 81}, Case{102, 7, -9999}}) {
        SaveContent c;
        c.header.saveVersion = version;
        c.header.speedIndex = stored;
        c.game.turn = 81;
        EXPECT_EQ(walkOf(c).year, year) << version << "/" << stored;
    }
}

TEST(SaveWalk, PlayTimeRoundsQuarterSeconds) {
    for (const auto& [raw, seconds] :
         {std::pair{8, 2}, std::pair{9, 2}, std::pair{10, 3}, std::pair{11, 3}, std::pair{0, 0}, std::pair{-11, -2}}) {
        SaveContent c;
        c.game.rawPlayTime = raw;
        EXPECT_EQ(walkOf(c).playTime, seconds) << raw;
    }
}

TEST(SaveWalk, ATurnPastTheLastIsKeptButClampedForScoreAndScience) {
    SaveContent c;
    c.header.speedIndex = 3;
    c.game.turn = 400;
    c.game.turnLimit = 320;
    c.game.scoreStart = {10, 0, 0, 0};
    c.game.scoreEnd = {1000, 0, 0, 0};
    c.players[0].scoreStat = {150, 0, 0, 0};
    c.players[0].messages = {{"Mysticism", 300, true}, {"Polytheism", 330, true}};
    const auto rec = walkOf(c);
    EXPECT_EQ(rec.turn, 400);
    EXPECT_EQ(rec.year, 2130);
    const ScoreInputs score{
        .stat = {150, 0, 0, 0}, .start = {10, 0, 0, 0}, .end = {1000, 0, 0, 0}, .turn = 320, .turnLimit = 320};
    EXPECT_EQ(rec.finalScore, FinalScoreComponent(score, 0));
    const auto percents = CostPercentsOf(3, 3, 3);
    EXPECT_EQ(HistoryValue(rec, 6, 320), TechCost(0, percents));
    EXPECT_EQ(HistoryValue(rec, 6, 330), TechCost(2, percents));  // placed, but past the sum
    EXPECT_EQ(HistoryValue(rec, 6, 331), 0);
}

TEST(SaveWalk, ATechnologyOfTheLastTurnStillCountsForScience) {
    SaveContent c;
    c.header.speedIndex = 0;  // the longest game: its last turn is the last one a history holds
    c.game.turn = 1200;
    c.players[0].messages = {{"Mysticism", 1200, true}, {"Polytheism", 1201, true}};
    const auto rec = walkOf(c);
    const auto percents = CostPercentsOf(rec.level, c.header.costSetting, 0);
    EXPECT_EQ(HistoryValue(rec, 6, 1199), 0);
    EXPECT_EQ(HistoryValue(rec, 6, 1200), TechCost(techNamed("Mysticism"), percents));
}

TEST(SaveWalk, ReplayMessagesPastTheCapAreNotRead) {
    SaveContent c;
    c.game.replayMessages = 65536;
    c.game.replayCount = 70000;
    c.game.loadCount = 42;
    EXPECT_EQ(walkOf(c).loadCount, 42);
    c.game.replayCount.reset();
    EXPECT_EQ(walkOf(c).loadCount, 42);
}

TEST(SaveWalk, MessagesNameTechnologiesForTheScienceSeries) {
    const int mysticism = techNamed("Mysticism");
    const int polytheism = techNamed("Polytheism");
    const int bronze = techNamed("Bronze Working");
    SaveContent c;
    c.game.turn = 60;
    c.players[0].messages = {
        {"You learn Mysticism and Polytheism.", 10, true},
        {"Bronze <color=red>Work</color>ing is yours", 15, true},
        {"the wheel", 20, true},         // case matters
        {"Mysticism again", 30, false},  // later overwrites; narrow text
        {"Code of Lows", 2000, true},    // past the last turn: adds nothing
        {"<The Wheel>", 25, true},       // all mark-up
        {"", 5, true},
    };
    c.players[1].messages = {{"Code of Lows", 3, true}};  // another player's message
    const auto rec = walkOf(c);
    const auto science = [&](int turn) { return HistoryValue(rec, 6, turn); };
    EXPECT_EQ(science(9), 0);
    EXPECT_EQ(science(10), costOf(polytheism));
    EXPECT_EQ(science(15), costOf(polytheism) + costOf(bronze));
    EXPECT_EQ(science(30), costOf(polytheism) + costOf(bronze) + costOf(mysticism));
    EXPECT_EQ(science(60), science(30));
    EXPECT_EQ(science(61), 0);
}

TEST(SaveWalk, KnownTechnologiesNoMessageNamesCountFromTurnZero) {
    SaveContent c;
    c.game.turn = 4;
    c.teams[0].known.set(25).set(26);
    c.teams[1].known.set(27);  // another team
    c.players[0].messages = {{"The Wheel", 3, true}};
    const auto rec = walkOf(c);
    EXPECT_EQ(HistoryValue(rec, 6, 0), costOf(25));
    EXPECT_EQ(HistoryValue(rec, 6, 2), costOf(25));
    EXPECT_EQ(HistoryValue(rec, 6, 3), costOf(25) + costOf(26));
    EXPECT_EQ(HistoryValue(rec, 6, 4), costOf(25) + costOf(26));
}

TEST(SaveWalk, AtTurnZeroScienceIsNotSummed) {
    SaveContent c;
    c.teams[0].known.set(0);
    c.players[0].messages = {{"Fishing", 2, true}};
    const auto rec = walkOf(c);
    EXPECT_EQ(HistoryValue(rec, 6, 0), costOf(0));
    EXPECT_EQ(HistoryValue(rec, 6, 1), 0);
    EXPECT_EQ(HistoryValue(rec, 6, 2), costOf(25));
}

TEST(SaveWalk, TechsCountsKnownFlagsAndTheLastTechnologysRepeats) {
    SaveContent c;
    for (int i = 46; i < 86; ++i) c.teams[0].known.set(static_cast<std::size_t>(i));
    c.teams[0].futureTechCount = 3;
    c.teams[1].known.set(0);
    c.teams[1].futureTechCount = 50;
    EXPECT_EQ(walkOf(c).techs, 43);
}

TEST(SaveWalk, HistoryKeepsTheLastPairPerTurnWithinTheListsCount) {
    SaveContent c;
    auto& score = c.players[0].history[0];
    score = {{5, 7}, {5, 9}, {1250, 7}, {1200, 8}, {-1, 6}};
    for (std::int32_t turn = 0; turn < 1200; ++turn) {
        if (turn != 5) score.push_back({turn, 1000 + turn});
    }
    auto& industry = c.players[0].history[2];
    industry = {{0, 1}, {1, 2}, {2, 3}, {1199, 4}};
    auto& economy = c.players[0].history[1];
    for (std::int32_t turn = 3; turn <= 12; ++turn) economy.push_back({turn, 100 + turn});
    c.players[1].history[0] = {{6, 66}};
    const auto rec = walkOf(c);
    EXPECT_EQ(HistoryValue(rec, 0, 4), 1004);
    EXPECT_EQ(HistoryValue(rec, 0, 5), 9);
    EXPECT_EQ(HistoryValue(rec, 0, 1199), 2199);
    EXPECT_EQ(HistoryValue(rec, 0, 1200), 0);  // turn 1200 and later are dropped
    EXPECT_EQ(HistoryValue(rec, 2, 2), 3);
    EXPECT_EQ(HistoryValue(rec, 2, 1199), 0);  // past the list's count of 4 entries
    for (std::int32_t turn = 0; turn < 20; ++turn) {
        EXPECT_EQ(HistoryValue(rec, 1, turn), turn >= 3 && turn < 10 ? 100 + turn : 0) << turn;
    }
    // Each series is stored up to its last non-zero value.
    EXPECT_EQ(rec.history[0].size(), 1200u);
    EXPECT_EQ(rec.history[1].size(), 10u);
    EXPECT_EQ(rec.history[2].size(), 3u);
}

TEST(SaveWalk, AHistoryReadsZeroForAnythingItDoesNotStore) {
    SaveRecord rec;
    EXPECT_EQ(HistoryValue(rec, 0, 0), 0);  // a failed record stores no series
    rec.history.resize(3);
    rec.history[0] = {1, 2, 3, 4};
    rec.history[0].pop_back();  // the fourth value stays behind in the storage, unread
    rec.history[2] = {5};
    const std::pair<std::pair<int, int>, std::int32_t> cases[] = {
        {{0, 2}, 3},  {{0, 3}, 0},  {{0, 1200}, 0},
        {{0, -1}, 0}, {{1, 0}, 0},  {{2, 0}, 5},
        {{3, 0}, 0},  {{-1, 0}, 0}, {{kHistoryCategories, 0}, 0},
    };
    for (const auto& [at, value] : cases)
        EXPECT_EQ(HistoryValue(rec, at.first, at.second), value) << at.first << " " << at.second;
}

TEST(SaveWalk, PopulationShareIsZeroWithoutPopulation) {
    SaveContent c;
    c.players[2].population = -10;
    const auto rec = walkOf(c);
    EXPECT_EQ(rec.population, 0);
    EXPECT_EQ(rec.populationPercent, 0);
}

TEST(SaveWalk, AnEmptyNameTakesTheLeadersName) {
    for (const auto& [name, leader, nick] :
         {std::tuple{"", 5, "Cyrus"}, std::tuple{"", 0, "Barbarian"}, std::tuple{"", 27, ""}, std::tuple{"", -1, ""},
          std::tuple{"Kim", 5, "Kim"}}) {
        SaveContent c;
        c.header.slots[0].name = name;
        c.header.slots[0].leader = leader;
        const auto rec = walkOf(c);
        EXPECT_EQ(rec.nickName, nick);
        EXPECT_EQ(rec.leaderType, leader);
    }
}

TEST(SaveWalk, BlockTextIsTheFirstSlots) {
    SaveContent c;
    c.header.slots[0].block = "team game";
    c.header.slots[1].block = "other";
    EXPECT_EQ(walkOf(c).blockText, "team game");
}

// A small save whose every part holds variable-length items, as a base for damage. Its last
// player's record is as full as the first's, so that the end of the data is varied too.
load::WorkBuffer damageBase() {
    auto c = richContent();
    auto& human = c.players[0];
    human.texts = 2;
    human.scripts = {{2, 1, {9, 10, 4}}};
    human.notes = {2, 0};
    human.orders = {{2, 1}, {0, 2}};
    c.players[18] = human;
    return workOf(c);
}

TEST(SaveWalkDamage, EveryTruncationFailsAsDamaged) {
    auto work = damageBase();
    const auto full = work.bytes.size();
    // Every length in the header, the game section and the last records; between them the teams
    // and players repeat one layout, which every 101st length samples.
    constexpr std::size_t kHead = 20 * 1024;
    constexpr std::size_t kTail = 32 * 1024;
    int walks = 0;
    // Walking the whole data reaches its last byte, so every shorter length is damage.
    for (std::size_t length = full; length-- > 0;) {
        if (length >= kHead && length + kTail < full && length % 101 != 0) continue;
        work.bytes.shrink(length);
        ++walks;
        try {
            (void)AnalyseSave(work);
            ADD_FAILURE() << "no failure at length " << length;
        } catch (const load::DamagedSave& e) {
            if (e.dataLength() != length) ADD_FAILURE() << e.what() << " at length " << length;
        }
    }
    EXPECT_GT(walks, static_cast<int>(kHead + kTail));
}

TEST(SaveWalkDamage, RandomByteChangesGiveARecordOrDamagedSave) {
    auto work = damageBase();
    std::mt19937 random(20061127);
    std::uniform_int_distribution<std::size_t> position(0, work.bytes.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    int damaged = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        std::array<std::pair<std::size_t, std::uint8_t>, 3> changed;
        for (auto& [at, was] : changed) {
            at = position(random);
            was = work.bytes[at];
            work.bytes[at] = static_cast<std::uint8_t>(byte(random));
        }
        try {
            (void)AnalyseSave(work);
        } catch (const load::DamagedSave&) {
            ++damaged;
        }
        for (auto it = changed.rbegin(); it != changed.rend(); ++it) work.bytes[it->first] = it->second;
    }
    EXPECT_GT(damaged, 0);
}

TEST(SaveWalkDamage, CountsTooLargeForTheDataFailAtOnce) {
    auto replays = richContent();
    replays.game.replayCount = 65536;
    EXPECT_THROW(walkOf(replays), load::DamagedSave);

    auto map = richContent();
    map.game.width = 46340;
    map.game.height = 46340;
    EXPECT_THROW(walkOf(map), load::DamagedSave);

    // A count patched in the data: the player's list of texts, written with a count easy to find.
    constexpr std::int32_t kMarked = 0x1357;
    auto texts = richContent();
    texts.players[0].texts = kMarked;
    auto work = workOf(texts);
    const auto at = static_cast<std::size_t>(testsupport::FindInt(work.bytes, kMarked, work.streamOffset));
    ASSERT_GT(at, 0u);
    for (const std::int32_t count : {INT32_MAX, kMarked + 1}) {
        for (int k = 0; k < 4; ++k) work.bytes[at + k] = static_cast<std::uint8_t>(count >> (8 * k));
        EXPECT_THROW((void)AnalyseSave(work), load::DamagedSave);
    }
}

TEST(SaveWalkDamage, AHeaderThatRunsIntoTheGameDataIsDamage) {
    // The header's counted list of int32, written with a count easy to find, then made longer by
    // as little as reaches U and C, which end the header.
    constexpr std::int32_t kMarked = 0x1357;
    auto c = richContent();
    c.header.intCount = kMarked;
    auto work = workOf(c);
    const auto at = static_cast<std::size_t>(testsupport::FindInt(work.bytes, kMarked, 0));
    ASSERT_LT(at, static_cast<std::size_t>(work.streamOffset));
    for (const std::int32_t count : {kMarked + 1, kMarked + 200}) {
        for (int k = 0; k < 4; ++k) work.bytes[at + k] = static_cast<std::uint8_t>(count >> (8 * k));
        try {
            (void)AnalyseSave(work);
            ADD_FAILURE() << count;
        } catch (const load::DamagedSave& e) {
            EXPECT_EQ(std::string(e.what()), "damaged save: the header runs into the game data at byte " +
                                                 std::to_string(work.streamOffset - 8));
        }
    }
}

TEST(SaveWalkFiles, AnalyseFileWalksASaveAndReportsDamageByName) {
    const testsupport::TempFolder dir("savewalk");
    auto c = richContent();
    const auto rec = AnalyseFile(dir.write("good.sav", savewriter::BuildSave(c)));
    EXPECT_EQ(rec.failure, "");
    EXPECT_EQ(rec.fileName, "good");
    EXPECT_EQ(rec.nickName, "Ann");
    EXPECT_EQ(rec.cities, 4);

    // A game state cut short inflates fine but ends before the walk does.
    auto container = savewriter::ToContainer(c);
    container.gameState.resize(container.gameState.size() - 1);
    const auto failed = AnalyseFile(dir.write("cut.sav", savewriter::BuildContainer(container)));
    EXPECT_EQ(failed.failure, "damaged save: the game data ends too early, after " +
                                  std::to_string(container.gameState.size()) + " bytes");
    EXPECT_EQ(failed.fileName, "cut");
    EXPECT_EQ(failed.nickName, "");
    EXPECT_TRUE(failed.history.empty());
}

TEST(SaveWalkFiles, AWorkerKeepsItsBuffersUnlessAFileMadeThemLarger) {
    const testsupport::TempFolder dir("keep");
    auto container = savewriter::ToContainer(richContent());
    container.fast = true;
    FileAnalyser analyser;
    // The work data is the header, U, "BODY" and the game state (the walk ignores the zeros added).
    const std::size_t exact = FileAnalyser::kKeptBufferBytes - container.header.size() - 8;
    for (const std::size_t stateBytes : {exact, exact + 1}) {
        container.gameState.resize(stateBytes);
        const auto rec = analyser.analyse(dir.write("big.sav", savewriter::BuildContainer(container)));
        ASSERT_EQ(rec.failure, "");
        EXPECT_EQ(analyser.heldBytes() >= FileAnalyser::kKeptBufferBytes, stateBytes == exact) << stateBytes;
    }
}

TEST(SaveWalkFiles, ABatchCountsEveryFileAndItsFailuresAndKeepsThePathsOrder) {
    const testsupport::TempFolder dir("batch");
    const auto good = savewriter::BuildSave(richContent());
    // Three saves and two failures, so that neither count can stand for the other.
    const std::vector<std::string> paths{dir.write("a.sav", good), dir / "missing.sav", dir.write("c.sav", good),
                                         dir.write("d.sav", "no save"), dir.write("e.sav", good)};
    for (const unsigned jobs : {1u, 2u}) {
        std::vector<BatchProgress> seen;
        const auto table =
            AnalyseFiles(paths, {.jobs = jobs, .onProgress = [&](const BatchProgress& p) { seen.push_back(p); }});
        ASSERT_EQ(table.size(), 5u);
        EXPECT_EQ(table[1].fileName, "missing");
        EXPECT_NE(table[1].failure, "");
        EXPECT_EQ(table[2].nickName, "Ann");
        ASSERT_EQ(seen.size(), 5u) << jobs;
        for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].done, i + 1) << jobs;
        EXPECT_EQ(seen.back().total, 5u);
        EXPECT_EQ(seen.back().failed, 2u) << jobs;
    }
    // A batch cancelled before it starts reads nothing and reports no progress.
    const std::atomic<bool> cancel{true};
    int calls = 0;
    const auto table = AnalyseFiles(paths, {.onProgress = [&](const BatchProgress&) { ++calls; }, .cancel = &cancel});
    EXPECT_EQ(calls, 0);
    for (const auto& rec : table) EXPECT_EQ(rec.failure, kNotLoaded);
}

}  // namespace
}  // namespace quillmere::analysis
