// SPDX-License-Identifier: Apache-2.0
// The gnutls functions that qpdf calls, each loading the real library on its first use.
//
// qpdf does its cryptography through gnutls: decrypting and encrypting encrypted files,
// the digests of a file written anew. Reading the information of a file that is not
// encrypted needs none of it, yet loading gnutls at start maps eight libraries, binds
// thousands of symbols and runs gnutls's initialisation: more than the whole read of a
// small file. The command line links qpdf statically with these definitions in front of
// it, so that the linker leaves gnutls out and the first call loads it. The signatures
// come from gnutls's own header, so the compiler checks every one. Hidden: they must
// not be seen by gnutls itself, whose calls to its own functions would land here.

#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>

#include <dlfcn.h>
#include <stdexcept>
#include <string>

namespace {

void *gnutls(const char *function)
{
    static void *const library = ::dlopen(ORVFIELDS_GNUTLS, RTLD_NOW | RTLD_LOCAL);
    void *found = library ? ::dlsym(library, function) : nullptr;
    if (!found)
        throw std::runtime_error(std::string("cryptography unavailable: cannot load ") + function +
                                 " from " ORVFIELDS_GNUTLS);
    return found;
}

} // namespace

// Each function finds its counterpart once; qpdf turns a failure into its own error.
#define ORV_GNUTLS(function)                                                                       \
    static const auto real = reinterpret_cast<decltype(&::function)>(gnutls(#function))

extern "C" {

__attribute__((visibility("hidden"))) int gnutls_cipher_init(gnutls_cipher_hd_t *handle,
                                                             gnutls_cipher_algorithm_t cipher,
                                                             const gnutls_datum_t *key,
                                                             const gnutls_datum_t *iv)
{
    ORV_GNUTLS(gnutls_cipher_init);
    return real(handle, cipher, key, iv);
}

__attribute__((visibility("hidden"))) int gnutls_cipher_encrypt2(gnutls_cipher_hd_t handle,
                                                                 const void *text, size_t textSize,
                                                                 void *out, size_t outSize)
{
    ORV_GNUTLS(gnutls_cipher_encrypt2);
    return real(handle, text, textSize, out, outSize);
}

__attribute__((visibility("hidden"))) int gnutls_cipher_decrypt2(gnutls_cipher_hd_t handle,
                                                                 const void *text, size_t textSize,
                                                                 void *out, size_t outSize)
{
    ORV_GNUTLS(gnutls_cipher_decrypt2);
    return real(handle, text, textSize, out, outSize);
}

__attribute__((visibility("hidden"))) void gnutls_cipher_deinit(gnutls_cipher_hd_t handle)
{
    ORV_GNUTLS(gnutls_cipher_deinit);
    real(handle);
}

__attribute__((visibility("hidden"))) size_t
gnutls_cipher_get_key_size(gnutls_cipher_algorithm_t algorithm)
{
    ORV_GNUTLS(gnutls_cipher_get_key_size);
    return real(algorithm);
}

__attribute__((visibility("hidden"))) int gnutls_hash_init(gnutls_hash_hd_t *handle,
                                                           gnutls_digest_algorithm_t algorithm)
{
    ORV_GNUTLS(gnutls_hash_init);
    return real(handle, algorithm);
}

__attribute__((visibility("hidden"))) int gnutls_hash(gnutls_hash_hd_t handle, const void *text,
                                                      size_t size)
{
    ORV_GNUTLS(gnutls_hash);
    return real(handle, text, size);
}

__attribute__((visibility("hidden"))) void gnutls_hash_deinit(gnutls_hash_hd_t handle, void *digest)
{
    ORV_GNUTLS(gnutls_hash_deinit);
    real(handle, digest);
}

__attribute__((visibility("hidden"))) int gnutls_rnd(gnutls_rnd_level_t level, void *data,
                                                     size_t size)
{
    ORV_GNUTLS(gnutls_rnd);
    return real(level, data, size);
}

__attribute__((visibility("hidden"))) const char *gnutls_strerror(int error)
{
    ORV_GNUTLS(gnutls_strerror);
    return real(error);
}

} // extern "C"
