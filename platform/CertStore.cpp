#include "platform/CertStore.h"

#include "platform/CertOpenSsl.h"
#include "platform/Machine.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace vrel {

namespace {

using cert::KeyPtr;
using cert::X509Ptr;
using BioPtr = std::unique_ptr<BIO, cert::Deleter<BIO_free_all>>;

CertStatus fail(CertStatus::Code code, std::string description) { return {code, std::move(description)}; }

// Store names are plain words ("My", "Root", "TrustedPeople"): a name from
// data never chooses a folder outside the location.
bool isStoreName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
  });
}

// The store's folder: one that exists under another case is the same store.
std::string storeFolder(const std::string& locationFolder, std::string_view name) {
  std::error_code ec;
  for (fs::directory_iterator it(locationFolder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (iequals(entry, name)) return locationFolder + "/" + entry;
  }
  return locationFolder + "/" + std::string(name);
}

std::string nameText(const X509_NAME* name) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  const unsigned long flags =
      (XN_FLAG_RFC2253 & ~XN_FLAG_SEP_MASK & ~ASN1_STRFLGS_ESC_MSB) | XN_FLAG_SEP_CPLUS_SPC;
  if (!bio || X509_NAME_print_ex(bio.get(), name, 0, flags) < 0) return {};
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(n));
}

std::time_t timeOf(const ASN1_TIME* t) {
  std::tm tm{};
  if (!t || !ASN1_TIME_to_tm(t, &tm)) return 0;
  return timegm(&tm);
}

std::string serialText(const X509* x) {
  std::unique_ptr<BIGNUM, cert::Deleter<BN_free>> bn(ASN1_INTEGER_to_BN(X509_get0_serialNumber(x), nullptr));
  if (!bn) return {};
  char* hex = BN_bn2hex(bn.get());
  std::string out = hex ? hex : "";
  OPENSSL_free(hex);
  return out;
}

void describe(X509* x, CertificateInfo& info) {
  info.thumbprint = cert::thumbprintOf(x);
  info.subject = nameText(X509_get_subject_name(x));
  info.issuer = nameText(X509_get_issuer_name(x));
  info.serialNumber = serialText(x);
  info.notBefore = timeOf(X509_get0_notBefore(x));
  info.notAfter = timeOf(X509_get0_notAfter(x));
}

// A store file: the certificate, then the private key when there is one.
bool readStoreFile(const std::string& path, X509Ptr& x, KeyPtr& key) {
  BioPtr bio(BIO_new_file(path.c_str(), "rb"));
  if (!bio) return false;
  x.reset(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  if (!x) return false;
  key.reset(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
  ERR_clear_error();  // no key is not an error
  return true;
}

CertStatus writeStoreFile(const std::string& folder, const std::string& path, X509* x, EVP_PKEY* key) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return fail(CertStatus::IoError, "cannot create the store folder " + folder + ": " + ec.message());
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || !PEM_write_bio_X509(bio.get(), x) ||
      (key && !PEM_write_bio_PKCS8PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr)))
    return fail(CertStatus::BadData, "cannot encode the certificate: " + cert::lastError("encoding failed"));
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio.get(), &data);
  // Written beside the final name, readable by the owner only, then renamed
  // over it so a reader never sees half a file.
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, ec);
    out.write(data, n);
    if (!out.flush()) {
      fs::remove(temp, ec);
      return fail(CertStatus::IoError, "cannot write " + path);
    }
  }
  fs::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return fail(CertStatus::IoError, "cannot write " + path + ": " + ec.message());
  }
  return {};
}

}  // namespace

bool normaliseThumbprint(std::string_view text, std::string& out) {
  out.clear();
  for (char c : text) {
    if (c == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out.size() == 40;
}

bool describeCertificate(const Bytes& certificate, CertificateInfo& info, std::string& error) {
  X509Ptr x = cert::certificateFromDer(certificate);
  if (!x) {
    error = "not an X.509 certificate: " + cert::lastError("it does not parse");
    return false;
  }
  describe(x.get(), info);
  info.hasPrivateKey = false;
  return true;
}

CertStore::CertStore(Machine& machine, CertStoreLocation location, std::string_view name) {
  const char* locationName = location == CertStoreLocation::LocalMachine ? "LocalMachine" : "CurrentUser";
  m_validName = isStoreName(name);
  const std::string locationFolder = machine.root() + "/certstore/" + locationName;
  m_folder = m_validName ? storeFolder(locationFolder, name) : locationFolder + "/<invalid>";
}

CertStatus CertStore::add(const CertificateData& data, std::string* thumbprint) {
  if (!m_validName) return fail(CertStatus::InvalidArgument, "the store name is not valid");
  X509Ptr x = cert::certificateFromDer(data.certificate);
  if (!x) return fail(CertStatus::BadData, "not an X.509 certificate: " + cert::lastError("it does not parse"));
  KeyPtr key;
  if (!data.privateKey.empty()) {
    key = cert::keyFromDer(data.privateKey);
    if (!key) return fail(CertStatus::BadData, "not a private key: " + cert::lastError("it does not parse"));
    if (X509_check_private_key(x.get(), key.get()) != 1) {
      ERR_clear_error();
      return fail(CertStatus::InvalidArgument, "the private key does not belong to the certificate");
    }
  }
  const std::string print = cert::thumbprintOf(x.get());
  const std::string path = fileOf(print);
  if (!key) {
    X509Ptr old;
    if (readStoreFile(path, old, key) && !key) key.reset();
  }
  if (CertStatus st = writeStoreFile(m_folder, path, x.get(), key.get()); !st) return st;
  if (thumbprint) *thumbprint = print;
  return {};
}

CertStatus CertStore::list(std::vector<CertificateInfo>& out) const {
  out.clear();
  if (!m_validName) return fail(CertStatus::InvalidArgument, "the store name is not valid");
  std::error_code ec;
  for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path p = it->path();
    std::string print;
    if (p.extension() != ".pem" || !normaliseThumbprint(p.stem().string(), print) || print != p.stem().string())
      continue;
    X509Ptr x;
    KeyPtr key;
    if (!readStoreFile(p.string(), x, key)) continue;
    CertificateInfo info;
    describe(x.get(), info);
    info.hasPrivateKey = key != nullptr;
    out.push_back(std::move(info));
  }
  std::sort(out.begin(), out.end(),
            [](const CertificateInfo& a, const CertificateInfo& b) { return a.thumbprint < b.thumbprint; });
  return {};
}

CertStatus CertStore::find(std::string_view thumbprint, CertificateInfo& info) const {
  CertificateData data;
  if (CertStatus st = load(thumbprint, data); !st) return st;
  std::string error;
  describeCertificate(data.certificate, info, error);
  info.hasPrivateKey = !data.privateKey.empty();
  return {};
}

CertStatus CertStore::load(std::string_view thumbprint, CertificateData& out) const {
  if (!m_validName) return fail(CertStatus::InvalidArgument, "the store name is not valid");
  std::string print;
  if (!normaliseThumbprint(thumbprint, print))
    return fail(CertStatus::InvalidArgument, "not a SHA-1 thumbprint: " + std::string(thumbprint));
  X509Ptr x;
  KeyPtr key;
  if (!readStoreFile(fileOf(print), x, key)) {
    ERR_clear_error();
    return fail(CertStatus::NotFound, "no certificate with thumbprint " + print + " in the store");
  }
  out.certificate = cert::certificateToDer(x.get());
  out.privateKey = key ? cert::keyToDer(key.get()) : Bytes{};
  return {};
}

CertStatus CertStore::remove(std::string_view thumbprint) {
  if (!m_validName) return fail(CertStatus::InvalidArgument, "the store name is not valid");
  std::string print;
  if (!normaliseThumbprint(thumbprint, print))
    return fail(CertStatus::InvalidArgument, "not a SHA-1 thumbprint: " + std::string(thumbprint));
  std::error_code ec;
  if (!fs::remove(fileOf(print), ec)) {
    if (ec) return fail(CertStatus::IoError, "cannot remove " + fileOf(print) + ": " + ec.message());
    return fail(CertStatus::NotFound, "no certificate with thumbprint " + print + " in the store");
  }
  return {};
}

}  // namespace vrel
