#include "tournament/Schema.h"

#include <array>
#include <string>

namespace quillmere::tournament {

namespace {

// Version 1. Times are Unix seconds; names from saves are their Windows-1251 bytes (BLOB), names
// typed by the referee UTF-8 text. A submission's summary is its record without the histories
// (session::EncodeRecord), read by the standings; the whole record, packed (RecordBlob), is kept
// apart, read only by exports. Submissions and rulings are never changed or deleted: a ruling
// is a new row, a newer save of a player in a round is a new submission.
constexpr const char* kVersion1 = R"(
CREATE TABLE tournament (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    name TEXT NOT NULL,
    scoring TEXT NOT NULL,
    created_at INTEGER NOT NULL
);
CREATE TABLE rounds (
    number INTEGER PRIMARY KEY CHECK (number BETWEEN 1 AND 9999),
    title TEXT NOT NULL,
    profile TEXT NOT NULL,
    profile_name TEXT NOT NULL
);
CREATE TABLE players (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE CHECK (length(name) > 0),
    registered_at INTEGER NOT NULL
);
CREATE TABLE player_names (
    player_id INTEGER NOT NULL REFERENCES players (id),
    nick_name BLOB NOT NULL,
    PRIMARY KEY (player_id, nick_name)
) WITHOUT ROWID;
CREATE INDEX player_names_by_nick_name ON player_names (nick_name);
CREATE TABLE files (
    sha256 BLOB PRIMARY KEY CHECK (length(sha256) = 32),
    size INTEGER NOT NULL,
    bytes BLOB NOT NULL
);
CREATE TABLE submissions (
    id INTEGER PRIMARY KEY,
    round INTEGER NOT NULL REFERENCES rounds (number),
    player_id INTEGER NOT NULL REFERENCES players (id),
    file_name TEXT NOT NULL,
    received_at INTEGER NOT NULL,
    file_time INTEGER NOT NULL,
    sha256 BLOB NOT NULL REFERENCES files (sha256),
    status INTEGER NOT NULL,
    final_score INTEGER NOT NULL,
    nick_name BLOB NOT NULL,
    game_length INTEGER NOT NULL,
    game_hash BLOB NOT NULL,
    added_by TEXT NOT NULL,
    summary BLOB NOT NULL
);
CREATE INDEX submissions_by_round ON submissions (round, player_id, received_at, id);
CREATE INDEX submissions_by_sha256 ON submissions (sha256);
CREATE INDEX submissions_by_player ON submissions (player_id, nick_name);
CREATE INDEX submissions_by_game ON submissions (game_hash, game_length, round);
CREATE INDEX submissions_by_nick_name ON submissions (nick_name, player_id);
CREATE TABLE records (
    submission_id INTEGER PRIMARY KEY REFERENCES submissions (id),
    record BLOB NOT NULL
);
CREATE TABLE rulings (
    id INTEGER PRIMARY KEY,
    submission_id INTEGER NOT NULL REFERENCES submissions (id),
    state TEXT NOT NULL CHECK (state IN ('pending', 'accepted', 'rejected', 'disqualified')),
    reason TEXT NOT NULL,
    ruled_by TEXT NOT NULL,
    ruled_at INTEGER NOT NULL
);
CREATE INDEX rulings_by_submission ON rulings (submission_id, id);
CREATE TRIGGER rulings_are_kept BEFORE UPDATE ON rulings
    BEGIN SELECT RAISE(ABORT, 'rulings are never changed'); END;
CREATE TRIGGER rulings_are_not_deleted BEFORE DELETE ON rulings
    BEGIN SELECT RAISE(ABORT, 'rulings are never deleted'); END;
CREATE TRIGGER submissions_are_kept BEFORE UPDATE ON submissions
    BEGIN SELECT RAISE(ABORT, 'submissions are never changed'); END;
CREATE TRIGGER submissions_are_not_deleted BEFORE DELETE ON submissions
    BEGIN SELECT RAISE(ABORT, 'submissions are never deleted'); END;
)";

// Version 2: the server's private links (a token is kept only as its SHA-256; no player: the
// referee's), the receipts it gave (the exact text signed, and its Ed25519 signature) and its
// signing key pair, made at its first start.
constexpr const char* kVersion2 = R"(
CREATE TABLE links (
    id INTEGER PRIMARY KEY,
    player_id INTEGER REFERENCES players (id),
    token_sha256 BLOB NOT NULL UNIQUE CHECK (length(token_sha256) = 32),
    created_at INTEGER NOT NULL,
    revoked_at INTEGER
);
CREATE INDEX links_by_player ON links (player_id);
CREATE TABLE receipts (
    submission_id INTEGER PRIMARY KEY REFERENCES submissions (id),
    body TEXT NOT NULL,
    signature BLOB NOT NULL CHECK (length(signature) = 64)
);
CREATE TABLE signing_key (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    public_key BLOB NOT NULL CHECK (length(public_key) = 32),
    secret_key BLOB NOT NULL CHECK (length(secret_key) = 64),
    created_at INTEGER NOT NULL
);
CREATE TRIGGER receipts_are_kept BEFORE UPDATE ON receipts
    BEGIN SELECT RAISE(ABORT, 'receipts are never changed'); END;
)";

// Version 3: whether a round keeps a submission that comes in after its deadline (flagged late) or
// the server refuses it, and whether the server shows the season's standings to anyone.
constexpr const char* kVersion3 = R"(
ALTER TABLE rounds ADD COLUMN accepts_late INTEGER NOT NULL DEFAULT 0 CHECK (accepts_late IN (0, 1));
ALTER TABLE tournament ADD COLUMN standings_public INTEGER NOT NULL DEFAULT 0 CHECK (standings_public IN (0, 1));
)";

using Migration = void (*)(Database&);

// Step i takes an archive from version i to version i + 1.
constexpr std::array<Migration, kSchemaVersion> kMigrations = {
    [](Database& db) { db.execute(kVersion1); },
    [](Database& db) { db.execute(kVersion2); },
    [](Database& db) { db.execute(kVersion3); },
};

}  // namespace

void MigrateSchema(Database& db, int version) {
    for (int step = version; step < kSchemaVersion; ++step) kMigrations[static_cast<std::size_t>(step)](db);
    // Pragmas take no parameters; both values are constants of this program.
    db.execute(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    db.execute(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
}

}  // namespace quillmere::tournament
