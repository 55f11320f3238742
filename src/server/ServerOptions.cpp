#include "server/ServerOptions.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "load/SaveFile.h"

namespace quillmere::server {

namespace {

template <typename Number>
Number numberOf(std::string_view option, std::string_view text, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(std::string(option) + " wants a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

// "127.0.0.1:8080", "[::1]:8080", "localhost:0".
void setListen(ServerOptions& options, const std::string& value) {
    const auto bad = [&] {
        return UsageError("--listen wants HOST:PORT, such as 127.0.0.1:8080 or [::1]:8080, not '" + value + "'");
    };
    std::string host;
    std::string_view port;
    if (value.starts_with('[')) {
        const auto close = value.find(']');
        if (close == std::string::npos || close + 1 >= value.size() || value[close + 1] != ':') throw bad();
        host = value.substr(1, close - 1);
        port = std::string_view(value).substr(close + 2);
    } else {
        const auto colon = value.rfind(':');
        if (colon == std::string::npos || value.find(':') != colon) throw bad();
        host = value.substr(0, colon);
        port = std::string_view(value).substr(colon + 1);
    }
    if (host.empty() || host.find_first_of("/ \t") != std::string::npos) throw bad();
    options.host = host;
    options.port = numberOf<int>("--listen's port", port, 0, 65535);
}

}  // namespace

ServerOptions ParseServerArguments(std::span<const std::string> arguments) {
    ServerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.action = ServerOptions::Action::Help;
            return options;
        }
        if (argument == "--version") {
            options.action = ServerOptions::Action::Version;
            return options;
        }
        if (argument == "--no-page-core") {
            options.noPageCore = true;
            continue;
        }
        if (argument == "--accept-late")
            throw UsageError("--accept-late is a round's setting: quillmere-tournament round FILE set N --late accept");
        if (!argument.starts_with("--")) throw UsageError("unexpected argument '" + argument + "'");
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> value;
        if (equals != std::string::npos) value = argument.substr(equals + 1);
        const auto take = [&]() -> std::string {
            if (value) return *value;
            if (i + 1 >= arguments.size()) throw UsageError(name + " wants a value");
            return arguments[++i];
        };
        auto& limits = options.limits;
        if (name == "--archive") {
            options.archive = take();
        } else if (name == "--listen") {
            setListen(options, take());
        } else if (name == "--tls-cert") {
            options.tlsCertificate = take();
        } else if (name == "--tls-key") {
            options.tlsKey = take();
        } else if (name == "--page-core") {
            options.pageCore = take();
            if (options.pageCore.empty()) throw UsageError("--page-core wants a file");
        } else if (name == "--max-upload-mib") {
            limits.uploadBytes = std::int64_t{numberOf<int>(name, take(), 1, 256)} * 1024 * 1024;
        } else if (name == "--jobs") {
            limits.analysisJobs = numberOf<unsigned>(name, take(), 1, 256);
        } else if (name == "--queue") {
            limits.analysisQueue = numberOf<unsigned>(name, take(), 0, 10000);
        } else if (name == "--threads") {
            limits.threads = numberOf<unsigned>(name, take(), 2, 1024);
        } else if (name == "--read-timeout") {
            limits.readTimeout = std::chrono::seconds(numberOf<int>(name, take(), 1, 3600));
        } else if (name == "--request-time") {
            limits.requestTime = std::chrono::seconds(numberOf<int>(name, take(), 1, 3600));
        } else if (name == "--rate") {
            limits.requestsPerMinute = numberOf<unsigned>(name, take(), 1, 1000000);
        } else {
            throw UsageError("unknown option '" + name + "'");
        }
    }
    static_assert(load::kMaxSaveFileBytes == std::int64_t{256} * 1024 * 1024);
    if (options.archive.empty()) throw UsageError("--archive FILE is needed");
    if (options.noPageCore && !options.pageCore.empty())
        throw UsageError("--page-core FILE and --no-page-core contradict each other");
    if (options.tlsCertificate.empty() != options.tlsKey.empty())
        throw UsageError("--tls-cert FILE and --tls-key FILE go together");
    return options;
}

std::string ServerUsage() {
    return "Usage: quillmere-server --archive FILE [--listen HOST:PORT] [options]\n"
           "Serves a tournament archive to its players and referee over HTTP: each player uploads saves\n"
           "through a private link (quillmere-tournament player add), the server analyses every upload\n"
           "itself, stores it in the archive and answers with a signed receipt.\n"
           "\n"
           "  --archive FILE        the archive (quillmere-tournament new)\n"
           "  --listen HOST:PORT    where to listen (default 127.0.0.1:8080; [::1]:8080 for IPv6; port 0:\n"
           "                        any free one, named in the log line \"listening\")\n"
           "  --tls-cert FILE       serve HTTPS with this PEM certificate (the server's first, then its\n"
           "                        chain); without it, plain HTTP for a TLS proxy in front\n"
           "  --tls-key FILE        the certificate's private key (PEM, no passphrase)\n"
           "  --page-core FILE      the browser core (quillmere-served-core.js, its .wasm beside), with which the "
           "player's\n"
           "                        page shows a save's row and flags before sending it (default: the\n"
           "                        installed one, if any)\n"
           "  --no-page-core        show a save's row only once the server has received it\n"
           "  --max-upload-mib N    the largest save taken, in MiB (default 16, at most 256)\n"
           "  --jobs N              analyses at once (default: one per core)\n"
           "  --queue N             uploads that may wait for an analysis (default 16); beyond, 503\n"
           "  --threads N           connections served at once (default 24)\n"
           "  --read-timeout S      drop a client silent for S seconds (default 10)\n"
           "  --request-time S      the most an upload's body may take to arrive (default 60)\n"
           "  --rate N              requests per minute a link may make (default 120); beyond, 429\n"
           "  --help, --version\n"
           "\n"
           "Log lines go to standard error. SIGINT or SIGTERM stop the server once the requests in\n"
           "hand are answered. Exit status: 0 when stopped, 2 for a usage error or an archive or\n"
           "address that cannot be used.\n";
}

}  // namespace quillmere::server
