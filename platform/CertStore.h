// The machine's certificate stores, as Windows keeps them per location and
// store name ("My", "Root", ...). On the stand-in machine a store is the
// folder <machine root>/certstore/<location>/<store>/ holding one PEM file per
// certificate, named by its SHA-1 thumbprint in upper-case hexadecimal: the
// certificate, followed by its private key (PKCS #8) when it has one.
#pragma once

#include "platform/Text.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class Machine;

// The store locations by their certificate-component numbers.
enum class CertStoreLocation : int { LocalMachine = 1, CurrentUser = 2 };

// The outcome of a store operation: ok, or what went wrong with a message
// fit for a log line.
struct CertStatus {
  enum Code { Ok = 0, NotFound, InvalidArgument, BadData, WrongPassword, IoError };
  Code code = Ok;
  std::string description;
  explicit operator bool() const { return code == Ok; }
};

// A certificate with its private key, both DER: the X.509 certificate and
// the PKCS #8 private key (empty when the certificate has none).
struct CertificateData {
  Bytes certificate;
  Bytes privateKey;
};

// What a store tells about one of its certificates. Times are UTC seconds
// since 1970.
struct CertificateInfo {
  std::string thumbprint;    // SHA-1 of the DER certificate, 40 upper-case hex digits
  std::string subject;       // "CN=name, O=org" (most specific first)
  std::string issuer;
  std::string serialNumber;  // upper-case hex
  std::time_t notBefore = 0;
  std::time_t notAfter = 0;
  bool hasPrivateKey = false;
};

// A thumbprint as the store names it: hex digits (either case, spaces
// allowed between them) turned into 40 upper-case digits. False when text is
// anything else.
bool normaliseThumbprint(std::string_view text, std::string& out);

// The description of a DER certificate; false with error when it does not
// parse.
bool describeCertificate(const Bytes& certificate, CertificateInfo& info, std::string& error);

// Reads a PKCS #12 export whole with its password, as an import would,
// and stores nothing: ok, WrongPassword or BadData with the reason. The
// number of certificates it holds goes to certificates when given.
CertStatus checkPfx(const Bytes& blob, std::string_view password, std::size_t* certificates = nullptr);

class CertStore {
 public:
  // The store name of the machine's location; nothing is touched until used.
  CertStore(Machine& machine, CertStoreLocation location, std::string_view name);

  // Adds a certificate, with its private key when data has one (the key must
  // belong to the certificate). A certificate already in the store is
  // replaced; its key is kept when the new copy brings none.
  CertStatus add(const CertificateData& data, std::string* thumbprint = nullptr);
  // Every certificate of the store, ordered by thumbprint. An empty or
  // missing store gives an empty list; unreadable files are left out.
  CertStatus list(std::vector<CertificateInfo>& out) const;
  CertStatus find(std::string_view thumbprint, CertificateInfo& info) const;
  CertStatus load(std::string_view thumbprint, CertificateData& out) const;
  CertStatus remove(std::string_view thumbprint);

  // All certificates of the store with their private keys as one PKCS #12
  // blob protected by password (3DES with SHA-1 key derivation for keys and
  // certificates, SHA-1 MAC: the format every Windows version reads).
  CertStatus exportPfx(std::string_view password, Bytes& out) const;
  // Imports every certificate (and its key) of a PKCS #12 blob. The blob is
  // read whole before anything is stored: a wrong password or a damaged blob
  // adds nothing. added receives the thumbprints of the blob's certificates.
  CertStatus importPfx(const Bytes& blob, std::string_view password, std::vector<std::string>* added = nullptr);

  // The host folder of this store.
  const std::string& folder() const { return m_folder; }

 private:
  std::string fileOf(const std::string& thumbprint) const { return m_folder + "/" + thumbprint + ".pem"; }

  std::string m_folder;
  bool m_validName = true;
};

}  // namespace vrel
