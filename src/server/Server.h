#pragma once

#include <memory>
#include <optional>
#include <string>

#include "server/Log.h"
#include "server/PageCore.h"
#include "server/ServerOptions.h"

namespace quillmere::server {

// The HTTP front end over one tournament archive: it authenticates each request once by its link's
// token, bounds it, turns it into one archive call and renders the answer as JSON or a page. Who may
// do what is written down in the README ("Running a round online"); the tests check it point by point.
class Server {
public:
    // Opens the archive (read and write) and binds the address. With `pageCore` the player's page
    // shows a save's row before it is sent. Throws tournament::ArchiveError or std::runtime_error
    // ("cannot listen on ...").
    Server(const ServerOptions& options, Log& log, std::optional<PageCore> pageCore = std::nullopt);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The port it listens on (the one chosen when the options asked for 0).
    [[nodiscard]] int port() const;
    // Serves until stop(); returns false when the listening socket failed.
    bool run();
    // Stops serving, from any thread: run() returns once the requests in hand are answered.
    void stop();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace quillmere::server
