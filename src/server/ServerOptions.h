#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace quillmere::server {

// The bounds of what a client may cost the server. Every one is an option with a safe default.
struct Limits {
    std::int64_t uploadBytes = std::int64_t{16} * 1024 * 1024;  // one save; never above the core's cap
    unsigned analysisJobs = 0;                                  // analyses at once; 0: one per core
    unsigned analysisQueue = 16;                                // uploads that may wait for one
    unsigned threads = 24;                                      // connections served at once
    std::chrono::seconds readTimeout{10};                       // a client silent this long is dropped
    std::chrono::seconds requestTime{60};                       // the most a body may take to arrive
    unsigned requestsPerMinute = 120;                           // per link
};

// What one run of quillmere-server is asked to do.
struct ServerOptions {
    enum class Action { Run, Help, Version } action = Action::Run;
    std::string archive;
    std::string host = "127.0.0.1";  // an IPv6 address without its brackets
    int port = 8080;                 // 0: any free port (the log line "listening" tells which)
    std::string tlsCertificate;      // both set: HTTPS with this PEM certificate (chain) and key
    std::string tlsKey;
    std::string pageCore;     // the browser edition's core for the player's page; empty: looked for
    bool noPageCore = false;  // the player's page shows no row before a save is sent
    Limits limits;
};

// The command line does not make sense; what() says why, without the program's name.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program's name ("--name=X" or "--name X"). Throws UsageError.
[[nodiscard]] ServerOptions ParseServerArguments(std::span<const std::string> arguments);

// The text of --help.
[[nodiscard]] std::string ServerUsage();

}  // namespace quillmere::server
