#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::server {

// The browser edition's core as the WebAssembly build makes it for the server: a script
// (quillmere-served-core.js) and, beside it, the module it fetches (quillmere-served-core.wasm).
// The player's page runs it to show a save's row and flags before the save is sent. Read once at
// start-up from a place the command line or the installation names, never from a request.
struct PageCore {
    std::string path;    // the script's
    std::string script;  // served as /static/quillmere-core.js
    std::string module;  // served as /static/ + kPageCoreModule
};

// The module's name, as the script asks for it.
inline constexpr std::string_view kPageCoreModule = "quillmere-served-core.wasm";

// The places the core is looked for when no --page-core names it, in order, each once: the data
// folder beside an installed program (`binaryFolder`/../share/quillmere/web/quillmere-served-core.js),
// then `builtFor`, the browser build's the program was built beside. An empty one adds no place.
[[nodiscard]] std::vector<std::string> PageCorePlaces(std::string_view binaryFolder, std::string_view builtFor);

// The core whose script is `path`. Throws std::runtime_error naming the file and what is wrong
// with it: it or its module cannot be read, is larger than any core, or is not what it should be.
[[nodiscard]] PageCore ReadPageCore(const std::string& path);

// The first of `places` that holds the core; none when none does.
[[nodiscard]] std::optional<PageCore> FindPageCore(const std::vector<std::string>& places);

}  // namespace quillmere::server
