// The machine certificate store: adding, listing, finding and removing
// certificates, and PKCS #12 export and import between two machines.
#include "platform/CertStore.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>

namespace vrel::test {
namespace {

constexpr const char* kPassword = "QWm518204pXLt";

struct KeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;

Bytes toBytes(unsigned char* buffer, int n) {
  Bytes out(buffer, buffer + std::max(n, 0));
  OPENSSL_free(buffer);
  return out;
}

Key parseKey(const Bytes& der) {
  const unsigned char* p = der.data();
  return Key(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size())));
}

// A self-signed certificate "CN=<cn>" on a fresh P-256 key (fast to make).
CertificateData makeCertificate(const char* cn, bool withKey = true) {
  Key key(EVP_EC_gen("P-256"));
  X509* x = X509_new();
  ASN1_INTEGER_set(X509_get_serialNumber(x), 1000 + cn[0]);
  X509_gmtime_adj(X509_getm_notBefore(x), 0);
  X509_gmtime_adj(X509_getm_notAfter(x), 3600);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(x), "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(cn), -1, -1, 0);
  X509_set_issuer_name(x, X509_get_subject_name(x));
  X509_set_pubkey(x, key.get());
  X509_sign(x, key.get(), EVP_sha256());
  CertificateData data;
  unsigned char* buffer = nullptr;
  data.certificate = toBytes(buffer, i2d_X509(x, &buffer));
  if (withKey) {
    PKCS8_PRIV_KEY_INFO* p8 = EVP_PKEY2PKCS8(key.get());
    buffer = nullptr;
    data.privateKey = toBytes(buffer, i2d_PKCS8_PRIV_KEY_INFO(p8, &buffer));
    PKCS8_PRIV_KEY_INFO_free(p8);
  }
  X509_free(x);
  return data;
}

std::vector<std::string> thumbprints(const CertStore& store) {
  std::vector<CertificateInfo> infos;
  EXPECT_TRUE(store.list(infos));
  std::vector<std::string> out;
  for (const auto& i : infos) out.push_back(i.thumbprint + (i.hasPrivateKey ? "+key" : ""));
  return out;
}

class CertStoreTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    alpha = new CertificateData(makeCertificate("alpha.example"));
    beta = new CertificateData(makeCertificate("beta.example"));
    bare = new CertificateData(makeCertificate("bare.example", false));
  }
  static void TearDownTestSuite() {
    delete alpha;
    delete beta;
    delete bare;
  }
  std::string add(CertStore& store, const CertificateData& data) {
    std::string print;
    const CertStatus st = store.add(data, &print);
    EXPECT_TRUE(st) << st.description;
    return print;
  }

  static CertificateData* alpha;
  static CertificateData* beta;
  static CertificateData* bare;
  ScratchMachine machine;
  CertStore my{machine.machine(), CertStoreLocation::LocalMachine, "My"};
};

CertificateData* CertStoreTest::alpha = nullptr;
CertificateData* CertStoreTest::beta = nullptr;
CertificateData* CertStoreTest::bare = nullptr;

TEST_F(CertStoreTest, AddListFindRemove) {
  const std::string a = add(my, *alpha);
  const std::string b = add(my, *bare);
  ASSERT_EQ(a.size(), 40u);
  std::vector<std::string> expected = {a + "+key", b};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(thumbprints(my), expected);

  // Thumbprints as Windows shows them: lower case, spaced pairs.
  std::string shown;
  for (size_t i = 0; i < a.size(); i += 2) shown += (i ? " " : "") + a.substr(i, 2);
  std::transform(shown.begin(), shown.end(), shown.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
  CertificateInfo info;
  ASSERT_TRUE(my.find(shown, info));
  EXPECT_EQ(info.subject, "CN=alpha.example");
  EXPECT_EQ(info.issuer, "CN=alpha.example");
  EXPECT_TRUE(info.hasPrivateKey);
  EXPECT_LT(info.notBefore, info.notAfter);

  CertStore sameStore(machine.machine(), CertStoreLocation::LocalMachine, "my");
  EXPECT_TRUE(sameStore.find(a, info)) << "store names are case-insensitive";
  CertStore otherLocation(machine.machine(), CertStoreLocation::CurrentUser, "My");
  EXPECT_EQ(otherLocation.find(a, info).code, CertStatus::NotFound);

  ASSERT_TRUE(my.remove(a));
  EXPECT_EQ(my.find(a, info).code, CertStatus::NotFound);
  EXPECT_EQ(my.remove(a).code, CertStatus::NotFound);
  EXPECT_EQ(thumbprints(my), std::vector<std::string>{b});
}

TEST_F(CertStoreTest, AddingACertificateWithoutItsKeyKeepsTheStoredKey) {
  const std::string a = add(my, *alpha);
  add(my, CertificateData{alpha->certificate, {}});
  CertificateData loaded;
  ASSERT_TRUE(my.load(a, loaded));
  EXPECT_EQ(EVP_PKEY_eq(parseKey(loaded.privateKey).get(), parseKey(alpha->privateKey).get()), 1);
}

TEST_F(CertStoreTest, RefusesBadInputAndStoresNothing) {
  struct Row {
    const char* name;
    CertificateData data;
    CertStatus::Code code;
  };
  const Row rows[] = {
      {"garbage certificate", {Bytes{0x30, 0x03, 0x01, 0x01}, {}}, CertStatus::BadData},
      {"truncated certificate", {Bytes(alpha->certificate.begin(), alpha->certificate.begin() + 40), {}},
       CertStatus::BadData},
      {"garbage key", {alpha->certificate, Bytes{1, 2, 3}}, CertStatus::BadData},
      {"another certificate's key", {alpha->certificate, beta->privateKey}, CertStatus::InvalidArgument},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(my.add(row.data).code, row.code) << row.name;
    EXPECT_TRUE(thumbprints(my).empty()) << row.name;
  }
}

TEST_F(CertStoreTest, NamesFromDataNeverLeaveTheStore) {
  CertificateInfo info;
  for (const char* print : {"../../etc/passwd", "ABCD", "G000000000000000000000000000000000000000"})
    EXPECT_EQ(my.find(print, info).code, CertStatus::InvalidArgument) << print;
  for (const char* name : {"..", "a/b", "", "My\\..\\Root"}) {
    CertStore bad(machine.machine(), CertStoreLocation::LocalMachine, name);
    EXPECT_EQ(bad.add(*alpha).code, CertStatus::InvalidArgument) << name;
  }
}

TEST_F(CertStoreTest, ExportImportRoundTripKeepsThumbprintsAndKeys) {
  add(my, *alpha);
  add(my, *beta);
  add(my, *bare);
  Bytes blob;
  const CertStatus exported = my.exportPfx(kPassword, blob);
  ASSERT_TRUE(exported) << exported.description;

  ScratchMachine other;
  CertStore target(other.machine(), CertStoreLocation::LocalMachine, "My");
  std::vector<std::string> added;
  const CertStatus imported = target.importPfx(blob, kPassword, &added);
  ASSERT_TRUE(imported) << imported.description;
  EXPECT_EQ(added.size(), 3u);
  EXPECT_EQ(thumbprints(target), thumbprints(my));
  for (const CertificateData* original : {alpha, beta}) {
    CertificateInfo info;
    std::string error;
    ASSERT_TRUE(describeCertificate(original->certificate, info, error)) << error;
    CertificateData copy;
    ASSERT_TRUE(target.load(info.thumbprint, copy));
    EXPECT_EQ(copy.certificate, original->certificate);
    EXPECT_EQ(EVP_PKEY_eq(parseKey(copy.privateKey).get(), parseKey(original->privateKey).get()), 1) << info.subject;
  }
}

TEST_F(CertStoreTest, ExportUsesTripleDesAndSha1Mac) {
  add(my, *alpha);
  Bytes blob;
  ASSERT_TRUE(my.exportPfx(kPassword, blob));
  const unsigned char* p = blob.data();
  PKCS12* p12 = d2i_PKCS12(nullptr, &p, static_cast<long>(blob.size()));
  ASSERT_NE(p12, nullptr);
  const X509_ALGOR* macAlg = nullptr;
  PKCS12_get0_mac(nullptr, &macAlg, nullptr, nullptr, p12);
  const ASN1_OBJECT* oid = nullptr;
  X509_ALGOR_get0(&oid, nullptr, nullptr, macAlg);
  EXPECT_EQ(OBJ_obj2nid(oid), NID_sha1);

  STACK_OF(PKCS7)* safes = PKCS12_unpack_authsafes(p12);
  ASSERT_NE(safes, nullptr);
  int encrypted = 0, shrouded = 0;
  for (int i = 0; i < sk_PKCS7_num(safes); ++i) {
    PKCS7* p7 = sk_PKCS7_value(safes, i);
    if (PKCS7_type_is_encrypted(p7)) {
      ++encrypted;
      EXPECT_EQ(OBJ_obj2nid(p7->d.encrypted->enc_data->algorithm->algorithm), NID_pbe_WithSHA1And3_Key_TripleDES_CBC);
      continue;
    }
    STACK_OF(PKCS12_SAFEBAG)* bags = PKCS12_unpack_p7data(p7);
    for (int j = 0; j < sk_PKCS12_SAFEBAG_num(bags); ++j) {
      const X509_SIG* sig = PKCS12_SAFEBAG_get0_pkcs8(sk_PKCS12_SAFEBAG_value(bags, j));
      if (!sig) continue;
      const X509_ALGOR* alg = nullptr;
      X509_SIG_get0(sig, &alg, nullptr);
      X509_ALGOR_get0(&oid, nullptr, nullptr, alg);
      EXPECT_EQ(OBJ_obj2nid(oid), NID_pbe_WithSHA1And3_Key_TripleDES_CBC);
      ++shrouded;
    }
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
  }
  EXPECT_EQ(encrypted, 1);
  EXPECT_EQ(shrouded, 1);
  sk_PKCS7_pop_free(safes, PKCS7_free);
  PKCS12_free(p12);
}

TEST_F(CertStoreTest, RefusedImportsLeaveTheStoreUnchanged) {
  add(my, *alpha);
  add(my, *beta);
  Bytes blob;
  ASSERT_TRUE(my.exportPfx(kPassword, blob));
  ScratchMachine other;
  CertStore target(other.machine(), CertStoreLocation::LocalMachine, "My");
  const std::string present = add(target, *bare);

  struct Row {
    const char* name;
    Bytes blob;
    const char* password;
    CertStatus::Code code;
  };
  Bytes flipped = blob;
  flipped[flipped.size() / 2] ^= 0x55;
  const Row rows[] = {
      {"wrong password", blob, "qwm518204pxlt", CertStatus::WrongPassword},
      {"empty password", blob, "", CertStatus::WrongPassword},
      {"empty blob", {}, kPassword, CertStatus::BadData},
      {"garbage", Bytes(300, 0x5A), kPassword, CertStatus::BadData},
      {"truncated", Bytes(blob.begin(), blob.begin() + static_cast<long>(blob.size() / 2)), kPassword,
       CertStatus::BadData},
      // Depending on where the byte is, the blob no longer parses or fails
      // its integrity check.
      {"one byte changed", flipped, kPassword, CertStatus::Ok},
  };
  for (const Row& row : rows) {
    std::vector<std::string> added{"stale"};
    const CertStatus st = target.importPfx(row.blob, row.password, &added);
    if (row.code == CertStatus::Ok) EXPECT_FALSE(st) << row.name;
    else EXPECT_EQ(st.code, row.code) << row.name << ": " << st.description;
    EXPECT_FALSE(st.description.empty()) << row.name;
    EXPECT_TRUE(added.empty()) << row.name;
    EXPECT_EQ(thumbprints(target), std::vector<std::string>{present}) << row.name;
  }
}

TEST_F(CertStoreTest, ImportsOlderExportsWithRc2CertificateBags) {
  // What older Windows and `openssl pkcs12 -legacy` write: RC2-40 for the
  // certificates, 3DES for the key.
  struct Providers {
    OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER* fallback = OSSL_PROVIDER_load(nullptr, "default");
    ~Providers() {
      if (legacy) OSSL_PROVIDER_unload(legacy);
      if (fallback) OSSL_PROVIDER_unload(fallback);
    }
  } providers;
  const unsigned char* p = alpha->certificate.data();
  X509* x = d2i_X509(nullptr, &p, static_cast<long>(alpha->certificate.size()));
  Key key = parseKey(alpha->privateKey);
  PKCS12* p12 = PKCS12_create(kPassword, nullptr, key.get(), x, nullptr, NID_pbe_WithSHA1And3_Key_TripleDES_CBC,
                              NID_pbe_WithSHA1And40BitRC2_CBC, 2048, 2048, 0);
  if (!p12) {
    X509_free(x);
    GTEST_SKIP() << "this OpenSSL has no legacy provider";
  }
  unsigned char* buffer = nullptr;
  const Bytes blob = toBytes(buffer, i2d_PKCS12(p12, &buffer));
  PKCS12_free(p12);
  X509_free(x);

  std::vector<std::string> added;
  const CertStatus st = my.importPfx(blob, kPassword, &added);
  ASSERT_TRUE(st) << st.description;
  ASSERT_EQ(added.size(), 1u);
  CertificateInfo info;
  ASSERT_TRUE(my.find(added[0], info));
  EXPECT_TRUE(info.hasPrivateKey);
}

TEST_F(CertStoreTest, ExportingAnEmptyStoreIsAnError) {
  Bytes blob{1};
  EXPECT_EQ(my.exportPfx(kPassword, blob).code, CertStatus::NotFound);
  EXPECT_TRUE(blob.empty());
}

}  // namespace
}  // namespace vrel::test
