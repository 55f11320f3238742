#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace quillmere::server {

// Structured log lines on a stream, one event a line: the UTC time, then key=value pairs, each value
// quoted as a JSON string when it holds anything but letters, digits and ".:/_-", so that no name or
// path can break a line or forge another. A line never holds a token: callers pass none.
class Log {
public:
    explicit Log(std::FILE* stream) : m_stream(stream) {}

    void write(std::string_view event, std::initializer_list<std::pair<std::string_view, std::string>> fields);

private:
    std::FILE* m_stream;
    std::mutex m_mutex;
};

// The time `seconds` (Unix) as ISO 8601 UTC: "2026-12-09T17:02:03Z".
[[nodiscard]] std::string UtcText(std::int64_t seconds);

}  // namespace quillmere::server
