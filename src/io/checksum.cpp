#include "io/checksum.hpp"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "io/errors.hpp"

namespace coswitch {

std::string file_sha256(const std::string& path, const std::string& name) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) throw RunError(kExitInput, name + ": cannot open: " + std::strerror(errno));
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw RunError(kExitInput, name + ": cannot compute its checksum");
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0)
        EVP_DigestUpdate(ctx.get(), buf, n);
    if (std::ferror(f.get())) throw RunError(kExitInput, name + ": read error");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &len);
    static const char* const hex = "0123456789abcdef";
    std::string out;
    for (unsigned int k = 0; k < len; ++k) {
        out += hex[digest[k] >> 4];
        out += hex[digest[k] & 15];
    }
    return out;
}

}  // namespace coswitch
