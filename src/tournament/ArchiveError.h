#pragma once

#include <stdexcept>
#include <string>

namespace quillmere::tournament {

// What went wrong with an archive, for a front end to choose its answer (an exit status, a dialog).
enum class ArchiveProblem {
    NotAnArchive,  // not an SQLite file, or one of another program
    NewerSchema,   // written by a newer version, which this one does not rewrite
    Damaged,       // SQLite found the file corrupt
    ReadOnly,      // a write was asked of a file that cannot be written
    Busy,          // another program held the archive longer than the wait allowed
    Full,          // the disk, a quota or a file size limit stopped a write
    Io,            // any other failure of the system or the database
    Refused,       // the request does not fit the archive: no such round, player, submission...
};

// One failure of an archive. what() is the message a user reads, naming the file, with SQLite's
// own text in brackets where it gave one: "season.qmt: the archive is damaged (database disk
// image is malformed)".
class ArchiveError : public std::runtime_error {
public:
    ArchiveError(ArchiveProblem problem, const std::string& message)
        : std::runtime_error(message), m_problem(problem) {}

    [[nodiscard]] ArchiveProblem problem() const { return m_problem; }

private:
    ArchiveProblem m_problem;
};

}  // namespace quillmere::tournament
