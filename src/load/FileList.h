#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillmere::load {

// The files a list of paths names, folders opened.
struct FileList {
    std::vector<std::string> files;
    // Entries of the folders that were passed over, each with the reason, e.g.
    // ("saves/pipe", "not a regular file: a named pipe (FIFO)").
    std::vector<std::pair<std::string, std::string>> skipped;
};

// Every path as given, except that a folder stands for the regular files in it (hidden ones,
// whose names start with ".", left out), in byte order of their names; with `recursive`, the folders in it too, each visited once however links lead back
// to it (without it, a folder inside is skipped with its reason). Inside a folder, what is not a regular file or folder (a FIFO, a device, a socket, a
// dangling link) is skipped with its reason and never opened. A path given directly is kept even
// when it is no regular file: its load names the problem.
[[nodiscard]] FileList ExpandPaths(const std::vector<std::string>& paths, bool recursive);

}  // namespace quillmere::load
