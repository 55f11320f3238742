#include <gtest/gtest.h>
#include <utime.h>

#include <zlib.h>

#include <map>

#include "analysis/SaveWalk.h"
#include "load/Container.h"
#include "savewriter/SampleGames.h"
#include "savewriter/SaveContent.h"
#include "session/Profile.h"
#include "session/Session.h"
#include "session/TournamentChecks.h"
#include "support/TempFolder.h"

namespace quillmere::session {
namespace {

// The example tournament, written with its players' upload times, loaded under its profile.
class Tournament : public testing::Test {
protected:
    void SetUp() override {
        for (const auto& save : savewriter::TournamentBatch()) {
            const auto path = m_dir.write(save.fileName, save.bytes);
            const std::time_t when = savewriter::UploadTimeOf(save);
            const utimbuf times{when, when};
            ASSERT_EQ(::utime(path.c_str(), &times), 0);
            m_paths.push_back(path);
        }
    }

    std::map<std::string, std::vector<std::string>> flagsUnder(const std::optional<Profile>& profile) {
        Session session(2026);
        session.setProfile(profile);
        session.load(m_paths);
        std::map<std::string, std::vector<std::string>> flags;
        for (const auto& rec : session.records()) flags[rec.fileName] = rec.flags;
        return flags;
    }

    testsupport::TempFolder m_dir{"tournament"};
    std::vector<std::string> m_paths;
};

TEST_F(Tournament, FlagsExactlyWhatWasPlantedWithItsEvidence) {
    const auto flags = flagsUnder(ParseProfile(savewriter::TournamentProfile()));
    const std::map<std::string, std::vector<std::string>> expected = {
        {"Anna-t100", {}},
        {"Anna-t150", {}},
        {"Anna-t200", {"load count 5 at turn 200, but 8 at turn 150 in Anna-t150"}},
        {"Bea-round1", {"same game data as Carl-round1, saved after this one"}},
        {"Carl-round1", {"same game data as Bea-round1, saved before this one"}},
        {"Dmitri", {"speed Quick (tournament: Normal)"}},
        {"Eve", {"saved on day 33 (deadline: day 30)"}},
        {"Frank", {}},
    };
    EXPECT_EQ(flags, expected);

    // Without a profile only what needs none is checked: duplicates and save chains.
    const auto plain = flagsUnder(std::nullopt);
    EXPECT_TRUE(plain.at("Dmitri").empty());
    EXPECT_TRUE(plain.at("Eve").empty());
    EXPECT_EQ(plain.at("Anna-t200"), expected.at("Anna-t200"));
}

// Two game states that differ by +1, -2, +1 in three neighbouring bytes keep the stream's Adler-32
// and their length: only a strong digest tells them apart.
TEST(TournamentChecks, TellsForgedChecksumsFromRealCopiesAndNamesTheOriginal) {
    savewriter::SaveContent content;
    content.game.turn = 60;
    const auto original = load::AssembleWorkBuffer(savewriter::BuildSave(content));
    auto forged = original;
    const auto stateStart = static_cast<std::size_t>(original.streamOffset);
    const auto stateEnd = stateStart + static_cast<std::size_t>(original.gameLength);
    std::size_t at = stateEnd - 3;
    while (at > stateStart && !(forged.bytes[at] < 255 && forged.bytes[at + 1] >= 2 && forged.bytes[at + 2] < 255))
        --at;
    ASSERT_GT(at, stateStart);
    ++forged.bytes[at];
    forged.bytes[at + 1] = static_cast<std::uint8_t>(forged.bytes[at + 1] - 2);
    ++forged.bytes[at + 2];
    const auto adler = [&](const load::WorkBuffer& work) {
        return adler32(1, work.bytes.data() + stateStart, static_cast<uInt>(work.gameLength));
    };
    ASSERT_EQ(adler(forged), adler(original));

    const auto record = [](const load::WorkBuffer& work, const char* name, double date) {
        auto rec = analysis::AnalyseSave(work);
        rec.fileName = name;
        rec.fileDate = date;
        return rec;
    };
    analysis::ResultTable table{record(original, "copy", 38690.5), record(forged, "forged", 38689.0),
                                record(original, "first", 38689.5)};
    ASSERT_TRUE(table[1].failure.empty());
    CheckTournament(table, nullptr, std::nullopt);
    EXPECT_EQ(table[0].flags, std::vector<std::string>{"same game data as first, saved before this one"});
    EXPECT_TRUE(table[1].flags.empty());
    EXPECT_EQ(table[2].flags, std::vector<std::string>{"same game data as copy, saved after this one"});
}

TEST(TournamentChecks, FlagsAnIdentityOutsideTheGamesTables) {
    analysis::SaveRecord rec;
    rec.leaderType = 87;
    rec.civType = -1;
    rec.level = 9;
    analysis::ResultTable table{rec};
    CheckTournament(table, nullptr, std::nullopt);
    EXPECT_EQ(table[0].flags, (std::vector<std::string>{
                                  "leader index 87 is not a leader of this game: the header may be damaged",
                                  "civilisation index -1 is not a civilisation of this game: the header may be damaged",
                                  "level index 9 is not a difficulty level of this game: the header may be damaged"}));
    table[0].leaderType = 26;  // the last of each table
    table[0].civType = 19;
    table[0].level = 8;
    CheckTournament(table, nullptr, std::nullopt);
    EXPECT_TRUE(table[0].flags.empty());
}

TEST_F(Tournament, DateChecksNeedOnlyTheStartDateAndSayWhenTheyAreOff) {
    Session session(2026);
    session.setProfile(ParseProfile(savewriter::TournamentProfile()));
    session.load(m_paths);
    const auto flagsOf = [&session](const std::string& file) {
        for (const auto& rec : session.records())
            if (rec.fileName == file) return rec.flags;
        return std::vector<std::string>{"no such save"};
    };
    EXPECT_TRUE(session.checksOff().empty());

    // Another rule in error leaves the date checks on.
    reload::RuleTexts texts = session.ruleTexts();
    texts.presessions = "-1";
    session.setRules(texts);
    EXPECT_EQ(flagsOf("Eve"), std::vector<std::string>{"saved on day 33 (deadline: day 30)"});
    EXPECT_EQ(session.checksOff(), std::vector<std::string>{"no reload verdicts: invalid presessions"});

    texts.day = "32";
    session.setRules(texts);
    EXPECT_TRUE(flagsOf("Eve").empty());
    EXPECT_EQ(session.checksOff(),
              (std::vector<std::string>{"deadline not checked: the start date is invalid",
                                        "saves before the start not checked: the start date is invalid",
                                        "no reload verdicts: invalid start date, presessions"}));

    // A save 3.4 days after 27 November is on day -4 of a tournament starting on 5 December; its
    // Play Days stay the reload control's 30.
    texts = session.ruleTexts();
    texts.day = "05";
    texts.month = "12";
    texts.presessions = "1";
    session.setRules(texts);
    EXPECT_EQ(flagsOf("Anna-t100"), std::vector<std::string>{"saved before the start, day -4"});
    EXPECT_TRUE(flagsOf("Anna-t150").empty());
    for (const auto& rec : session.records()) {
        if (rec.fileName == "Anna-t100") {
            EXPECT_EQ(rec.reload->playDays, 30);
        }
    }
}

TEST(TournamentChecks, ComparesASaveOnlyWithSavesOfEarlierTurnsOfItsGame) {
    const auto save = [](const char* name, std::int32_t turn, std::int32_t loads, std::int32_t seconds) {
        analysis::SaveRecord rec;
        rec.fileName = name;
        rec.nickName = "Anna";
        rec.turn = turn;
        rec.loadCount = loads;
        rec.playTime = seconds;
        rec.gameHash.low = static_cast<std::uint64_t>(turn * 100 + loads);  // no copies of one another
        return rec;
    };
    // Two saves at one turn (a reload's copy) contradict nothing; the next turn is held to both.
    analysis::ResultTable table{save("a", 100, 9, 5000), save("b", 100, 3, 1000), save("c", 101, 4, 6000)};
    CheckTournament(table, nullptr, std::nullopt);
    EXPECT_TRUE(table[0].flags.empty());
    EXPECT_TRUE(table[1].flags.empty());
    EXPECT_EQ(table[2].flags, std::vector<std::string>{"load count 4 at turn 101, but 9 at turn 100 in a"});
}

TEST(Profile, ReadsBackWhatItWritesAndNamesTheFieldInError) {
    Profile profile = ParseProfile(savewriter::TournamentProfile());
    profile.leaders = {3, 6};
    profile.civilizations = {7};
    profile.levels = {5, 6};
    const Profile again = ParseProfile(ProfileJson(profile));
    EXPECT_EQ(again.name, "Example Cup");
    EXPECT_EQ(again.rules, profile.rules);
    EXPECT_EQ(again.speed, 2);
    EXPECT_EQ(again.levels, profile.levels);
    EXPECT_EQ(again.mapWidth, 48);
    EXPECT_EQ(again.deadlineDay, 30);
    EXPECT_EQ(again.leaders, profile.leaders);
    EXPECT_EQ(again.civilizations, profile.civilizations);

    const std::pair<std::string, std::string> errors[] = {
        {R"({"speed": "Fast"})", "speed: 'Fast' is no game speed (Marathon, Epic, Normal or Quick)"},
        {R"({"levels": ["Monarch", "Saint"]})", "levels[1]: 'Saint' is no difficulty level"},
        {R"({"map": {"width": 0, "height": 5}})", "map.width: expected a number of plots from 1 to 100000, e.g. 84"},
        {R"({"map": {"width": 5, "height": 100001}})",
         "map.height: expected a number of plots from 1 to 100000, e.g. 52"},
        {R"({"deadline_day": 18446744073709551615})", "deadline_day: expected a day number from 1 to 100000, e.g. 30"},
        {R"({"rules": {"start_date": "31-02-2005"}})",
         "rules.start_date: '31-02-2005' is not a valid date (expected DD-MM-YYYY, e.g. \"27-11-2005\")"},
        {R"({"rules": {"start_date": "2005"}})",
         "rules.start_date: expected DD-MM-YYYY, e.g. \"27-11-2005\" ('2005' is not)"},
        {R"({"rules": {"presessions": "x"}})",
         "rules.presessions: 'x' is not a valid integer value (expected a whole number of loads, e.g. 1)"},
        {R"({"rules": {"presessions": "-5"}})",
         "rules.presessions: presessions must be 0 or more, not '-5' (expected a whole number of loads, e.g. 1)"},
        {R"({"deadline": 30})", "deadline: is not a profile field"},
        {R"([1, 2])", "expected one JSON object, e.g. {\"name\": \"Autumn cup\"}"},
        // Whatever the text holds, the failure is a ProfileError that names the field.
        {R"({"deadline_day": 1e400})", "deadline_day: the number 1e400 is out of range"},
        {R"({"map": {"width": 1e400, "height": 5}})", "map.width: the number 1e400 is out of range"},
        {R"({"levels": ["Noble", -1e309]})", "levels[1]: the number -1e309 is out of range"},
        {R"({"name": "Cup",})", "not valid JSON (at line 1, column 16)"},
        {"{\n  \"name\": \"Cup\"\n  \"speed\": 1}", "not valid JSON (at line 3, column 9)"},
        {"{\"name\": \"\xC0\xAF\"}", "not UTF-8 text (at line 1, column 11)"},
        {std::string(17, '[') + std::string(17, ']'),
         "[0][0][0][0][0][0][0][0][0][0][0][0][0][0][0][0]: nests deeper than any profile (16 levels)"},
        {R"({"levels": 3})", "levels: expected a list of names"},
        {"{\"name\": \"Cup\\u0000\"}", "name: expected a text without control characters, e.g. \"Autumn cup\""},
        {"{\"name\": \"\\u001b[2J\"}", "name: expected a text without control characters, e.g. \"Autumn cup\""},
        {"{\"" + std::string(100, 'k') + "\": 1}", std::string(60, 'k') + "...: is not a profile field"},
    };
    for (const auto& [json, message] : errors) {
        try {
            (void)ParseProfile(json);
            ADD_FAILURE() << json;
        } catch (const ProfileError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

TEST(Profile, AFilesBytesAreCheckedTheSameForEveryFrontEnd) {
    // Spaces pad a profile to its size: at the bound it is taken, a byte more is refused unread.
    const auto padded = [](std::size_t size) {
        std::string text = R"({"name": "Cup"})";
        text.resize(size, ' ');
        return text;
    };
    EXPECT_EQ(ProfileFromFile("cup.json", padded(kMostProfileBytes)).name, "Cup");
    const std::pair<std::string, std::string> refused[] = {
        {padded(kMostProfileBytes + 1), "cup.json: larger than any profile (1 MiB)"},
        {"{\"name\": \"\xFF\"}", "cup.json: not UTF-8 text (at line 1, column 11)"},
        {"{", "cup.json: not valid JSON (at line 1, column 2)"},
    };
    for (const auto& [bytes, message] : refused) {
        try {
            (void)ProfileFromFile("cup.json", bytes);
            ADD_FAILURE() << message;
        } catch (const ProfileError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

TEST(Profile, TakesNumbersForRulesAndListsEachNameOnce) {
    const Profile profile = ParseProfile(
        R"({"rules": {"sessions_per_day": 2.5, "min_session_minutes": 45, "presessions": 0},
            "levels": ["Noble", "Prince", "Noble", "Prince"]})");
    EXPECT_EQ(profile.rules.sessionsPerDay, "2.5");
    EXPECT_EQ(profile.rules.minSessionMinutes, "45");
    EXPECT_EQ(profile.rules.presessions, "0");
    EXPECT_EQ(profile.levels.size(), 2u);

    const auto levels = [](int count) {
        std::string json = R"({"levels": ["Noble")";
        for (int i = 1; i < count; ++i) json += R"(, "Noble")";
        return json + "]}";
    };
    EXPECT_EQ(ParseProfile(levels(1000)).levels.size(), 1u);
    try {
        (void)ParseProfile(levels(1001));
        ADD_FAILURE() << "a list of 1,001 entries was taken";
    } catch (const ProfileError& e) {
        EXPECT_EQ(std::string(e.what()), "levels: more than 1000 entries (1001)");
    }
}

}  // namespace
}  // namespace quillmere::session
