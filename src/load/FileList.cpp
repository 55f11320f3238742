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
            skip(path, std::string("cannot list the folder: ") + std::strerror(errno));
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(listing.get())) {
            const std::string name = entry->d_name;
            if (ListedInFolder(name)) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        const std::string prefix = path.ends_with('/') ? path : path + "/";
        for (const auto& name : names) entry(prefix + name);
    }

private:
    void skip(const std::string& path, std::string reason) {
        m_list.skipped.emplace_back(path, std::move(reason));
        m_list.skippedAt.push_back(m_list.files.size());
    }

    void entry(const std::string& path) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            skip(path, std::strerror(errno));
            return;
        }
        if (S_ISREG(info.st_mode)) {
            m_list.files.push_back(path);
        } else if (S_ISDIR(info.st_mode)) {
            if (m_recursive) folder(path, info);
        } else {
            skip(path, S_ISFIFO(info.st_mode)   ? "not a save file: a named pipe (FIFO)"
                       : S_ISSOCK(info.st_mode) ? "not a save file: a socket"
                                                : "not a save file: a device");
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

std::vector<std::string> ReadPathList(std::istream& list) {
    std::vector<std::string> paths;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty()) paths.push_back(std::move(line));
    }
    return paths;
}

}  // namespace quillmere::load
