#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace quillmere::load {

// A file that cannot be loaded or analysed. what() is the short, lower-case message the user sees
// after the file's name, e.g. "no game data found" or "data error".
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The save's data ends before a value that must be read: the file is truncated or damaged.
class DamagedSave : public LoadError {
public:
    explicit DamagedSave(std::size_t dataLength)
        : LoadError("damaged save: data ends at byte " + std::to_string(dataLength)), m_dataLength(dataLength) {}

    [[nodiscard]] std::size_t dataLength() const { return m_dataLength; }

private:
    std::size_t m_dataLength;
};

}  // namespace quillmere::load
