#pragma once

#include <string>

namespace quillmere::server {

// Checks, before the server takes them, that `certificate` is a readable PEM certificate (the
// server's first, any chain after it), `key` a readable, unencrypted PEM private key, and that the
// key is the certificate's. Throws std::runtime_error naming the file and what is wrong with it.
void CheckTlsFiles(const std::string& certificate, const std::string& key);

}  // namespace quillmere::server
