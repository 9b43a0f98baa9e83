#include "platform/CertOpenSsl.h"

#include <openssl/err.h>
#include <openssl/provider.h>

#include <cstdlib>
#include <mutex>

namespace vrel::cert {

std::string lastError(const char* fallback) {
  const unsigned long code = ERR_peek_last_error();
  std::string text = fallback;
  if (code != 0) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    if (const char* reason = ERR_reason_error_string(code)) text = reason;
    else text = buffer;
  }
  ERR_clear_error();
  return text;
}

X509Ptr certificateFromDer(const Bytes& der) {
  const unsigned char* p = der.data();
  X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
  // Trailing bytes mean this was not one certificate.
  if (cert && p != der.data() + der.size()) cert.reset();
  return cert;
}

KeyPtr keyFromDer(const Bytes& der) {
  const unsigned char* p = der.data();
  return KeyPtr(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size())));
}

Bytes certificateToDer(X509* cert) {
  unsigned char* buffer = nullptr;
  const int n = i2d_X509(cert, &buffer);
  if (n <= 0) return {};
  Bytes out(buffer, buffer + n);
  OPENSSL_free(buffer);
  return out;
}

Bytes keyToDer(EVP_PKEY* key) {
  std::unique_ptr<PKCS8_PRIV_KEY_INFO, Deleter<PKCS8_PRIV_KEY_INFO_free>> p8(EVP_PKEY2PKCS8(key));
  if (!p8) return {};
  unsigned char* buffer = nullptr;
  const int n = i2d_PKCS8_PRIV_KEY_INFO(p8.get(), &buffer);
  if (n <= 0) return {};
  Bytes out(buffer, buffer + n);
  OPENSSL_cleanse(buffer, static_cast<size_t>(n));
  OPENSSL_free(buffer);
  return out;
}

std::string thumbprintOf(X509* cert) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!X509_digest(cert, EVP_sha1(), digest, &length)) return {};
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0xF];
  }
  return out;
}

namespace {
OSSL_PROVIDER* gLegacy = nullptr;
OSSL_PROVIDER* gDefault = nullptr;
}  // namespace

void loadProviders() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Loading one provider by name turns off the implicit default, so both.
    gLegacy = OSSL_PROVIDER_load(nullptr, "legacy");
    gDefault = OSSL_PROVIDER_load(nullptr, "default");
    ERR_clear_error();
    // Given back before OpenSSL's own clean-up at exit, which cannot free
    // providers that are still held.
    std::atexit([] {
      if (gLegacy) OSSL_PROVIDER_unload(gLegacy);
      if (gDefault) OSSL_PROVIDER_unload(gDefault);
    });
  });
}

}  // namespace vrel::cert
