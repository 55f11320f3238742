#include "tournament-cli/TournamentOptions.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillmere::tournamentcli {
namespace {

struct TimeCase {
    const char* text;
    std::int64_t expected;  // Unix seconds; -1: refused
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TimeCase& c, std::ostream* out) { *out << c.text; }

class ParseTimeCases : public testing::TestWithParam<TimeCase> {
protected:
    void SetUp() override {
        ::setenv("TZ", "Europe/Moscow", 1);
        ::tzset();
    }
};

TEST_P(ParseTimeCases, ReadsLocalOrOffsetTimesAndRefusesTheRest) {
    const auto& c = GetParam();
    if (c.expected < 0) {
        EXPECT_THROW((void)ParseTime(c.text), UsageError) << c.text;
    } else {
        EXPECT_EQ(ParseTime(c.text), c.expected) << c.text;
    }
}

// 2005-12-28 00:00 in Moscow (UTC+3 then) is 1135717200.
INSTANTIATE_TEST_SUITE_P(Texts, ParseTimeCases,
                         testing::Values(TimeCase{"2005-12-28", 1135717200}, TimeCase{"2005-12-28 14:30", 1135769400},
                                         TimeCase{"2005-12-28T14:30:05", 1135769405},
                                         TimeCase{"2005-12-28T14:30:05Z", 1135780205},
                                         TimeCase{"2005-12-28T14:30:05-01:30", 1135785605}, TimeCase{"2005-02-29", -1},
                                         TimeCase{"2005-12-28 24:00", -1}, TimeCase{"2005-12-28 14:60", -1},
                                         TimeCase{"28-12-2005", -1}, TimeCase{"2005-12-28 14:30 ", -1},
                                         TimeCase{"2005-12-28T14:30+3", -1}, TimeCase{"", -1}));

TEST(ParseTournamentArguments, TakesOptionsAnywhereAfterTheCommandAndOnlyItsOwn) {
    const std::vector<std::string> arguments = {"submit", "-j2", "s.qmt", "--round=2", "a.sav", "--", "--b.sav"};
    const auto options = ParseTournamentArguments(arguments);
    EXPECT_EQ(options.command, Command::Submit);
    EXPECT_EQ(options.archive, "s.qmt");
    EXPECT_EQ(options.round, 2);
    EXPECT_EQ(options.jobs, 2u);
    EXPECT_EQ(options.operands, (std::vector<std::string>{"a.sav", "--b.sav"}));

    const auto refusal = [](std::vector<std::string> args) {
        try {
            (void)ParseTournamentArguments(args);
        } catch (const UsageError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal({"submit", "s.qmt", "a.sav"}), "submit needs --round NUMBER");
    EXPECT_EQ(refusal({"standings", "s.qmt", "--reason", "x"}), "standings takes no option --reason");
    EXPECT_EQ(refusal({"round", "s.qmt", "add"}), "round wants FILE add NUMBER, set NUMBER or list");
    EXPECT_EQ(refusal({"round", "s.qmt", "set", "2", "--late", "yes"}),
              "--late wants accept (keep a late upload, flagged) or refuse, not 'yes'");
    const std::vector<std::string> late = {"round", "s.qmt", "set", "2", "--late=accept"};
    EXPECT_EQ(ParseTournamentArguments(late).acceptLate, std::optional<bool>(true));
    EXPECT_EQ(refusal({"publish", "s.qmt", "yes"}), "publish wants FILE on|off");
    EXPECT_EQ(refusal({"rule", "s.qmt", "3"}), "rule wants FILE SUBMISSION accept|reject|disqualify|pending");
    EXPECT_EQ(refusal({"new", "--name", "Cup"}), "new needs the archive FILE");
    EXPECT_EQ(refusal({"sumbit", "s.qmt"}), "unknown command 'sumbit'");
    EXPECT_EQ(refusal({"new", "s.qmt", "--name", "Cup", "--points", "10,,5"}),
              "--points wants a number from 0 to 1000000000, not ''");
}

}  // namespace
}  // namespace quillmere::tournamentcli
