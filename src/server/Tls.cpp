#include "server/Tls.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace quillmere::server {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

std::unique_ptr<std::FILE, FileCloser> openFile(const std::string& option, const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rbe"));
    if (!file) throw std::runtime_error(option + " " + path + ": cannot read it (" + std::strerror(errno) + ")");
    return file;
}

// A key with a passphrase is refused rather than asked for: the server starts unattended.
int noPassphrase(char*, int, int, void*) { return -1; }

}  // namespace

void CheckTlsFiles(const std::string& certificate, const std::string& key) {
    ERR_clear_error();
    const std::unique_ptr<X509, CertificateFree> cert(
        PEM_read_X509(openFile("--tls-cert", certificate).get(), nullptr, noPassphrase, nullptr));
    if (!cert) {
        ERR_clear_error();
        throw std::runtime_error("--tls-cert " + certificate + ": not a certificate in PEM form");
    }
    const std::unique_ptr<EVP_PKEY, KeyFree> pkey(
        PEM_read_PrivateKey(openFile("--tls-key", key).get(), nullptr, noPassphrase, nullptr));
    if (!pkey) {
        ERR_clear_error();
        throw std::runtime_error("--tls-key " + key + ": not an unencrypted private key in PEM form");
    }
    if (X509_check_private_key(cert.get(), pkey.get()) != 1) {
        ERR_clear_error();
        throw std::runtime_error("--tls-key " + key + " is not the key of the certificate " + certificate);
    }
}

}  // namespace quillmere::server
