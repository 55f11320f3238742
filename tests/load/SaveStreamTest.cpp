#include "load/SaveStream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "load/LoadError.h"
#include "support/TempFolder.h"

namespace quillmere::load {
namespace {

constexpr std::int64_t kMost = 3 * 1024 * 1024;  // a bound past the first read, so that the buffer grows

// What ReadSaveStream makes of the bytes 0, 1, 2... on `fd`: their count, or its message.
std::string outcomeOf(int fd) {
    try {
        const auto save = ReadSaveStream(fd, kMost);
        for (std::size_t i = 0; i < save.bytes.size(); ++i) {
            if (save.bytes[i] != static_cast<std::uint8_t>(i)) return "wrong byte at " + std::to_string(i);
        }
        return std::to_string(save.bytes.size()) + (save.modified ? " dated" : " undated");
    } catch (const LoadError& error) {
        return error.what();
    }
}

std::string bytesOf(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i);
    return bytes;
}

TEST(ReadSaveStream, ReadsAPipeUpToItsBoundAndNotAByteFurther) {
    const auto most = static_cast<std::size_t>(kMost);
    const std::pair<std::size_t, std::string> cases[] = {
        {0, "0 undated"},
        {1, "1 undated"},
        {most, std::to_string(most) + " undated"},
        {most + 1, "not a save file: more bytes than any save holds (3 MiB)"},
        {most * 4, "not a save file: more bytes than any save holds (3 MiB)"},
    };
    for (const auto& [length, expected] : cases) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const std::string bytes = bytesOf(length);
        // The writer stops where the reader does: a refused stream is not read to its end.
        std::thread writer([&bytes, fd = ends[1]] {
            // A write after the reader has gone fails instead of ending the test.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            ::pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            std::string_view rest = bytes;
            while (!rest.empty()) {
                const ssize_t n = ::write(fd, rest.data(), rest.size());
                if (n <= 0) break;
                rest.remove_prefix(static_cast<std::size_t>(n));
            }
            ::close(fd);
        });
        EXPECT_EQ(outcomeOf(ends[0]), expected) << length;
        ::close(ends[0]);
        writer.join();
    }
}

TEST(ReadSaveStream, SizesARegularFileFirstAndGivesItsDate) {
    const testsupport::TempFolder folder("savestream");
    const auto most = static_cast<std::size_t>(kMost);
    const std::pair<std::size_t, std::string> cases[] = {
        {0, "0 dated"},
        {most, std::to_string(most) + " dated"},
        {most + 1, "not a save file: " + std::to_string(most + 1) + " bytes, more than any save holds (3 MiB)"},
    };
    for (const auto& [length, expected] : cases) {
        const auto path = folder.write("save", bytesOf(length));
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(outcomeOf(fd), expected) << length;
        ::close(fd);
    }
}

}  // namespace
}  // namespace quillmere::load
