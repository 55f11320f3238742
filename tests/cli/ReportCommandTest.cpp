#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <tuple>

#include "savewriter/SampleGames.h"
#include "savewriter/SaveContent.h"
#include "support/TempFolder.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

using quillmere::testsupport::ContentsOf;

// Runs the built quillmere-report in a temporary folder of saves.
class ReportCommand : public testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir / name; }

    // A save that the analysis loads, with its turn set.
    std::string writeSave(const std::string& name, std::int32_t turn) const {
        quillmere::savewriter::SaveContent content;
        content.game.turn = turn;
        return writeBytes(name, quillmere::savewriter::BuildSave(content));
    }
    std::string writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return m_dir.write(name, bytes);
    }

    Outcome run(const std::vector<std::string>& arguments, const std::string& input = "/dev/null") const {
        std::string command = "'" QUILLMERE_REPORT_PROGRAM "'";
        for (const auto& argument : arguments) command += " '" + argument + "'";
        command += " >'" + path("stdout") + "' 2>'" + path("stderr") + "' <'" + input + "'";
        const int raw = std::system(command.c_str());
        Outcome outcome;
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ContentsOf(path("stdout"));
        outcome.err = ContentsOf(path("stderr"));
        return outcome;
    }

    // Starts the built quillmere-report with its output into files of the folder, SIGINT and SIGTERM
    // at their defaults whatever this process does with them; returns its process id.
    pid_t start(const std::vector<std::string>& arguments) const {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, path("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&files, STDERR_FILENO, path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attributes, &signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        posix_spawnattr_setsigdefault(&attributes, &signals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        std::vector<std::string> words{QUILLMERE_REPORT_PROGRAM};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t child = -1;
        EXPECT_EQ(::posix_spawn(&child, QUILLMERE_REPORT_PROGRAM, &files, &attributes, argv.data(), environ), 0);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&files);
        return child;
    }
    static int waitFor(pid_t child) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    }

    // The "File Name" cell of every row after the header.
    static std::vector<std::string> fileNamesOf(const std::string& text) {
        std::vector<std::string> names;
        for (std::size_t line = text.find("\r\n"); line != std::string::npos; line = text.find("\r\n", line + 2)) {
            const auto start = text.find("; ", line) + 2;
            names.push_back(text.substr(start, text.find("; ", start) - start));
        }
        return names;
    }

    quillmere::testsupport::TempFolder m_dir{"report"};
};

TEST_F(ReportCommand, WritesTheSameBytesToStandardOutputAndToAFile) {
    const auto b = writeSave("b.sav", 30);
    const auto a = writeSave("A.sav", 20);

    const auto printed = run({b, a});
    EXPECT_EQ(printed.status, 0);
    EXPECT_EQ(printed.err, "");
    EXPECT_TRUE(printed.out.starts_with("\xB9; File Name; NickName;"));
    EXPECT_FALSE(printed.out.ends_with("\r\n"));
    EXPECT_EQ(fileNamesOf(printed.out), (std::vector<std::string>{"A", "b"}));

    const auto written = run({"-o", path("Res.txt"), b, a});
    EXPECT_EQ(written.status, 0);
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(ContentsOf(path("Res.txt")), printed.out);
    EXPECT_EQ(run({"-o", "-", b, a}).out, printed.out);
}

TEST_F(ReportCommand, ReadsMoreSavesFromAListFileOrStandardInput) {
    const auto b = writeSave("b.sav", 30);
    const auto a = writeSave("A.sav", 20);
    const auto c = writeSave("c d.sav", 10);
    std::ofstream(path("list")) << b << "\n\n" << c;  // an empty line, and no newline at the end
    const auto fromFile = run({"-j2", "--files-from", path("list"), a});
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fileNamesOf(fromFile.out), (std::vector<std::string>{"A", "b", "c d"}));
    EXPECT_EQ(run({"--files-from", "-"}, path("list")).out, run({b, c}).out);

    const auto missing = run({"--files-from", path("nolist"), a});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "quillmere-report: cannot read '" + path("nolist") + "': No such file or directory\n");
    EXPECT_EQ(run({"--files-from", path(""), a}).err,
              "quillmere-report: cannot read '" + path("") + "': Is a directory\n");
    EXPECT_EQ(run({"--files-from", "-"}).err, "quillmere-report: no save files in the list '-'\n");
}

TEST_F(ReportCommand, SortsByTheChosenKeyInItsFirstClickDirection) {
    const auto files = std::vector<std::string>{writeSave("a.sav", 30), writeSave("b.sav", 10), writeSave("c.sav", 20)};
    auto arguments = files;
    arguments.insert(arguments.begin(), {"--sort", "turn"});
    EXPECT_EQ(fileNamesOf(run(arguments).out), (std::vector<std::string>{"b", "c", "a"}));
}

TEST_F(ReportCommand, NamesEachFileThatFailsAndStillWritesItsRow) {
    const auto good = writeSave("good.sav", 5);
    const auto junk = writeBytes("junk.sav", {'n', 'o', ' ', 's', 't', 'r', 'e', 'a', 'm'});
    const auto missing = path("missing.sav");

    const auto outcome = run({"-o", path("Res.txt"), good, junk, missing});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              junk + ": not a save file: no game data found\n" + missing + ": No such file or directory\n");
    EXPECT_EQ(fileNamesOf(ContentsOf(path("Res.txt"))), (std::vector<std::string>{"good", "junk", "missing"}));
}

TEST_F(ReportCommand, HostileNamesStayDataAndEveryInputIsAccountedFor) {
    quillmere::savewriter::SaveContent content;
    content.header.slots[0].name = "Forged\r\n99; Forged; Napoleon;\x1b[2J";
    const auto forged = writeBytes("forged.sav", quillmere::savewriter::BuildSave(content));
    const auto evil = writeBytes("evil\n\x1b[31m.sav", {'n', 'o'});
    std::filesystem::create_directory(path("folder"));
    ASSERT_EQ(::mkfifo(path("folder/pipe").c_str(), 0600), 0);
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto socketPath = path("sock");
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);

    const auto outcome = run({"--encoding", "utf-8", forged, evil, path("folder"), socketPath});
    ::close(listening);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, path("evil\\n\\x1b[31m.sav") + ": not a save file: no game data found\n" +
                               path("folder/pipe") + ": not a save file: a named pipe (FIFO)\n" + socketPath +
                               ": not a save file: a socket\n");
    // One row per input, each of 32 cells as the header; the last lacks its final "; ".
    std::vector<std::string> rows;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 2) {
        end = outcome.out.find("\r\n", start);
        rows.push_back(outcome.out.substr(start, end - start) + (end == std::string::npos ? "; " : ""));
    }
    ASSERT_EQ(rows.size(), 5u) << outcome.out;
    for (const auto& row : rows) {
        std::size_t cells = 0;
        for (std::size_t at = row.find("; "); at != std::string::npos; at = row.find("; ", at + 2)) ++cells;
        EXPECT_EQ(cells, 32u) << row;
        EXPECT_EQ(row.find_first_of("\n\x1b"), std::string::npos) << row;
    }
    EXPECT_NE(outcome.out.find("; Forged  99, Forged, Napoleon, [2J; "), std::string::npos) << outcome.out;
}

TEST_F(ReportCommand, LeavesTheHistoriesOutOfJsonWhenAsked) {
    const auto a = writeSave("a.sav", 5);
    const auto b = writeSave("b.sav", 6);
    const auto with = run({"--format", "json", a, b});
    const auto without = run({"--format", "json", "--no-histories", a, b});
    EXPECT_EQ(with.status, 0);
    EXPECT_EQ(without.status, 0);
    EXPECT_NE(with.out.find("\"history\": {"), std::string::npos);
    EXPECT_EQ(without.out.find("\"history\""), std::string::npos);
    EXPECT_NE(without.out.find("\"row\": 2"), std::string::npos);
    EXPECT_TRUE(without.out.ends_with("   \"reload\": null\n  }\n ]\n}\n") || without.out.ends_with("  }\n ]\n}\n"))
        << without.out;
}

TEST_F(ReportCommand, UsageRuleAndOutputErrorsWriteNothing) {
    const auto save = writeSave("a.sav", 5);
    std::ofstream(path("Res.txt")) << "old";
    std::filesystem::create_directory(path("dir"));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--sessions-per-day", "x", "-o", path("Res.txt"), save},
         "quillmere-report: --sessions-per-day: 'x' is not a valid floating point value\n"},
        {{"--presessions", "-5", "-o", path("Res.txt"), save},
         "quillmere-report: --presessions: presessions must be 0 or more, not '-5'\n"},
        {{"--start", "31-02-2005", "-o", path("Res.txt"), save},
         "quillmere-report: --start: '31-02-2005' is not a valid date\n"},
        {{"--bogus", save}, "quillmere-report: unknown option '--bogus'\nTry 'quillmere-report --help'.\n"},
        {{"-o", path("no/Res.txt"), save},
         "quillmere-report: cannot write '" + path("no/Res.txt") + "': No such file or directory\n"},
        // Refused before any file is read: the missing save would have its own line.
        {{"-o", path("dir"), save, path("missing.sav")},
         "quillmere-report: cannot write '" + path("dir") + "': Is a directory\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto outcome = run(arguments);
        EXPECT_EQ(outcome.status, 2) << message;
        EXPECT_EQ(outcome.err, message);
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(ContentsOf(path("Res.txt")), "old");
}

TEST_F(ReportCommand, AnswersHelpAndVersion) {
    const auto version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quillmere-report 1.02\n");
    EXPECT_EQ(run({"-V"}).out, version.out);
    const auto help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: quillmere-report [options] SAVE|FOLDER...\n"));
}

}  // namespace

namespace {

TEST_F(ReportCommand, FlagsOnlyListsTheFlaggedSavesAndExitsThree) {
    quillmere::savewriter::SaveContent content;
    content.game.turn = 30;
    const auto bytes = quillmere::savewriter::BuildSave(content);
    const auto a = writeBytes("a.sav", bytes);
    const auto b = writeBytes("b.sav", bytes);  // the same game data again
    const auto c = writeSave("c.sav", 40);
    const auto flagged = run({"--flags-only", a, b, c});
    EXPECT_EQ(flagged.status, 3);
    EXPECT_EQ(flagged.out, "a: same game data as b\nb: same game data as a\n");
    EXPECT_EQ(run({"--flags-only", "-o" + path("flags.txt"), a, b, c}).out, "");
    EXPECT_EQ(ContentsOf(path("flags.txt")), flagged.out);
    const auto clean = run({"--flags-only", c});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "");
    const auto broken = run({"--profile", path("missing.json"), c});
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.err.find("missing.json: No such file or directory"), std::string::npos) << broken.err;
}

}  // namespace

namespace {

// A socket at `path`, bound and open while the object lives.
class BoundSocket {
public:
    explicit BoundSocket(const std::string& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0) << path;
    }
    ~BoundSocket() { ::close(m_fd); }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;

private:
    int m_fd;
};

TEST_F(ReportCommand, WritesPipesAndDevicesDirectlyAndRefusesWhatCannotBeWritten) {
    const auto save = writeSave("a.sav", 5);
    const auto expected = run({save}).out;
    std::filesystem::create_directory(path("dir"));
    const BoundSocket socket(path("sock"));
    const std::tuple<std::string, int, std::string> cases[] = {
        {"/dev/null", 0, ""},
        {"/dev/full", 2, "quillmere-report: cannot write '/dev/full': No space left on device\n"},
        {path("dir"), 2, "quillmere-report: cannot write '" + path("dir") + "': Is a directory\n"},
        {path("sock"), 2,
         "quillmere-report: cannot write '" + path("sock") + "': a socket, not a file, pipe or character device\n"},
    };
    for (const auto& [target, status, message] : cases) {
        const auto outcome = run({"-o", target, save});
        EXPECT_EQ(outcome.status, status) << target;
        EXPECT_EQ(outcome.err, message);
        EXPECT_EQ(outcome.out, "");
    }

    const auto fifo = path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ContentsOf(fifo); });
    EXPECT_EQ(run({"-o", fifo, save}).status, 0);
    // Had the program not opened the pipe, this lets the reader go.
    if (const int release = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); release >= 0) ::close(release);
    reader.join();
    EXPECT_EQ(received, expected);

    FILE* piped = ::popen(("'" QUILLMERE_REPORT_PROGRAM "' -o /dev/stdout '" + save + "' 2>&1").c_str(), "r");
    ASSERT_NE(piped, nullptr);
    std::string printed;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), piped)) > 0;) printed.append(buffer, n);
    EXPECT_EQ(::pclose(piped), 0);
    EXPECT_EQ(printed, expected);
}

TEST_F(ReportCommand, ReadsOneSaveFromStandardInputAsTheRowNamedDash) {
    const auto a = writeSave("a.sav", 20);
    const auto piped = writeSave("piped.sav", 30);
    const auto both = run({"--encoding", "utf-8", a, "-"}, piped);
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(fileNamesOf(both.out), (std::vector<std::string>{"-", "a"}));
    // Read from a file, it has the file's date: the row is the file's own but for its name.
    const auto direct = run({"--encoding", "utf-8", piped}).out;
    const auto after = [](const std::string& text, const std::string& start) {
        const auto from = text.find(start) + start.size();
        auto row = text.substr(from, text.find("\r\n", from) - from);
        if (row.ends_with("; ")) row.resize(row.size() - 2);  // only the last row lacks it
        return row;
    };
    EXPECT_EQ(after(both.out, "\r\n1; -; "), after(direct, "\r\n1; piped; "));

    std::ofstream(path("list")) << "-\n";  // a list names files: this is one named "-"
    const std::tuple<std::vector<std::string>, std::string, std::string> failures[] = {
        {{"-"}, writeBytes("junk", {'n', 'o'}), "-: not a save file: no game data found\n"},
        {{"-"}, "/dev/zero", "-: not a save file: more bytes than any save holds (256 MiB)\n"},
        {{"--files-from", path("list")}, piped, "./-: No such file or directory\n"},
    };
    for (const auto& [arguments, input, message] : failures) {
        const auto outcome = run(arguments, input);
        EXPECT_EQ(outcome.status, 1) << input;
        EXPECT_EQ(outcome.err, message);
        EXPECT_EQ(fileNamesOf(outcome.out), (std::vector<std::string>{"-"}));
    }
}

TEST_F(ReportCommand, AnInterruptLeavesTheTargetAsItWasAndNoTemporaryFile) {
    std::filesystem::create_directory(path("saves"));
    std::filesystem::create_directory(path("out"));
    const auto bytes = quillmere::savewriter::MakeBenchmarkSave(1);
    for (int i = 0; i < 40; ++i) writeBytes("saves/" + std::to_string(i) + ".sav", bytes);
    const auto target = path("out/Res.json");
    const auto listing = [this] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path("out")))
            names.insert(entry.path().filename().string());
        return names;
    };
    const std::vector<std::string> arguments{"--format", "json", "-j2", "-o", target, path("saves")};
    // The faster of two whole runs, to interrupt others at moments spread over its time: reading,
    // writing, renaming. On a busy machine a run takes longer, and more of them are interrupted.
    auto whole = std::chrono::steady_clock::duration::max();
    for (int run = 0; run < 2; ++run) {
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(waitFor(start(arguments)), 0);
        whole = std::min(whole, std::chrono::steady_clock::now() - started);
    }
    const auto complete = ContentsOf(target);
    for (const int signal : {SIGINT, SIGTERM}) {
        int interrupted = 0;
        for (int moment = 1; moment <= 8; ++moment) {
            std::ofstream(target, std::ios::trunc) << "old";
            const pid_t child = start(arguments);
            std::this_thread::sleep_for(whole * moment / 10);
            ::kill(child, signal);
            const int status = waitFor(child);
            EXPECT_EQ(listing(), std::set<std::string>{"Res.json"}) << signal << " at " << moment << "/10";
            // The old file, or the whole new one when the signal came after it was put in place.
            const auto written = ContentsOf(target);
            EXPECT_TRUE(written == "old" || written == complete) << written.size() << " bytes";
            if (WIFSIGNALED(status)) {
                // Ended by the signal itself, which a shell reports as 128 + its number (130, 143).
                EXPECT_EQ(WTERMSIG(status), signal);
                interrupted += written == "old" ? 1 : 0;
            } else {
                EXPECT_EQ(WEXITSTATUS(status), 0);
            }
        }
        EXPECT_GE(interrupted, 4) << signal;
    }
}

TEST_F(ReportCommand, SaysHowManyNamesLostCharactersInWindows1251) {
    const auto plain = writeSave("Ivan.sav", 10);
    const auto cyrillic = writeSave("\xD0\x94\xD0\xB0.sav", 12);  // kept
    const auto escaped = writeSave("\xE7\x8E\xA9\x1b.sav", 15);   // Chinese, and an escape shown escaped
    const auto omega = writeSave("\xCE\xA9mega.sav", 20);         // Greek: not in Windows-1251
    const auto sigma = writeSave("\xCE\xA3igma.sav", 30);
    const std::string lost = " characters that Windows-1251 cannot hold, written as '?'";
    // The first in the order of the rows, which --sort turn makes the order given here.
    const std::tuple<std::vector<std::string>, std::string> cases[] = {
        {{plain, cyrillic}, ""},
        {{omega, plain}, "quillmere-report: the name \"\xCE\xA9mega\" has" + lost + "\n"},
        {{plain, omega, sigma}, "quillmere-report: 2 names have" + lost + " (the first: \"\xCE\xA9mega\")\n"},
        {{escaped, cyrillic, omega}, "quillmere-report: 2 names have" + lost + " (the first: \"\xE7\x8E\xA9\\x1b\")\n"},
        {{"--encoding", "utf-8", omega}, ""},
        {{"--format", "csv", omega}, ""},
    };
    for (auto [arguments, message] : cases) {
        arguments.insert(arguments.begin(), {"--sort", "turn"});
        const auto outcome = run(arguments);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err, message);
    }
}

TEST_F(ReportCommand, CsvStartsWithAByteOrderMarkUnlessAsked) {
    const auto save = writeSave("a.sav", 5);
    const auto marked = run({"--format", "csv", save}).out;
    EXPECT_TRUE(marked.starts_with("\xEF\xBB\xBFRow,File Name,")) << marked.substr(0, 20);
    EXPECT_EQ(run({"--format", "csv", "--no-bom", save}).out, marked.substr(3));
    EXPECT_EQ(run({"--no-bom", save}).out, run({save}).out);
}

}  // namespace
