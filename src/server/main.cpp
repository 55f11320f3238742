#include <malloc.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/SafeText.h"
#include "server/Log.h"
#include "server/Server.h"
#include "server/ServerOptions.h"
#include "tournament/Archive.h"

namespace {

using namespace quillmere;

constexpr int kDone = 0;
constexpr int kRefused = 2;

int fail(const std::string& message) {
    std::fprintf(stderr, "quillmere-server: %s\n", exporting::EscapedForTerminal(message).c_str());
    return kRefused;
}

// The folder this program runs from; empty when the system does not say.
std::string programFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

int run(const std::vector<std::string>& arguments) {
    server::ServerOptions options;
    try {
        options = server::ParseServerArguments(arguments);
    } catch (const server::UsageError& error) {
        fail(error.what());
        std::fputs("Try 'quillmere-server --help'.\n", stderr);
        return kRefused;
    }
    if (options.action == server::ServerOptions::Action::Help) {
        std::fputs(server::ServerUsage().c_str(), stdout);
        return kDone;
    }
    if (options.action == server::ServerOptions::Action::Version) {
        std::puts("quillmere-server " QUILLMERE_VERSION);
        return kDone;
    }
    // SIGINT and SIGTERM are taken by one thread that stops the server; every other thread, the
    // server's included, starts with them blocked. A client that goes away never raises SIGPIPE.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    // glibc gives each thread that allocates its own arena, up to eight a core, and keeps what they
    // freed: with a thread a connection, one save's buffers would stay in every arena. One arena a
    // core holds the server's memory to what is in flight (about a fifth, measured under 20 clients).
    mallopt(M_ARENA_MAX, static_cast<int>(std::max(2u, std::thread::hardware_concurrency())));

    server::Log log(stderr);
    try {
        std::optional<server::PageCore> core;
        if (!options.pageCore.empty()) {
            core = server::ReadPageCore(options.pageCore);
        } else if (!options.noPageCore) {
            const auto places = server::PageCorePlaces(programFolder(), QUILLMERE_PAGE_CORE);
            core = server::FindPageCore(places);
            if (!core) {
                std::string tried;
                for (const auto& place : places) tried += (tried.empty() ? "" : ", ") + place;
                log.write("no-page-core", {{"tried", tried}});
            }
        }
        if (core) log.write("page-core", {{"file", core->path}});
        server::Server http(options, log, std::move(core));
        std::thread waiter([&] {
            int signal = 0;
            sigwait(&stopping, &signal);
            if (signal != 0) log.write("stopping", {{"signal", signal == SIGINT ? "SIGINT" : "SIGTERM"}});
            http.stop();
        });
        const bool served = http.run();
        // run() also ends when listening fails: the waiter is woken as a signal would.
        pthread_kill(waiter.native_handle(), SIGTERM);
        waiter.join();
        log.write("stopped", {});
        return served ? kDone : fail("the listening socket failed");
    } catch (const tournament::ArchiveError& error) {
        return fail(error.what());
    } catch (const std::exception& error) {
        return fail(error.what());
    }
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
