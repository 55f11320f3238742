#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "analysis/SaveRecord.h"
#include "load/ByteBuffer.h"
#include "load/LoadError.h"
#include "load/SaveFile.h"

namespace quillmere::analysis {

// Loads one file and walks it. Never throws: when the file cannot be read, has no usable game
// data or is damaged, the record keeps only path, fileName and fileDate and failure holds the reason.
[[nodiscard]] SaveRecord AnalyseFile(const std::string& path);

// A record that keeps only the file's path, name and date, and `failure` as the reason.
[[nodiscard]] SaveRecord FailedRecord(const std::string& path, std::string fileName, std::optional<double> fileDate,
                                      std::string failure);

// What is known of a save's file besides its bytes.
struct FileFacts {
    std::optional<double> fileDate;  // as SaveRecord::fileDate
    std::int32_t utcOffset = 0;      // as SaveRecord::fileDateUtcOffset
};

// The record of the file at `path`: what `analyse(FileFacts&)` returns, which fills in the facts
// as it learns them. A LoadError, running out of memory or any other failure it throws becomes
// the record's failure, and the record then keeps only the path, the name and the facts.
template <typename Analyse>
[[nodiscard]] SaveRecord AnalyseGuarded(const std::string& path, Analyse&& analyse) {
    std::string fileName = load::FileNameOf(path);
    FileFacts facts;
    std::string failure;
    try {
        SaveRecord rec = analyse(facts);
        rec.path = path;
        rec.fileName = std::move(fileName);
        rec.fileDate = facts.fileDate;
        rec.fileDateUtcOffset = facts.utcOffset;
        return rec;
    } catch (const load::LoadError& error) {
        failure = error.what();
    } catch (const std::bad_alloc&) {
        failure = "insufficient memory";
    } catch (const std::exception& error) {
        // Nothing else is expected; the file still gets its row and its message.
        failure = error.what();
    }
    SaveRecord failed = FailedRecord(path, std::move(fileName), facts.fileDate, std::move(failure));
    failed.fileDateUtcOffset = facts.utcOffset;
    return failed;
}

// The record of a file that was not read: path, fileName and the reason as its failure.
[[nodiscard]] SaveRecord UnreadRecord(const std::string& path, std::string reason);

// AnalyseFile with buffers that one worker keeps from one file to the next, as long as each holds
// at most kKeptBufferBytes; a larger one is given back after its file.
class FileAnalyser {
public:
    // Far above what a real save needs, which is then read without allocating.
    static constexpr std::size_t kKeptBufferBytes = std::size_t{32} * 1024 * 1024;

    FileAnalyser();
    ~FileAnalyser();
    FileAnalyser(const FileAnalyser&) = delete;
    FileAnalyser& operator=(const FileAnalyser&) = delete;

    [[nodiscard]] SaveRecord analyse(const std::string& path);

    // Gives the storage of `buffer` back when a rare big file needed more than kKeptBufferBytes of it, so
    // that a worker does not hold that size through every file after it.
    static void KeepOrGiveBack(load::ByteBuffer& buffer) {
        if (buffer.size() > kKeptBufferBytes) buffer.release();
    }

    // The bytes its buffers hold between two files.
    [[nodiscard]] std::size_t heldBytes() const;

private:
    SaveRecord analyseWithBuffers(const std::string& path);

    struct Buffers;
    std::unique_ptr<Buffers> m_buffers;
};

}  // namespace quillmere::analysis
