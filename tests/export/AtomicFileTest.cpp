#include "export/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

#include "support/TempFolder.h"

namespace quillmere::exporting {
namespace {

namespace fs = std::filesystem;

class ResultsFileOnDisk : public testing::Test {
protected:
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir.path()), {}));
    }
    static std::string messageOf(const std::string& path, std::string_view bytes) {
        try {
            WriteFileAtomically(path, bytes);
        } catch (const ExportError& e) {
            return e.what();
        }
        return "ok";
    }
    static std::string messageOf(const std::string& path, const AtomicFileOptions& options) {
        try {
            AtomicFileWriter file(path, options);
            file.write("new");
            file.commit();
        } catch (const ExportError& e) {
            return e.what();
        }
        return "ok";
    }

    testsupport::TempFolder m_dir{"results"};
};

TEST_F(ResultsFileOnDisk, ReplacesAnExistingFileKeepingItsPermissions) {
    const auto path = m_dir.path() / "Res.txt";
    std::ofstream(path, std::ios::binary) << "an old and longer text";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string bytes("new\r\n\xB9\0end", 10);
    WriteFileAtomically(path.string(), bytes);
    EXPECT_EQ(testsupport::ContentsOf(path), bytes);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);  // no temporary file is left
}

TEST_F(ResultsFileOnDisk, WritesThroughALinkAndKeepsTheLink) {
    const auto target = m_dir.path() / "real.txt";
    std::ofstream(target) << "old";
    fs::create_symlink(target, m_dir.path() / "link.txt");
    WriteFileAtomically(m_dir / "link.txt", "new");
    EXPECT_TRUE(fs::is_symlink(m_dir.path() / "link.txt"));
    EXPECT_EQ(testsupport::ContentsOf(target), "new");
}

TEST_F(ResultsFileOnDisk, AFailedWriteLeavesTheOldFileAndReportsTheSystemsText) {
    EXPECT_EQ(messageOf((m_dir.path() / "missing" / "Res.txt").string(), "new"), "No such file or directory");
    EXPECT_EQ(messageOf(m_dir.path().string(), "new"), "Is a directory");
    EXPECT_EQ(entries(), 0u);
}

TEST_F(ResultsFileOnDisk, RefusesTargetsThatAreNotWritableRegularFiles) {
    const auto fifo = m_dir / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(messageOf(fifo, "new"), "not a regular file (a pipe, device or socket)");
    EXPECT_EQ(messageOf("/dev/null", "new"), "not a regular file (a pipe, device or socket)");
    const auto readOnly = m_dir.write("kept.txt", "old");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(messageOf(readOnly, "new"), "the file is read-only");
    EXPECT_EQ(testsupport::ContentsOf(readOnly), "old");
}

TEST_F(ResultsFileOnDisk, RemovesTemporaryFilesThatAKilledRunLeftBehind) {
    const auto stale = m_dir.write(".quillmere-123456.tmp", "half");
    const auto fresh = m_dir.write(".quillmere-654321.tmp", "another run, writing now");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    WriteFileAtomically(m_dir / "Res.txt", "new");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(ResultsFileOnDisk, ReplacesAFileWithTheLongestNameAFolderHolds) {
    const auto path = m_dir.path() / std::string(255, 'r');
    std::ofstream(path) << "old";
    EXPECT_EQ(messageOf(path.string(), "new"), "ok");
    EXPECT_EQ(testsupport::ContentsOf(path), "new");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(ResultsFileOnDisk, WritesAPipeOrACharacterDeviceDirectlyWhenAsked) {
    const AtomicFileOptions direct{.writeStreamsDirectly = true};
    const auto fifo = m_dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = testsupport::ContentsOf(fifo); });
    EXPECT_EQ(messageOf(fifo, direct), "ok");
    reader.join();
    EXPECT_EQ(received, "new");
    EXPECT_EQ(messageOf("/dev/null", direct), "ok");

    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const auto socketPath = m_dir / "sock";
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(messageOf(socketPath, direct), "a socket, not a file, pipe or character device");
    ::close(listening);
    EXPECT_EQ(messageOf(m_dir.path().string(), direct), "Is a directory");
    EXPECT_EQ(entries(), 2u);  // the pipe and the socket, no temporary file
}

// Notes every step on a temporary file's name, and whether that name is on disk after it.
class StepRecorder final : public TemporaryFileWatch {
public:
    void change(const std::string& path, bool named, const std::function<void()>& step) override {
        step();
        steps.push_back({named, fs::exists(path)});
    }
    std::vector<std::pair<bool, bool>> steps;
};

TEST_F(ResultsFileOnDisk, TellsItsWatchOfEveryNameItsTemporaryFileHasOnDisk) {
    using Steps = std::vector<std::pair<bool, bool>>;
    const Steps namedThenGone{{true, true}, {false, false}};
    // Unnamed or not, committed or not: the steps before commit() (or the end), and all of them.
    const std::tuple<bool, bool, std::size_t, Steps> cases[] = {
        {true, true, 0, namedThenGone},
        {true, false, 0, {}},
        {false, true, 1, namedThenGone},
        {false, false, 1, namedThenGone},
    };
    for (const auto& [unnamed, committed, stepsBefore, steps] : cases) {
        StepRecorder watch;
        const auto target = m_dir / "Res.txt";
        {
            AtomicFileWriter file(target, {.watch = &watch, .unnamedTemporary = unnamed});
            file.write("new");
            EXPECT_EQ(watch.steps.size(), stepsBefore) << unnamed << committed;
            if (committed) file.commit();
        }
        EXPECT_EQ(watch.steps, steps) << unnamed << committed;
        EXPECT_EQ(entries(), committed ? 1u : 0u) << unnamed << committed;
        fs::remove(target);
    }
}

}  // namespace
}  // namespace quillmere::exporting
