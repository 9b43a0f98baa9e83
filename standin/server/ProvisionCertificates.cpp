#include "standin/server/ProvisionCertificates.h"

#include "platform/CertStore.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "standin/server/Backup.h"
#include "standin/server/ServerRegistry.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace vrel::standin {

namespace {

template <auto Free>
struct Deleter {
  template <class T>
  void operator()(T* p) const {
    Free(p);
  }
};

constexpr long kValidSeconds = 10L * 366 * 24 * 3600;

bool addExtension(X509* x, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
  std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION_free>> ext(
      X509V3_EXT_conf_nid(nullptr, &ctx, nid, value));
  return ext && X509_add_ext(x, ext.get(), -1);
}

// A self-signed certificate for subject "CN=<name>" and its new key, as DER.
bool makeSelfSigned(std::string_view name, CertificateData& out, std::string& error) {
  std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>> key(EVP_RSA_gen(2048));
  std::unique_ptr<X509, Deleter<X509_free>> x(X509_new());
  std::unique_ptr<BIGNUM, Deleter<BN_free>> serial(BN_new());
  const std::string cn(name);
  bool ok = key && x && serial && X509_set_version(x.get(), X509_VERSION_3) &&
            BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) &&
            BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(x.get())) &&
            X509_gmtime_adj(X509_getm_notBefore(x.get()), -3600) &&
            X509_gmtime_adj(X509_getm_notAfter(x.get()), kValidSeconds) &&
            X509_NAME_add_entry_by_txt(X509_get_subject_name(x.get()), "CN", MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(cn.c_str()),
                                       static_cast<int>(cn.size()), -1, 0) &&
            X509_set_issuer_name(x.get(), X509_get_subject_name(x.get())) && X509_set_pubkey(x.get(), key.get()) &&
            addExtension(x.get(), NID_basic_constraints, "critical,CA:FALSE") &&
            addExtension(x.get(), NID_key_usage, "critical,digitalSignature,keyEncipherment,dataEncipherment") &&
            addExtension(x.get(), NID_ext_key_usage, "serverAuth,clientAuth,emailProtection") &&
            addExtension(x.get(), NID_subject_key_identifier, "hash") &&
            X509_sign(x.get(), key.get(), EVP_sha256()) > 0;
  if (ok) {
    unsigned char* buffer = nullptr;
    int n = i2d_X509(x.get(), &buffer);
    if (n > 0) out.certificate.assign(buffer, buffer + n);
    OPENSSL_free(buffer);
    std::unique_ptr<PKCS8_PRIV_KEY_INFO, Deleter<PKCS8_PRIV_KEY_INFO_free>> p8(EVP_PKEY2PKCS8(key.get()));
    buffer = nullptr;
    n = p8 ? i2d_PKCS8_PRIV_KEY_INFO(p8.get(), &buffer) : 0;
    if (n > 0) out.privateKey.assign(buffer, buffer + n);
    if (buffer) OPENSSL_clear_free(buffer, static_cast<size_t>(n));
    ok = !out.certificate.empty() && !out.privateKey.empty();
  }
  if (!ok) {
    char text[256] = "unknown error";
    if (const unsigned long code = ERR_peek_last_error()) ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    error = "cannot make the machine certificate CN=" + cn + ": " + text;
  }
  return ok;
}

std::uint32_t dwordValue(Registry& reg, const char* name) {
  RegValue v;
  if (reg.getValue(Hive::LocalMachine, kTremarcKey, name, v) != kRegOk || v.data.size() < 4) return 0;
  return static_cast<std::uint32_t>(v.data[0]) | static_cast<std::uint32_t>(v.data[1]) << 8 |
         static_cast<std::uint32_t>(v.data[2]) << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
}

// The installed version from the registry's "Version Number" and "Build
// Number" (decimal digits written as hex nibbles; the build in hex).
ServerVersion installedVersion(Registry& reg) {
  const std::uint32_t version = dwordValue(reg, "Version Number");
  const std::uint32_t build = dwordValue(reg, "Build Number");
  auto decimal = [](std::uint32_t word) {
    int n = 0;
    for (int shift = 12; shift >= 0; shift -= 4) n = n * 10 + static_cast<int>((word >> shift) & 0xF);
    return n;
  };
  return {decimal(version >> 16), decimal(version & 0xFFFF), decimal(build >> 16), static_cast<int>(build & 0xFFFF)};
}

}  // namespace

bool exportsCertificates(const ServerVersion& version) { return versionAtLeast(version, 4, 0, 4, 54); }

bool createMachineCertificate(Machine& machine, std::string_view computerName, std::string& error) {
  if (computerName.empty()) {
    error = "cannot make the machine certificate: no computer name";
    return false;
  }
  CertStore store(machine, CertStoreLocation::LocalMachine, "My");
  std::vector<CertificateInfo> present;
  if (const CertStatus st = store.list(present); !st) {
    error = "cannot read LocalMachine\\My: " + st.description;
    return false;
  }
  const std::string subject = "CN=" + std::string(computerName);
  for (const CertificateInfo& info : present)
    if (info.hasPrivateKey && iequals(info.subject, subject)) return true;
  CertificateData data;
  if (!makeSelfSigned(computerName, data, error)) return false;
  if (const CertStatus st = store.add(data); !st) {
    error = "cannot add the machine certificate to LocalMachine\\My: " + st.description;
    return false;
  }
  return true;
}

bool backupCertificates(Machine& machine, const std::string& folder, BackupReport& report, std::string& error) {
  if (!exportsCertificates(installedVersion(machine.registry()))) return true;
  CertStore store(machine, CertStoreLocation::LocalMachine, "My");
  std::vector<CertificateInfo> present;
  if (const CertStatus st = store.list(present); !st || present.empty()) {
    report.skipped.push_back("CertBackup: no certificates in LocalMachine\\My");
    return true;
  }
  Bytes blob;
  if (const CertStatus st = store.exportPfx(kCertBackupPassword, blob); !st) {
    error = "CertBackup: " + st.description;
    return false;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(blob.data()), blob.size());
  if (const FileStatus st = Files(machine).writeAll(winJoin(folder, "CertBackup"), bytes); !st) {
    error = "CertBackup: " + st.description;
    return false;
  }
  report.written.emplace_back("CertBackup");
  return true;
}

}  // namespace vrel::standin
