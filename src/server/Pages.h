#pragma once

#include <span>
#include <string_view>

namespace quillmere::server {

// Every page and script may come from this server only; no inline script or style, no frames, no
// form posting elsewhere. Sent with every answer. WebAssembly may be compiled: the player's page
// runs the browser core, whose module is one of this server's files.
inline constexpr std::string_view kContentSecurityPolicy =
    "default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// One page or script the server serves, built into the program: no request names a file on disk.
struct Page {
    std::string_view path;  // "/submit", "/static/dom.js"
    std::string_view type;  // its Content-Type
    std::string_view content;
};

// The pages: the player's (/submit), the referee's (/referee), the public standings (/standings,
// served only while the tournament publishes them), their scripts and style sheet, and the browser
// edition's own DOM helpers, which they share.
[[nodiscard]] std::span<const Page> Pages();

}  // namespace quillmere::server
