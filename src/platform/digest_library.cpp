#include "platform/digest_library.h"

#include <dlfcn.h>
#include <mutex>
#include <openssl/opensslv.h>

namespace dorvantile {

const DigestFunctions* digestFunctions(std::string& reason) {
    static std::once_flag once;
    static DigestFunctions functions;
    static const DigestFunctions* loaded = nullptr;
    static std::string why;
    std::call_once(once, [] {
        // The library of the major version the program was built against, as its package
        // names it.
        const std::string name = "libcrypto.so." + std::to_string(OPENSSL_VERSION_MAJOR);
        void* library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* error = ::dlerror();
            why = error ? error : "cannot load " + name;
            return;
        }
        // Its code stays mapped until the process ends: digests are taken until then.
        bool whole = true;
        const auto find = [&](auto& function, const char* symbol) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                ::dlsym(library, symbol));
            if (!function && whole) {
                whole = false;
                why = name + ": no " + symbol;
            }
        };
        find(functions.newContext, "EVP_MD_CTX_new");
        find(functions.freeContext, "EVP_MD_CTX_free");
        find(functions.init, "EVP_DigestInit_ex");
        find(functions.update, "EVP_DigestUpdate");
        find(functions.finish, "EVP_DigestFinal_ex");
        find(functions.sha256, "EVP_sha256");
        if (whole)
            loaded = &functions;
    });
    if (!loaded)
        reason = why;
    return loaded;
}

} // namespace dorvantile
