#include <gtest/gtest.h>
#include <sqlite3.h>

#include <set>

#include "savewriter/SaveContent.h"
#include "support/TempFolder.h"
#include "tournament/Archive.h"
#include "tournament/Sha256.h"
#include "tournament/Signing.h"

namespace quillmere::tournament {
namespace {

constexpr std::int64_t kNow = 1'135'000'000;

// The first column of the first row `sql` returns, read behind the archive's back.
std::string rawText(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::string text;
    sqlite3_exec(
        db, sql,
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) = values[0] ? values[0] : "NULL";
            return 0;
        },
        &text, nullptr);
    sqlite3_close(db);
    return text;
}

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

class ArchiveLinksTest : public testing::Test {
protected:
    void SetUp() override {
        auto archive = Archive::Create(m_path, "Cup", Scoring{}, kNow);
        archive.addRound(RoundInfo{1, "Opening", {}, "", 0});
        archive.addPlayer("Anna", {}, kNow);
        archive.addPlayer("Bob", {}, kNow);
    }

    Archive open() { return Archive::Open(m_path, OpenMode::ReadWrite); }

    testsupport::TempFolder m_dir{"links"};
    std::string m_path = m_dir / "season.qmt";
};

TEST_F(ArchiveLinksTest, ALinkIsKeptOnlyAsItsHashAndNamesItsHolder) {
    auto archive = open();
    const std::string anna = archive.addLink("Anna", kNow);
    const std::string referee = archive.addLink(std::nullopt, kNow);
    ASSERT_EQ(anna.size(), 64u);
    EXPECT_EQ(anna.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(anna, referee);

    const auto holder = archive.linkHolder(anna);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->playerName, "Anna");
    EXPECT_FALSE(holder->referee());
    EXPECT_TRUE(archive.linkHolder(referee)->referee());

    const std::string stored = rawText(m_path, "SELECT group_concat(hex(token_sha256)) FROM links");
    EXPECT_EQ(stored.find(anna), std::string::npos);
    const auto digest = Sha256({reinterpret_cast<const std::uint8_t*>(anna.data()), anna.size()});
    std::string upper = HexText(digest);
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(stored.find(upper), std::string::npos);
}

TEST_F(ArchiveLinksTest, OnlyTheExactTokenOfALiveLinkIsKnown) {
    auto archive = open();
    const std::string anna = archive.addLink("Anna", kNow);
    std::string flipped = anna;
    flipped[10] = flipped[10] == 'a' ? 'b' : 'a';
    for (const auto& wrong : {std::string(), anna.substr(0, 63), anna + "0", flipped, std::string(64, '0')})
        EXPECT_FALSE(archive.linkHolder(wrong)) << wrong;

    const std::string bob = archive.addLink("Bob", kNow);
    EXPECT_EQ(archive.revokeLinks("Anna", kNow + 1), 1);
    EXPECT_FALSE(archive.linkHolder(anna));
    EXPECT_TRUE(archive.linkHolder(bob));
    EXPECT_EQ(archive.revokeLinks("Anna", kNow + 2), 0);
    // A new link after a revocation works; the revoked one stays revoked.
    const std::string again = archive.addLink("Anna", kNow + 3);
    EXPECT_TRUE(archive.linkHolder(again));
    EXPECT_FALSE(archive.linkHolder(anna));
}

TEST_F(ArchiveLinksTest, RevokingTheRefereesLinksLeavesThePlayersAlone) {
    auto archive = open();
    const std::string referee = archive.addLink(std::nullopt, kNow);
    const std::string anna = archive.addLink("Anna", kNow);
    EXPECT_EQ(archive.revokeLinks(std::nullopt, kNow), 1);
    EXPECT_FALSE(archive.linkHolder(referee));
    EXPECT_TRUE(archive.linkHolder(anna));
}

TEST_F(ArchiveLinksTest, ALinkForAnUnknownPlayerIsRefused) {
    auto archive = open();
    for (const auto& attempt : {std::function<void()>([&] { (void)archive.addLink("Nobody", kNow); }),
                                std::function<void()>([&] { (void)archive.revokeLinks("Nobody", kNow); })}) {
        try {
            attempt();
            ADD_FAILURE() << "accepted";
        } catch (const ArchiveError& error) {
            EXPECT_EQ(error.problem(), ArchiveProblem::Refused);
            EXPECT_EQ(std::string(error.what()), m_path + ": there is no player named 'Nobody'");
        }
    }
    EXPECT_EQ(rawText(m_path, "SELECT count(*) FROM links"), "0");
}

TEST_F(ArchiveLinksTest, TheSigningKeyIsMadeOnceAndSigns) {
    SigningKey first;
    {
        auto archive = open();
        first = archive.signingKey(kNow);
    }
    const auto second = open().signingKey(kNow + 100);
    EXPECT_EQ(first.publicKey, second.publicKey);
    const auto signature = SignMessage("receipt", second.secretKey);
    EXPECT_TRUE(VerifySignature("receipt", signature, first.publicKey));
    EXPECT_FALSE(VerifySignature("receipt!", signature, first.publicKey));
    auto damaged = signature;
    damaged[0] ^= 1;
    EXPECT_FALSE(VerifySignature("receipt", damaged, first.publicKey));
}

TEST_F(ArchiveLinksTest, TheFirstReceiptOfASubmissionIsTheOneKept) {
    auto archive = open();
    savewriter::SaveContent content;
    content.header.slots[0].name = "Anna";
    const auto bytes = savewriter::BuildSave(content);
    Upload upload{1, "Anna", "a.sav", bytes, kNow, kNow, "test"};
    const auto outcome = archive.submitUpload(upload);
    ASSERT_EQ(outcome.result, SubmitResult::Added);
    EXPECT_FALSE(archive.receipt(outcome.submission));
    const auto key = archive.signingKey(kNow);
    StoredReceipt receipt{outcome.submission, "first", SignMessage("first", key.secretKey)};
    EXPECT_EQ(archive.keepReceipt(receipt).body, "first");
    StoredReceipt later{outcome.submission, "second", SignMessage("second", key.secretKey)};
    const auto kept = archive.keepReceipt(later);
    EXPECT_EQ(kept.body, "first");
    EXPECT_EQ(kept.signature, receipt.signature);
    EXPECT_EQ(archive.receipt(outcome.submission)->body, "first");
    try {
        (void)archive.keepReceipt(StoredReceipt{999, "x", {}});
        ADD_FAILURE() << "kept a receipt of no submission";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.problem(), ArchiveProblem::Refused);
    }
}

TEST_F(ArchiveLinksTest, AnUploadsReceiptIsKeptInItsTransactionOrNothingIs) {
    auto archive = open();
    savewriter::SaveContent content;
    content.header.slots[0].name = "Anna";
    const auto bytes = savewriter::BuildSave(content);
    Upload upload{1, "Anna", "a.sav", bytes, kNow, kNow, "test"};
    upload.receipt = [](const Archive& stored, std::int64_t) -> StoredReceipt {
        // The submission is there for the receipt to describe, though not yet committed.
        EXPECT_EQ(stored.roundTable(1).rows.size(), 1u);
        throw std::runtime_error("no receipt");
    };
    EXPECT_THROW((void)archive.submitUpload(upload), std::runtime_error);
    EXPECT_EQ(archive.roundTable(1).rows.size(), 0u);

    upload.receipt = [](const Archive&, std::int64_t submission) {
        return StoredReceipt{submission, "signed text", {}};
    };
    const auto outcome = archive.submitUpload(upload);
    ASSERT_EQ(outcome.result, SubmitResult::Added);
    EXPECT_EQ(archive.receipt(outcome.submission)->body, "signed text");
    // The same file again makes no new receipt.
    upload.receipt = [](const Archive&, std::int64_t) -> StoredReceipt { throw std::runtime_error("asked again"); };
    EXPECT_EQ(archive.submitUpload(upload).result, SubmitResult::AlreadyThere);
}

TEST_F(ArchiveLinksTest, AnUnreadableUploadIsRefusedWithTheCoresMessageWhenAsked) {
    auto archive = open();
    savewriter::SaveContent content;
    content.header.slots[0].name = "Anna";
    auto bytes = savewriter::BuildSave(content);
    bytes.resize(bytes.size() / 2);
    Upload upload{1, "Anna", "cut.sav", bytes, kNow, kNow, "test"};
    upload.refuseUnreadable = true;
    const auto refused = archive.submitUpload(upload);
    EXPECT_EQ(refused.result, SubmitResult::Refused);
    EXPECT_EQ(refused.failure, "not a save file: no game data found");
    EXPECT_EQ(archive.roundTable(1).rows.size(), 0u);
    // Without the option it is kept as a failed submission, as quillmere-tournament submit keeps one.
    upload.refuseUnreadable = false;
    const auto kept = archive.submitUpload(upload);
    EXPECT_EQ(kept.result, SubmitResult::Added);
    EXPECT_EQ(kept.failure, refused.failure);
}

// What the second schema's archives lack: the round's and the tournament's settings of the third.
constexpr const char* kToSchema2 =
    "ALTER TABLE rounds DROP COLUMN accepts_late; ALTER TABLE tournament DROP COLUMN standings_public; "
    "PRAGMA user_version = 2";

TEST_F(ArchiveLinksTest, AnArchiveOfTheFirstSchemaIsBroughtUpToDateAndKeepsItsData) {
    runRaw(m_path, "DROP TABLE links; DROP TABLE receipts; DROP TABLE signing_key");
    runRaw(m_path, kToSchema2);
    runRaw(m_path, "PRAGMA user_version = 1");
    try {
        (void)Archive::Open(m_path, OpenMode::ReadOnly);
        ADD_FAILURE() << "a first-schema archive opened for reading only";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.problem(), ArchiveProblem::ReadOnly);
    }
    auto archive = open();
    EXPECT_EQ(rawText(m_path, "PRAGMA user_version"), "3");
    EXPECT_EQ(archive.players().size(), 2u);
    EXPECT_TRUE(archive.linkHolder(archive.addLink("Bob", kNow)));
}

TEST_F(ArchiveLinksTest, AnArchiveOfTheSecondSchemaIsReadAsItLiesAndBroughtUpToDateInOneStep) {
    {
        auto archive = open();
        savewriter::SaveContent content;
        content.header.slots[0].name = "Anna";
        const auto bytes = savewriter::BuildSave(content);
        (void)archive.submitUpload({1, "Anna", "anna.sav", bytes, kNow, kNow, "test"});
        archive.publishStandings(true);
        auto round = archive.round(1);
        round.acceptsLate = true;
        archive.changeRound(round);
    }
    runRaw(m_path, kToSchema2);
    const auto table = Archive::Open(m_path, OpenMode::ReadOnly).roundTable(1);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_FALSE(table.round.acceptsLate);
    EXPECT_FALSE(Archive::Open(m_path, OpenMode::ReadOnly).standingsPublic());
    EXPECT_EQ(rawText(m_path, "PRAGMA user_version"), "2");

    // A migration that fails half way (its second step) leaves the file as it was.
    runRaw(m_path, "ALTER TABLE tournament ADD COLUMN standings_public INTEGER");
    EXPECT_THROW((void)open(), ArchiveError);
    EXPECT_EQ(rawText(m_path, "PRAGMA user_version"), "2");
    EXPECT_EQ(rawText(m_path, "SELECT count(*) FROM pragma_table_info('rounds') WHERE name = 'accepts_late'"), "0");
    runRaw(m_path, "ALTER TABLE tournament DROP COLUMN standings_public");

    auto archive = open();
    EXPECT_EQ(rawText(m_path, "PRAGMA user_version"), "3");
    EXPECT_EQ(archive.roundTable(1).rows.front().id, table.rows.front().id);
    EXPECT_FALSE(archive.round(1).acceptsLate);
    EXPECT_FALSE(archive.standingsPublic());
    archive.publishStandings(true);
    EXPECT_TRUE(Archive::Open(m_path, OpenMode::ReadOnly).standingsPublic());
}

}  // namespace
}  // namespace quillmere::tournament
