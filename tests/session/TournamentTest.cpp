#include <gtest/gtest.h>
#include <utime.h>

#include <map>

#include "session/Profile.h"
#include "session/Session.h"
#include "savewriter/SampleGames.h"
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
        for (const auto& rec : session.records()) flags[rec.FileName] = rec.Flags;
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
        {"Bea-round1", {"same game data as Carl-round1"}},
        {"Carl-round1", {"same game data as Bea-round1"}},
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

TEST_F(Tournament, DateChecksNeedOnlyTheStartDateAndSayWhenTheyAreOff) {
    Session session(2026);
    session.setProfile(ParseProfile(savewriter::TournamentProfile()));
    session.load(m_paths);
    const auto flagsOf = [&session](const std::string& file) {
        for (const auto& rec : session.records())
            if (rec.FileName == file) return rec.Flags;
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
    EXPECT_EQ(session.checksOff(), (std::vector<std::string>{"deadline not checked: the start date is invalid",
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
        if (rec.FileName == "Anna-t100") {
            EXPECT_EQ(rec.Reload->PlayDays, 30);
        }
    }
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

    const std::pair<const char*, const char*> errors[] = {
        {R"({"speed": "Fast"})", "speed: 'Fast' is no game speed (Marathon, Epic, Normal or Quick)"},
        {R"({"levels": ["Monarch", "Saint"]})", "levels[1]: 'Saint' is no difficulty level"},
        {R"({"map": {"width": 0, "height": 5}})", "map.width: must be a whole number from 1 to 100000"},
        {R"({"rules": {"start_date": "31-02-2005"}})", "rules.start_date: '31-02-2005' is not a valid date"},
        {R"({"rules": {"presessions": "x"}})", "rules.presessions: 'x' is not a valid integer value"},
        {R"({"rules": {"presessions": "-5"}})", "rules.presessions: presessions must be 0 or more, not '-5'"},
        {R"({"deadline": 30})", "deadline: is not a profile field"},
        {R"([1, 2])", "the file: must hold one JSON object"},
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

}  // namespace
}  // namespace quillmere::session
