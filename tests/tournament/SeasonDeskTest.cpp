// What the window asks of the archive: a batch added on a thread of its own, the messages of a batch
// and of a ruling, and the standings as grid cells.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <thread>

#include "savewriter/SaveContent.h"
#include "support/TempFolder.h"
#include "tournament/Archive.h"
#include "tournament/BackgroundSubmit.h"
#include "tournament/SeasonMessages.h"
#include "tournament/StandingsReport.h"

namespace quillmere::tournament {
namespace {

constexpr std::int64_t kNow = 1'135'000'000;  // December 2005

class SeasonDesk : public testing::Test {
protected:
    void SetUp() override {
        auto archive = Archive::Create(m_path, "Cup", Scoring{}, kNow);
        archive.addRound(RoundInfo{1, "Opening", {}, "", 0});
        archive.addRound(RoundInfo{2, "Winter", {}, "", 0});
        archive.addPlayer("Ann", {}, kNow);
    }

    std::string save(const std::string& file, const std::string& nick, std::int32_t turn) {
        savewriter::SaveContent content;
        content.header.slots[0].name = nick;
        content.game.turn = turn;
        return m_dir.write(file, savewriter::BuildSave(content));
    }

    static SubmitOptions round(int number, bool registering = false) {
        SubmitOptions options;
        options.round = number;
        options.receivedAt = kNow;
        options.by = "ref";
        options.jobs = 2;
        options.registerPlayers = registering;
        return options;
    }

    static void waitFor(const BackgroundSubmit& submit) {
        for (int i = 0; i < 2000 && !submit.finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(submit.finished());
    }

    testsupport::TempFolder m_dir{"season-desk"};
    std::string m_path = m_dir / "season.qmt";
};

TEST_F(SeasonDesk, ABatchAddedInTheBackgroundIsThereForAnotherConnectionOnceFinished) {
    const auto reader = Archive::Open(m_path, OpenMode::ReadOnly);
    BackgroundSubmit submit(m_path, {save("a.sav", "Ann", 10), save("b.sav", "Bob", 11)}, round(2, true));
    waitFor(submit);
    ASSERT_FALSE(submit.error());
    ASSERT_TRUE(submit.summary() && submit.summary()->committed);
    EXPECT_EQ(submit.progress(), (std::pair<std::size_t, std::size_t>{2, 2}));
    EXPECT_EQ(submit.round(), 2);
    EXPECT_EQ(submit.receivedAt(), kNow);
    EXPECT_EQ(reader.round(2).submissions, 2u);
    EXPECT_EQ(reader.round(1).submissions, 0u);
    EXPECT_EQ(AddedSummary(*submit.summary(), 2), "round 2: 2 submissions added (1 player registered now)");
}

TEST_F(SeasonDesk, ABatchOnAnArchiveAnotherProgramHoldsSaysSoNamingTheFileAndStoresNothing) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        BackgroundSubmit submit(m_path, {save("a.sav", "Ann", 10)}, round(1), std::chrono::milliseconds(100));
        waitFor(submit);
        ASSERT_TRUE(submit.error());
        EXPECT_FALSE(submit.summary());
        EXPECT_EQ(submit.error()->problem(), ArchiveProblem::Busy);
        EXPECT_TRUE(std::string(submit.error()->what()).starts_with(m_path + ": the archive is busy"))
            << submit.error()->what();
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Archive::Open(m_path, OpenMode::ReadOnly).round(1).submissions, 0u);

    BackgroundSubmit notThere(m_dir / "missing.qmt", {m_dir / "a.sav"}, round(1));
    waitFor(notThere);
    ASSERT_TRUE(notThere.error());
    EXPECT_NE(std::string(notThere.error()->what()).find("missing.qmt"), std::string::npos);
}

TEST_F(SeasonDesk, PlayersAreAskedForOnlyWhenUnknownNamesAreAllThatStopTheBatch) {
    auto archive = Archive::Open(m_path, OpenMode::ReadWrite);
    const auto ann = save("a.sav", "Ann", 10);
    const auto unknown = archive.submitFiles(
        std::vector{ann, save("z.sav", "Zed", 11), save("y.sav", "Yan", 12), save("z2.sav", "Zed", 13)}, round(1));
    ASSERT_FALSE(unknown.committed);
    EXPECT_EQ(unknown.outcomes[1].unknownName, "Zed");
    EXPECT_EQ(unknown.outcomes[0].unknownName, "");
    EXPECT_EQ(RefusedLine(unknown.outcomes[1]), m_dir / "z.sav" + ": no player plays as 'Zed': name its player");
    EXPECT_EQ(RefusedSummary(unknown), "nothing was added: 3 of 4 saves refused");
    EXPECT_EQ(UnknownNames(unknown), (std::vector<std::string>{"Yan", "Zed"}));
    const auto choice = WhoPlaysAs("Zed", archive.players());
    EXPECT_EQ(choice.question, "Nobody plays as 'Zed' yet. Whose saves are they?");
    EXPECT_EQ(choice.choices, (std::vector<std::string>{"a new player, Zed", "Ann"}));

    // A file that cannot be read stops the batch whoever is registered.
    const auto unreadable = archive.submitFiles(std::vector{m_dir / "z.sav", m_dir / "gone.sav"}, round(1));
    ASSERT_FALSE(unreadable.committed);
    EXPECT_EQ(UnknownNames(unreadable), std::vector<std::string>{});

    const auto registered = archive.submitFiles(std::vector{ann, m_dir / "z.sav"}, round(1, true));
    ASSERT_TRUE(registered.committed);
    EXPECT_EQ(UnknownNames(registered), std::vector<std::string>{});
    EXPECT_EQ(SubmittedLine(registered.outcomes[1], 1),
              "submission 2: " + m_dir / "z.sav" + " (Zed, registered now, round 1)");
    const auto again = archive.submitFiles(std::vector{ann}, round(1));
    EXPECT_EQ(SubmittedLine(again.outcomes[0], 1), ann + ": the same file as submission 1: not added again");
    EXPECT_EQ(AddedSummary(again, 1), "round 1: 0 submissions added, 1 file already there");
}

TEST_F(SeasonDesk, TheGridsHoldTheTextsCellsAndNameTheSubmissionOfEachRow) {
    auto archive = Archive::Open(m_path, OpenMode::ReadWrite);
    ASSERT_TRUE(
        archive.submitFiles(std::vector{save("a.sav", "Ann", 10), save("b.sav", "Bob", 11)}, round(1, true)).committed);
    ASSERT_TRUE(archive.submitFiles(std::vector{save("a2.sav", "Bob", 12)}, round(2)).committed);
    archive.rule(1, RulingState::Accepted, "", "ref", kNow);
    archive.rule(3, RulingState::Rejected, "reloads", "ref", kNow);

    const auto season = archive.seasonTable();
    const auto grid = SeasonGrid(season);
    EXPECT_EQ(grid.header, (std::vector<std::string>{"rank", "player", "total", "round 1", "round 2"}));
    ASSERT_EQ(grid.rows.size(), 2u);
    const std::string text = SeasonStandings(season, StandingsFormat::Text);
    EXPECT_TRUE(text.starts_with(grid.heading + "\n")) << text;
    EXPECT_NE(text.find(grid.note), std::string::npos);
    for (const auto& row : grid.rows) {
        EXPECT_EQ(row.size(), grid.header.size());
        EXPECT_EQ(row[4], "-");  // round 2's only save is rejected
        for (const auto& cell : row) EXPECT_NE(text.find(cell), std::string::npos) << cell;
    }
    const auto& ann = grid.rows[0][1] == "Ann" ? grid.rows[0] : grid.rows[1];
    const auto& bob = grid.rows[0][1] == "Ann" ? grid.rows[1] : grid.rows[0];
    EXPECT_EQ(ann[2].find('*'), std::string::npos);
    EXPECT_EQ(bob[2].back(), '*');  // not ruled on yet
    EXPECT_EQ(grid.submissions, (std::vector<std::int64_t>{0, 0}));
    EXPECT_EQ(grid.numeric, (std::vector<bool>{true, false, true, true, true}));

    const auto table = archive.roundTable(2);
    const auto roundGrid = RoundGrid(table);
    ASSERT_EQ(roundGrid.rows.size(), 1u);
    EXPECT_EQ(roundGrid.submissions, std::vector<std::int64_t>{3});
    EXPECT_EQ(roundGrid.rows[0][1], "3");
    EXPECT_EQ(roundGrid.rows[0][7], "rejected");
    EXPECT_TRUE(roundGrid.rows[0][8].starts_with("rejected: reloads (ref, ")) << roundGrid.rows[0][8];
    EXPECT_EQ(roundGrid.heading, "Cup: round 2, Winter (1 submissions)");
    EXPECT_EQ(roundGrid.numeric.size(), roundGrid.header.size());
}

TEST(SeasonMessages, SayWhatARulingAndTheNextRoundAre) {
    EXPECT_EQ(RuledLine(8, RulingState::Disqualified, "sent Bea's save"),
              "submission 8: disqualified: sent Bea's save");
    EXPECT_EQ(RuledLine(3, RulingState::Accepted, ""), "submission 3: accepted");
    EXPECT_EQ(RulingQuestion(8, RulingState::Disqualified), "Why is submission 8 disqualified?");
    EXPECT_EQ(RulingQuestion(19, RulingState::Rejected), "Why is submission 19 rejected?");
    EXPECT_EQ(RulingQuestion(3, RulingState::Accepted), "Accept submission 3. A note with the ruling, if any:");

    const std::vector<RoundInfo> rounds = {RoundInfo{1, "a", {}, "", 0}, RoundInfo{4, "b", {}, "", 0},
                                           RoundInfo{2, "c", {}, "", 0}};
    const auto next = NextRound(rounds, "Thaw", session::Profile{}, "Spring");
    EXPECT_EQ(next.number, 5);
    EXPECT_EQ(next.title, "Thaw");
    EXPECT_EQ(next.profileName, "Spring");
    EXPECT_EQ(RoundLabel(next), "5: Thaw");
    EXPECT_EQ(AsPlayerQuestion(2), "Whose saves are these, for round 2? A name nobody has registers a new player.");
    EXPECT_EQ(NextRound({}, "First", session::Profile{}, "").number, 1);
    EXPECT_EQ(NewRoundQuestion(rounds, "Spring"),
              "The title of round 5 (judged by the profile Spring and the rules in force):");
    EXPECT_EQ(NewRoundQuestion({}, ""), "The title of round 1 (judged by no profile and the rules in force):");
}

}  // namespace
}  // namespace quillmere::tournament
