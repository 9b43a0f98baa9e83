// Module1: the registry, INI, path and version utilities every part of the
// restore program uses. Registry roots are the Windows root handles (Hive);
// text reaches callers in UTF-8 after the ANSI round trip of the A-API the
// program was written against. Everything reports through the run log and
// swallows its errors, except GetRegistryValue with an unknown type code,
// which raises VbError 1001.
#pragma once

#include "platform/Files.h"
#include "platform/Registry.h"
#include "restore/run/RunLog.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vrel::restore {

// A VB Variant as the registry utilities pass it: Empty, text, byte array or
// 32-bit integer.
class RegVariant {
 public:
  RegVariant() = default;
  RegVariant(std::string text) : m_v(std::move(text)) {}
  RegVariant(const char* text) : m_v(std::string(text)) {}
  RegVariant(Bytes bytes) : m_v(std::move(bytes)) {}
  RegVariant(std::int32_t number) : m_v(number) {}

  bool isEmpty() const { return m_v.index() == 0; }
  bool isText() const { return m_v.index() == 1; }
  bool isBytes() const { return m_v.index() == 2; }
  bool isLong() const { return m_v.index() == 3; }

  // VB's CStr: Empty is "", a number its decimal text, a byte array its bytes
  // read as UTF-16LE.
  std::string asText() const;
  // The bytes of a byte array; empty for the other kinds.
  const Bytes& bytes() const;
  // VB's CLng: Empty is 0, text a number rounded half to even; nothing for
  // text that is no number, out of range, or a byte array.
  std::optional<std::int32_t> toLong() const;

  bool operator==(const RegVariant&) const = default;
  friend void PrintTo(const RegVariant& v, std::ostream* os);

 private:
  std::variant<std::monostate, std::string, Bytes, std::int32_t> m_v;
};

// EnumRegistryValues' table: [0][i] the name of column i, [1][i] its value.
using RegValueTable = std::array<std::vector<RegVariant>, 2>;

struct LocalVersionInfo {
  std::int16_t Major = 0;
  std::int16_t Minor = 0;
  std::int16_t Rev = 0;
  std::int16_t Build = 0;
  std::string VersionText;  // "4.0(3.15)"; empty when nothing was read
  bool bIVCInstall = false;
};

// The run's two install paths, owned by the run and shared with Module1.
struct InstallPaths {
  std::string installRoot;          // "Root Path" of the new machine
  std::string backedUpInstallPath;  // "Root Path" after the backup's import
};

class Module1 {
 public:
  Module1(Registry& registry, Files& files, RunLog& log, InstallPaths& paths)
      : m_registry(registry), m_files(files), m_log(log), m_paths(paths) {}

  // The installed server's version, filled once at start-up.
  LocalVersionInfo localVersionInfo;
  InstallPaths& paths() { return m_paths; }

  // True when the key exists (a trailing backslash is accepted).
  bool bRegistryKeyExists(Hive root, const std::string& keyPath);
  // Type 1 text (at most 1,024 ANSI bytes with its terminator), 3 bytes (at
  // most 32,768), 4 a 32-bit integer; the default when the key or value
  // cannot be read. Another type code on an existing key raises VbError 1001.
  RegVariant GetRegistryValue(Hive root, const std::string& keyPath, const std::string& valueName, long valueType,
                              const RegVariant& defaultValue);
  // Writes into an existing key only; types 1, 3 and 4, anything else is ignored.
  void SetRegistryValue(Hive root, const std::string& keyPath, const std::string& valueName, long valueType,
                        const RegVariant& value);
  void DeleteRegistryValue(Hive root, const std::string& keyPath, const std::string& valueName);
  // Deletes a key without subkeys; the outcome is not reported.
  void DeleteRegistryKey(Hive root, const std::string& keyPath);

  // Subkey names in Windows order; { "" } for a key without subkeys; empty
  // (no array) when the key cannot be opened. An empty path lists the root.
  std::vector<std::string> EnumRegistrySubKeys(Hive root, const std::string& keyPath);
  // Names and values in creation order; one column of Empty cells for a key
  // without values; no columns when the key cannot be opened. A value whose
  // name or data exceeds the enumeration buffers ends the list there.
  RegValueTable EnumRegistryValues(Hive root, const std::string& keyPath);
  // Deletes the key with its subkeys and values, depth first, one pass: a
  // subkey that cannot be deleted is logged (debug) and left with its parents.
  void DeleteRegistryTree(Hive root, const std::string& keyPath);

  // An INI value (at most 126 characters); empty when missing.
  std::string VBGetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& filePath);
  // Replaces the first occurrence of oldPath (any case) by newPath; empty
  // text when oldPath is empty or does not occur.
  std::string sReplacePathString(const std::string& oldPath, const std::string& newPath, const std::string& text);
  // Rewrites a HKEY_LOCAL_MACHINE text value from the backed-up install path
  // to the install root, logging old and new value.
  void strReplaceZurevezuzaPathInRegistryKey(const std::string& keyPath, const std::string& valueName);

  LocalVersionInfo GetLocalVersionInfo();
  // True when localVersionInfo is at least major.minor(rev.build).
  bool bLocalVersionAtLeast(std::int16_t major, std::int16_t minor, std::int16_t rev, std::int16_t build) const;

  // Clears the read-only attribute of every file below the folder,
  // subfolders first; errors are skipped.
  void MarkAllFilesReadWrite(const std::string& folderPath);

 private:
  // The data RegQueryValueExA / RegEnumValueA return: string types in the
  // ANSI code page (their size measured there), other types as stored.
  static Bytes ansiData(const RegValue& value);
  // The text of returned string data: its first (size - 1) characters.
  static std::string textLessTerminator(const Bytes& ansi);
  RegStatus writeValue(Hive root, const std::string& keyPath, const std::string& valueName, long valueType,
                       const RegVariant& value);
  void deleteChildlessKey(Hive root, const std::string& keyPath);

  Registry& m_registry;
  Files& m_files;
  RunLog& m_log;
  InstallPaths& m_paths;
};

// The Windows message text of a registry status ("Access is denied.").
std::string regStatusText(RegStatus status);

}  // namespace vrel::restore
