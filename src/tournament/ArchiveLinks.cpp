// The archive's private links, receipts and signing key: what the server keeps besides submissions.
#include <algorithm>
#include <cstring>

#include "tournament/Archive.h"
#include "tournament/Database.h"
#include "tournament/Sha256.h"
#include "tournament/Signing.h"

namespace quillmere::tournament {

namespace {

// 32 bytes: far beyond guessing, and a SHA-256 of it is as strong as the token itself.
constexpr std::size_t kTokenBytes = 32;

[[noreturn]] void refuse(const std::string& message) { throw ArchiveError(ArchiveProblem::Refused, message); }

Sha256Digest tokenDigest(std::string_view token) {
    return Sha256({reinterpret_cast<const std::uint8_t*>(token.data()), token.size()});
}

template <std::size_t N>
std::array<std::uint8_t, N> fixedBlob(std::span<const std::uint8_t> blob, const std::string& what) {
    std::array<std::uint8_t, N> out{};
    if (blob.size() != N) throw ArchiveError(ArchiveProblem::Damaged, what + " has the wrong length");
    std::copy(blob.begin(), blob.end(), out.begin());
    return out;
}

}  // namespace

std::string Archive::addLink(const std::optional<std::string>& player, std::int64_t now) {
    requireWritable();
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    std::optional<std::int64_t> id;
    if (player) {
        id = playerNamed(*player);
        if (!id) refuse(path() + ": there is no player named '" + *player + "'");
    }
    const std::string token = RandomHexToken(kTokenBytes);
    const auto digest = tokenDigest(token);
    m_db->cached("INSERT INTO links (player_id, token_sha256, created_at) VALUES (?, ?, ?)")
        .bind(1, id)
        .bind(2, std::span<const std::uint8_t>(digest))
        .bind(3, now)
        .run();
    transaction.commit();
    return token;
}

std::optional<LinkHolder> Archive::linkHolder(std::string_view token) const {
    // Only a token of the length handed out can match; a longer text costs nothing to turn away.
    if (token.size() != 2 * kTokenBytes) return std::nullopt;
    const auto digest = tokenDigest(token);
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    // The lookup is by the digest, which a guesser cannot steer; the digests are compared once more
    // in constant time, so that no byte of a stored one is told by a timing.
    auto& statement = m_db->cached(
        "SELECT l.id, l.player_id, coalesce(p.name, ''), l.token_sha256 FROM links l "
        "LEFT JOIN players p ON p.id = l.player_id WHERE l.token_sha256 = ? AND l.revoked_at IS NULL");
    statement.bind(1, std::span<const std::uint8_t>(digest));
    std::optional<LinkHolder> holder;
    if (statement.step() && SameBytes(statement.blob(3), digest))
        holder = LinkHolder{statement.integer(0), statement.optionalInteger(1), statement.text(2)};
    statement.reset();
    return holder;
}

int Archive::revokeLinks(const std::optional<std::string>& player, std::int64_t now) {
    requireWritable();
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    std::optional<std::int64_t> id;
    if (player) {
        id = playerNamed(*player);
        if (!id) refuse(path() + ": there is no player named '" + *player + "'");
    }
    m_db->cached("UPDATE links SET revoked_at = ? WHERE player_id IS ? AND revoked_at IS NULL")
        .bind(1, now)
        .bind(2, id)
        .run();
    const int revoked = m_db->changes();
    transaction.commit();
    return revoked;
}

std::optional<StoredReceipt> Archive::receipt(std::int64_t submission) const {
    Transaction reading(*m_db, Transaction::Kind::Deferred);
    auto& statement = m_db->cached("SELECT body, signature FROM receipts WHERE submission_id = ?");
    statement.bind(1, submission);
    std::optional<StoredReceipt> found;
    if (statement.step())
        found =
            StoredReceipt{submission, statement.text(0),
                          fixedBlob<64>(statement.blob(1), path() + ": the receipt of " + std::to_string(submission))};
    statement.reset();
    return found;
}

StoredReceipt Archive::keepReceipt(const StoredReceipt& receipt) {
    requireWritable();
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    auto& exists = m_db->cached("SELECT 1 FROM submissions WHERE id = ?");
    exists.bind(1, receipt.submission);
    if (!exists.step()) refuse(path() + ": there is no submission " + std::to_string(receipt.submission));
    exists.reset();
    m_db->cached("INSERT OR IGNORE INTO receipts (submission_id, body, signature) VALUES (?, ?, ?)")
        .bind(1, receipt.submission)
        .bind(2, receipt.body)
        .bind(3, std::span<const std::uint8_t>(receipt.signature))
        .run();
    auto kept = this->receipt(receipt.submission);
    transaction.commit();
    return kept.value_or(receipt);
}

SigningKey Archive::signingKey(std::int64_t now) {
    const auto read = [&]() -> std::optional<SigningKey> {
        auto& statement = m_db->cached("SELECT public_key, secret_key FROM signing_key WHERE id = 1");
        std::optional<SigningKey> key;
        if (statement.step())
            key = SigningKey{fixedBlob<32>(statement.blob(0), path() + ": the public key"),
                             fixedBlob<64>(statement.blob(1), path() + ": the secret key")};
        statement.reset();
        return key;
    };
    {
        Transaction reading(*m_db, Transaction::Kind::Deferred);
        if (auto key = read()) return *key;
    }
    requireWritable();
    Transaction transaction(*m_db, Transaction::Kind::Immediate);
    if (auto key = read()) return *key;  // another program made it meanwhile
    SigningKey key;
    MakeSigningKeyPair(key.publicKey, key.secretKey);
    m_db->cached("INSERT INTO signing_key (id, public_key, secret_key, created_at) VALUES (1, ?, ?, ?)")
        .bind(1, std::span<const std::uint8_t>(key.publicKey))
        .bind(2, std::span<const std::uint8_t>(key.secretKey))
        .bind(3, now)
        .run();
    transaction.commit();
    return key;
}

}  // namespace quillmere::tournament
