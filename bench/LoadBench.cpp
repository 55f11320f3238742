// Times the load of a batch of large saves (read, inflate, walk) against merely reading and
// inflating the same files with zlib, and reports the peak resident memory of the load.
//
//   quillmere-bench [--files N] [--dir DIR] [--keep]
//
// The saves are generated first (not timed). Each measurement runs in a child process of its own,
// so that the peak memory it reports is that of the load alone.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/Batch.h"
#include "load/Container.h"
#include "load/SaveFile.h"
#include "savewriter/SampleGames.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    int files = 100;
    fs::path dir;
    bool keep = false;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--files" && i + 1 < argc) {
            options.files = std::atoi(argv[++i]);
        } else if (arg == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else if (arg == "--keep") {
            options.keep = true;
        } else {
            std::fprintf(stderr, "usage: quillmere-bench [--files N] [--dir DIR] [--keep]\n");
            std::exit(2);
        }
    }
    if (options.dir.empty()) options.dir = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(::getpid()));
    return options;
}

// Baseline: read each file and inflate its stream once, as the load must at the least.
void inflateOnly(const std::vector<std::string>& paths) {
    std::uint64_t checksum = 0;
    for (const auto& path : paths) {
        const auto file = quillmere::load::ReadWholeFile(path);
        const auto p = quillmere::load::FindStreamOffset(file);
        std::int32_t u = 0;
        std::int32_t c = 0;
        std::memcpy(&u, file.data() + p - 8, 4);
        std::memcpy(&c, file.data() + p - 4, 4);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(u));
        uLongf outLength = static_cast<uLongf>(u);
        if (uncompress(out.data(), &outLength, file.data() + p, static_cast<uLong>(c)) != Z_OK) {
            std::fprintf(stderr, "%s: does not inflate\n", path.c_str());
            std::exit(1);
        }
        checksum += out[out.size() / 2];
    }
    if (checksum == 1) std::fprintf(stderr, "\n");  // keeps the work observable
}

void analyse(const std::vector<std::string>& paths) {
    const auto table = quillmere::analysis::AnalyseFiles(paths);
    for (const auto& rec : table) {
        if (!rec.Failure.empty()) {
            std::fprintf(stderr, "%s: %s\n", rec.FileName.c_str(), rec.Failure.c_str());
            std::exit(1);
        }
    }
}

struct Measurement {
    double seconds = 0;
    long peakKiB = 0;
};

// Runs `job` in a child process; returns its wall time and peak resident memory.
template <typename Job>
Measurement inChild(Job job) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) std::exit(1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const auto start = Clock::now();
        job();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (::write(pipeFds[1], &seconds, sizeof seconds) != sizeof seconds) std::_Exit(1);
        std::_Exit(0);
    }
    ::close(pipeFds[1]);
    Measurement m;
    if (::read(pipeFds[0], &m.seconds, sizeof m.seconds) != sizeof m.seconds) {
        std::fprintf(stderr, "measurement failed\n");
        std::exit(1);
    }
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    m.peakKiB = usage.ru_maxrss;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    fs::create_directories(options.dir);

    std::printf("generating %d saves in %s ...\n", options.files, options.dir.c_str());
    std::vector<std::string> paths;
    std::uintmax_t compressed = 0;
    std::uintmax_t inflated = 0;
    for (int i = 0; i < options.files; ++i) {
        const auto bytes = quillmere::savewriter::MakeBenchmarkSave(static_cast<std::uint32_t>(i));
        const auto path = (options.dir / ("bench" + std::to_string(i) + ".sav")).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        compressed += bytes.size();
        inflated += quillmere::load::AssembleWorkBuffer(bytes).bytes.size();
        paths.push_back(path);
    }
    std::printf("batch: %zu files, %.1f MB on disk, %.1f MB of game data\n", paths.size(),
                static_cast<double>(compressed) / 1e6, static_cast<double>(inflated) / 1e6);

    // Warm the page cache so that both runs read from memory.
    inChild([&] { inflateOnly(paths); });

    // The machine's noise only ever adds time: the fastest of several alternating runs is the measure.
    constexpr int kRounds = 7;
    Measurement bestInflate{1e9, 0};
    Measurement bestAnalyse{1e9, 0};
    for (int round = 0; round < kRounds; ++round) {
        const auto a = inChild([&] { inflateOnly(paths); });
        const auto b = inChild([&] { analyse(paths); });
        if (a.seconds < bestInflate.seconds) bestInflate = a;
        if (b.seconds < bestAnalyse.seconds) bestAnalyse = b;
    }
    std::printf("read + inflate only : %7.3f s  (peak %5.1f MB)  fastest of %d\n", bestInflate.seconds,
                static_cast<double>(bestInflate.peakKiB) / 1024.0, kRounds);
    std::printf("read + analyse      : %7.3f s  (peak %5.1f MB)  fastest of %d\n", bestAnalyse.seconds,
                static_cast<double>(bestAnalyse.peakKiB) / 1024.0, kRounds);
    std::printf("ratio analyse/inflate: %.3f (target <= 1.25); peak memory target < 64 MB\n",
                bestAnalyse.seconds / bestInflate.seconds);

    if (!options.keep) fs::remove_all(options.dir);
    return 0;
}
