#include "support/TempFolder.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace quillmere::testsupport {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view purpose) {
    static std::atomic<int> counter{0};
    m_path = fs::temp_directory_path() /
             ("quillmere-" + std::string(purpose) + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    // Files a test made read-only must not keep the folder alive.
    for (const auto& entry : fs::recursive_directory_iterator(m_path, ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

std::string TempFolder::operator/(std::string_view name) const { return (m_path / name).string(); }

std::string TempFolder::write(std::string_view name, std::span<const std::uint8_t> bytes) const {
    const auto target = *this / name;
    std::ofstream(target, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return target;
}

std::string TempFolder::write(std::string_view name, std::string_view bytes) const {
    return write(name, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string ContentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace quillmere::testsupport
