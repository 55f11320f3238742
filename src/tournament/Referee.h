#pragma once

#include <string>

namespace quillmere::tournament {

// Who rules and adds saves when nobody says: the user's login name as the system knows it, else
// $USER, else "referee".
[[nodiscard]] std::string LoginName();

}  // namespace quillmere::tournament
