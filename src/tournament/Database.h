#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tournament/ArchiveError.h"

namespace quillmere::tournament {

class Database;

// One prepared statement of a Database. Values are bound by position (1-based) and columns read by
// index (0-based); every failure throws ArchiveError with SQLite's text.
class Statement {
public:
    Statement(Database& db, sqlite3_stmt* statement) : m_db(&db), m_statement(statement) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    // The bytes must stay as they are until the statement is reset.
    Statement& bind(int index, std::span<const std::uint8_t> blob);
    Statement& bindNull(int index);
    template <typename T>
    Statement& bind(int index, const std::optional<T>& value) {
        return value ? bind(index, *value) : bindNull(index);
    }

    // Runs the statement to its next row: true when there is one, false when it is done.
    [[nodiscard]] bool step();
    // Runs a statement that returns no rows.
    void run();
    // Makes it ready to run again, its values unbound.
    void reset();

    [[nodiscard]] bool isNull(int column) const;
    [[nodiscard]] std::int64_t integer(int column) const;
    [[nodiscard]] std::optional<std::int64_t> optionalInteger(int column) const;
    [[nodiscard]] std::string text(int column) const;
    // Valid until the next step or reset.
    [[nodiscard]] std::span<const std::uint8_t> blob(int column) const;

private:
    Database* m_db;
    sqlite3_stmt* m_statement;
};

// How a Database is opened. Immutable reads a file that nobody may change while it is open and
// that has no journal beside it, as one on read-only media: SQLite then takes no locks at all.
enum class Access { ReadOnly, Immutable, ReadWrite, Create };

// One SQLite connection to the file `path`, closed with the object. Statements given by their text
// are prepared once and kept. Failures throw ArchiveError naming the file.
class Database {
public:
    // Opens the file: ReadOnly and ReadWrite never create it, Create makes a new one. A busy file is
    // waited for up to `busyTimeout`.
    Database(const std::string& path, Access access, std::chrono::milliseconds busyTimeout);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }
    [[nodiscard]] sqlite3* handle() const { return m_db; }
    [[nodiscard]] bool readOnly() const;

    // The statement for `sql`, prepared at its first use and reset for this one.
    [[nodiscard]] Statement& cached(std::string_view sql);
    // Runs SQL text without parameters (the schema, pragmas, transaction control).
    void execute(const char* sql);
    // The one integer that `sql` returns, such as a pragma's value.
    [[nodiscard]] std::int64_t integer(const char* sql);
    [[nodiscard]] std::int64_t lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
    [[nodiscard]] int changes() const { return sqlite3_changes(m_db); }
    // Resets every kept statement: one left on a row would hold its snapshot open.
    void resetStatements();

    // Throws the ArchiveError for result code `rc` of what was `doing`, with SQLite's text and the
    // system's where it has one.
    [[noreturn]] void fail(int rc, std::string_view doing) const;
    [[nodiscard]] std::chrono::milliseconds busyTimeout() const { return m_busyTimeout; }

private:
    std::string m_path;
    sqlite3* m_db = nullptr;
    std::chrono::milliseconds m_busyTimeout;
    std::map<std::string, Statement, std::less<>> m_statements;
};

// A transaction on a Database: IMMEDIATE takes the write lock at once (waiting up to the busy
// timeout), so that a writer never fails half-way on another writer; DEFERRED reads one snapshot.
// Rolled back when destroyed before commit(). Inside another transaction it is part of that one.
class Transaction {
public:
    enum class Kind { Deferred, Immediate };
    Transaction(Database& db, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Makes every change durable; throws ArchiveError (the transaction is rolled back then).
    void commit();

private:
    Database& m_db;
    bool m_open = false;
};

}  // namespace quillmere::tournament
