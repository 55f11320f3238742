#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace quillmere::load {

// A file that cannot be loaded or analysed. what() is the short, lower-case message the user sees
// after the file's name, saying what is wrong and where, e.g. "not a save file: no game data found".
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A read of the save's data that would cross the end of what it may read: the header ran into the
// game data, or the game data ended before the walk did.
class DamagedSave : public LoadError {
public:
    DamagedSave(const std::string& message, std::size_t dataLength) : LoadError(message), m_dataLength(dataLength) {}

    // The length of the data the failed read was held to.
    [[nodiscard]] std::size_t dataLength() const { return m_dataLength; }

private:
    std::size_t m_dataLength;
};

}  // namespace quillmere::load
