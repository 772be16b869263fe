// libcrypto's SHA-256 through its EVP interface, which uses the processor's SHA instructions,
// loaded when it is first asked for: a run that reads no file's content never maps
// libcrypto, whose loading alone takes longer than a search of the library.
#pragma once

#include <openssl/evp.h>
#include <string>

namespace dorvantile {

/// The EVP functions a SHA-256 takes.
struct DigestFunctions {
    EVP_MD_CTX* (*newContext)();
    void (*freeContext)(EVP_MD_CTX*);
    int (*init)(EVP_MD_CTX*, const EVP_MD*, ENGINE*);
    int (*update)(EVP_MD_CTX*, const void*, size_t);
    int (*finish)(EVP_MD_CTX*, unsigned char*, unsigned int*);
    const EVP_MD* (*sha256)();
};

/// libcrypto's functions, loaded once; null when it cannot be loaded, with the loader's
/// reason (naming the library) in `reason`.
const DigestFunctions* digestFunctions(std::string& reason);

} // namespace dorvantile
