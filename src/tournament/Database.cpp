#include "tournament/Database.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

namespace quillmere::tournament {

namespace {

std::string seconds(std::chrono::milliseconds wait) {
    const auto tenths = (wait.count() + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text + " s";
}

bool diskFull(int systemError) { return systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG; }

// `path` as an SQLite URI that asks for no locks: every byte but the plain ones percent-encoded.
std::string immutableUri(const std::string& path) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '.' || c == '_' || c == '-' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    return uri + "?immutable=1";
}

}  // namespace

Statement::~Statement() { sqlite3_finalize(m_statement); }

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_statement(std::exchange(other.m_statement, nullptr)) {}

Statement& Statement::bind(int index, std::int64_t value) {
    if (const int rc = sqlite3_bind_int64(m_statement, index, value); rc != SQLITE_OK) m_db->fail(rc, "cannot bind");
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    const int rc = sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
    if (rc != SQLITE_OK) m_db->fail(rc, "cannot bind");
    return *this;
}

Statement& Statement::bind(int index, std::span<const std::uint8_t> blob) {
    // An empty span may have no data pointer, which SQLite would take for NULL.
    static constexpr std::uint8_t kNothing = 0;
    const void* data = blob.empty() ? &kNothing : blob.data();
    if (const int rc = sqlite3_bind_blob64(m_statement, index, data, blob.size(), SQLITE_STATIC); rc != SQLITE_OK)
        m_db->fail(rc, "cannot bind");
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (const int rc = sqlite3_bind_null(m_statement, index); rc != SQLITE_OK) m_db->fail(rc, "cannot bind");
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // The statement's own code and message, before a reset could replace them.
    m_db->fail(rc, sqlite3_stmt_readonly(m_statement) ? "cannot read the archive" : "cannot write the archive");
}

void Statement::run() {
    while (step()) {
    }
}

void Statement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

bool Statement::isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_statement, column); }

std::optional<std::int64_t> Statement::optionalInteger(int column) const {
    if (isNull(column)) return std::nullopt;
    return integer(column);
}

std::string Statement::text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return text == nullptr ? std::string()
                           : std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::span<const std::uint8_t> Statement::blob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_statement, column));
    const int size = sqlite3_column_bytes(m_statement, column);
    if (data == nullptr) return {};
    return {data, static_cast<std::size_t>(size)};
}

Database::Database(const std::string& path, Access access, std::chrono::milliseconds busyTimeout)
    : m_path(path), m_busyTimeout(busyTimeout) {
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    switch (access) {
        case Access::ReadOnly:
            flags |= SQLITE_OPEN_READONLY;
            break;
        case Access::Immutable:
            flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
            break;
        case Access::ReadWrite:
            flags |= SQLITE_OPEN_READWRITE;
            break;
        case Access::Create:
            flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
            break;
    }
    const int rc =
        sqlite3_open_v2(access == Access::Immutable ? immutableUri(path).c_str() : path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        // Said before the handle goes: its message and system error are the failure's.
        try {
            fail(rc, "cannot open the archive");
        } catch (...) {
            sqlite3_close(m_db);
            throw;
        }
    }
    sqlite3_busy_timeout(m_db, static_cast<int>(busyTimeout.count()));
    // SQLite checks the schema's references only when each connection asks it to.
    char* error = nullptr;
    if (sqlite3_exec(m_db, "PRAGMA foreign_keys = ON", nullptr, nullptr, &error) != SQLITE_OK) {
        sqlite3_free(error);
        sqlite3_close(m_db);
        throw ArchiveError(ArchiveProblem::Io, m_path + ": cannot turn on the checks of references");
    }
}

Database::~Database() {
    m_statements.clear();
    sqlite3_close(m_db);
}

bool Database::readOnly() const { return sqlite3_db_readonly(m_db, "main") == 1; }

Statement& Database::cached(std::string_view sql) {
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        sqlite3_stmt* statement = nullptr;
        const int rc = sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                          &statement, nullptr);
        if (rc != SQLITE_OK) fail(rc, "cannot read the archive");
        found = m_statements.emplace(std::string(sql), Statement(*this, statement)).first;
    }
    found->second.reset();
    return found->second;
}

void Database::execute(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) fail(rc, "cannot write the archive");
}

std::int64_t Database::integer(const char* sql) {
    Statement& statement = cached(sql);
    const std::int64_t value = statement.step() ? statement.integer(0) : 0;
    statement.reset();
    return value;
}

void Database::fail(int rc, std::string_view doing) const {
    const int primary = rc & 0xFF;
    const int systemError = m_db != nullptr ? sqlite3_system_errno(m_db) : 0;
    std::string detail = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    if (detail.empty() || detail == "not an error") detail = sqlite3_errstr(rc);
    if (systemError != 0 && (primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL)) {
        detail += ": ";
        detail += std::strerror(systemError);
    }
    ArchiveProblem problem = ArchiveProblem::Io;
    std::string what(doing);
    switch (primary) {
        case SQLITE_NOTADB:
            problem = ArchiveProblem::NotAnArchive;
            what = "not a tournament archive";
            break;
        case SQLITE_CORRUPT:
            problem = ArchiveProblem::Damaged;
            what = "the archive is damaged";
            break;
        case SQLITE_READONLY:
            problem = ArchiveProblem::ReadOnly;
            what = "the archive cannot be written";
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            problem = ArchiveProblem::Busy;
            what = "the archive is busy: another program kept it locked for " + seconds(m_busyTimeout);
            break;
        case SQLITE_FULL:
            problem = ArchiveProblem::Full;
            what = "cannot write the archive: the disk is full";
            break;
        case SQLITE_IOERR:
            if (diskFull(systemError)) {
                problem = ArchiveProblem::Full;
                what = "cannot write the archive: no room for it";
            }
            break;
        case SQLITE_CONSTRAINT:
            problem = ArchiveProblem::Refused;
            break;
        default:
            break;
    }
    throw ArchiveError(problem, m_path + ": " + what + " (" + detail + ")");
}

void Database::resetStatements() {
    for (auto& [sql, statement] : m_statements) statement.reset();
}

Transaction::Transaction(Database& db, Kind kind) : m_db(db) {
    if (sqlite3_get_autocommit(m_db.handle()) == 0) return;
    m_db.execute(kind == Kind::Immediate ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
    m_open = true;
}

Transaction::~Transaction() {
    if (!m_open) return;
    m_db.resetStatements();
    sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    if (!m_open) return;
    m_db.resetStatements();
    m_db.execute("COMMIT");
    m_open = false;
}

}  // namespace quillmere::tournament
