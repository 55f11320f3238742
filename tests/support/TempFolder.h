#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quillmere::testsupport {

// A new, empty folder under the system's temporary folder, removed with everything in it when the
// object goes. Names carry the process id and a counter, so tests never share a folder.
class TempFolder {
public:
    explicit TempFolder(std::string_view purpose);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    // The path of `name` inside the folder.
    [[nodiscard]] std::string operator/(std::string_view name) const;
    // Writes `bytes` to `name` inside the folder, replacing it; returns its path.
    std::string write(std::string_view name, std::span<const std::uint8_t> bytes) const;
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path m_path;
};

// The whole content of a file; empty when it cannot be read.
[[nodiscard]] std::string ContentsOf(const std::filesystem::path& path);

}  // namespace quillmere::testsupport
