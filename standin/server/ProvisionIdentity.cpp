#include "standin/server/ProvisionIdentity.h"

#include <cstdio>
#include <random>

namespace vrel::standin {

namespace {

std::uint64_t fnv1a(std::string_view text, std::uint64_t hash) {
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001B3ULL;
  }
  return hash;
}

// A 128-bit value as a version-4 style GUID.
std::string formatGuid(std::uint64_t hi, std::uint64_t lo) {
  hi = (hi & ~0xF000ULL) | 0x4000ULL;                          // version nibble
  lo = (lo & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;  // variant bits
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(hi >> 32),
                static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                static_cast<unsigned>(lo >> 48), static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFULL));
  return text;
}

}  // namespace

std::string derivedGuid(std::string_view seed) {
  const std::uint64_t hi = fnv1a(seed, 0xCBF29CE484222325ULL);
  const std::uint64_t lo = fnv1a(seed, hi ^ 0x9E3779B97F4A7C15ULL);
  return formatGuid(hi, lo);
}

std::string randomGuid() {
  std::random_device rd;
  std::mt19937_64 gen((static_cast<std::uint64_t>(rd()) << 32) ^ rd());
  const std::uint64_t hi = gen();
  return formatGuid(hi, gen());
}

ServerIdentity::ServerIdentity(ProvisionOptions options) : m_options(std::move(options)) {
  if (m_options.installationGuid.empty()) m_options.installationGuid = randomGuid();
  // The first eight digits of a derived GUID; never 0, which the server
  // would take for "no system".
  // Eight digits whose first is 1 to 7: the number keeps all eight digits
  // when written back as hexadecimal and fits a signed 32-bit column.
  m_systemId = derivedGuid(m_options.installationGuid + "|" + computer() + "|SystemId").substr(0, 8);
  const int first = std::stoi(m_systemId.substr(0, 1), nullptr, 16) % 7 + 1;
  m_systemId[0] = static_cast<char>('0' + first);
}

std::uint32_t ServerIdentity::systemIdNumber() const {
  return static_cast<std::uint32_t>(std::stoul(m_systemId, nullptr, 16));
}

std::string ServerIdentity::objectId(std::string_view name) const {
  return derivedGuid(m_options.installationGuid + "|" + computer() + "|object|" + std::string(name));
}

std::string ServerIdentity::directoryId(std::string_view name) const {
  return derivedGuid(m_options.installationGuid + "|" + computer() + "|directory|" + std::string(name));
}

std::string ServerIdentity::objectReference(int typeCode, std::string_view objectId) {
  char code[8];
  std::snprintf(code, sizeof code, "%02d:", typeCode);
  return std::string("\x01\x07") + code + std::string(objectId);
}

}  // namespace vrel::standin
