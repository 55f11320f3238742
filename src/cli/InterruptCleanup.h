#pragma once

#include <csignal>
#include <functional>
#include <memory>
#include <string>

#include "export/AtomicFile.h"

namespace quillmere::cli {

// Removes the temporary file of a writer that it watches when the program is interrupted (SIGINT,
// SIGTERM), then ends the program by that signal as if it had not been caught, so that a shell sees
// 130 or 143. Made before any other thread, which all leave these signals to a thread of its own; a
// signal that the program was started with ignored stays ignored. Lives until the program ends.
class InterruptCleanup final : public exporting::TemporaryFileWatch {
public:
    InterruptCleanup();

    void change(const std::string& path, bool named, const std::function<void()>& step) override;

private:
    struct State;
    // On one of the signals of `set`, removes the temporary file and ends the program by it.
    static void awaitInterrupt(const std::shared_ptr<State>& state, const sigset_t& set);

    std::shared_ptr<State> m_state;
};

}  // namespace quillmere::cli
