#include "tournament/Archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "analysis/Batch.h"
#include "analysis/BytesAnalyser.h"
#include "export/CsvReport.h"
#include "export/HtmlReport.h"
#include "export/JsonReport.h"
#include "export/ResultsFile.h"
#include "load/FileDescriptor.h"
#include "load/SaveFile.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "session/RecordCodec.h"
#include "session/TournamentChecks.h"
#include "tournament/Database.h"
#include "tournament/RecordBlob.h"
#include "tournament/SavePreparation.h"
#include "tournament/Schema.h"
#include "tournament/SeasonChecks.h"

namespace quillmere::tournament {

namespace {

using analysis::SaveRecord;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string textOf(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::span<const std::uint8_t> digestBytes(const analysis::GameDigest& digest, std::array<std::uint8_t, 16>& out) {
    for (int i = 0; i < 8; ++i) {
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(digest.high >> (56 - 8 * i));
        out[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(digest.low >> (56 - 8 * i));
    }
    return out;
}

analysis::GameDigest digestOf(std::span<const std::uint8_t> bytes) {
    analysis::GameDigest digest;
    if (bytes.size() != 16) return digest;
    for (std::size_t i = 0; i < 8; ++i) {
        digest.high = digest.high << 8 | bytes[i];
        digest.low = digest.low << 8 | bytes[8 + i];
    }
    return digest;
}

std::string systemText(int error) { return std::strerror(error); }

[[noreturn]] void refuse(const std::string& message) { throw ArchiveError(ArchiveProblem::Refused, message); }

// A name, title or reason the referee typed: one line of UTF-8 text, so that it reads alike in
// every output.
void requirePlainText(std::string_view text, const std::string& what, bool mayBeEmpty = false) {
    if (text.empty() && !mayBeEmpty) refuse(what + " is empty");
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        refuse(what + " holds a control character");
    if (load::FileNameToUtf8(text) != text) refuse(what + " is not UTF-8 text");
}

reload::RuleCheck rulesOf(const session::Profile& profile) {
    return reload::CheckRules(profile.rules, reload::CurrentYear());
}

// The rules the date checks need: all of them, or the start date alone while another rule is invalid.
std::optional<reload::Rules> dateRulesOf(const reload::RuleCheck& check) {
    std::optional<reload::Rules> rules = check.rules;
    if (!rules && check.startDate) {
        rules.emplace();
        rules->startDate = *check.startDate;
    }
    return rules;
}

void fsyncPath(const std::string& path, const std::string& archive) {
    const load::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid() || ::fsync(fd.get()) != 0) {
        const int error = errno;
        throw ArchiveError(error == ENOSPC || error == EDQUOT ? ArchiveProblem::Full : ArchiveProblem::Io,
                           archive + ": cannot make '" + path + "' durable (" + systemText(error) + ")");
    }
}

std::string folderOf(const std::string& path) {
    const std::string folder = load::FolderOf(path);
    return folder.empty() ? "." : folder;
}

// Removes a file this program made, when a step after it failed.
struct Leftover {
    std::string path;
    ~Leftover() {
        if (!path.empty()) {
            ::unlink(path.c_str());
            ::unlink((path + "-wal").c_str());
            ::unlink((path + "-shm").c_str());
        }
    }
};

// Starts the writeback of the journal's pages while the batch is still being analysed, so that the
// commit's fsync finds little left to write. Durability stays the commit's: this only hurries it.
class EarlyWriteback {
public:
    explicit EarlyWriteback(const std::string& journal) : m_fd(::open(journal.c_str(), O_RDONLY | O_CLOEXEC)) {}

    // Called after each stored save; starts a writeback once a few megabytes have come in.
    void stored(std::size_t bytes) {
        m_pending += bytes;
        if (m_pending < kEvery || !m_fd.valid()) return;
        m_pending = 0;
        (void)::sync_file_range(m_fd.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    }

private:
    static constexpr std::size_t kEvery = std::size_t{4} * 1024 * 1024;
    load::FileDescriptor m_fd;
    std::size_t m_pending = 0;
};

}  // namespace

struct Archive::Facts {
    RoundEntry entry;
    std::string playerName;
    std::string fileName;
    std::string path;
    std::int64_t fileTime = 0;
    std::string sha256;
    analysis::SaveStatus status = analysis::SaveStatus::Analysed;
    std::optional<Ruling> ruling;
};

std::size_t SubmitSummary::count(SubmitResult result) const {
    return static_cast<std::size_t>(
        std::count_if(outcomes.begin(), outcomes.end(), [&](const auto& o) { return o.result == result; }));
}

std::size_t SubmitSummary::failed() const {
    return static_cast<std::size_t>(std::count_if(outcomes.begin(), outcomes.end(), [](const auto& o) {
        return o.result == SubmitResult::Added && !o.failure.empty();
    }));
}

Archive::Archive(std::unique_ptr<Database> db, int schema) : m_db(std::move(db)), m_schema(schema) {}
Archive::~Archive() = default;
Archive::Archive(Archive&&) noexcept = default;
Archive& Archive::operator=(Archive&&) noexcept = default;

const std::string& Archive::path() const { return m_db->path(); }

Archive Archive::Create(const std::string& path, const std::string& name, const Scoring& scoring, std::int64_t now,
                        std::chrono::milliseconds busyTimeout) {
    requirePlainText(name, "the tournament's name");
    if (scoring.method == ScoringMethod::RankPoints && scoring.points.empty())
        refuse(path + ": points by rank need a table of points");
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) refuse(path + ": already exists (a new archive never replaces a file)");
    // Made under another name and linked into place complete, so that a kill never leaves half an
    // archive at `path`.
    Leftover made{path + ".new-" + std::to_string(::getpid())};
    ::unlink(made.path.c_str());
    {
        Database db(made.path, Access::Create, busyTimeout);
        db.execute("PRAGMA journal_mode = WAL");
        db.execute("PRAGMA synchronous = FULL");
        Transaction transaction(db, Transaction::Kind::Immediate);
        MigrateSchema(db, 0);
        db.cached("INSERT INTO tournament (id, name, scoring, created_at) VALUES (1, ?, ?, ?)")
            .bind(1, name)
            .bind(2, ScoringJson(scoring))
            .bind(3, now)
            .run();
        transaction.commit();
    }
    fsyncPath(made.path, path);
    if (::link(made.path.c_str(), path.c_str()) != 0) {
        const int error = errno;
        if (error == EEXIST) refuse(path + ": already exists (a new archive never replaces a file)");
        throw ArchiveError(ArchiveProblem::Io, path + ": cannot create the archive (" + systemText(error) + ")");
    }
    fsyncPath(folderOf(path), path);
    return Open(path, OpenMode::ReadWrite, busyTimeout);
}

Archive Archive::Open(const std::string& path, OpenMode mode, std::chrono::milliseconds busyTimeout) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw ArchiveError(ArchiveProblem::Io, path + ": cannot open the archive (" + systemText(errno) + ")");
    if (S_ISDIR(info.st_mode))
        throw ArchiveError(ArchiveProblem::NotAnArchive, path + ": not a tournament archive (a folder)");
    if (!S_ISREG(info.st_mode))
        throw ArchiveError(ArchiveProblem::NotAnArchive, path + ": not a tournament archive (not a regular file)");
    if (info.st_size == 0)
        throw ArchiveError(ArchiveProblem::NotAnArchive, path + ": not a tournament archive (an empty file)");
    if (mode == OpenMode::ReadWrite) {
        // SQLite would open such a file for reading only and fail at the first write; say so now.
        const std::string folder = folderOf(path);
        if (::access(path.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK) != 0) {
            throw ArchiveError(ArchiveProblem::ReadOnly, path + ": the archive cannot be written (" +
                                                             systemText(errno) + "; commands that only read it work)");
        }
    }
    auto db = std::make_unique<Database>(path, mode == OpenMode::ReadOnly ? Access::ReadOnly : Access::ReadWrite,
                                         busyTimeout);
    if (mode == OpenMode::ReadWrite && db->readOnly()) {
        throw ArchiveError(ArchiveProblem::ReadOnly,
                           path + ": the archive cannot be written (commands that only read it work)");
    }
    std::int64_t version = 0;
    std::int64_t application = 0;
    std::int64_t tables = 0;
    const auto readHeader = [&] {
        Transaction reading(*db, Transaction::Kind::Deferred);
        application = db->integer("PRAGMA application_id");
        version = db->integer("PRAGMA user_version");
        tables = db->integer("SELECT count(*) FROM sqlite_schema");
    };
    try {
        readHeader();
    } catch (const ArchiveError& error) {
        // A journaled archive needs its shared-memory file beside it, which a read-only folder
        // cannot take. With no journal there, nothing can have changed it: it is read as it lies.
        struct stat journal {};
        const bool journalFree = ::stat((path + "-wal").c_str(), &journal) != 0 || journal.st_size == 0;
        const bool cannotLock = error.problem() == ArchiveProblem::ReadOnly || error.problem() == ArchiveProblem::Io;
        if (mode != OpenMode::ReadOnly || !cannotLock || !journalFree) throw;
        db = std::make_unique<Database>(path, Access::Immutable, busyTimeout);
        readHeader();
    }
    {
        if (application != kApplicationId) {
            throw ArchiveError(ArchiveProblem::NotAnArchive,
                               path + ": not a tournament archive (" +
                                   (tables == 0 ? "an empty database" : "an SQLite database of another program") + ")");
        }
        if (version > kSchemaVersion) {
            throw ArchiveError(ArchiveProblem::NewerSchema,
                               path + ": made by a newer version of Quillmere (archive schema " +
                                   std::to_string(version) + "; this version reads schemas up to " +
                                   std::to_string(kSchemaVersion) + "): nothing was changed");
        }
        if (version < 1)
            throw ArchiveError(ArchiveProblem::Damaged, path + ": the archive is damaged (no schema version)");
    }
    // Schema 2 lacks only the settings of schema 3, which read as their defaults: it is read as it lies.
    if (version < kSchemaVersion && !(mode == OpenMode::ReadOnly && version == 2)) {
        if (mode == OpenMode::ReadOnly) {
            throw ArchiveError(ArchiveProblem::ReadOnly, path + ": made by an older version (archive schema " +
                                                             std::to_string(version) +
                                                             "): open it for writing once to bring it up to date");
        }
        Transaction migration(*db, Transaction::Kind::Immediate);
        MigrateSchema(*db, static_cast<int>(db->integer("PRAGMA user_version")));
        migration.commit();
        version = kSchemaVersion;
    }
    if (mode == OpenMode::ReadWrite) {
        db->execute("PRAGMA journal_mode = WAL");
        db->execute("PRAGMA synchronous = FULL");
    }
    return Archive(std::move(db), static_cast<int>(version));
}

void Archive::requireWritable() const {
    if (m_db->readOnly())
        throw ArchiveError(ArchiveProblem::ReadOnly, path() + ": the archive is open for reading only");
}

std::string Archive::tournamentName() const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    auto& statement = m_db->cached("SELECT name FROM tournament WHERE id = 1");
    if (!statement.step())
        throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (no tournament)");
    return statement.text(0);
}

Scoring Archive::scoring() const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    auto& statement = m_db->cached("SELECT scoring FROM tournament WHERE id = 1");
    if (!statement.step())
        throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (no tournament)");
    const auto scoring = ParseScoring(statement.text(0));
    if (!scoring)
        throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (its scoring does not read)");
    return *scoring;
}

bool Archive::standingsPublic() const {
    if (m_schema < 3) return false;
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    auto& statement = m_db->cached("SELECT standings_public FROM tournament WHERE id = 1");
    if (!statement.step())
        throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (no tournament)");
    return statement.integer(0) != 0;
}

void Archive::publishStandings(bool published) {
    requireWritable();
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    m_db->cached("UPDATE tournament SET standings_public = ? WHERE id = 1").bind(1, std::int64_t{published}).run();
    transaction.commit();
}

void Archive::addRound(const RoundInfo& round) {
    requireWritable();
    if (round.number < 1 || round.number > kMostRounds)
        refuse(path() + ": a round's number is 1 to " + std::to_string(kMostRounds) + ", not " +
               std::to_string(round.number));
    const std::string title = round.title.empty() ? "Round " + std::to_string(round.number) : round.title;
    requirePlainText(title, path() + ": the round's title");
    if (const auto check = rulesOf(round.profile); !check.errors.empty())
        refuse(path() + ": round " + std::to_string(round.number) + ": " + reload::NamedMessage(check.errors.front()));
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    auto& exists = m_db->cached("SELECT 1 FROM rounds WHERE number = ?");
    exists.bind(1, std::int64_t{round.number});
    if (exists.step()) refuse(path() + ": round " + std::to_string(round.number) + " exists already");
    m_db->cached("INSERT INTO rounds (number, title, profile, profile_name, accepts_late) VALUES (?, ?, ?, ?, ?)")
        .bind(1, std::int64_t{round.number})
        .bind(2, title)
        .bind(3, session::ProfileJson(round.profile))
        .bind(4, round.profileName)
        .bind(5, std::int64_t{round.acceptsLate})
        .run();
    transaction.commit();
}

void Archive::changeRound(const RoundInfo& round) {
    requireWritable();
    const std::string title = round.title.empty() ? "Round " + std::to_string(round.number) : round.title;
    requirePlainText(title, path() + ": the round's title");
    if (const auto check = rulesOf(round.profile); !check.errors.empty())
        refuse(path() + ": round " + std::to_string(round.number) + ": " + reload::NamedMessage(check.errors.front()));
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    m_db->cached("UPDATE rounds SET title = ?, profile = ?, profile_name = ?, accepts_late = ? WHERE number = ?")
        .bind(1, title)
        .bind(2, session::ProfileJson(round.profile))
        .bind(3, round.profileName)
        .bind(4, std::int64_t{round.acceptsLate})
        .bind(5, std::int64_t{round.number})
        .run();
    if (m_db->changes() == 0) refuse(path() + ": there is no round " + std::to_string(round.number));
    transaction.commit();
}

std::vector<RoundInfo> Archive::rounds() const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    std::vector<RoundInfo> rounds;
    auto& statement = m_db->cached(
        m_schema >= 3
            ? "SELECT number, title, profile, profile_name, "
              "(SELECT count(*) FROM submissions WHERE round = number), accepts_late FROM rounds ORDER BY number"
            : "SELECT number, title, profile, profile_name, "
              "(SELECT count(*) FROM submissions WHERE round = number), 0 FROM rounds ORDER BY number");
    while (statement.step()) {
        RoundInfo round;
        round.number = static_cast<int>(statement.integer(0));
        round.title = statement.text(1);
        try {
            round.profile = session::ParseProfile(statement.text(2));
        } catch (const session::ProfileError& error) {
            throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (round " +
                                                            std::to_string(round.number) +
                                                            "'s profile: " + error.what() + ")");
        }
        round.profileName = statement.text(3);
        round.submissions = static_cast<std::size_t>(statement.integer(4));
        round.acceptsLate = statement.integer(5) != 0;
        rounds.push_back(std::move(round));
    }
    return rounds;
}

RoundInfo Archive::round(int number) const {
    for (auto& round : rounds()) {
        if (round.number == number) return round;
    }
    refuse(path() + ": there is no round " + std::to_string(number));
}

std::optional<std::int64_t> Archive::playerNamed(const std::string& name) const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    auto& statement = m_db->cached("SELECT id FROM players WHERE name = ?");
    statement.bind(1, name);
    if (!statement.step()) return std::nullopt;
    return statement.integer(0);
}

std::int64_t Archive::addPlayer(const std::string& name, std::span<const std::string> playsAs, std::int64_t now) {
    requireWritable();
    requirePlainText(name, path() + ": the player's name");
    for (const auto& nick : playsAs) requirePlainText(nick, path() + ": the name a player plays under");
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    if (playerNamed(name)) refuse(path() + ": there is a player named '" + name + "' already");
    m_db->cached("INSERT INTO players (name, registered_at) VALUES (?, ?)").bind(1, name).bind(2, now).run();
    const std::int64_t id = m_db->lastInsertId();
    const std::vector<std::string> own{name};
    for (const auto& nick : playsAs.empty() ? std::span<const std::string>(own) : playsAs) {
        m_db->cached("INSERT OR IGNORE INTO player_names (player_id, nick_name) VALUES (?, ?)")
            .bind(1, id)
            .bind(2, bytesOf(load::Utf8ToWindows1251(nick)))
            .run();
    }
    transaction.commit();
    return id;
}

void Archive::addPlaysAs(const std::string& name, const std::string& nickName) {
    requireWritable();
    requirePlainText(nickName, path() + ": the name a player plays under");
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    const auto player = playerNamed(name);
    if (!player) refuse(path() + ": there is no player named '" + name + "'");
    const std::string bytes = load::Utf8ToWindows1251(nickName);
    m_db->cached("INSERT OR IGNORE INTO player_names (player_id, nick_name) VALUES (?, ?)")
        .bind(1, *player)
        .bind(2, bytesOf(bytes))
        .run();
    transaction.commit();
}

std::vector<PlayerInfo> Archive::players() const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    std::vector<PlayerInfo> players;
    auto& statement = m_db->cached(
        "SELECT id, name, (SELECT count(*) FROM submissions WHERE player_id = players.id) FROM players ORDER BY name");
    while (statement.step()) {
        PlayerInfo player;
        player.id = statement.integer(0);
        player.name = statement.text(1);
        player.submissions = static_cast<std::size_t>(statement.integer(2));
        players.push_back(std::move(player));
    }
    for (auto& player : players) {
        auto& names = m_db->cached("SELECT nick_name FROM player_names WHERE player_id = ? ORDER BY nick_name");
        names.bind(1, player.id);
        while (names.step()) player.playsAs.push_back(load::Windows1251ToUtf8(textOf(names.blob(0))));
        auto& played = m_db->cached(
            "SELECT nick_name FROM submissions WHERE player_id = ? AND status IN (0, 1) GROUP BY nick_name "
            "ORDER BY min(id)");
        played.bind(1, player.id);
        while (played.step()) player.playedAs.push_back(load::Windows1251ToUtf8(textOf(played.blob(0))));
    }
    return players;
}

SubmitOutcome Archive::store(PreparedSave& save, const SubmitOptions& options, std::optional<std::int64_t> player) {
    SubmitOutcome outcome;
    outcome.path = save.path;
    const auto refused = [&](std::string message) {
        outcome.result = SubmitResult::Refused;
        outcome.message = std::move(message);
        return outcome;
    };
    if (!save.readFailure.empty()) return refused(save.readFailure);
    const SaveRecord& rec = save.record;
    if (!player) {
        const std::string nick = load::Windows1251ToUtf8(rec.nickName);
        if (!rec.failure.empty()) return refused("cannot tell whose save it is (" + rec.failure + "): name its player");
        if (rec.nickName.empty()) return refused("the save names no player: name its player");
        std::vector<PlayerInfo> candidates;
        auto& playing = m_db->cached(
            "SELECT players.id, players.name FROM player_names JOIN players ON players.id = player_names.player_id "
            "WHERE player_names.nick_name = ? ORDER BY players.name");
        playing.bind(1, bytesOf(rec.nickName));
        while (playing.step()) candidates.push_back(PlayerInfo{playing.integer(0), playing.text(1), {}, {}, 0});
        playing.reset();
        if (candidates.size() == 1) {
            player = candidates.front().id;
        } else if (candidates.empty()) {
            if (!options.registerPlayers) {
                outcome.unknownName = nick;
                return refused("no player plays as '" + nick + "': name its player");
            }
            if (playerNamed(nick)) {
                return refused("a player named '" + nick + "' is registered, but does not play as '" + nick +
                               "': name its player");
            }
            m_db->cached("INSERT INTO players (name, registered_at) VALUES (?, ?)")
                .bind(1, nick)
                .bind(2, options.receivedAt)
                .run();
            player = m_db->lastInsertId();
            m_db->cached("INSERT INTO player_names (player_id, nick_name) VALUES (?, ?)")
                .bind(1, *player)
                .bind(2, bytesOf(rec.nickName))
                .run();
            outcome.newPlayer = true;
        } else {
            std::string names;
            for (std::size_t i = 0; i < candidates.size(); ++i)
                names += (i == 0 ? "" : i + 1 == candidates.size() ? " and " : ", ") + candidates[i].name;
            const auto chosen =
                options.choosePlayer ? options.choosePlayer({save.path, nick, candidates}) : std::nullopt;
            const bool among = chosen && std::any_of(candidates.begin(), candidates.end(),
                                                     [&](const PlayerInfo& c) { return c.id == *chosen; });
            if (!among) return refused("'" + nick + "' is played by " + names + ": name its player");
            player = *chosen;
        }
    }
    auto& named = m_db->cached("SELECT name FROM players WHERE id = ?");
    named.bind(1, *player);
    outcome.player = named.step() ? named.text(0) : std::string();
    named.reset();

    auto& same = m_db->cached(
        "SELECT id, round, player_id, (SELECT name FROM players WHERE id = player_id) FROM submissions "
        "WHERE sha256 = ? ORDER BY (round = ? AND player_id = ?) DESC, id LIMIT 1");
    same.bind(1, std::span<const std::uint8_t>(save.sha256)).bind(2, std::int64_t{options.round}).bind(3, *player);
    if (same.step()) {
        const std::int64_t first = same.integer(0);
        if (same.integer(1) == options.round && same.integer(2) == *player) {
            outcome.result = SubmitResult::AlreadyThere;
            outcome.submission = first;
            outcome.message = "the same file as submission " + std::to_string(first) + ": not added again";
            same.reset();
            return outcome;
        }
        outcome.message = "the same file as submission " + std::to_string(first) + " (round " +
                          std::to_string(same.integer(1)) + ", player " + same.text(3) + ")";
    }
    same.reset();

    auto& standing = m_db->cached(
        "SELECT id, received_at FROM submissions WHERE round = ? AND player_id = ? ORDER BY received_at DESC, id DESC "
        "LIMIT 1");
    standing.bind(1, std::int64_t{options.round}).bind(2, *player);
    if (standing.step() && standing.integer(1) <= options.receivedAt) outcome.supersedes = standing.integer(0);
    standing.reset();

    m_db->cached("INSERT OR IGNORE INTO files (sha256, size, bytes) VALUES (?, ?, ?)")
        .bind(1, std::span<const std::uint8_t>(save.sha256))
        .bind(2, static_cast<std::int64_t>(save.bytes.size()))
        .bind(3, std::span<const std::uint8_t>(save.bytes))
        .run();
    std::array<std::uint8_t, 16> digest{};
    const auto status = analysis::StatusOf(rec);
    m_db->cached(
            "INSERT INTO submissions (round, player_id, file_name, received_at, file_time, sha256, status, "
            "final_score, nick_name, game_length, game_hash, added_by, summary) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .bind(1, std::int64_t{options.round})
        .bind(2, *player)
        .bind(3, save.path)
        .bind(4, options.receivedAt)
        .bind(5, static_cast<std::int64_t>(save.fileTime))
        .bind(6, std::span<const std::uint8_t>(save.sha256))
        .bind(7, static_cast<std::int64_t>(status))
        .bind(8, std::int64_t{rec.finalScore})
        .bind(9, bytesOf(rec.nickName))
        .bind(10, rec.gameLength)
        .bind(11, digestBytes(rec.gameHash, digest))
        .bind(12, options.by)
        .bind(13, std::span<const std::uint8_t>(save.encodedSummary))
        .run();
    outcome.submission = m_db->lastInsertId();
    m_db->cached("INSERT INTO records (submission_id, record) VALUES (?, ?)")
        .bind(1, outcome.submission)
        .bind(2, std::span<const std::uint8_t>(save.encodedRecord))
        .run();
    outcome.result = SubmitResult::Added;
    outcome.failure = rec.failure;
    return outcome;
}

SubmitSummary Archive::submitFiles(std::span<const std::string> paths, const SubmitOptions& options) {
    requireWritable();
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    (void)round(options.round);
    std::optional<std::int64_t> player;
    bool newPlayer = false;
    if (options.player) {
        player = playerNamed(*options.player);
        if (!player && !options.registerPlayers)
            refuse(path() + ": there is no player named '" + *options.player + "'");
        if (!player) {
            requirePlainText(*options.player, path() + ": the player's name");
            m_db->cached("INSERT INTO players (name, registered_at) VALUES (?, ?)")
                .bind(1, *options.player)
                .bind(2, options.receivedAt)
                .run();
            player = m_db->lastInsertId();
            m_db->cached("INSERT INTO player_names (player_id, nick_name) VALUES (?, ?)")
                .bind(1, *player)
                .bind(2, bytesOf(load::Utf8ToWindows1251(*options.player)))
                .run();
            newPlayer = true;
        }
    }
    SubmitSummary summary;
    bool anyRefused = false;
    {
        EarlyWriteback writeback(path() + "-wal");
        SavePreparer preparer(paths, analysis::WorkerCount(options.jobs));
        while (auto save = preparer.next()) {
            summary.outcomes.push_back(store(*save, options, player));
            writeback.stored(save->bytes.size() + save->encodedRecord.size());
            if (newPlayer && summary.outcomes.size() == 1) summary.outcomes.back().newPlayer = true;
            anyRefused = anyRefused || summary.outcomes.back().result == SubmitResult::Refused;
            if (options.onProgress) options.onProgress(summary.outcomes.size(), paths.size());
        }
    }
    if (anyRefused) return summary;  // rolled back: none of the batch is stored
    transaction.commit();
    summary.committed = true;
    return summary;
}

SubmitOutcome Archive::submitUpload(const Upload& upload) {
    requireWritable();
    analysis::BytesAnalyser analyser;
    PreparedSave save = PrepareSave(analyser, upload.fileName, upload.fileTime,
                                    std::vector<std::uint8_t>(upload.bytes.begin(), upload.bytes.end()));
    if (upload.refuseUnreadable && analysis::StatusOf(save.record) == analysis::SaveStatus::Failed) {
        SubmitOutcome outcome;
        outcome.path = save.path;
        outcome.player = upload.player;
        outcome.failure = save.record.failure;
        outcome.message = save.record.failure;
        return outcome;
    }
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    (void)round(upload.round);
    const auto player = playerNamed(upload.player);
    if (!player) refuse(path() + ": there is no player named '" + upload.player + "'");
    SubmitOptions options;
    options.round = upload.round;
    options.receivedAt = upload.receivedAt;
    options.by = upload.by;
    SubmitOutcome outcome = store(save, options, player);
    if (outcome.result == SubmitResult::Added && upload.receipt) {
        const StoredReceipt receipt = upload.receipt(*this, outcome.submission);
        m_db->cached("INSERT INTO receipts (submission_id, body, signature) VALUES (?, ?, ?)")
            .bind(1, outcome.submission)
            .bind(2, receipt.body)
            .bind(3, std::span<const std::uint8_t>(receipt.signature))
            .run();
    }
    if (outcome.result != SubmitResult::Refused) transaction.commit();
    return outcome;
}

void Archive::rule(std::int64_t submission, RulingState state, const std::string& reason, const std::string& by,
                   std::int64_t now) {
    requireWritable();
    const bool needsReason = state == RulingState::Rejected || state == RulingState::Disqualified;
    requirePlainText(reason, path() + ": the reason", !needsReason);
    requirePlainText(by, path() + ": who rules");
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    auto& exists = m_db->cached("SELECT 1 FROM submissions WHERE id = ?");
    exists.bind(1, submission);
    if (!exists.step()) refuse(path() + ": there is no submission " + std::to_string(submission));
    exists.reset();
    m_db->cached("INSERT INTO rulings (submission_id, state, reason, ruled_by, ruled_at) VALUES (?, ?, ?, ?, ?)")
        .bind(1, submission)
        .bind(2, StateName(state))
        .bind(3, reason)
        .bind(4, by)
        .bind(5, now)
        .run();
    transaction.commit();
}

std::string Archive::roundFilter(std::optional<std::int64_t> partnersOf) {
    // A round's checks across saves group them by their game data and by their in-game name (the
    // first of a save chain's key) alone: those partners, found from the indexes, are all that a
    // submission's flags depend on.
    return partnersOf ? "s.round = ?1 AND s.id IN (SELECT o.id FROM submissions n JOIN submissions o ON "
                        "o.round = n.round AND (o.id = n.id OR (o.game_hash = n.game_hash AND "
                        "o.game_length = n.game_length) OR o.nick_name = n.nick_name) WHERE n.id = ?2)"
                      : "s.round = ?1";
}

std::vector<Archive::Facts> Archive::loadFacts(int round, std::optional<std::int64_t> partnersOf) const {
    std::vector<Facts> facts;
    auto& statement = m_db->cached(
        "SELECT s.id, s.round, s.player_id, p.name, s.file_name, s.received_at, s.file_time, s.status, s.final_score, "
        "s.nick_name, s.game_length, s.game_hash, s.sha256, r.state, r.reason, r.ruled_by, r.ruled_at "
        "FROM submissions s JOIN players p ON p.id = s.player_id "
        "LEFT JOIN rulings r ON r.id = (SELECT max(id) FROM rulings WHERE submission_id = s.id) "
        "WHERE " +
        roundFilter(partnersOf) + " ORDER BY s.id");
    statement.bind(1, std::int64_t{round});
    if (partnersOf) statement.bind(2, *partnersOf);
    while (statement.step()) {
        Facts f;
        f.entry.submission = statement.integer(0);
        f.entry.player = statement.integer(2);
        f.playerName = statement.text(3);
        f.path = statement.text(4);
        f.fileName = load::FileNameToUtf8(load::FileNameOf(f.path));
        f.entry.receivedAt = statement.integer(5);
        f.fileTime = statement.integer(6);
        f.status = static_cast<analysis::SaveStatus>(std::clamp<std::int64_t>(statement.integer(7), 0, 3));
        if (f.status == analysis::SaveStatus::Analysed)
            f.entry.finalScore = static_cast<std::int32_t>(statement.integer(8));
        f.sha256 = HexText(statement.blob(12));
        if (!statement.isNull(13)) {
            const auto state = StateNamed(statement.text(13));
            f.ruling = Ruling{state.value_or(RulingState::Pending), statement.text(14), statement.text(15),
                              statement.integer(16)};
            f.entry.state = f.ruling->state;
        }
        facts.push_back(std::move(f));
    }
    return facts;
}

std::map<std::int64_t, std::vector<std::string>> Archive::seasonFlags() const {
    // Only a game sent in two rounds, a name played by two players or a player under two names can be
    // flagged across rounds; SQLite picks those submissions out from its indexes alone (the groups
    // count every status, a harmless superset), so that memory follows the flagged, not the season.
    // Each keeps every partner it could be compared with, so CheckSeason finds on them exactly what it
    // would on every submission.
    auto& statement = m_db->cached(
        "SELECT s.id, s.round, s.player_id, p.name, s.file_name, s.nick_name, s.game_length, s.game_hash, "
        "NOT EXISTS (SELECT 1 FROM submissions l WHERE l.round = s.round AND l.player_id = s.player_id AND "
        "(l.received_at > s.received_at OR (l.received_at = s.received_at AND l.id > s.id))), "
        "(SELECT state FROM rulings WHERE submission_id = s.id ORDER BY id DESC LIMIT 1) "
        "FROM submissions s JOIN players p ON p.id = s.player_id WHERE s.status = 0 AND ("
        "(s.game_hash, s.game_length) IN (SELECT game_hash, game_length FROM submissions "
        "GROUP BY game_hash, game_length HAVING count(DISTINCT round) > 1) OR "
        "s.nick_name IN (SELECT nick_name FROM submissions WHERE length(nick_name) > 0 "
        "GROUP BY nick_name HAVING count(DISTINCT player_id) > 1) OR "
        "s.player_id IN (SELECT player_id FROM submissions WHERE length(nick_name) > 0 "
        "GROUP BY player_id HAVING count(DISTINCT nick_name) > 1)) "
        "ORDER BY s.round, s.id");
    std::vector<SubmissionFacts> candidates;
    while (statement.step()) {
        SubmissionFacts f;
        f.submission = statement.integer(0);
        f.round = static_cast<int>(statement.integer(1));
        f.player = statement.integer(2);
        f.playerName = statement.text(3);
        f.fileName = load::FileNameToUtf8(load::FileNameOf(statement.text(4)));
        f.shown = true;
        f.nickName = textOf(statement.blob(5));
        f.gameLength = statement.integer(6);
        f.gameHash = digestOf(statement.blob(7));
        f.current = statement.integer(8) != 0;
        const auto state = statement.isNull(9) ? std::nullopt : StateNamed(statement.text(9));
        f.ruledOut = state == RulingState::Rejected || state == RulingState::Disqualified;
        candidates.push_back(std::move(f));
    }
    statement.reset();
    return CheckSeason(candidates);
}

analysis::ResultTable Archive::storedRecords(int round, bool whole, std::optional<std::int64_t> partnersOf) const {
    analysis::ResultTable records;
    auto& statement = m_db->cached(
        (whole ? "SELECT r.record, s.file_name, s.file_time, s.sha256 FROM submissions s JOIN records r ON "
                 "r.submission_id = s.id WHERE "
               : "SELECT s.summary, s.file_name, s.file_time, s.sha256 FROM submissions s WHERE ") +
        roundFilter(partnersOf) + " ORDER BY s.id");
    statement.bind(1, std::int64_t{round});
    if (partnersOf) statement.bind(2, *partnersOf);
    struct Walk {
        std::size_t index;
        std::string path;
        std::time_t fileTime;
        std::vector<std::uint8_t> sha256;
    };
    std::vector<Walk> walks;
    while (statement.step()) {
        try {
            records.push_back(whole ? UnpackRecord(statement.blob(0)) : session::DecodeRecord(statement.blob(0)));
        } catch (const session::RecordCodecError&) {
            // A record this version does not read (an older encoding): the save is walked again.
            const auto sha = statement.blob(3);
            walks.push_back({records.size(), statement.text(1), static_cast<std::time_t>(statement.integer(2)),
                             std::vector<std::uint8_t>(sha.begin(), sha.end())});
            records.emplace_back();
        }
    }
    statement.reset();
    analysis::BytesAnalyser analyser;
    for (const auto& walk : walks) {
        auto& bytes = m_db->cached("SELECT bytes FROM files WHERE sha256 = ?");
        bytes.bind(1, std::span<const std::uint8_t>(walk.sha256));
        if (!bytes.step())
            throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (a stored file is missing)");
        records[walk.index] = analyser.analyse(walk.path, walk.fileTime, bytes.blob(0));
        bytes.reset();
        if (!whole) records[walk.index].history.clear();
    }
    return records;
}

void Archive::judgeRecords(analysis::ResultTable& records, std::span<const Facts> facts, const RoundInfo& round,
                           const std::map<std::int64_t, std::vector<std::string>>& seasonFlags,
                           std::vector<bool>* late) const {
    if (records.size() != facts.size())
        throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (a record is missing)");
    const auto check = rulesOf(round.profile);
    reload::ApplyRules(records, check.rules);
    const auto dateRules = dateRulesOf(check);
    session::CheckTournament(records, &round.profile, dateRules);
    // The round's own checks lead, as quillmere-report lists them; the receipt's and the season's follow.
    if (late) late->assign(records.size(), false);
    for (std::size_t i = 0; i < records.size(); ++i) {
        SaveRecord& rec = records[i];
        if (!analysis::ShowsDetails(rec)) continue;
        if (dateRules) {
            if (auto flag =
                    LateReceipt(static_cast<std::time_t>(facts[i].entry.receivedAt), round.profile, *dateRules)) {
                rec.flags.push_back(std::move(*flag));
                if (late) (*late)[i] = true;
            }
        }
        if (const auto found = seasonFlags.find(facts[i].entry.submission); found != seasonFlags.end())
            rec.flags.insert(rec.flags.end(), found->second.begin(), found->second.end());
    }
}

RoundTable Archive::judgeRound(const RoundInfo& round,
                               const std::map<std::int64_t, std::vector<std::string>>& seasonFlags,
                               std::optional<std::int64_t> partnersOf) const {
    RoundTable table;
    table.round = round;
    const auto facts = loadFacts(round.number, partnersOf);
    analysis::ResultTable records = storedRecords(round.number, false, partnersOf);
    std::vector<bool> late;
    judgeRecords(records, facts, round, seasonFlags, &late);
    std::vector<RoundEntry> entries;
    for (const auto& f : facts) entries.push_back(f.entry);
    const auto places = RankRound(entries);
    for (std::size_t i = 0; i < facts.size(); ++i) {
        const Facts& f = facts[i];
        SaveRecord& rec = records[i];
        SubmissionRow row;
        row.id = f.entry.submission;
        row.round = round.number;
        row.player = f.entry.player;
        row.playerName = f.playerName;
        row.path = load::FileNameToUtf8(f.path);
        row.fileName = f.fileName;
        row.receivedAt = f.entry.receivedAt;
        row.fileTime = f.fileTime;
        row.sha256 = f.sha256;
        row.status = analysis::StatusOf(rec);
        row.failure = rec.failure;
        row.nickName = load::Windows1251ToUtf8(rec.nickName);
        row.finalScore = rec.finalScore;
        if (rec.reload) row.verdict = rec.reload->honesty;
        row.ruling = f.ruling;
        row.place = places[i];
        row.late = late[i];
        row.flags = std::move(rec.flags);
        table.rows.push_back(std::move(row));
    }
    std::stable_sort(table.rows.begin(), table.rows.end(), [](const SubmissionRow& a, const SubmissionRow& b) {
        if (a.place.rank.has_value() != b.place.rank.has_value()) return a.place.rank.has_value();
        return a.place.rank && *a.place.rank < *b.place.rank;
    });
    return table;
}

RoundTable Archive::roundTable(int number) const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    RoundTable table = judgeRound(round(number), seasonFlags());
    table.tournament = tournamentName();
    return table;
}

SubmissionRow Archive::judgedSubmission(std::int64_t submission) const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    auto& inRound = m_db->cached("SELECT round FROM submissions WHERE id = ?");
    inRound.bind(1, submission);
    if (!inRound.step()) refuse(path() + ": there is no submission " + std::to_string(submission));
    const int number = static_cast<int>(inRound.integer(0));
    inRound.reset();
    RoundTable table = judgeRound(round(number), seasonFlags(), submission);
    for (auto& row : table.rows) {
        if (row.id != submission) continue;
        row.place = {};
        return std::move(row);
    }
    throw ArchiveError(ArchiveProblem::Damaged, path() + ": the archive is damaged (a submission is missing)");
}

SeasonTable Archive::seasonTable() const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    SeasonTable season;
    season.tournament = tournamentName();
    season.scoring = scoring();
    season.rounds = rounds();
    const auto flags = seasonFlags();
    std::vector<RoundResult> results;
    for (const auto& round : season.rounds) {
        RoundTable table = judgeRound(round, flags);
        for (auto& row : table.rows) {
            if (row.place.rank) {
                results.push_back({round.number, row.player, row.id, row.finalScore, *row.place.rank,
                                   row.place.standing == Standing::Provisional});
            }
            const bool ruledOut =
                row.place.standing == Standing::Rejected || row.place.standing == Standing::Disqualified;
            if (!row.flags.empty() && !row.place.supersededBy && !ruledOut) season.flagged.push_back(std::move(row));
        }
    }
    std::vector<std::int64_t> players;
    std::map<std::int64_t, std::string> names;
    auto& statement = m_db->cached("SELECT id, name FROM players ORDER BY name");
    while (statement.step()) {
        players.push_back(statement.integer(0));
        names[players.back()] = statement.text(1);
    }
    for (auto& line : RankSeason(season.scoring, players, results)) {
        SeasonTable::Line entry{std::move(line), {}};
        entry.playerName = names[entry.standing.player];
        season.lines.push_back(std::move(entry));
    }
    std::stable_sort(season.flagged.begin(), season.flagged.end(),
                     [](const auto& a, const auto& b) { return std::pair(a.round, a.id) < std::pair(b.round, b.id); });
    return season;
}

analysis::ResultTable Archive::roundRecords(int number) const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    const RoundInfo info = round(number);
    analysis::ResultTable records = storedRecords(number, true);
    judgeRecords(records, loadFacts(number), info, seasonFlags());
    return records;
}

exporting::LostCharacters Archive::writeRoundReport(int number, session::ReportFormat format,
                                                    const view::FormatOptions& options,
                                                    const session::ReportContent& content,
                                                    std::optional<view::SortKey> sort,
                                                    const std::function<void(std::string_view)>& write) const {
    const RoundInfo info = round(number);
    analysis::ResultTable records = roundRecords(number);
    view::SortDirections directions;
    view::SortRecords(records, view::SortKey::FileName, directions.fileName);
    if (sort) view::SortClick(records, directions, *sort);
    const auto check = rulesOf(info.profile);
    if (!check.rules) refuse(path() + ": round " + std::to_string(number) + "'s rules are invalid");
    return session::WriteReport(records, info.profile.rules, *check.rules, info.profile.name, format, options, content,
                                write);
}

CheckReport Archive::check() const {
    CheckReport report;
    struct stat info {};
    if (::stat(path().c_str(), &info) == 0) report.archiveBytes = info.st_size;
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    try {
        auto& integrity = m_db->cached("PRAGMA integrity_check(100)");
        while (integrity.step()) {
            const std::string line = integrity.text(0);
            if (line != "ok") report.problems.push_back("SQLite: " + line);
        }
        integrity.reset();
        auto& keys = m_db->cached("PRAGMA foreign_key_check");
        while (keys.step()) {
            report.problems.push_back("row " + std::to_string(keys.integer(1)) + " of " + keys.text(0) +
                                      " refers to a missing row of " + keys.text(2));
        }
        keys.reset();
        auto& files = m_db->cached("SELECT sha256, size, bytes FROM files");
        while (files.step()) {
            const auto bytes = files.blob(2);
            ++report.files;
            report.bytes += static_cast<std::int64_t>(bytes.size());
            const auto key = files.blob(0);
            const Sha256Digest digest = Sha256(bytes);
            if (static_cast<std::int64_t>(bytes.size()) != files.integer(1) ||
                !std::equal(key.begin(), key.end(), digest.begin(), digest.end())) {
                report.problems.push_back("the stored file " + HexText(key) + " does not match its SHA-256");
            }
        }
        files.reset();
        auto& records = m_db->cached(
            "SELECT s.id, s.summary, r.record FROM submissions s LEFT JOIN records r ON r.submission_id = s.id "
            "ORDER BY s.id");
        while (records.step()) {
            try {
                (void)session::DecodeRecord(records.blob(1));
                (void)UnpackRecord(records.blob(2));
            } catch (const session::RecordCodecError& error) {
                report.problems.push_back("the record of submission " + std::to_string(records.integer(0)) +
                                          " does not read (" + error.what() + ")");
            }
        }
        records.reset();
        auto& orphans =
            m_db->cached("SELECT id FROM submissions WHERE id NOT IN (SELECT submission_id FROM records) ORDER BY id");
        while (orphans.step())
            report.problems.push_back("submission " + std::to_string(orphans.integer(0)) + " has no record");
        orphans.reset();
        (void)scoring();
        (void)rounds();
    } catch (const ArchiveError& error) {
        report.problems.push_back(error.what());
    }
    return report;
}

void Archive::backup(const std::string& destination) const {
    struct stat source {};
    struct stat target {};
    if (::stat(path().c_str(), &source) == 0 && ::stat(destination.c_str(), &target) == 0 &&
        source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
        refuse(path() + ": a backup cannot replace the archive itself");
    }
    Leftover copy{destination + ".new-" + std::to_string(::getpid())};
    ::unlink(copy.path.c_str());
    auto& vacuum = m_db->cached("VACUUM INTO ?");
    vacuum.bind(1, copy.path);
    vacuum.run();
    vacuum.reset();
    fsyncPath(copy.path, path());
    if (::rename(copy.path.c_str(), destination.c_str()) != 0) {
        throw ArchiveError(ArchiveProblem::Io,
                           path() + ": cannot write the backup '" + destination + "' (" + systemText(errno) + ")");
    }
    copy.path.clear();
    fsyncPath(folderOf(destination), path());
}

}  // namespace quillmere::tournament
