#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "load/ByteBuffer.h"
#include "load/ReadOnlyFile.h"
#include "load/SaveBytes.h"

namespace quillmere::load {

// No save comes near this size; a larger file is refused before anything is read.
inline constexpr std::int64_t kMaxSaveFileBytes = std::int64_t{256} * 1024 * 1024;

// The bytes of an open file, read where they are asked for. The size is the one the file had when
// it was opened: a read that finds the file shorter throws LoadError, one that grew is not followed.
class FileBytes final : public SaveBytes {
public:
    // `file` must stay open while this object is used.
    FileBytes(const ReadOnlyFile& file, std::int64_t size) : m_file(&file), m_size(size) {}

    [[nodiscard]] std::int64_t size() const override { return m_size; }
    // Throws LoadError with the system's text on a read error.
    void copyTo(std::int64_t offset, std::span<std::uint8_t> out) const override;
    [[nodiscard]] std::span<const std::uint8_t> view(std::int64_t offset, std::size_t length,
                                                     ByteBuffer& scratch) const override;

private:
    const ReadOnlyFile* m_file;
    std::int64_t m_size;
};

// Why a file of `size` bytes, more than `most` (kMaxSaveFileBytes), is not read.
[[nodiscard]] std::string TooLargeMessage(std::int64_t size, std::int64_t most = kMaxSaveFileBytes);

// One file opened for reading a save from it.
class SaveFile {
public:
    // Opens `path` read-only without waiting: a FIFO without a writer does not block, a terminal
    // does not become the controlling one. Throws LoadError with the system's text ("No such file
    // or directory"...).
    explicit SaveFile(const std::string& path);

    // The last-modification time in local time, seconds rounded down to even, as days since
    // 30 December 1899 (fraction = time of day); empty when it cannot be told.
    [[nodiscard]] std::optional<double> modificationDate() const;
    // How far the local time of modificationDate() is ahead of UTC, in seconds (negative west of it).
    [[nodiscard]] std::int32_t modificationUtcOffset() const;
    // The last-modification time as the file system has it, in Unix seconds.
    [[nodiscard]] std::time_t modificationTime() const { return m_file.status().st_mtime; }

    // The file's bytes, read only when asked for and only while this object lives. Only a regular
    // file of at most kMaxSaveFileBytes is read: anything else throws LoadError naming what it is
    // ("not a save file: a named pipe (FIFO)").
    [[nodiscard]] FileBytes contents() const;

private:
    ReadOnlyFile m_file;
};

// A file time as SaveFile::modificationDate gives it: local time, seconds rounded down to even, as
// days since 30 December 1899; empty when it cannot be told.
[[nodiscard]] std::optional<double> LocalFileDate(std::time_t seconds);
// How far local time is ahead of UTC at that time, in seconds, as SaveFile::modificationUtcOffset.
[[nodiscard]] std::int32_t LocalUtcOffset(std::time_t seconds);

// The base name of `path` up to its last "."; a name without "." is kept whole.
// Both "/" and "\" separate folders.
[[nodiscard]] std::string FileNameOf(std::string_view path);

// The folder of `path` without its trailing separator ("/" for the root); empty when the path
// names no folder.
[[nodiscard]] std::string FolderOf(std::string_view path);

}  // namespace quillmere::load
