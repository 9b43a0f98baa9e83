#include "platform/Registry.h"

namespace vrel {

RegValue RegValue::text(std::string name, std::string_view utf8, std::uint32_t type) {
  return {std::move(name), type, utf8ToUtf16le(utf8, true)};
}

RegValue RegValue::dword(std::string name, std::uint32_t v) {
  return {std::move(name), kRegDword,
          {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
           static_cast<std::uint8_t>(v >> 24)}};
}

RegValue RegValue::binary(std::string name, Bytes data, std::uint32_t type) {
  return {std::move(name), type, std::move(data)};
}

RegValue RegValue::multi(std::string name, const std::vector<std::string>& parts) {
  RegValue v{std::move(name), kRegMultiSz, {}};
  for (const auto& p : parts) {
    Bytes b = utf8ToUtf16le(p, true);
    v.data.insert(v.data.end(), b.begin(), b.end());
  }
  v.data.push_back(0);
  v.data.push_back(0);
  return v;
}

std::string regDataAsText(const Bytes& data) {
  std::size_t n = 0;
  while (n + 1 < data.size() && (data[n] != 0 || data[n + 1] != 0)) n += 2;
  return utf16leToUtf8(data.data(), n);
}

namespace {
struct HiveName {
  Hive hive;
  const char* longName;
  const char* shortName;
};
constexpr HiveName kHives[] = {
    {Hive::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"}, {Hive::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {Hive::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},   {Hive::Users, "HKEY_USERS", "HKU"},
    {Hive::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
};
}  // namespace

std::optional<Hive> hiveFromName(std::string_view name) {
  for (const auto& h : kHives)
    if (iequals(name, h.longName) || iequals(name, h.shortName)) return h.hive;
  return std::nullopt;
}

std::string hiveName(Hive h) {
  for (const auto& e : kHives)
    if (e.hive == h) return e.longName;
  return {};
}

std::optional<KeyPath> parseKeyPath(std::string_view full) {
  const std::size_t slash = full.find('\\');
  const auto hive = hiveFromName(full.substr(0, slash));
  if (!hive) return std::nullopt;
  KeyPath kp{*hive, {}};
  if (slash == std::string_view::npos) return kp;
  std::string_view rest = full.substr(slash + 1);
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  if (rest.empty()) return kp;  // the root itself, written with a trailing backslash
  for (const auto& seg : split(rest, '\\'))
    if (seg.empty()) return std::nullopt;
  kp.path = std::string(rest);
  return kp;
}

}  // namespace vrel
