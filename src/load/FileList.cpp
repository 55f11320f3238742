#include "load/FileList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <set>

namespace quillmere::load {

namespace {

using FileId = std::pair<dev_t, ino_t>;

class Expander {
public:
    Expander(FileList& list, bool recursive) : m_list(list), m_recursive(recursive) {}

    void folder(const std::string& path, const struct stat& info) {
        // A folder reached again (through a link, or named twice) is not read again.
        if (!m_visited.insert({info.st_dev, info.st_ino}).second) return;
        const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(path.c_str()), &::closedir);
        if (!listing) {
            m_list.skipped.emplace_back(path, std::strerror(errno));
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(listing.get())) {
            // Hidden entries are left out, as a file manager leaves them out of sight.
            const std::string name = entry->d_name;
            if (!name.starts_with('.')) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        const std::string prefix = path.ends_with('/') ? path : path + "/";
        for (const auto& name : names) entry(prefix + name);
    }

private:
    void entry(const std::string& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            m_list.skipped.emplace_back(path, std::strerror(errno));
            return;
        }
        if (S_ISREG(info.st_mode)) {
            m_list.files.push_back(path);
        } else if (S_ISDIR(info.st_mode)) {
            if (m_recursive)
                folder(path, info);
            else
                m_list.skipped.emplace_back(path, "a folder: only the files of the folder given are read");
        } else {
            m_list.skipped.emplace_back(path, S_ISFIFO(info.st_mode)   ? "not a regular file: a named pipe (FIFO)"
                                              : S_ISSOCK(info.st_mode) ? "not a regular file: a socket"
                                                                       : "not a regular file: a device");
        }
    }

    FileList& m_list;
    bool m_recursive;
    std::set<FileId> m_visited;
};

}  // namespace

FileList ExpandPaths(const std::vector<std::string>& paths, bool recursive) {
    FileList list;
    Expander expander(list, recursive);
    for (const auto& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            expander.folder(path, info);
        } else {
            list.files.push_back(path);
        }
    }
    return list;
}

}  // namespace quillmere::load
