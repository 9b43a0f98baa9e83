// Listing subkeys and values, and deleting whole branches.
#include "restore/preserve/Module1.h"

namespace vrel::restore {

namespace {

// The enumeration buffers: names of 260 characters (terminator included),
// value data of 4,096 bytes, and at most a million entries.
constexpr std::size_t kNameBuffer = 260;
constexpr std::size_t kDataBuffer = 4096;
constexpr std::size_t kMaxEntries = 1000000;

// The name as the A-API returns it, or nothing when it overflows the buffer
// (the fetch fails and the enumeration ends there).
std::optional<std::string> fetchName(const std::string& name) {
  const std::string ansi = utf8ToAnsi(name);
  if (ansi.size() + 1 > kNameBuffer) return std::nullopt;
  return ansiToUtf8(ansi.substr(0, ansi.find('\0')));
}

}  // namespace

std::vector<std::string> Module1::EnumRegistrySubKeys(Hive root, const std::string& keyPath) {
  std::vector<std::string> names;
  if (m_registry.subKeys(root, keyPath, names) != kRegOk) return {};
  std::vector<std::string> out;
  for (const std::string& name : names) {
    if (out.size() == kMaxEntries) break;
    auto fetched = fetchName(name);
    if (!fetched) break;
    out.push_back(std::move(*fetched));
  }
  if (out.empty()) out.emplace_back();
  return out;
}

RegValueTable Module1::EnumRegistryValues(Hive root, const std::string& keyPath) {
  std::vector<RegValue> values;
  if (m_registry.values(root, keyPath, values) != kRegOk) return {};
  RegValueTable table;
  for (const RegValue& v : values) {
    if (table[0].size() == kMaxEntries) break;
    auto name = fetchName(v.name);
    Bytes data = ansiData(v);
    if (!name || data.size() > kDataBuffer) break;
    table[0].emplace_back(std::move(*name));
    if (v.type == kRegSz) {
      table[1].emplace_back(textLessTerminator(data));
    } else if (v.type == kRegDword) {
      std::uint32_t n = 0;
      for (std::size_t i = 0; i < 4 && i < data.size(); ++i) n |= static_cast<std::uint32_t>(data[i]) << (8 * i);
      table[1].emplace_back(static_cast<std::int32_t>(n));
    } else {
      table[1].emplace_back(std::move(data));
    }
  }
  if (table[0].empty()) {
    table[0].emplace_back();
    table[1].emplace_back();
  }
  return table;
}

void Module1::DeleteRegistryTree(Hive root, const std::string& keyPath) {
  m_log.WriteDebug("debug - entering DeleteRegistryTree for path=" + keyPath);
  // An empty path names the root itself: never wipe a whole hive.
  if (keyPath.empty()) {
    m_log.WriteDebug("debug - error in DeleteRegistryTree: no key path given");
    return;
  }
  // Outside a debug run, whose log traces every key, a branch that can go
  // whole goes in one transaction: the end the walk below reaches, without
  // a statement for every value and key (a cache of 100,000 subscribers
  // took minutes that way). A branch with a key that cannot be deleted is
  // left untouched by this and takes the walk, which deletes what it can.
  if (!m_log.debug() && m_registry.deleteTree(root, keyPath) == kRegOk) return;
  const std::vector<std::string> subKeys = EnumRegistrySubKeys(root, keyPath);
  if (subKeys.empty()) return;  // no such key: nothing to delete
  // One pass over the children; a child that stays behind is logged where
  // its deletion failed, and its parents then stay too.
  if (!subKeys.front().empty())
    for (const std::string& name : subKeys) DeleteRegistryTree(root, keyPath + "\\" + name);
  deleteChildlessKey(root, keyPath);
}

void Module1::deleteChildlessKey(Hive root, const std::string& keyPath) {
  const RegValueTable values = EnumRegistryValues(root, keyPath);
  if (!values[0].empty() && !values[0].front().isEmpty())
    for (const RegVariant& name : values[0]) DeleteRegistryValue(root, keyPath, name.asText());
  const RegStatus st = m_registry.deleteKey(root, keyPath);
  if (st == kRegOk) return;
  std::vector<std::string> left;
  const bool hasChildren = m_registry.subKeys(root, keyPath, left) == kRegOk && !left.empty();
  m_log.WriteDebug("debug - error in DeleteRegistryTree: cannot delete " + keyPath + ": " +
                   (hasChildren ? std::string("a subkey could not be deleted.") : regStatusText(st)));
}

}  // namespace vrel::restore
