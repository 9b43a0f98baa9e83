// The machine's registry as the programs see it: hives, keys and typed values,
// with Windows error codes. Key and value names are case-insensitive and
// case-preserving; value data are the bytes Windows would store (strings as
// UTF-16LE with their terminator).
#pragma once

#include "platform/Text.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

// The predefined root handles, by their Windows values.
enum class Hive : std::uint32_t {
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
  Users = 0x80000003,
  CurrentConfig = 0x80000005,
};

// Value type codes.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// Win32 error codes the registry reports.
enum RegStatus : long {
  kRegOk = 0,
  kRegNotFound = 2,       // ERROR_FILE_NOT_FOUND
  kRegAccessDenied = 5,   // ERROR_ACCESS_DENIED
  kRegInvalidParam = 87,  // ERROR_INVALID_PARAMETER
  kRegBadPath = 161,      // ERROR_BAD_PATHNAME
  kRegHasChildren = 1020, // ERROR_KEY_HAS_CHILDREN
  kRegBusy = 170,         // ERROR_BUSY: the store stayed locked
  kRegStoreFailure = 1009 // ERROR_BADDB: the store itself failed
};

struct RegValue {
  std::string name;  // empty for the key's default value
  std::uint32_t type = kRegSz;
  Bytes data;

  static RegValue text(std::string name, std::string_view utf8, std::uint32_t type = kRegSz);
  static RegValue dword(std::string name, std::uint32_t v);
  static RegValue binary(std::string name, Bytes data, std::uint32_t type = kRegBinary);
  // Multi-string: each part terminated, then an empty terminator.
  static RegValue multi(std::string name, const std::vector<std::string>& parts);
};

// Text of string-typed data: UTF-16LE up to the first NUL.
std::string regDataAsText(const Bytes& data);

// "HKEY_LOCAL_MACHINE" and friends, with the short forms regedit accepts.
std::optional<Hive> hiveFromName(std::string_view name);
std::string hiveName(Hive h);

// A full key path such as "HKEY_LOCAL_MACHINE\Software\X" split into hive and
// the path below it. Fails on an unknown root or an empty segment.
struct KeyPath {
  Hive hive = Hive::LocalMachine;
  std::string path;  // below the hive, no leading or trailing backslash
};
std::optional<KeyPath> parseKeyPath(std::string_view full);

// One change of an import. Applied together with the others of its batch.
struct RegOp {
  enum Kind { CreateKey, DeleteTree, SetValue, DeleteValue } kind = CreateKey;
  Hive hive = Hive::LocalMachine;
  std::string path;
  RegValue value;  // SetValue: the value; DeleteValue: its name
};

class Registry {
 public:
  virtual ~Registry() = default;

  virtual bool keyExists(Hive hive, std::string_view path) = 0;
  // Creates the key and any missing parents.
  virtual RegStatus createKey(Hive hive, std::string_view path) = 0;
  // Deletes a key without subkeys.
  virtual RegStatus deleteKey(Hive hive, std::string_view path) = 0;
  // Deletes a key with its whole branch.
  virtual RegStatus deleteTree(Hive hive, std::string_view path) = 0;

  virtual RegStatus getValue(Hive hive, std::string_view path, std::string_view name, RegValue& out) = 0;
  // Writes into an existing key; a new value goes after the key's others,
  // an existing one keeps its place.
  virtual RegStatus setValue(Hive hive, std::string_view path, const RegValue& value) = 0;
  virtual RegStatus deleteValue(Hive hive, std::string_view path, std::string_view name) = 0;

  // Subkey names in the order Windows lists them (upper-cased name order).
  virtual RegStatus subKeys(Hive hive, std::string_view path, std::vector<std::string>& out) = 0;
  // Values in the order they were created.
  virtual RegStatus values(Hive hive, std::string_view path, std::vector<RegValue>& out) = 0;

  // Applies every operation or none.
  virtual RegStatus apply(const std::vector<RegOp>& ops) = 0;

  // A whole branch, depth first, keys sorted as subKeys lists them.
  struct KeyDump {
    std::string path;  // below the hive
    std::vector<RegValue> values;
  };
  virtual RegStatus dumpBranch(Hive hive, std::string_view path, std::vector<KeyDump>& out) = 0;

  // Marks a key as protected: writes and deletions on it are denied, as a
  // key whose access list refuses the running account.
  virtual RegStatus setDenyWrite(Hive hive, std::string_view path, bool deny) = 0;
};

}  // namespace vrel
