// Times the analysis of batches of large saves against merely reading them and inflating their
// streams with zlib (the baseline) and with libdeflate (the floor), with one worker and with one per
// core, and reports the peak resident memory of each run.
//
//   quillmere-bench [--files N] [--dir DIR] [--keep] [--rounds R] [--batch plain|varied|both]
//                   [--generate-only] [--memory-only] [--measure DIR] [--profile FILE]
//
// Two batches are written first (not timed): "plain" saves, whose skipped values are one constant
// and compress over 20 : 1, and "varied" ones, which compress about 5 : 1 as real games do. Each
// measurement runs in a child process of its own, so that its peak memory is that of the run alone.
// The fastest of several alternating rounds is the measure: a shared machine only ever adds time.
// A last run analyses ten times the plain batch at once, for the memory that 1,000 records take.
// Then the memory bound is checked (the exit status is 1 when it does not hold): a 262 MB save with
// the most game data a save holds, analysed alone and eight at a time on eight workers, and 20,020
// small files that all fail. With --measure, only the saves already in DIR are timed (nothing is
// written), so that another front end can be measured beside the same baseline. With --profile,
// each batch is also loaded as a referee loads it under that tournament profile.

#include <libdeflate.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "analysis/Batch.h"
#include "load/Container.h"
#include "load/GameDigest.h"
#include "load/SaveFile.h"
#include "load/inflate/PortableInflater.h"
#include "savewriter/SampleGames.h"
#include "session/Session.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    int files = 100;
    int rounds = 5;
    fs::path dir;
    bool keep = false;
    bool generateOnly = false;
    bool plain = true;
    bool varied = true;
    bool memoryOnly = false;
    fs::path measureDir;  // time the saves in it, write none
    std::string profile;  // also time the load as a referee makes it, under this profile
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: quillmere-bench [--files N] [--dir DIR] [--keep] [--rounds R] [--batch plain|varied|both] "
                 "[--generate-only] [--memory-only] [--measure DIR] [--profile FILE]\n");
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--files" && i + 1 < argc) {
            options.files = std::atoi(argv[++i]);
        } else if (arg == "--rounds" && i + 1 < argc) {
            options.rounds = std::atoi(argv[++i]);
        } else if (arg == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--batch" && i + 1 < argc) {
            const std::string which = argv[++i];
            options.plain = which != "varied";
            options.varied = which != "plain";
        } else if (arg == "--measure" && i + 1 < argc) {
            options.measureDir = argv[++i];
        } else if (arg == "--profile" && i + 1 < argc) {
            options.profile = argv[++i];
        } else if (arg == "--memory-only") {
            options.memoryOnly = true;
        } else if (arg == "--generate-only") {
            options.generateOnly = true;
            options.keep = true;
        } else {
            usage();
        }
    }
    if (options.files < 1 || options.rounds < 1) usage();
    if (options.dir.empty())
        options.dir = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(::getpid()));
    return options;
}

enum class Inflate { Zlib, Libdeflate, Core };

// A floor: read each file and inflate its stream once, as any load must at the least, with zlib
// (the baseline), libdeflate (the fastest inflate there is here) or the core's own inflate.
void inflateOnly(const std::vector<std::string>& paths, Inflate how) {
    std::uint64_t checksum = 0;
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    quillmere::load::inflate::PortableInflater core;
    for (const auto& path : paths) {
        quillmere::load::ByteBuffer file;
        const quillmere::load::SaveFile saveFile(path);
        const auto contents = saveFile.contents();
        file.sizeForOverwrite(static_cast<std::size_t>(contents.size()));
        contents.copyTo(0, file);
        const auto p = quillmere::load::FindStreamOffset(file);
        std::int32_t u = 0;
        std::int32_t c = 0;
        std::memcpy(&u, file.data() + p - 8, 4);
        std::memcpy(&c, file.data() + p - 4, 4);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(u));
        const std::span<const std::uint8_t> stream(file.data() + p, static_cast<std::size_t>(c));
        bool inflated = true;
        if (how == Inflate::Zlib) {
            uLongf outLength = static_cast<uLongf>(u);
            inflated = uncompress(out.data(), &outLength, stream.data(), static_cast<uLong>(c)) == Z_OK;
        } else if (how == Inflate::Libdeflate) {
            inflated = libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), out.data(), out.size(),
                                                  nullptr) == LIBDEFLATE_SUCCESS;
        } else {
            (void)core.inflate(stream, out, p);
        }
        if (!inflated) {
            std::fprintf(stderr, "%s: does not inflate\n", path.c_str());
            std::exit(1);
        }
        checksum += out[out.size() / 2];
    }
    libdeflate_free_decompressor(decompressor);
    if (checksum == 1) std::fprintf(stderr, "\n");  // keeps the work observable
}

// Analyses the files; exits when one fails unless `failing`, when one succeeds if it is.
void analyse(const std::vector<std::string>& paths, unsigned jobs, bool failing = false) {
    quillmere::analysis::BatchControl control;
    control.jobs = jobs;
    const auto table = quillmere::analysis::AnalyseFiles(paths, control);
    for (const auto& rec : table) {
        if (rec.failure.empty() == failing) {
            std::fprintf(stderr, "%s: %s\n", rec.path.c_str(), failing ? "analysed" : rec.failure.c_str());
            std::exit(1);
        }
    }
}

// Loads the files as a referee does under the profile at `profile`: the analysis, the reload
// control and the tournament's checks.
void loadUnderProfile(const std::vector<std::string>& paths, unsigned jobs, const std::string& profile) {
    quillmere::session::Session session;
    session.openProfile(profile, [](const auto&) { return quillmere::session::ProfileRules::Take; });
    quillmere::analysis::BatchControl control;
    control.jobs = jobs;
    session.load(paths, control);
}

struct Measurement {
    double seconds = 1e9;
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

void keepFastest(Measurement& best, const Measurement& m) {
    if (m.seconds < best.seconds) best = m;
}

std::vector<std::string> writeBatch(const fs::path& dir, int files, bool varied) {
    fs::create_directories(dir);
    std::vector<std::string> paths;
    std::uintmax_t compressed = 0;
    std::uintmax_t inflated = 0;
    for (int i = 0; i < files; ++i) {
        const auto bytes = quillmere::savewriter::MakeBenchmarkSave(static_cast<std::uint32_t>(i), varied);
        const auto path = (dir / ("bench" + std::to_string(i) + ".sav")).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        compressed += bytes.size();
        inflated += quillmere::load::AssembleWorkBuffer(bytes).bytes.size();
        paths.push_back(path);
    }
    std::printf("%-6s batch: %zu files, %.1f MB on disk, %.1f MB of game data (%.1f : 1)\n",
                varied ? "varied" : "plain", paths.size(), static_cast<double>(compressed) / 1e6,
                static_cast<double>(inflated) / 1e6, static_cast<double>(inflated) / static_cast<double>(compressed));
    return paths;
}

// The cost of telling duplicates apart: XXH3-128 over every save's inflated game state, as the
// walk computes it, beside the analysis with one worker.
void measureDigest(const std::vector<std::string>& paths) {
    std::vector<quillmere::load::WorkBuffer> works;
    double bytes = 0;
    double seconds = 1e9;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        works.push_back(quillmere::load::AssembleWorkBuffer(file));
        bytes += static_cast<double>(works.back().gameLength);
        if (works.size() == 10) break;  // enough to time, little enough to hold
    }
    std::uint64_t mixed = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        for (const auto& work : works) {
            mixed ^= quillmere::load::DigestOf(std::span<const std::uint8_t>(work.bytes.data(), work.bytes.size())
                                                   .subspan(static_cast<std::size_t>(work.streamOffset),
                                                            static_cast<std::size_t>(work.gameLength)))
                         .low;
        }
        seconds = std::min(seconds, std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::printf("  %-26s %7.3f s for the batch's game data (%.0f MB/s; %llx)\n", "XXH3-128 digest",
                seconds / static_cast<double>(works.size()) * static_cast<double>(paths.size()), bytes / seconds / 1e6,
                static_cast<unsigned long long>(mixed & 0xF));
}

// A JSON report of `paths` written save by save to nowhere: its memory must not grow with the batch.
void writeJson(const std::vector<std::string>& paths, unsigned jobs) {
    quillmere::session::Session session;
    quillmere::analysis::BatchControl control;
    control.jobs = jobs;
    session.load(paths, control);
    std::size_t written = 0;
    session.writeReport(quillmere::session::ReportFormat::Json, {}, {},
                        [&](std::string_view part) { written += part.size(); });
    if (written == 0) std::_Exit(1);
}

void report(const char* what, const Measurement& m, const Measurement& baseline, const Measurement& floor) {
    std::printf("  %-30s %7.3f s  %5.2f x baseline  %5.2f x floor  peak %6.1f MB\n", what, m.seconds,
                m.seconds / baseline.seconds, m.seconds / floor.seconds, static_cast<double>(m.peakKiB) / 1024.0);
}

void measure(const char* name, const std::vector<std::string>& paths, int rounds, unsigned cores,
             const std::string& profile) {
    inChild([&] { inflateOnly(paths, Inflate::Zlib); });  // warms the page cache
    Measurement baseline;
    Measurement floor;
    Measurement core;
    Measurement one;
    Measurement all;
    Measurement oneProfiled;
    Measurement allProfiled;
    for (int round = 0; round < rounds; ++round) {
        keepFastest(baseline, inChild([&] { inflateOnly(paths, Inflate::Zlib); }));
        keepFastest(floor, inChild([&] { inflateOnly(paths, Inflate::Libdeflate); }));
        keepFastest(core, inChild([&] { inflateOnly(paths, Inflate::Core); }));
        keepFastest(one, inChild([&] { analyse(paths, 1); }));
        keepFastest(all, inChild([&] { analyse(paths, cores); }));
        if (profile.empty()) continue;
        keepFastest(oneProfiled, inChild([&] { loadUnderProfile(paths, 1, profile); }));
        keepFastest(allProfiled, inChild([&] { loadUnderProfile(paths, cores, profile); }));
    }
    std::printf("%s batch, fastest of %d rounds (floor: read + libdeflate inflate, one core):\n", name, rounds);
    std::printf("  %-30s %7.3f s                                 peak %6.1f MB\n", "read + zlib inflate (baseline)",
                baseline.seconds, static_cast<double>(baseline.peakKiB) / 1024.0);
    report("read + libdeflate inflate", floor, baseline, floor);
    report("read + the core's inflate", core, baseline, floor);
    report("analysis, 1 worker", one, baseline, floor);
    const std::string allName = "analysis, " + std::to_string(cores) + " workers";
    report(allName.c_str(), all, baseline, floor);
    if (!profile.empty()) {
        report("the profile's load, 1 worker", oneProfiled, baseline, floor);
        report(("the profile's load, " + std::to_string(cores) + " workers").c_str(), allProfiled, baseline, floor);
    }
    measureDigest(paths);
}

constexpr double kMiB = 1024.0 * 1024.0;
constexpr std::size_t kLargestSaveBytes = 262'000'000;
constexpr int kLargestCopies = 8;
constexpr int kSmallFiles = 20'020;

double megabytes(long kib) { return static_cast<double>(kib) * 1024.0 / 1e6; }

// Checks the README's bound: a file costs at most its size plus 64 MiB of game data (allowing a
// tenth of its size for the rest of the process), N workers N such files. Returns whether it held.
bool measureMemoryBound(const fs::path& dir) {
    fs::create_directories(dir);
    const auto first = (dir / "largest0.sav").string();
    inChild([&] {  // the parent never holds the save, so no child inherits it
        const auto bytes = quillmere::savewriter::MakeLargestSave(kLargestSaveBytes);
        std::ofstream(first, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    });
    std::vector<std::string> copies{first};
    for (int i = 1; i < kLargestCopies; ++i) {
        copies.push_back((dir / ("largest" + std::to_string(i) + ".sav")).string());
        fs::copy_file(first, copies.back(), fs::copy_options::overwrite_existing);
    }
    std::vector<std::string> small;
    for (int i = 0; i < kSmallFiles; ++i) {
        small.push_back((dir / ("small" + std::to_string(i) + ".sav")).string());
        std::ofstream(small.back(), std::ios::binary) << "not a save " << i;
    }

    const auto size = static_cast<double>(fs::file_size(first));
    const double bound = 64 * kMiB + 1.1 * size;
    inChild([&] { analyse({first}, 1); });  // warms the page cache
    const auto empty = inChild([] {});
    const auto alone = inChild([&] { analyse({first}, 1); });
    const auto eight = inChild([&] { analyse(copies, kLargestCopies); });
    const auto smallRun = inChild([&] { analyse(small, 1, true); });

    const auto line = [&](const std::string& what, const Measurement& m, double limit) {
        const double peak = static_cast<double>(m.peakKiB) * 1024.0;
        std::printf("  %-40s %6.2f s  peak %7.1f MB  bound %7.1f MB  %s\n", what.c_str(), m.seconds, peak / 1e6,
                    limit / 1e6, peak <= limit ? "held" : "EXCEEDED");
        return peak <= limit;
    };
    std::printf("memory bound: a %.1f MB save with %.0f MiB of game data (an empty child peaks at %.1f MB):\n",
                size / 1e6, 64.0, megabytes(empty.peakKiB));
    const bool aloneHeld = line("alone, 1 worker", alone, bound);
    const auto workers = std::to_string(kLargestCopies);
    const bool eightHeld = line(workers + " of them, " + workers + " workers", eight, kLargestCopies * bound);
    std::printf("  %-40s %6.2f s  peak %7.1f MB\n", (std::to_string(kSmallFiles) + " small files, all failing").c_str(),
                smallRun.seconds, megabytes(smallRun.peakKiB));
    return aloneHeld && eightHeld;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (options.memoryOnly) {
        const bool held = measureMemoryBound(options.dir / "memory");
        if (!options.keep) fs::remove_all(options.dir);
        return held ? 0 : 1;
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (!options.measureDir.empty()) {
        std::vector<std::string> paths;
        for (const auto& entry : fs::directory_iterator(options.measureDir)) {
            if (entry.is_regular_file()) paths.push_back(entry.path().string());
        }
        std::sort(paths.begin(), paths.end());
        measure(options.measureDir.filename().c_str(), paths, options.rounds, cores, options.profile);
        return 0;
    }
    std::printf("writing saves in %s ...\n", options.dir.c_str());
    std::vector<std::string> plain;
    std::vector<std::string> varied;
    if (options.plain) plain = writeBatch(options.dir / "plain", options.files, false);
    if (options.varied) varied = writeBatch(options.dir / "varied", options.files, true);
    if (options.generateOnly) return 0;

    if (options.plain) measure("plain", plain, options.rounds, cores, options.profile);
    if (options.varied) measure("varied", varied, options.rounds, cores, options.profile);
    if (!options.plain) return 0;

    std::vector<std::string> tenfold;
    for (int copy = 0; copy < 10; ++copy) tenfold.insert(tenfold.end(), plain.begin(), plain.end());
    const auto many = inChild([&] { analyse(tenfold, cores); });
    std::printf("%zu plain saves at once, %u workers: %.3f s, peak %.1f MB\n", tenfold.size(), cores, many.seconds,
                static_cast<double>(many.peakKiB) / 1024.0);
    const auto json = inChild([&] { writeJson(tenfold, cores); });
    std::printf("%zu plain saves as one JSON report, %u workers: %.3f s, peak %.1f MB\n", tenfold.size(), cores,
                json.seconds, static_cast<double>(json.peakKiB) / 1024.0);
    std::printf(
        "targets: 1 worker <= 0.60 x baseline, all cores <= 0.35 x; peak < 64 MB for 100 saves, < 120 MB "
        "for 1,000, < 256 MB for their JSON report\n");

    const bool held = measureMemoryBound(options.dir / "memory");
    if (!options.keep) fs::remove_all(options.dir);
    return held ? 0 : 1;
}
