#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "savewriter/SampleGames.h"
#include "savewriter/SaveContent.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using quillmere::testsupport::ContentsOf;
using quillmere::testsupport::TempFolder;

struct Outcome {
    int status = -1;  // the exit status, -1 when killed
    std::string out;
    std::string err;
    double seconds = 0;
};

struct ChildSetup {
    std::optional<rlim_t> fileSizeLimit;  // RLIMIT_FSIZE: writes past it fail with EFBIG
    // Run as "nobody" when the tests run as root, whom file permissions do not stop.
    bool unprivileged = false;
};

// The program in a child process of its own, its output in two files. Everything the child does
// between fork and exec is async-signal-safe.
class Child {
public:
    Child(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
          const ChildSetup& setup = {})
        : m_out(folder + "/child-" + std::to_string(s_count) + ".out"),
          m_err(folder + "/child-" + std::to_string(s_count) + ".err") {
        ++s_count;
        std::vector<std::string> texts = {program};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& text : texts) argv.push_back(text.data());
        argv.push_back(nullptr);
        const int out = ::open(m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        const int err = ::open(m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const bool dropRoot = setup.unprivileged && ::geteuid() == 0;
        m_start = Clock::now();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (setup.fileSizeLimit) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{*setup.fileSizeLimit, *setup.fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (dropRoot && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(126);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out);
        ::close(err);
        ::close(in);
    }

    void kill() const { ::kill(m_pid, SIGKILL); }

    Outcome wait() {
        int raw = 0;
        ::waitpid(m_pid, &raw, 0);
        Outcome outcome;
        outcome.seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ContentsOf(m_out);
        outcome.err = ContentsOf(m_err);
        return outcome;
    }

private:
    static inline int s_count = 0;
    std::string m_out;
    std::string m_err;
    pid_t m_pid = -1;
    Clock::time_point m_start;
};

void writeSaves(const fs::path& folder, const std::vector<quillmere::savewriter::ExampleSave>& saves) {
    fs::create_directories(folder);
    for (const auto& save : saves) {
        const auto path = (folder / save.fileName).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(save.bytes.data()), static_cast<std::streamsize>(save.bytes.size()));
        const std::time_t when = quillmere::savewriter::UploadTimeOf(save);
        const utimbuf times{when, when};
        ::utime(path.c_str(), &times);
    }
}

class TournamentCommand : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_batch = new TempFolder("tournament-batch");
        // Enough small saves, each its own game, for a submit that lasts long enough to be killed in.
        for (int i = 0; i < kBatchSaves; ++i) {
            auto sketch = quillmere::savewriter::SmallGame(100 + i % 50);
            sketch.name = "Batch";
            sketch.seed = static_cast<std::uint32_t>(1000 + i);
            sketch.messagesPerPlayer = 40;
            const auto bytes = quillmere::savewriter::BuildSave(quillmere::savewriter::MakeGame(sketch));
            s_batch->write("batch" + std::to_string(1000 + i) + ".sav", bytes);
        }
    }
    static void TearDownTestSuite() {
        delete s_batch;
        s_batch = nullptr;
    }

    Outcome run(const std::vector<std::string>& arguments, const ChildSetup& setup = {}) const {
        return Child(QUILLMERE_TOURNAMENT_PROGRAM, arguments, m_dir.path().string(), setup).wait();
    }
    Outcome report(const std::vector<std::string>& arguments) const {
        return Child(QUILLMERE_REPORT_PROGRAM, arguments, m_dir.path().string()).wait();
    }
    Outcome must(const std::vector<std::string>& arguments) const {
        auto outcome = run(arguments);
        EXPECT_EQ(outcome.status, 0) << arguments.front() << ": " << outcome.err;
        return outcome;
    }

    // The example season's saves and profiles under roundN/.
    void writeSeason() const {
        for (const auto& round : quillmere::savewriter::SeasonRounds()) {
            const auto folder = m_dir.path() / ("round" + std::to_string(round.number));
            writeSaves(folder / "saves", round.saves);
            if (!round.mailed.empty()) writeSaves(folder / "mail", round.mailed);
            std::ofstream(folder / "profile.json") << round.profile;
        }
    }
    std::string in(const std::string& name) const { return m_dir / name; }

    // An archive with one round, its saves from the batch folder, and a copy of it to start from.
    std::string batchArchive() const {
        must({"new", m_archive, "--name", "Batch Cup"});
        must({"round", m_archive, "add", "1"});
        must({"player", m_archive, "add", "Batch"});
        return m_archive;
    }
    std::vector<std::string> batchSubmit(const std::string& archive) const {
        return {"submit", archive, "--round", "1", "-j2", "--received", "2005-12-01 12:00", s_batch->path().string()};
    }
    std::size_t submissionsIn(const std::string& archive, int round) const {
        const auto outcome = run({"standings", archive, "--round", std::to_string(round), "--format", "json"});
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        return nlohmann::json::parse(outcome.out, nullptr, false).value("submissions", nlohmann::json::array()).size();
    }

    static constexpr int kBatchSaves = 400;
    static inline TempFolder* s_batch = nullptr;
    TempFolder m_dir{"tournament-command"};
    std::string m_archive = m_dir / "season.qmt";
};

TEST_F(TournamentCommand, TheExampleSeasonGivesTheStandingsAndFlagsARefereeExpects) {
    writeSeason();
    must({"new", m_archive, "--name", "Example Season"});
    for (const auto* round : {"1", "2", "3"})
        must({"round", m_archive, "add", round, "--profile", in("round" + std::string(round) + "/profile.json")});
    must({"submit", m_archive, "--round", "1", "--register", "--received", "2005-12-26 20:00", in("round1/saves")});
    const auto carl = must({"submit", m_archive, "--round", "1", "--player", "Carl", "--register", "--received",
                            "2005-12-26 20:00", in("round1/saves/Carl-round1.sav")});
    EXPECT_EQ(carl.out, "submission 8: " + in("round1/saves/Carl-round1.sav") +
                            " (Carl, registered now, round 1); the same file as submission 4 (round 1, player Bea)\n");
    must({"submit", m_archive, "--round", "2", "--received", "2006-01-30 20:00", in("round2/saves")});
    must({"submit", m_archive, "--round", "2", "--received", "2006-02-03 09:00", in("round2/mail")});
    const auto renamed =
        run({"submit", m_archive, "--round", "3", "--received", "2006-03-02 18:00", in("round3/saves")});
    EXPECT_EQ(renamed.status, 2);
    EXPECT_EQ(renamed.err, in("round3/saves/Dima.sav") +
                               ": no player plays as 'Dima': name its player with --player NAME\n"
                               "quillmere-tournament: nothing was added: 1 of 6 saves refused\n");
    must({"player", m_archive, "plays-as", "Dmitri", "Dima"});
    must({"submit", m_archive, "--round", "3", "--received", "2006-03-02 18:00", in("round3/saves")});
    must({"rule", m_archive, "8", "disqualify", "--reason", "sent Bea's save as his own"});
    must({"rule", m_archive, "19", "reject", "--reason", "the same game as round 2"});
    for (const auto* accepted : {"3", "4", "5", "6", "7", "9", "10", "11", "12", "13", "14"})
        must({"rule", m_archive, accepted, "accept"});

    const auto flagged = run({"standings", m_archive, "--flags-only"});
    EXPECT_EQ(flagged.status, 3);
    EXPECT_EQ(flagged.out,
              "round 1, submission 3 (Anna, Anna-t200): load count 5 at turn 200, but 8 at turn 150 in Anna-t150\n"
              "round 1, submission 4 (Bea, Bea-round1): same game data as Carl-round1, saved after this one\n"
              "round 1, submission 5 (Dmitri, Dmitri): speed Quick (tournament: Normal)\n"
              "round 1, submission 6 (Eve, Eve): saved on day 33 (deadline: day 30)\n"
              "round 2, submission 14 (Frank, Frank-r2): received on day 34 (deadline: day 30)\n"
              "round 3, submission 18 (Dmitri, Dima): plays as 'Dima', in round 2 as 'Dmitri'\n");

    // Each player's total is the sum of the Final scores of what counts for them, round by round.
    std::map<std::string, std::map<int, std::int64_t>> counted;
    for (int round = 1; round <= 3; ++round) {
        const auto table = nlohmann::json::parse(
            must({"standings", m_archive, "--round", std::to_string(round), "--format", "json"}).out);
        for (const auto& row : table["submissions"]) {
            const std::string standing = row["standing"];
            if (standing == "counted" || standing == "provisional") counted[row["player"]][round] = row["final_score"];
        }
    }
    EXPECT_EQ(counted["Carl"].count(1), 0u);  // disqualified
    EXPECT_EQ(counted["Eve"].count(3), 0u);   // rejected
    EXPECT_EQ(counted["Anna"].size(), 3u);
    const auto season = nlohmann::json::parse(must({"standings", m_archive, "--format", "json"}).out);
    ASSERT_EQ(season["standings"].size(), 6u);
    std::int64_t previous = std::numeric_limits<std::int64_t>::max();
    for (const auto& line : season["standings"]) {
        std::int64_t sum = 0;
        for (const auto& [round, score] : counted[line["player"]]) sum += score;
        EXPECT_EQ(line["total"], sum) << line["player"];
        EXPECT_LE(line["total"].get<std::int64_t>(), previous);
        previous = line["total"];
        // Round 3 is not ruled on, so only Eve, whose round 3 was rejected, stands final.
        EXPECT_EQ(line["provisional"], line["player"] != "Eve") << line["player"];
    }
    const auto round3 = must({"export", m_archive, "--round", "3", "--format", "csv"}).out;
    EXPECT_NE(round3.find("plays as 'Dima', in round 2 as 'Dmitri'"), std::string::npos);
}

struct ExportCase {
    const char* name;
    std::vector<std::string> options;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ExportCase& c, std::ostream* out) { *out << c.name; }

class ExportFormats : public TournamentCommand, public testing::WithParamInterface<ExportCase> {};

TEST_P(ExportFormats, WriteWhatQuillmereReportWritesForTheSameSavesAndProfile) {
    writeSeason();
    must({"new", m_archive, "--name", "Cup"});
    must({"round", m_archive, "add", "2", "--profile", in("round2/profile.json")});
    must({"submit", m_archive, "--round", "2", "--register", "--received", "2006-01-30 20:00", in("round2/saves")});
    std::vector<std::string> exporting = {"export", m_archive, "--round", "2", "-o", in("exported")};
    std::vector<std::string> reporting = {"--profile", in("round2/profile.json"), "-o", in("reported")};
    for (const auto& option : GetParam().options) {
        exporting.push_back(option);
        reporting.push_back(option);
    }
    reporting.push_back(in("round2/saves"));
    must(exporting);
    ASSERT_EQ(report(reporting).status, 0);
    EXPECT_FALSE(ContentsOf(in("reported")).empty());
    EXPECT_EQ(ContentsOf(in("exported")), ContentsOf(in("reported")));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportFormats,
    testing::Values(ExportCase{"ResultsFile", {}},
                    ExportCase{"ResultsFileInUtf8WithCommas", {"--encoding", "utf-8", "--decimal-separator", ","}},
                    ExportCase{"Csv", {"--format", "csv"}}, ExportCase{"Json", {"--format", "json"}},
                    ExportCase{"JsonWithoutHistories", {"--format", "json", "--no-histories"}},
                    ExportCase{"HtmlByFinalScore", {"--format", "html", "--sort", "final"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(TournamentCommand, NamesFromSavesStayDataInEveryStandingsFormat) {
    quillmere::savewriter::SaveContent content;
    content.header.slots[0].name = "=HYPERLINK(\"x\")<script>\x1b[2J";
    const auto path = m_dir.write("hostile.sav", quillmere::savewriter::BuildSave(content));
    must({"new", m_archive, "--name", "Cup <b>"});
    must({"round", m_archive, "add", "1"});
    must({"submit", m_archive, "--round", "1", "--register", path});
    const auto text = must({"standings", m_archive}).out;
    EXPECT_NE(text.find("<script>\\x1b[2J"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    const auto csv = must({"standings", m_archive, "--format", "csv"}).out;
    EXPECT_NE(csv.find(",\"'=HYPERLINK(\"\"x\"\")<script>\x1b[2J\","), std::string::npos) << csv;
    const auto html = must({"standings", m_archive, "--round", "1", "--format", "html"}).out;
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("=HYPERLINK(&quot;x&quot;)&lt;script&gt;"), std::string::npos);
    EXPECT_NE(html.find("<title>Cup &lt;b&gt;: round 1, Round 1</title>"), std::string::npos);
    const auto json = nlohmann::json::parse(must({"standings", m_archive, "--format", "json"}).out);
    EXPECT_EQ(json["standings"][0]["player"], "=HYPERLINK(\"x\")<script>\x1b[2J");
}

TEST_F(TournamentCommand, AKillAtAnyMomentOfASubmitLeavesAllOfItOrNone) {
    const auto base = batchArchive();
    const std::string trial = in("trial.qmt");
    fs::copy_file(base, trial);
    const auto whole = run(batchSubmit(trial));
    ASSERT_EQ(whole.status, 0) << whole.err;
    ASSERT_EQ(submissionsIn(trial, 1), static_cast<std::size_t>(kBatchSaves));
    int killedMidway = 0;
    for (int eighth = 1; eighth <= 7; ++eighth) {
        const std::string copy = in("killed" + std::to_string(eighth) + ".qmt");
        fs::copy_file(base, copy);
        Child submit(QUILLMERE_TOURNAMENT_PROGRAM, batchSubmit(copy), m_dir.path().string());
        std::this_thread::sleep_for(std::chrono::duration<double>(whole.seconds * eighth / 8));
        submit.kill();
        const auto outcome = submit.wait();
        killedMidway += outcome.status == -1 ? 1 : 0;
        const auto check = run({"check", copy});
        EXPECT_EQ(check.status, 0) << check.err;
        const auto held = submissionsIn(copy, 1);
        EXPECT_TRUE(held == 0 || held == static_cast<std::size_t>(kBatchSaves)) << held << " after " << eighth << "/8";
    }
    EXPECT_GE(killedMidway, 3);
}

TEST_F(TournamentCommand, ABackupWhileASubmitWritesIsAConsistentCopy) {
    const auto archive = batchArchive();
    const std::string copy = in("copy.qmt");
    Child submit(QUILLMERE_TOURNAMENT_PROGRAM, batchSubmit(archive), m_dir.path().string());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    must({"backup", archive, copy});
    EXPECT_EQ(submit.wait().status, 0);
    EXPECT_EQ(run({"check", copy}).status, 0);
    const auto held = submissionsIn(copy, 1);
    EXPECT_TRUE(held == 0 || held == static_cast<std::size_t>(kBatchSaves)) << held;
    EXPECT_EQ(submissionsIn(archive, 1), static_cast<std::size_t>(kBatchSaves));
}

TEST_F(TournamentCommand, AFullDiskFailsTheSubmitWithItsReasonAndLeavesTheArchiveAsItWas) {
    const auto archive = batchArchive();
    must({"submit", archive, "--round", "1", "--received", "2005-12-01 12:00", s_batch->path() / "batch1000.sav"});
    const auto before = must({"standings", archive, "--round", "1", "--format", "json"}).out;
    ChildSetup tight;
    tight.fileSizeLimit = static_cast<rlim_t>(fs::file_size(archive) + 256 * 1024);
    const auto full = run(batchSubmit(archive), tight);
    EXPECT_EQ(full.status, 2);
    EXPECT_TRUE(
        full.err.starts_with("quillmere-tournament: " + archive + ": cannot write the archive: no room for it ("))
        << full.err;
    EXPECT_NE(full.err.find("File too large"), std::string::npos) << full.err;
    EXPECT_EQ(run({"check", archive}).status, 0);
    EXPECT_EQ(must({"standings", archive, "--round", "1", "--format", "json"}).out, before);
}

TEST_F(TournamentCommand, AReadOnlyArchiveRefusesEveryWriteNamingItAndServesEveryRead) {
    const auto archive = batchArchive();
    must({"submit", archive, "--round", "1", "--received", "2005-12-01 12:00", s_batch->path() / "batch1000.sav"});
    const fs::path folder = m_dir.path() / "read-only";
    fs::create_directory(folder);
    const std::string copy = (folder / "season.qmt").string();
    fs::copy_file(archive, copy);
    const fs::path writable = m_dir.path() / "writable";
    fs::create_directory(writable);
    fs::permissions(writable, fs::perms::all);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string bytes = ContentsOf(copy);
    ChildSetup nobody;
    nobody.unprivileged = true;
    for (const auto& write : std::vector<std::vector<std::string>>{
             {"player", copy, "add", "Zed"},
             {"round", copy, "add", "2"},
             {"rule", copy, "1", "accept"},
             {"submit", copy, "--round", "1", "--player", "Batch", s_batch->path() / "batch1001.sav"}}) {
        const auto refused = run(write, nobody);
        EXPECT_EQ(refused.status, 2) << write.front();
        EXPECT_EQ(refused.err,
                  "quillmere-tournament: " + copy +
                      ": the archive cannot be written (Permission denied; commands that only read it work)\n");
    }
    for (const auto& read : std::vector<std::vector<std::string>>{{"standings", copy},
                                                                  {"standings", copy, "--round", "1"},
                                                                  {"export", copy, "--round", "1", "--format", "json"},
                                                                  {"check", copy},
                                                                  {"backup", copy, (writable / "copy.qmt").string()}}) {
        const auto served = run(read, nobody);
        EXPECT_EQ(served.status, 0) << read.front() << ": " << served.err;
        EXPECT_FALSE(served.out.empty());
    }
    EXPECT_EQ(ContentsOf(copy), bytes);
    EXPECT_EQ(fs::directory_iterator(folder) == fs::directory_iterator(), false);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

struct DamageCase {
    const char* name;
    std::function<void(const std::string& path)> damage;
    const char* standingsError;  // what the reading command says, when it cannot read
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }

class DamagedArchive : public TournamentCommand, public testing::WithParamInterface<DamageCase> {};

void runSql(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void resize(const std::string& path, std::uintmax_t size) { fs::resize_file(path, size); }

TEST_P(DamagedArchive, IsNamedWithItsProblemAndNothingIsWritten) {
    const auto archive = batchArchive();
    std::vector<std::string> few = {"submit", archive, "--round", "1", "--received", "2005-12-01 12:00"};
    for (int i = 0; i < 20; ++i) few.push_back(s_batch->path() / ("batch" + std::to_string(1000 + i) + ".sav"));
    must(few);
    GetParam().damage(archive);
    const std::string bytes = ContentsOf(archive);
    const auto check = run({"check", archive});
    EXPECT_NE(check.status, 0);
    EXPECT_NE(check.err.find(archive + ": "), std::string::npos) << check.err;
    // Damage that leaves the file readable is for check to find; any other stops every command.
    if (*GetParam().standingsError != '\0') {
        const auto standings = run({"standings", archive, "--round", "1"});
        EXPECT_EQ(standings.status, 2);
        EXPECT_TRUE(standings.err.starts_with("quillmere-tournament: " + archive + ": " + GetParam().standingsError))
            << standings.err;
        const auto write = run({"player", archive, "add", "Zed"});
        EXPECT_EQ(write.status, 2);
        EXPECT_TRUE(write.err.starts_with("quillmere-tournament: " + archive + ": ")) << write.err;
    }
    EXPECT_TRUE(ContentsOf(archive) == bytes) << "the archive changed";
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedArchive,
    testing::Values(
        DamageCase{"CutToNothing", [](const std::string& p) { resize(p, 0); },
                   "not a tournament archive (an empty file)"},
        DamageCase{"CutInItsHeader", [](const std::string& p) { resize(p, 60); },
                   "the archive is damaged (database disk image is malformed)"},
        DamageCase{"NotEvenItsHeader", [](const std::string& p) { std::ofstream(p) << std::string(9000, 'x'); },
                   "not a tournament archive (file is not a database)"},
        DamageCase{"CutInHalf", [](const std::string& p) { resize(p, fs::file_size(p) / 2); },
                   "the archive is damaged (database disk image is malformed"},
        DamageCase{"GarbledInItsMiddle",
                   [](const std::string& p) {
                       std::fstream file(p, std::ios::in | std::ios::out | std::ios::binary);
                       file.seekp(static_cast<std::streamoff>(fs::file_size(p) / 2));
                       const std::string junk(8192, '\xA5');
                       file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
                   },
                   ""},
        DamageCase{"FromANewerVersion", [](const std::string& p) { runSql(p, "PRAGMA user_version = 99"); },
                   "made by a newer version of Quillmere (archive schema 99; this version reads schemas up to 3)"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(TournamentCommand, ASecondWriterWaitsABoundedTimeWhileReadersGoOn) {
    const auto archive = batchArchive();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(archive.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto busy = run({"player", archive, "add", "Zed", "--wait", "1"});
    EXPECT_EQ(busy.status, 2);
    EXPECT_EQ(busy.err, "quillmere-tournament: " + archive +
                            ": the archive is busy: another program kept it locked for 1 s (database is locked)\n");
    EXPECT_GE(busy.seconds, 0.9);
    EXPECT_LT(busy.seconds, 5.0);
    EXPECT_EQ(run({"standings", archive, "--wait", "1"}).status, 0);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    must({"player", archive, "add", "Zed", "--wait", "1"});
}

TEST_F(TournamentCommand, TwoSubmitsAtOnceBothLandWhole) {
    const auto archive = batchArchive();
    must({"player", archive, "add", "Other"});
    Child first(QUILLMERE_TOURNAMENT_PROGRAM, batchSubmit(archive), m_dir.path().string());
    Child second(QUILLMERE_TOURNAMENT_PROGRAM,
                 {"submit", archive, "--round", "1", "--player", "Other", s_batch->path() / "batch1000.sav"},
                 m_dir.path().string());
    EXPECT_EQ(first.wait().status, 0);
    EXPECT_EQ(second.wait().status, 0);
    EXPECT_EQ(submissionsIn(archive, 1), static_cast<std::size_t>(kBatchSaves) + 1);
    EXPECT_EQ(run({"check", archive}).status, 0);
}

TEST_F(TournamentCommand, EveryCommandHasItsHelpAndAMistakeSaysWhatToTry) {
    for (const auto* command : {"new", "round", "player", "submit", "rule", "standings", "export", "check", "backup"}) {
        const auto help = run({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.starts_with("Usage: quillmere-tournament " + std::string(command))) << help.out;
    }
    EXPECT_TRUE(must({"--help"}).out.starts_with("Usage: quillmere-tournament COMMAND FILE"));
    const auto wrong = run({"standings", m_archive, "--reason", "x"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err,
              "quillmere-tournament: standings takes no option --reason\nTry 'quillmere-tournament --help'.\n");
    const auto missing = run({"standings", in("none.qmt")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "quillmere-tournament: " + in("none.qmt") + ": cannot open the archive (No such file or directory)\n");
}

}  // namespace
