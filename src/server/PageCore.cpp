#include "server/PageCore.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "load/LoadError.h"
#include "load/ReadOnlyFile.h"

namespace quillmere::server {

namespace {

// The script and its module are a few megabytes; a file far larger is neither.
constexpr std::int64_t kMostCoreBytes = std::int64_t{64} * 1024 * 1024;
// What the script defines for the page to start it by.
constexpr std::string_view kCoreName = "QuillmereModule";
constexpr std::string_view kModuleMagic{"\0asm", 4};

std::string readWhole(const std::string& path, const std::string& what) {
    const auto fail = [&](const std::string& why) { return std::runtime_error(what + " " + path + " " + why); };
    try {
        const load::ReadOnlyFile file(path);
        if (!file.isRegular()) throw fail("is not a regular file");
        const auto size = static_cast<std::int64_t>(file.status().st_size);
        if (size > kMostCoreBytes)
            throw fail("is larger than the browser core can be (" + std::to_string(size) + " bytes)");
        std::string bytes(static_cast<std::size_t>(size), '\0');
        bytes.resize(file.readAt(0, {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()}));
        return bytes;
    } catch (const load::LoadError& error) {
        throw fail(std::string("cannot be read: ") + error.what());
    }
}

}  // namespace

std::vector<std::string> PageCorePlaces(std::string_view binaryFolder, std::string_view builtFor) {
    std::vector<std::string> places;
    const auto add = [&](const std::filesystem::path& place) {
        auto normal = place.lexically_normal().string();
        if (std::find(places.begin(), places.end(), normal) == places.end()) places.push_back(std::move(normal));
    };
    if (!binaryFolder.empty())
        add(std::filesystem::path(binaryFolder) / ".." / "share" / "quillmere" / "web" / "quillmere-served-core.js");
    if (!builtFor.empty()) add(std::filesystem::path(builtFor));
    return places;
}

PageCore ReadPageCore(const std::string& path) {
    PageCore core{path, readWhole(path, "the browser core"), {}};
    if (core.script.find(kCoreName) == std::string::npos || core.script.find(kPageCoreModule) == std::string::npos)
        throw std::runtime_error("the browser core " + path +
                                 " is not the one for the server (quillmere-served-core.js of the WebAssembly build)");
    const auto module = (std::filesystem::path(path).parent_path() / kPageCoreModule).string();
    core.module = readWhole(module, "the browser core's module");
    if (!core.module.starts_with(kModuleMagic))
        throw std::runtime_error("the browser core's module " + module + " is not WebAssembly");
    return core;
}

std::optional<PageCore> FindPageCore(const std::vector<std::string>& places) {
    for (const auto& place : places) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(place, error)) continue;
        try {
            return ReadPageCore(place);
        } catch (const std::runtime_error&) {
            // A place that holds something else is passed over, as one that holds nothing.
        }
    }
    return std::nullopt;
}

}  // namespace quillmere::server
