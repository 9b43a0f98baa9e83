// PKCS #12 export and import of a certificate store.
#include "platform/CertOpenSsl.h"
#include "platform/CertStore.h"

#include <openssl/err.h>
#include <openssl/pkcs12.h>

#include <filesystem>

namespace vrel {

namespace {

using cert::Deleter;
using cert::KeyPtr;
using cert::X509Ptr;

void freeBags(STACK_OF(PKCS12_SAFEBAG)* s) { sk_PKCS12_SAFEBAG_pop_free(s, PKCS12_SAFEBAG_free); }
void freeSafes(STACK_OF(PKCS7)* s) { sk_PKCS7_pop_free(s, PKCS7_free); }
using BagsPtr = std::unique_ptr<STACK_OF(PKCS12_SAFEBAG), Deleter<freeBags>>;
using SafesPtr = std::unique_ptr<STACK_OF(PKCS7), Deleter<freeSafes>>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, Deleter<PKCS12_free>>;
using P8Ptr = std::unique_ptr<PKCS8_PRIV_KEY_INFO, Deleter<PKCS8_PRIV_KEY_INFO_free>>;

// Windows reads these from every version on: 3DES with SHA-1 key derivation.
constexpr int kPbe = NID_pbe_WithSHA1And3_Key_TripleDES_CBC;
constexpr int kIterations = 2048;

CertStatus fail(CertStatus::Code code, std::string description) { return {code, std::move(description)}; }

// What a blob holds, read whole before anything is stored.
struct Contents {
  std::vector<X509Ptr> certificates;
  std::vector<KeyPtr> keys;
};

bool readBag(PKCS12_SAFEBAG* bag, const char* pass, Contents& out) {
  switch (PKCS12_SAFEBAG_get_nid(bag)) {
    case NID_keyBag: {
      KeyPtr key(EVP_PKCS82PKEY(PKCS12_SAFEBAG_get0_p8inf(bag)));
      if (!key) return false;
      out.keys.push_back(std::move(key));
      return true;
    }
    case NID_pkcs8ShroudedKeyBag: {
      P8Ptr p8(PKCS12_decrypt_skey(bag, pass, -1));
      KeyPtr key(p8 ? EVP_PKCS82PKEY(p8.get()) : nullptr);
      if (!key) return false;
      out.keys.push_back(std::move(key));
      return true;
    }
    case NID_certBag: {
      if (PKCS12_SAFEBAG_get_bag_nid(bag) != NID_x509Certificate) return true;  // other kinds are not ours
      X509Ptr x(PKCS12_SAFEBAG_get1_cert(bag));
      if (!x) return false;
      out.certificates.push_back(std::move(x));
      return true;
    }
    default:
      return true;  // CRLs, secrets: nothing a certificate store keeps
  }
}

CertStatus readPfx(const Bytes& blob, std::string_view password, Contents& out) {
  const unsigned char* p = blob.data();
  Pkcs12Ptr p12(d2i_PKCS12(nullptr, &p, static_cast<long>(blob.size())));
  if (!p12) return fail(CertStatus::BadData, "not a PKCS #12 file (" + cert::lastError("it does not parse") + ")");
  const std::string passText(password);
  const char* pass = passText.c_str();
  if (PKCS12_mac_present(p12.get()) && !PKCS12_verify_mac(p12.get(), pass, -1)) {
    // An empty password may have been written as none at all.
    if (!password.empty() || !PKCS12_verify_mac(p12.get(), nullptr, 0)) {
      ERR_clear_error();
      return fail(CertStatus::WrongPassword, "the password of the PKCS #12 file is wrong (its integrity check failed)");
    }
    pass = nullptr;
  }
  SafesPtr safes(PKCS12_unpack_authsafes(p12.get()));
  if (!safes) return fail(CertStatus::BadData, "the PKCS #12 file is damaged: " + cert::lastError("no contents"));
  for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
    PKCS7* p7 = sk_PKCS7_value(safes.get(), i);
    BagsPtr bags;
    if (PKCS7_type_is_data(p7)) bags.reset(PKCS12_unpack_p7data(p7));
    else if (PKCS7_type_is_encrypted(p7)) bags.reset(PKCS12_unpack_p7encdata(p7, pass, -1));
    else continue;  // public-key encrypted contents: not written by certificate exports
    if (!bags)
      return fail(CertStatus::BadData, "cannot decrypt the PKCS #12 file: " + cert::lastError("unknown cipher"));
    for (int j = 0; j < sk_PKCS12_SAFEBAG_num(bags.get()); ++j)
      if (!readBag(sk_PKCS12_SAFEBAG_value(bags.get(), j), pass, out))
        return fail(CertStatus::BadData, "cannot read an item of the PKCS #12 file: " + cert::lastError("bad item"));
  }
  return {};
}

// The key of contents that belongs to x, or null.
EVP_PKEY* keyOf(X509* x, const Contents& contents) {
  for (const KeyPtr& key : contents.keys)
    if (X509_check_private_key(x, key.get()) == 1) return key.get();
  ERR_clear_error();
  return nullptr;
}

}  // namespace

CertStatus CertStore::exportPfx(std::string_view password, Bytes& out) const {
  out.clear();
  if (password.find('\0') != std::string_view::npos)
    return fail(CertStatus::InvalidArgument, "the password must not contain a NUL character");
  std::vector<CertificateInfo> infos;
  if (CertStatus st = list(infos); !st) return st;
  if (infos.empty()) return fail(CertStatus::NotFound, "the store holds no certificates to export");
  const std::string pass(password);
  BagsPtr certBags(sk_PKCS12_SAFEBAG_new_null());
  BagsPtr keyBags(sk_PKCS12_SAFEBAG_new_null());
  SafesPtr safes(sk_PKCS7_new_null());
  if (!certBags || !keyBags || !safes) return fail(CertStatus::BadData, "out of memory");
  // The add functions append to the stacks they are given.
  STACK_OF(PKCS12_SAFEBAG)* certStack = certBags.get();
  STACK_OF(PKCS12_SAFEBAG)* keyStack = keyBags.get();
  STACK_OF(PKCS7)* safeStack = safes.get();
  for (const CertificateInfo& info : infos) {
    CertificateData data;
    if (CertStatus st = load(info.thumbprint, data); !st) return st;
    X509Ptr x = cert::certificateFromDer(data.certificate);
    KeyPtr key = data.privateKey.empty() ? nullptr : cert::keyFromDer(data.privateKey);
    unsigned char id[EVP_MAX_MD_SIZE];
    unsigned int idLength = 0;
    PKCS12_SAFEBAG* bag = x ? PKCS12_add_cert(&certStack, x.get()) : nullptr;
    bool ok = bag && X509_digest(x.get(), EVP_sha1(), id, &idLength);
    if (ok && key) {
      // The local key ID pairs a key with its certificate on import.
      PKCS12_SAFEBAG* keyBag = PKCS12_add_key(&keyStack, key.get(), 0, kIterations, kPbe, pass.c_str());
      ok = keyBag && PKCS12_add_localkeyid(bag, id, static_cast<int>(idLength)) &&
           PKCS12_add_localkeyid(keyBag, id, static_cast<int>(idLength));
    }
    if (!ok) return fail(CertStatus::BadData, "cannot export " + info.thumbprint + ": " + cert::lastError("failed"));
  }
  bool ok = PKCS12_add_safe(&safeStack, certStack, kPbe, kIterations, pass.c_str()) != 0;
  if (ok && sk_PKCS12_SAFEBAG_num(keyStack) > 0) ok = PKCS12_add_safe(&safeStack, keyStack, -1, 0, nullptr) != 0;
  Pkcs12Ptr p12(ok ? PKCS12_add_safes(safeStack, 0) : nullptr);
  if (!p12 || !PKCS12_set_mac(p12.get(), pass.c_str(), -1, nullptr, 0, kIterations, EVP_sha1()))
    return fail(CertStatus::BadData, "cannot build the PKCS #12 file: " + cert::lastError("failed"));
  unsigned char* buffer = nullptr;
  const int n = i2d_PKCS12(p12.get(), &buffer);
  if (n <= 0) return fail(CertStatus::BadData, "cannot encode the PKCS #12 file: " + cert::lastError("failed"));
  out.assign(buffer, buffer + n);
  OPENSSL_free(buffer);
  return {};
}

CertStatus CertStore::importPfx(const Bytes& blob, std::string_view password, std::vector<std::string>* added) {
  if (added) added->clear();
  if (!m_validName) return fail(CertStatus::InvalidArgument, "the store name is not valid");
  if (password.find('\0') != std::string_view::npos)
    return fail(CertStatus::InvalidArgument, "the password must not contain a NUL character");
  cert::loadProviders();
  Contents contents;
  if (CertStatus st = readPfx(blob, password, contents); !st) return st;
  // Every certificate with the key that belongs to it; the blob's other keys
  // have nowhere to go.
  std::vector<CertificateData> items;
  for (const X509Ptr& x : contents.certificates) {
    CertificateData data{cert::certificateToDer(x.get()), {}};
    if (EVP_PKEY* key = keyOf(x.get(), contents)) data.privateKey = cert::keyToDer(key);
    items.push_back(std::move(data));
  }
  std::vector<std::string> stored, fresh;
  for (const CertificateData& data : items) {
    CertificateInfo info;
    std::string error;
    describeCertificate(data.certificate, info, error);
    const bool there = std::filesystem::exists(folder() + "/" + info.thumbprint + ".pem");
    std::string print;
    if (CertStatus st = add(data, &print); !st) {
      for (const std::string& undo : fresh) remove(undo);
      return st;
    }
    stored.push_back(print);
    if (!there) fresh.push_back(print);
  }
  if (added) *added = std::move(stored);
  return {};
}

CertStatus checkPfx(const Bytes& blob, std::string_view password, std::size_t* certificates) {
  Contents contents;
  CertStatus st = readPfx(blob, password, contents);
  if (st && contents.certificates.empty()) st = fail(CertStatus::BadData, "the PKCS #12 file holds no certificate");
  if (certificates) *certificates = contents.certificates.size();
  return st;
}

}  // namespace vrel
