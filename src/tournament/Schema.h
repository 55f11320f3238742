#pragma once

#include <cstdint>

#include "tournament/Database.h"

namespace quillmere::tournament {

// The archive's schema version, kept in the file as PRAGMA user_version; a file of a higher version
// is refused, never rewritten.
inline constexpr int kSchemaVersion = 3;

// PRAGMA application_id of every archive ("QmT1"), which tells it from another program's database.
inline constexpr std::int32_t kApplicationId = 0x516D5431;

// Brings an archive of schema `version` (0: an empty file) to kSchemaVersion, one step a version,
// inside the transaction the caller holds. Throws ArchiveError.
void MigrateSchema(Database& db, int version);

}  // namespace quillmere::tournament
