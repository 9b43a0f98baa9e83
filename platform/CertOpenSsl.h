// OpenSSL helpers shared by the certificate store's sources: owning
// pointers, DER and PEM conversions, and the error text of the last failure.
#pragma once

#include "platform/Text.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace vrel::cert {

template <auto Free>
struct Deleter {
  template <class T>
  void operator()(T* p) const {
    Free(p);
  }
};

using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;

// The reason of the newest OpenSSL error (or fallback), clearing the queue.
std::string lastError(const char* fallback);

X509Ptr certificateFromDer(const Bytes& der);
KeyPtr keyFromDer(const Bytes& der);  // PKCS #8 or a bare key
Bytes certificateToDer(X509* cert);
Bytes keyToDer(EVP_PKEY* key);  // PKCS #8
// SHA-1 of the DER certificate as 40 upper-case hex digits.
std::string thumbprintOf(X509* cert);

// Loads the legacy provider (RC2-40 certificate bags of older exports) next
// to the default one, once per process.
void loadProviders();

}  // namespace vrel::cert
