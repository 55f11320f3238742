// Times a tournament archive beside the work it is held to, in one run:
// - adding the plain and the varied benchmark batches to a round (quillmere-tournament submit)
//   against quillmere-report on the same saves plus a bare durable store of the same bytes (one
//   SQLite transaction of the batch's files, WAL, synchronous=FULL), the same number of workers;
// - a season of many rounds of small saves: opening it and writing the season's standings, its size
//   beside the saves' bytes, the standings' peak memory as the season grows, backup and check.
//
//   quillmere-tournament-bench [--files N] [--rounds R] [--jobs N] [--season-rounds N]
//                              [--per-round N] [--dir DIR] [--keep] [--only submit|season]
//
// Every measure runs in a child process of its own (the programs themselves where they exist), so
// that its peak memory is its own; the fastest of R alternating rounds is the measure.

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/BytesAnalyser.h"
#include "savewriter/SampleGames.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    int files = 100;
    int rounds = 3;
    unsigned jobs = 2;
    int seasonRounds = 20;
    int perRound = 1000;
    fs::path dir;
    bool keep = false;
    bool submit = true;
    bool season = true;
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: quillmere-tournament-bench [--files N] [--rounds R] [--jobs N] [--season-rounds N] "
                 "[--per-round N] [--dir DIR] [--keep] [--only submit|season]\n");
    std::exit(2);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto number = [&] { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (arg == "--files") {
            options.files = number();
        } else if (arg == "--rounds") {
            options.rounds = number();
        } else if (arg == "--jobs") {
            options.jobs = static_cast<unsigned>(number());
        } else if (arg == "--season-rounds") {
            options.seasonRounds = number();
        } else if (arg == "--per-round") {
            options.perRound = number();
        } else if (arg == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--only" && i + 1 < argc) {
            const std::string which = argv[++i];
            options.submit = which == "submit";
            options.season = which == "season";
        } else {
            usage();
        }
    }
    if (options.files < 1 || options.rounds < 1 || options.jobs < 1 || options.seasonRounds < 2 || options.perRound < 1)
        usage();
    if (options.dir.empty())
        options.dir = fs::temp_directory_path() / ("quillmere-tournament-bench-" + std::to_string(::getpid()));
    return options;
}

struct Measurement {
    double seconds = 1e9;
    long peakKiB = 0;
    int status = 0;
};

void keepFastest(Measurement& best, const Measurement& m) {
    if (m.seconds < best.seconds) best = m;
}

// Runs `job` in a child process; returns its wall time, peak resident memory and exit status.
template <typename Job>
Measurement inChild(Job job) {
    std::fflush(stdout);  // or the child writes what the parent has not yet
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) std::_Exit(job());
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss,
            WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// Runs a program of the build with its output thrown away.
Measurement program(const fs::path& binary, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), binary.string());
    return inChild([&] {
        std::vector<char*> argv;
        for (auto& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) return 126;
        ::execv(argv[0], argv.data());
        return 127;
    });
}

void require(const Measurement& m, const char* what) {
    if (m.status != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", what, m.status);
        std::exit(1);
    }
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uintmax_t writeBenchmarkBatch(const fs::path& dir, int files, bool varied) {
    fs::create_directories(dir);
    std::uintmax_t bytes = 0;
    for (int i = 0; i < files; ++i) {
        const auto save = quillmere::savewriter::MakeBenchmarkSave(static_cast<std::uint32_t>(i), varied);
        writeFile(dir / ("bench" + std::to_string(i) + ".sav"), save);
        bytes += save.size();
    }
    return bytes;
}

// The durable store any archive of these bytes costs at the least: read each file, write it as a
// blob, all in one WAL transaction with synchronous=FULL.
int bareStore(const fs::path& dir, const fs::path& database) {
    sqlite3* db = nullptr;
    if (sqlite3_open(database.c_str(), &db) != SQLITE_OK) return 1;
    sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO files (bytes) VALUES (?)", -1, &insert, nullptr);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    std::vector<fs::path> paths(fs::directory_iterator(dir), fs::directory_iterator{});
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::vector<char> bytes(static_cast<std::size_t>(fs::file_size(path)));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        sqlite3_bind_blob64(insert, 1, bytes.data(), bytes.size(), SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE) return 1;
        sqlite3_reset(insert);
    }
    const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return rc == SQLITE_OK ? 0 : 1;
}

void makeBareDatabase(const fs::path& database) {
    fs::remove(database);
    sqlite3* db = nullptr;
    sqlite3_open(database.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode = WAL; CREATE TABLE files (id INTEGER PRIMARY KEY, bytes BLOB)", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
}

void makeArchive(const fs::path& tournament, const fs::path& archive) {
    fs::remove(archive);
    require(program(tournament, {"new", archive.string(), "--name", "Bench"}), "new");
    require(program(tournament, {"round", archive.string(), "add", "1"}), "round add");
}

double megabytes(std::uintmax_t bytes) { return static_cast<double>(bytes) / 1e6; }
double megabytes(long kib) { return static_cast<double>(kib) * 1024.0 / 1e6; }

void measureSubmit(const Options& options, const fs::path& bin, const char* name, bool varied) {
    const fs::path dir = options.dir / name;
    const auto bytes = writeBenchmarkBatch(dir, options.files, varied);
    const fs::path report = bin / "quillmere-report";
    const fs::path tournament = bin / "quillmere-tournament";
    const std::string jobs = std::to_string(options.jobs);
    const fs::path results = options.dir / "results.txt";
    const fs::path bare = options.dir / "bare.db";
    const fs::path archive = options.dir / "bench.qmt";
    (void)program(report, {"-j", jobs, "-o", results.string(), dir.string()});  // warms the page cache
    Measurement analysed;
    Measurement stored;
    Measurement submitted;
    for (int round = 0; round < options.rounds; ++round) {
        keepFastest(analysed, program(report, {"-j", jobs, "-o", results.string(), dir.string()}));
        makeBareDatabase(bare);
        keepFastest(stored, inChild([&] { return bareStore(dir, bare); }));
        makeArchive(tournament, archive);
        const auto m =
            program(tournament, {"submit", archive.string(), "--round", "1", "--register", "-j", jobs, dir.string()});
        require(m, "submit");
        keepFastest(submitted, m);
    }
    const double sum = analysed.seconds + stored.seconds;
    std::printf("%s batch: %d files, %.1f MB; fastest of %d rounds, %s workers:\n", name, options.files,
                megabytes(bytes), options.rounds, jobs.c_str());
    std::printf("  %-44s %7.3f s  peak %6.1f MB\n", "quillmere-report (A)", analysed.seconds,
                megabytes(analysed.peakKiB));
    std::printf("  %-44s %7.3f s  peak %6.1f MB\n", "bare durable store of the bytes (B)", stored.seconds,
                megabytes(stored.peakKiB));
    std::printf("  %-44s %7.3f s  peak %6.1f MB  %5.2f x (A + B)  %5.2f x A\n", "quillmere-tournament submit",
                submitted.seconds, megabytes(submitted.peakKiB), submitted.seconds / sum,
                submitted.seconds / analysed.seconds);
    if (!options.keep) fs::remove_all(dir);
}

// A small whole game, as the example tournament's: six players on a 48 x 32 map, about 45 KB.
std::vector<std::uint8_t> smallSave(int player, int round) {
    quillmere::savewriter::GameSketch sketch;
    char name[16];
    std::snprintf(name, sizeof name, "P%04d", player);
    sketch.name = name;
    sketch.leader = 1 + player % 26;
    sketch.civ = player % 18;
    sketch.level = 5;
    sketch.turn = 80 + (player * 7 + round * 13) % 150;
    sketch.playSeconds = sketch.turn * 200;
    sketch.loadCount = 3 + player % 5;
    sketch.activePlayers = 6;
    sketch.citiesPerPlayer = 8;
    sketch.unitsPerPlayer = 16;
    sketch.messagesPerPlayer = 40;
    sketch.width = 48;
    sketch.height = 32;
    // A few seeds give a header that holds the stream's two first bytes, which no reader can tell
    // from the stream: the next seed then.
    quillmere::analysis::BytesAnalyser analyser;
    for (std::uint32_t seed = static_cast<std::uint32_t>(round * 100000 + player * 10);; ++seed) {
        sketch.seed = seed;
        auto bytes = quillmere::savewriter::BuildSave(quillmere::savewriter::MakeGame(sketch));
        if (analyser.analyse("probe.sav", 0, bytes).failure.empty()) return bytes;
    }
}

Measurement fastestOf(int rounds, const fs::path& binary, const std::vector<std::string>& arguments) {
    Measurement best;
    for (int round = 0; round < rounds; ++round) {
        const auto m = program(binary, arguments);
        require(m, arguments.front().c_str());
        keepFastest(best, m);
    }
    return best;
}

void measureSeason(const Options& options, const fs::path& bin) {
    const fs::path tournament = bin / "quillmere-tournament";
    const fs::path archive = options.dir / "season.qmt";
    const fs::path saves = options.dir / "round";
    const std::string jobs = std::to_string(options.jobs);
    fs::remove(archive);
    require(program(tournament, {"new", archive.string(), "--name", "Bench Season"}), "new");
    std::uintmax_t saveBytes = 0;
    const auto start = Clock::now();
    struct Point {
        int rounds;
        Measurement standings;
    };
    std::vector<Point> points;
    for (int round = 1; round <= options.seasonRounds; ++round) {
        fs::remove_all(saves);
        fs::create_directories(saves);
        for (int player = 0; player < options.perRound; ++player) {
            const auto bytes = smallSave(player, round);
            saveBytes += bytes.size();
            std::string name = std::to_string(10000 + player);  // appended: GCC 12 -O3 and literal + temporary
            name.insert(0, 1, 'P');
            name += ".sav";
            writeFile(saves / name, bytes);
        }
        require(program(tournament, {"round", archive.string(), "add", std::to_string(round)}), "round add");
        require(program(tournament, {"submit", archive.string(), "--round", std::to_string(round), "--register", "-j",
                                     jobs, saves.string()}),
                "submit");
        if (round == 2 || round == options.seasonRounds / 2 || round == options.seasonRounds) {
            points.push_back(
                {round, fastestOf(options.rounds, tournament,
                                  {"standings", archive.string(), "-o", (options.dir / "s.txt").string()})});
        }
    }
    fs::remove_all(saves);
    const double building = std::chrono::duration<double>(Clock::now() - start).count();
    const auto archiveBytes = fs::file_size(archive);
    const int submissions = options.seasonRounds * options.perRound;
    std::printf("season: %d rounds of %d small saves (%d submissions, %.1f MB of saves; built in %.0f s):\n",
                options.seasonRounds, options.perRound, submissions, megabytes(saveBytes), building);
    std::printf("  %-44s %7.1f MB  %5.3f x the saves' bytes\n", "archive size", megabytes(archiveBytes),
                static_cast<double>(archiveBytes) / static_cast<double>(saveBytes));
    for (const auto& point : points) {
        const std::string what = "open + season standings, " + std::to_string(point.rounds) + " rounds";
        std::printf("  %-44s %7.3f s  peak %6.1f MB\n", what.c_str(), point.standings.seconds,
                    megabytes(point.standings.peakKiB));
    }
    const auto round = fastestOf(options.rounds, tournament,
                                 {"standings", archive.string(), "--round", std::to_string(options.seasonRounds), "-o",
                                  (options.dir / "r.txt").string()});
    std::printf("  %-44s %7.3f s  peak %6.1f MB\n", "open + one round's table", round.seconds,
                megabytes(round.peakKiB));
    const fs::path copy = options.dir / "backup.qmt";
    const auto backup = fastestOf(options.rounds, tournament, {"backup", archive.string(), copy.string()});
    std::printf("  %-44s %7.3f s  %6.0f MB/s  peak %6.1f MB\n", "backup", backup.seconds,
                megabytes(archiveBytes) / backup.seconds, megabytes(backup.peakKiB));
    const auto check = fastestOf(options.rounds, tournament, {"check", archive.string()});
    std::printf("  %-44s %7.3f s  %6.0f MB/s  peak %6.1f MB\n", "check (integrity, every SHA-256)", check.seconds,
                megabytes(archiveBytes) / check.seconds, megabytes(check.peakKiB));
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    fs::create_directories(options.dir);
    if (options.submit) {
        measureSubmit(options, bin, "plain", false);
        measureSubmit(options, bin, "varied", true);
    }
    if (options.season) measureSeason(options, bin);
    if (!options.keep) fs::remove_all(options.dir);
    return 0;
}
