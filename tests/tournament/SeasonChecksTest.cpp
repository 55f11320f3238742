#include "tournament/SeasonChecks.h"

#include <gtest/gtest.h>

#include "reload/Rules.h"
#include "session/Profile.h"

namespace quillmere::tournament {
namespace {

SubmissionFacts facts(std::int64_t submission, int round, std::int64_t player, const char* nick, std::uint64_t data) {
    SubmissionFacts f;
    f.submission = submission;
    f.round = round;
    f.player = player;
    // Built by appending: GCC 12 at -O3 warns of a literal + a temporary.
    f.playerName = std::to_string(player);
    f.playerName.insert(0, 1, 'P');
    f.fileName = std::to_string(submission);
    f.fileName.insert(0, 1, 'f');
    f.shown = true;
    f.current = true;
    f.nickName = nick;
    f.gameLength = 1000;
    f.gameHash = {data, data};
    return f;
}

using Flags = std::map<std::int64_t, std::vector<std::string>>;

TEST(CheckSeason, TheSameGameDataInAnotherRoundNamesTheEarliestCopyThere) {
    const std::vector<SubmissionFacts> season = {facts(1, 1, 1, "Ann", 7), facts(2, 2, 2, "Bob", 7),
                                                 facts(3, 3, 1, "Ann", 7), facts(4, 3, 3, "Cid", 9)};
    EXPECT_EQ(CheckSeason(season), (Flags{{1, {"same game data as f2 in round 2 (player P2, submission 2)"}},
                                          {2, {"same game data as f1 in round 1 (player P1, submission 1)"}},
                                          {3, {"same game data as f1 in round 1 (player P1, submission 1)"}}}));
}

TEST(CheckSeason, CopiesWithinOneRoundAreLeftToTheRoundsOwnCheck) {
    auto other = facts(2, 1, 2, "Bob", 7);
    other.gameLength = 1001;  // the same digest of other data is no copy
    EXPECT_EQ(CheckSeason(std::vector<SubmissionFacts>{facts(1, 1, 1, "Ann", 7), facts(3, 1, 3, "Cid", 7), other,
                                                       facts(4, 2, 4, "Dan", 8)}),
              Flags{});
}

TEST(CheckSeason, APlayerUnderANewNameIsComparedWithTheirLastEarlierRound) {
    auto superseded = facts(3, 2, 1, "Annie", 3);
    superseded.current = false;
    const std::vector<SubmissionFacts> season = {facts(1, 1, 1, "Ann", 1), superseded, facts(4, 2, 1, "Ann", 4),
                                                 facts(5, 3, 1, "Anna", 5)};
    EXPECT_EQ(CheckSeason(season),
              (Flags{{3, {"plays as 'Annie', in round 1 as 'Ann'"}}, {5, {"plays as 'Anna', in round 2 as 'Ann'"}}}));
}

TEST(CheckSeason, OneNamePlayedByTwoPlayersIsFlaggedOnBoth) {
    const std::vector<SubmissionFacts> season = {facts(1, 1, 1, "Bea", 1), facts(2, 1, 2, "Bea", 2),
                                                 facts(3, 2, 2, "Carl", 3)};
    EXPECT_EQ(CheckSeason(season), (Flags{{1, {"the name 'Bea' is also played by P2 (round 1, submission 2)"}},
                                          {2, {"the name 'Bea' is also played by P1 (round 1, submission 1)"}},
                                          {3, {"plays as 'Carl', in round 1 as 'Bea'"}}}));
}

TEST(CheckSeason, ASubmissionRuledOutIsFlaggedButNamesNoOther) {
    auto copy = facts(2, 2, 2, "Ann", 7);
    copy.ruledOut = true;
    EXPECT_EQ(CheckSeason(std::vector<SubmissionFacts>{facts(1, 1, 1, "Ann", 7), copy}),
              (Flags{{2,
                      {"same game data as f1 in round 1 (player P1, submission 1)",
                       "the name 'Ann' is also played by P1 (round 1, submission 1)"}}}));
}

TEST(CheckSeason, OnlySavesAnalysedInDetailAreChecked) {
    auto failed = facts(2, 2, 2, "", 7);
    failed.shown = false;
    auto blocked = facts(3, 2, 3, "Ann", 0);
    blocked.shown = false;
    EXPECT_EQ(CheckSeason(std::vector<SubmissionFacts>{facts(1, 1, 1, "Ann", 7), failed, blocked}), Flags{});
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TEST(LateReceipt, TheDeadlineDayLastsToItsMidnight) {
    session::Profile profile;
    profile.deadlineDay = 30;
    const auto rules = *reload::CheckRules(profile.rules, 2026).rules;  // starts 27-11-2005
    EXPECT_EQ(LateReceipt(localTime(2005, 12, 26, 23, 59, 58), profile, rules), std::nullopt);
    EXPECT_EQ(LateReceipt(localTime(2005, 12, 27, 0, 0, 0), profile, rules), "received on day 31 (deadline: day 30)");
    profile.deadlineDay.reset();
    EXPECT_EQ(LateReceipt(localTime(2007, 1, 1, 0, 0, 0), profile, rules), std::nullopt);
}

}  // namespace
}  // namespace quillmere::tournament
