#include "tournament/Archive.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

#include "analysis/Batch.h"
#include "reload/Rules.h"
#include "savewriter/SaveContent.h"
#include "session/Profile.h"
#include "support/TempFolder.h"

namespace quillmere::tournament {
namespace {

using testsupport::ContentsOf;

constexpr std::int64_t kNow = 1'135'000'000;  // December 2005

// Runs SQL on the archive's file behind its back, as another program (or damage) would.
void runRaw(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

std::string rawError(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    char* message = nullptr;
    sqlite3_exec(db, sql, nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    return text;
}

class ArchiveTest : public testing::Test {
protected:
    void SetUp() override {
        auto archive = Archive::Create(m_path, "Cup", Scoring{}, kNow);
        archive.addRound(RoundInfo{1, "Opening", {}, "", 0});
    }

    Archive open() { return Archive::Open(m_path, OpenMode::ReadWrite); }

    // A save of `nick` whose game data differs with `turn`.
    std::string save(const std::string& file, const std::string& nick, std::int32_t turn) {
        savewriter::SaveContent content;
        content.header.slots[0].name = nick;
        content.game.turn = turn;
        return m_dir.write(file, savewriter::BuildSave(content));
    }

    SubmitSummary submit(Archive& archive, std::vector<std::string> paths, SubmitOptions options = {}) {
        options.round = options.round == 0 ? 1 : options.round;
        options.receivedAt = options.receivedAt == 0 ? kNow : options.receivedAt;
        options.by = "ref";
        options.jobs = 2;
        return archive.submitFiles(paths, options);
    }

    testsupport::TempFolder m_dir{"archive"};
    std::string m_path = m_dir / "season.qmt";
};

TEST_F(ArchiveTest, RefusesToMakeAnArchiveOverAFile) {
    try {
        (void)Archive::Create(m_path, "Cup", Scoring{}, kNow);
        FAIL() << "made over an archive";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.problem(), ArchiveProblem::Refused);
        EXPECT_EQ(std::string(error.what()), m_path + ": already exists (a new archive never replaces a file)");
    }
    EXPECT_EQ(open().tournamentName(), "Cup");
}

struct NotAnArchiveCase {
    const char* name;
    std::string bytes;  // empty with `folder`: a folder of that name
    bool folder;
    const char* reason;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const NotAnArchiveCase& c, std::ostream* out) { *out << c.name; }

class OpenRefuses : public testing::TestWithParam<NotAnArchiveCase> {};

TEST_P(OpenRefuses, WhatIsNoArchiveNamingTheFileAndChangingNothing) {
    const auto& c = GetParam();
    testsupport::TempFolder dir("not-archive");
    const std::string path = dir / "file";
    if (c.folder) {
        std::filesystem::create_directory(path);
    } else if (std::string_view(c.name) == "AnotherProgramsDatabase") {
        runRaw(path, "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('x')");
    } else {
        dir.write("file", c.bytes);
    }
    const std::string before = c.folder ? "" : ContentsOf(path);
    for (const auto mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
        try {
            (void)Archive::Open(path, mode);
            ADD_FAILURE() << "opened";
        } catch (const ArchiveError& error) {
            EXPECT_EQ(error.problem(), ArchiveProblem::NotAnArchive);
            EXPECT_EQ(std::string(error.what()), path + ": not a tournament archive (" + c.reason + ")");
        }
    }
    if (!c.folder) {
        EXPECT_EQ(ContentsOf(path), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenRefuses,
    testing::Values(NotAnArchiveCase{"Text", std::string(5000, 'x'), false, "file is not a database"},
                    NotAnArchiveCase{"Empty", "", false, "an empty file"},
                    NotAnArchiveCase{"Folder", "", true, "a folder"},
                    NotAnArchiveCase{"AnotherProgramsDatabase", "", false, "an SQLite database of another program"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(ArchiveTest, AnArchiveOfANewerSchemaIsRefusedAndLeftAsItWas) {
    runRaw(m_path, "PRAGMA user_version = 7");
    const std::string before = ContentsOf(m_path);
    for (const auto mode : {OpenMode::ReadOnly, OpenMode::ReadWrite}) {
        try {
            (void)Archive::Open(m_path, mode);
            ADD_FAILURE() << "opened";
        } catch (const ArchiveError& error) {
            EXPECT_EQ(error.problem(), ArchiveProblem::NewerSchema);
            EXPECT_EQ(std::string(error.what()), m_path +
                                                     ": made by a newer version of Quillmere (archive schema 7; this "
                                                     "version reads schemas up to 3): nothing was changed");
        }
    }
    EXPECT_EQ(ContentsOf(m_path), before);
}

TEST_F(ArchiveTest, ASaveBelongsToThePlayerWhoPlaysUnderItsName) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    archive.addPlayer("Robert", std::vector<std::string>{"Bobby", "Rob"}, kNow);
    const auto summary = submit(archive, {save("a.sav", "Ann", 10), save("b.sav", "Rob", 11)});
    ASSERT_TRUE(summary.committed);
    EXPECT_EQ(summary.outcomes[0].player, "Ann");
    EXPECT_EQ(summary.outcomes[1].player, "Robert");
    EXPECT_FALSE(summary.outcomes[1].newPlayer);
    EXPECT_EQ(archive.round(1).submissions, 2u);
}

TEST_F(ArchiveTest, ABatchWithASaveNoPlayerPlaysUnderIsRefusedWhole) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    const auto summary = submit(archive, {save("a.sav", "Ann", 10), save("z.sav", "Zed", 11)});
    EXPECT_FALSE(summary.committed);
    EXPECT_EQ(summary.outcomes[1].result, SubmitResult::Refused);
    EXPECT_EQ(summary.outcomes[1].message, "no player plays as 'Zed': name its player");
    EXPECT_EQ(open().round(1).submissions, 0u);

    SubmitOptions registering;
    registering.registerPlayers = true;
    const auto registered = submit(archive, {m_dir / "a.sav", m_dir / "z.sav"}, registering);
    ASSERT_TRUE(registered.committed);
    EXPECT_FALSE(registered.outcomes[0].newPlayer);
    EXPECT_TRUE(registered.outcomes[1].newPlayer);
    EXPECT_EQ(registered.outcomes[1].player, "Zed");
}

TEST_F(ArchiveTest, ANameTwoPlayersPlayUnderIsAskedAndNeverGuessed) {
    auto archive = open();
    const auto ann = archive.addPlayer("Ann", {}, kNow);
    const auto other = archive.addPlayer("Annette", std::vector<std::string>{"Ann"}, kNow);
    const auto path = save("a.sav", "Ann", 10);
    EXPECT_EQ(submit(archive, {path}).outcomes[0].message, "'Ann' is played by Ann and Annette: name its player");

    SubmitOptions asking;
    std::vector<std::string> asked;
    asking.choosePlayer = [&](const PlayerQuestion& question) -> std::optional<std::int64_t> {
        asked.push_back(question.nickName + " " + std::to_string(question.candidates.size()));
        return other + ann + 100;  // no candidate
    };
    EXPECT_FALSE(submit(archive, {path}, asking).committed);
    asking.choosePlayer = [&](const PlayerQuestion&) -> std::optional<std::int64_t> { return other; };
    const auto chosen = submit(archive, {path}, asking);
    ASSERT_TRUE(chosen.committed);
    EXPECT_EQ(chosen.outcomes[0].player, "Annette");
    EXPECT_EQ(asked, std::vector<std::string>{"Ann 2"});
}

TEST_F(ArchiveTest, TheSameFileTwiceIsOneSubmissionAndANewerSaveReplacesTheOneThatCounts) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    const auto first = save("a1.sav", "Ann", 10);
    ASSERT_TRUE(submit(archive, {first}).committed);
    const auto again = submit(archive, {first});
    ASSERT_TRUE(again.committed);
    EXPECT_EQ(again.outcomes[0].result, SubmitResult::AlreadyThere);
    EXPECT_EQ(again.outcomes[0].message, "the same file as submission 1: not added again");

    SubmitOptions later;
    later.receivedAt = kNow + 60;
    const auto newer = submit(archive, {save("a2.sav", "Ann", 20)}, later);
    EXPECT_EQ(newer.outcomes[0].supersedes, 1);
    const auto table = archive.roundTable(1);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0].id, 2);
    EXPECT_EQ(table.rows[0].place.standing, Standing::Provisional);
    EXPECT_EQ(table.rows[1].place.standing, Standing::Superseded);
    EXPECT_EQ(table.rows[1].place.supersededBy, 2);
}

TEST_F(ArchiveTest, ADamagedSaveIsKeptWhenItsPlayerIsNamed) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    auto bytes = ContentsOf(save("cut.sav", "Ann", 10));
    const auto cut = m_dir.write("cut.sav", bytes.substr(0, bytes.size() / 2));
    const auto refused = submit(archive, {cut});
    EXPECT_FALSE(refused.committed);
    EXPECT_TRUE(refused.outcomes[0].message.starts_with("cannot tell whose save it is (not a save file: "))
        << refused.outcomes[0].message;
    EXPECT_TRUE(refused.outcomes[0].message.ends_with("): name its player"));

    SubmitOptions named;
    named.player = "Ann";
    const auto kept = submit(archive, {cut}, named);
    ASSERT_TRUE(kept.committed);
    EXPECT_EQ(kept.failed(), 1u);
    const auto table = archive.roundTable(1);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].status, analysis::SaveStatus::Failed);
    EXPECT_EQ(table.rows[0].place.standing, Standing::Unscored);
}

TEST_F(ArchiveTest, AFileThatCannotBeReadRefusesTheWholeBatch) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    const auto summary = submit(archive, {save("a.sav", "Ann", 10), m_dir / "missing.sav"});
    EXPECT_FALSE(summary.committed);
    EXPECT_EQ(summary.outcomes[1].message, "No such file or directory");
    EXPECT_EQ(archive.round(1).submissions, 0u);
}

TEST_F(ArchiveTest, AnUploadIsStoredAndReadableByAnotherConnectionOnceItReturns) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    const auto bytes = ContentsOf(save("a.sav", "Ann", 10));
    const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
    const auto outcome = archive.submitUpload({1, "Ann", "upload.sav", data, kNow - 100, kNow, "server"});
    EXPECT_EQ(outcome.result, SubmitResult::Added);
    const auto reader = Archive::Open(m_path, OpenMode::ReadOnly);
    const auto records = reader.roundRecords(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].path, "upload.sav");
    EXPECT_EQ(records[0].nickName, "Ann");
}

TEST_F(ArchiveTest, RulingsAreKeptInOrderAndNeverChanged) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    ASSERT_TRUE(submit(archive, {save("a.sav", "Ann", 10)}).committed);
    EXPECT_THROW(archive.rule(1, RulingState::Rejected, "", "ref", kNow), ArchiveError);
    EXPECT_THROW(archive.rule(9, RulingState::Accepted, "", "ref", kNow), ArchiveError);
    archive.rule(1, RulingState::Rejected, "reloads", "ref", kNow);
    EXPECT_EQ(archive.roundTable(1).rows[0].place.standing, Standing::Rejected);
    archive.rule(1, RulingState::Accepted, "appeal granted", "chief", kNow + 1);
    const auto row = archive.roundTable(1).rows[0];
    EXPECT_EQ(row.place.standing, Standing::Counted);
    EXPECT_EQ(row.ruling->reason, "appeal granted");
    EXPECT_EQ(row.ruling->by, "chief");
    EXPECT_EQ(rawError(m_path, "UPDATE rulings SET reason = 'x'"), "rulings are never changed");
    EXPECT_EQ(rawError(m_path, "DELETE FROM submissions"), "submissions are never deleted");
}

TEST_F(ArchiveTest, APlayerIsComparedWithTheNameOfTheSaveThatStoodInTheirLastRound) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    archive.addRound(RoundInfo{2, "", {}, "", 0});
    archive.addRound(RoundInfo{3, "", {}, "", 0});
    const auto send = [&](int round, const char* file, const char* nick, std::int32_t turn, std::int64_t at) {
        SubmitOptions options;
        options.round = round;
        options.player = "Ann";
        options.receivedAt = at;
        ASSERT_TRUE(submit(archive, {save(file, nick, turn)}, options).committed);
    };
    send(1, "r1.sav", "Ann", 10, kNow);
    send(2, "annie.sav", "Annie", 20, kNow + 100);
    send(2, "ann.sav", "Ann", 21, kNow + 200);
    send(2, "anya.sav", "Anya", 22, kNow + 50);  // mailed, and received before the others: it never stood
    send(3, "r3.sav", "Anna", 30, kNow + 300);
    EXPECT_EQ(archive.roundTable(3).rows.at(0).flags, std::vector<std::string>{"plays as 'Anna', in round 2 as 'Ann'"});
    std::map<std::string, std::vector<std::string>> second;
    for (const auto& row : archive.roundTable(2).rows) second[row.fileName] = row.flags;
    EXPECT_EQ(second,
              (std::map<std::string, std::vector<std::string>>{{"ann", {}},
                                                               {"annie", {"plays as 'Annie', in round 1 as 'Ann'"}},
                                                               {"anya", {"plays as 'Anya', in round 1 as 'Ann'"}}}));
}

TEST_F(ArchiveTest, ChangingARoundsProfileJudgesItsSubmissionsAgain) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    ASSERT_TRUE(submit(archive, {save("a.sav", "Ann", 10)}).committed);
    EXPECT_EQ(archive.roundTable(1).rows[0].flags, std::vector<std::string>{});
    auto round = archive.round(1);
    round.profile.speed = 3;
    archive.changeRound(round);
    EXPECT_EQ(archive.roundTable(1).rows[0].flags, std::vector<std::string>{"speed Normal (tournament: Quick)"});
}

TEST_F(ArchiveTest, ARecordThisVersionCannotReadIsWalkedAgainFromTheStoredBytes) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    const auto path = save("a.sav", "Ann", 10);
    ASSERT_TRUE(submit(archive, {path}).committed);
    const auto stored = archive.roundRecords(1);
    // As a record of an encoding this version no longer reads would be.
    runRaw(m_path,
           "DROP TRIGGER submissions_are_kept; UPDATE submissions SET summary = x'51524330'; "
           "UPDATE records SET record = x'51524330'");
    const auto walked = Archive::Open(m_path, OpenMode::ReadOnly).roundRecords(1);
    ASSERT_EQ(walked.size(), 1u);
    EXPECT_EQ(walked[0].history, stored[0].history);
    EXPECT_EQ(walked[0].finalScore, stored[0].finalScore);
    EXPECT_EQ(walked[0].fileDate, analysis::AnalyseFile(path).fileDate);
    const auto report = archive.check();
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_TRUE(report.problems[0].starts_with("the record of submission 1 does not read (not an encoded record"))
        << report.problems[0];
}

TEST_F(ArchiveTest, CheckFindsAStoredFileThatNoLongerMatchesItsSha256) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    ASSERT_TRUE(submit(archive, {save("a.sav", "Ann", 10)}).committed);
    EXPECT_EQ(archive.check().problems, std::vector<std::string>{});
    runRaw(m_path, "UPDATE files SET bytes = zeroblob(size)");
    const auto report = archive.check();
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_TRUE(report.problems[0].ends_with(" does not match its SHA-256")) << report.problems[0];
}

TEST_F(ArchiveTest, ABackupHoldsTheSameSeason) {
    auto archive = open();
    archive.addPlayer("Ann", {}, kNow);
    ASSERT_TRUE(submit(archive, {save("a.sav", "Ann", 10)}).committed);
    const std::string copy = m_dir / "copy.qmt";
    archive.backup(copy);
    EXPECT_THROW(archive.backup(m_path), ArchiveError);
    const auto backup = Archive::Open(copy, OpenMode::ReadOnly);
    EXPECT_EQ(backup.check().problems, std::vector<std::string>{});
    EXPECT_EQ(backup.roundRecords(1).at(0).finalScore, archive.roundRecords(1).at(0).finalScore);
}

}  // namespace
}  // namespace quillmere::tournament

namespace quillmere::tournament {
namespace {

// A submission judged alone, against only what its flags depend on, gets exactly the flags and late
// mark that judging its whole round gives it: copies, save chains, the deadline and the season's.
TEST_F(ArchiveTest, ASubmissionJudgedAloneHasTheFlagsOfItsWholeRound) {
    auto archive = open();
    auto round = archive.round(1);
    ASSERT_TRUE(reload::SetStartDateText(round.profile.rules, "19-12-2005"));
    round.profile.deadlineDay = 3;
    archive.changeRound(round);
    archive.addRound(RoundInfo{2, "Winter", {}, "", 0});
    const auto write = [&](const std::string& file, const std::string& nick, std::int32_t turn, std::int32_t loads) {
        savewriter::SaveContent content;
        content.header.slots[0].name = nick;
        content.game.turn = turn;
        content.game.loadCount = loads;
        return m_dir.write(file, savewriter::BuildSave(content));
    };
    const auto as = [&](const std::string& player, std::int64_t receivedAt, int number = 1) {
        SubmitOptions options;
        options.round = number;
        options.player = player;
        options.registerPlayers = true;
        options.receivedAt = receivedAt;
        return options;
    };
    ASSERT_TRUE(submit(archive, {write("a1.sav", "Anna", 100, 9)}, as("Anna", kNow)).committed);
    ASSERT_TRUE(submit(archive, {write("a2.sav", "Anna", 150, 3)}, as("Anna", kNow + 3600)).committed);
    ASSERT_TRUE(submit(archive, {write("b1.sav", "Bob", 100, 9)}, as("Bob", kNow)).committed);
    ASSERT_TRUE(submit(archive, {write("c1.sav", "Cleo", 77, 1)}, as("Cleo", kNow + 5 * 86400)).committed);
    ASSERT_TRUE(submit(archive, {write("c2.sav", "Cleo", 60, 0)}, as("Cleo", kNow, 2)).committed);
    ASSERT_TRUE(submit(archive, {write("d1.sav", "Dima", 60, 0)}, as("Dima", kNow)).committed);

    std::string every;
    for (const int number : {1, 2}) {
        for (const auto& row : archive.roundTable(number).rows) {
            const auto alone = archive.judgedSubmission(row.id);
            EXPECT_EQ(alone.flags, row.flags) << row.fileName;
            EXPECT_EQ(alone.late, row.late) << row.fileName;
            EXPECT_EQ(alone.playerName, row.playerName);
            for (const auto& flag : row.flags) every += flag + "\n";
        }
    }
    // Every kind of flag was there to be found.
    for (const char* kind : {"same game data as b1", "load count 3 at turn 150, but 9 at turn 100 in a1",
                             "received on day 6 (deadline: day 3)", "in round 2"})
        EXPECT_NE(every.find(kind), std::string::npos) << kind << " not in:\n" << every;
}

}  // namespace
}  // namespace quillmere::tournament
