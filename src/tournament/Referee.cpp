#include "tournament/Referee.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace quillmere::tournament {

std::string LoginName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
    return "referee";
}

}  // namespace quillmere::tournament
