#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillmere::load {

// The files a list of paths names, folders opened.
struct FileList {
    std::vector<std::string> files;
    // Entries that were passed over unread, each with the reason, e.g. ("saves/pipe", "not a save
    // file: a named pipe (FIFO)") or ("saves/locked", "cannot list the folder: Permission denied").
    std::vector<std::pair<std::string, std::string>> skipped;
    // For each skipped entry, how many of `files` came before it, so that both can be put back in
    // the order they were met.
    std::vector<std::size_t> skippedAt;
};

// Every path as given, except that a folder stands for the regular files in it (hidden ones,
// whose names start with ".", left out), in byte order of their names; with `recursive`, the folders in it too, each
// visited once however links lead back to it. Inside a folder, what is not a regular file or folder (a FIFO, a device,
// a socket, a dangling link) and a folder that cannot be listed are skipped with their reason and never opened. A path
// given directly is kept even when it is no regular file: its load names the problem.
[[nodiscard]] FileList ExpandPaths(const std::vector<std::string>& paths, bool recursive);

// Whether a folder's entry named `name` stands for one of its files: hidden ones, whose names start
// with ".", are left out, as a file manager leaves them out of sight.
[[nodiscard]] inline bool ListedInFolder(std::string_view name) { return !name.empty() && name.front() != '.'; }

// The paths a list names, one a line ("\n", the last one may lack it); empty lines are passed over
// and nothing else is trimmed, as a name may start or end with a space.
[[nodiscard]] std::vector<std::string> ReadPathList(std::istream& list);

}  // namespace quillmere::load
