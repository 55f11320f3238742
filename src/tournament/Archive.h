#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/SaveRecord.h"
#include "session/Profile.h"
#include "session/Session.h"
#include "tournament/ArchiveError.h"
#include "tournament/Scoring.h"
#include "tournament/StandingsTables.h"
#include "view/CellTexts.h"
#include "view/Sorting.h"

namespace quillmere::tournament {

class Database;
struct PreparedSave;

enum class OpenMode { ReadOnly, ReadWrite };

// How long a command waits for another program that holds the archive, before it gives up.
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{10000};

// A player as the archive knows them. Names are UTF-8.
struct PlayerInfo {
    std::int64_t id = 0;
    std::string name;
    std::vector<std::string> playsAs;   // in-game names that mark a save as theirs
    std::vector<std::string> playedAs;  // the in-game names of their submissions
    std::size_t submissions = 0;
};

// What a save's in-game name leaves open: several players play under it.
struct PlayerQuestion {
    std::string path;
    std::string nickName;  // UTF-8
    std::vector<PlayerInfo> candidates;
};

// How a batch of saves comes into a round.
struct SubmitOptions {
    int round = 0;
    // Every save is this player's (registered, or registered now with registerPlayers); otherwise
    // each belongs to the player who plays under its in-game name.
    std::optional<std::string> player;
    // A save whose in-game name no player plays under registers a player of that name.
    bool registerPlayers = false;
    std::int64_t receivedAt = 0;  // Unix seconds
    std::string by;               // who adds them, kept with each
    unsigned jobs = 0;            // workers; 0 is one per core
    // Asked when several players play under a save's name; no answer (or no function) refuses it.
    std::function<std::optional<std::int64_t>(const PlayerQuestion&)> choosePlayer;
    // Called after each file has been stored or refused, with how many are done of how many.
    std::function<void(std::size_t, std::size_t)> onProgress;
};

enum class SubmitResult {
    Added,         // a new submission
    AlreadyThere,  // the same file (SHA-256) of the same player in the same round: nothing added
    Refused,       // the whole batch is refused: nothing of it was stored
};

// What became of one save of a batch.
struct SubmitOutcome {
    std::string path;
    SubmitResult result = SubmitResult::Refused;
    std::int64_t submission = 0;             // the new one; for AlreadyThere the first
    std::string player;                      // whose it is
    bool newPlayer = false;                  // registered by this batch
    std::optional<std::int64_t> supersedes;  // the player's submission in the round it replaced
    std::string failure;                     // an added save that could not be analysed: why
    std::string message;                     // why it was refused, or what the earlier copy is
    std::string unknownName;                 // refused only because nobody plays under this name (UTF-8)
};

// A batch's outcome: committed, with every outcome Added or AlreadyThere, or not, when any save was
// refused (and nothing was stored).
struct SubmitSummary {
    std::vector<SubmitOutcome> outcomes;
    bool committed = false;
    [[nodiscard]] std::size_t count(SubmitResult result) const;
    [[nodiscard]] std::size_t failed() const;  // added but not analysed
};

// Who holds a private link.
struct LinkHolder {
    std::int64_t link = 0;
    std::optional<std::int64_t> player;  // none: the referee
    std::string playerName;
    [[nodiscard]] bool referee() const { return !player; }
};

// A receipt the server gave for a submission: the exact text it signed, and the signature.
struct StoredReceipt {
    std::int64_t submission = 0;
    std::string body;
    std::array<std::uint8_t, 64> signature{};
};

// The Ed25519 key pair that signs the receipts of one archive.
struct SigningKey {
    std::array<std::uint8_t, 32> publicKey{};
    std::array<std::uint8_t, 64> secretKey{};
};

class Archive;

// One save that came in other than as a file on disk (an upload), with its bytes.
struct Upload {
    int round = 0;
    std::string player;    // a registered player's name
    std::string fileName;  // as it came in
    std::span<const std::uint8_t> bytes;
    std::time_t fileTime = 0;
    std::int64_t receivedAt = 0;
    std::string by;
    // A save the core cannot read (damaged, cut, not a save) is refused, with the core's message as
    // the outcome's failure, instead of kept as a failed submission.
    bool refuseUnreadable = false;
    // Called for a new submission inside the upload's transaction, with the archive as it will be
    // once committed: the receipt it returns is kept in that same transaction.
    std::function<StoredReceipt(const Archive&, std::int64_t submission)> receipt{};
};

// What `check` found: nothing when problems is empty.
struct CheckReport {
    std::vector<std::string> problems;
    std::int64_t files = 0;  // stored files verified against their SHA-256
    std::int64_t bytes = 0;  // their bytes
    std::int64_t archiveBytes = 0;
};

// One tournament's archive: one SQLite file holding its rounds, players, submissions (each save's
// original bytes and analysed record) and rulings. It owns its connection; every call is one
// transaction, so that a call either happened whole or not at all, and another program may read
// while one writes (WAL). Every failure throws ArchiveError naming the file; nothing is written then.
class Archive {
public:
    // Makes a new archive at `path`, which must not exist; the file appears only once complete.
    [[nodiscard]] static Archive Create(const std::string& path, const std::string& name, const Scoring& scoring,
                                        std::int64_t now, std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);
    // Opens an archive. ReadWrite refuses a file that cannot be written; an archive of an older
    // schema is brought up to date in one transaction (ReadWrite), or, ReadOnly, read as it lies when
    // it lacks only settings (schema 2: no round takes late submissions, no standings are public) and
    // refused otherwise; a newer one is refused.
    [[nodiscard]] static Archive Open(const std::string& path, OpenMode mode,
                                      std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);

    ~Archive();
    Archive(Archive&&) noexcept;
    Archive& operator=(Archive&&) noexcept;
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    [[nodiscard]] const std::string& path() const;
    [[nodiscard]] std::string tournamentName() const;
    [[nodiscard]] Scoring scoring() const;

    // Adds round `round.number` (refused when it exists), with its title, profile and whether it keeps
    // late submissions. Its profile's rules must be valid.
    void addRound(const RoundInfo& round);
    // Gives an existing round its title and profile; its submissions are judged by them from now on.
    void changeRound(const RoundInfo& round);
    [[nodiscard]] std::vector<RoundInfo> rounds() const;

    // Whether the server shows the season's standings to anyone, without a link (off at first).
    [[nodiscard]] bool standingsPublic() const;
    void publishStandings(bool published);
    [[nodiscard]] RoundInfo round(int number) const;

    // Registers a player who plays under `playsAs` (their own name when empty). Refused when the
    // name is taken. Returns their id.
    std::int64_t addPlayer(const std::string& name, std::span<const std::string> playsAs, std::int64_t now);
    // Saves named `nickName` (UTF-8) belong to the player `name` from now on.
    void addPlaysAs(const std::string& name, const std::string& nickName);
    [[nodiscard]] std::vector<PlayerInfo> players() const;

    // Reads, analyses and stores the saves of `paths` into one round, in one transaction: all of
    // them, or none when any cannot be read or its player cannot be told.
    SubmitSummary submitFiles(std::span<const std::string> paths, const SubmitOptions& options);
    // Stores one upload in one transaction; returns once it is durable (or refused, with nothing stored).
    SubmitOutcome submitUpload(const Upload& upload);

    // Makes a new private link for player `player` (the referee's when none) and returns its token,
    // 256 random bits as 64 hexadecimal digits. The archive keeps only the token's SHA-256.
    [[nodiscard]] std::string addLink(const std::optional<std::string>& player, std::int64_t now);
    // The holder of the link whose token is `token`, unless there is none or it was revoked.
    [[nodiscard]] std::optional<LinkHolder> linkHolder(std::string_view token) const;
    // Revokes every live link of player `player` (the referee's when none); returns how many.
    int revokeLinks(const std::optional<std::string>& player, std::int64_t now);

    // The receipt given for `submission`, if any.
    [[nodiscard]] std::optional<StoredReceipt> receipt(std::int64_t submission) const;
    // Keeps `receipt` unless its submission has one already; returns the one kept, which is the first.
    StoredReceipt keepReceipt(const StoredReceipt& receipt);
    // The key pair that signs this archive's receipts, made at its first use.
    [[nodiscard]] SigningKey signingKey(std::int64_t now);

    // Records a ruling on a submission; rejecting and disqualifying need a reason.
    void rule(std::int64_t submission, RulingState state, const std::string& reason, const std::string& by,
              std::int64_t now);

    // A round's submissions with their places, rulings and flags.
    [[nodiscard]] RoundTable roundTable(int number) const;
    // One submission with its flags and late mark exactly as roundTable gives them, judged against only
    // the round's submissions its flags depend on (the same game data or in-game name), so that its
    // cost follows those, not the round; its place is left empty.
    [[nodiscard]] SubmissionRow judgedSubmission(std::int64_t submission) const;
    // The season's standings by the tournament's scoring, and the flags of what stands.
    [[nodiscard]] SeasonTable seasonTable() const;
    // Every submission of the round as quillmere-report records them from the same files, with
    // histories, judged under the round's rules and checked against its profile, the flags of the
    // season after the round's own; in the order they came in.
    [[nodiscard]] analysis::ResultTable roundRecords(int number) const;
    // The round's results as quillmere-report writes them for the same files and profile
    // (sorted by file name, then by `sort` when given), handed to `write` in pieces.
    // Returns the names that lost characters to the results file's encoding.
    exporting::LostCharacters writeRoundReport(int number, session::ReportFormat format,
                                               const view::FormatOptions& options,
                                               const session::ReportContent& content, std::optional<view::SortKey> sort,
                                               const std::function<void(std::string_view)>& write) const;

    // Checks the whole file (SQLite's integrity check and foreign keys) and every stored file's bytes
    // against its SHA-256 and every record against its encoding.
    [[nodiscard]] CheckReport check() const;
    // Writes a consistent copy of the archive to `destination` (replacing it atomically), even while
    // another program writes to the archive.
    void backup(const std::string& destination) const;

private:
    Archive(std::unique_ptr<Database> db, int schema);

    // What one submission's row needs besides its record; rounds are read one at a time.
    struct Facts;
    // The SQL condition on a round's submissions (s): all of them, or those the round's checks
    // compare submission `partnersOf` with (?1 the round, ?2 the submission).
    [[nodiscard]] static std::string roundFilter(std::optional<std::int64_t> partnersOf);
    [[nodiscard]] std::vector<Facts> loadFacts(int round, std::optional<std::int64_t> partnersOf = std::nullopt) const;
    // The flags of the checks across rounds, by submission.
    [[nodiscard]] std::map<std::int64_t, std::vector<std::string>> seasonFlags() const;
    [[nodiscard]] analysis::ResultTable storedRecords(int round, bool whole,
                                                      std::optional<std::int64_t> partnersOf = std::nullopt) const;
    // `late`, when given, is told which records came in after the round's deadline.
    void judgeRecords(analysis::ResultTable& records, std::span<const Facts> facts, const RoundInfo& round,
                      const std::map<std::int64_t, std::vector<std::string>>& seasonFlags,
                      std::vector<bool>* late = nullptr) const;
    // Every submission of the round, or with `partnersOf` only those its flags depend on (their own
    // places then count only each other).
    [[nodiscard]] RoundTable judgeRound(const RoundInfo& round,
                                        const std::map<std::int64_t, std::vector<std::string>>& seasonFlags,
                                        std::optional<std::int64_t> partnersOf = std::nullopt) const;
    [[nodiscard]] std::optional<std::int64_t> playerNamed(const std::string& name) const;
    SubmitOutcome store(PreparedSave& save, const SubmitOptions& options, std::optional<std::int64_t> player);
    void requireWritable() const;

    std::unique_ptr<Database> m_db;
    int m_schema;  // of the file as opened: an older one read as it lies lacks what came later
};

}  // namespace quillmere::tournament
