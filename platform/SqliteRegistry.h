// The registry kept in the machine's SQLite store. Every operation is one
// transaction, so several processes can share the store and a killed process
// never leaves a half-written value.
#pragma once

#include "platform/Registry.h"
#include "platform/Sqlite.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace vrel {

class SqliteRegistry final : public Registry {
 public:
  // userSid names the HKEY_USERS key that HKEY_CURRENT_USER stands for.
  SqliteRegistry(sql::Database& db, std::string userSid);

  // Creates the tables and the hive roots when they are missing.
  static bool createSchema(sql::Database& db, std::string& error);

  bool keyExists(Hive hive, std::string_view path) override;
  RegStatus createKey(Hive hive, std::string_view path) override;
  RegStatus deleteKey(Hive hive, std::string_view path) override;
  RegStatus deleteTree(Hive hive, std::string_view path) override;
  RegStatus getValue(Hive hive, std::string_view path, std::string_view name, RegValue& out) override;
  RegStatus setValue(Hive hive, std::string_view path, const RegValue& value) override;
  RegStatus deleteValue(Hive hive, std::string_view path, std::string_view name) override;
  RegStatus subKeys(Hive hive, std::string_view path, std::vector<std::string>& out) override;
  RegStatus values(Hive hive, std::string_view path, std::vector<RegValue>& out) override;
  RegStatus apply(const std::vector<RegOp>& ops) override;
  RegStatus dumpBranch(Hive hive, std::string_view path, std::vector<KeyDump>& out) override;
  RegStatus setDenyWrite(Hive hive, std::string_view path, bool deny) override;

 private:
  struct KeyRow {
    std::int64_t id = 0;
    bool denyWrite = false;
  };
  // Path below the store's top-level keys that a hive path stands for.
  std::string storePath(Hive hive, std::string_view path) const;
  // Looks a key up; false when any segment is missing. Uses the lookup
  // cache while a batch is being applied.
  bool findKey(const std::string& storePath, KeyRow& row);
  RegStatus makeKey(const std::string& storePath, KeyRow& row);
  RegStatus removeTree(const KeyRow& key);
  RegStatus putValue(std::int64_t key, const RegValue& value);
  RegStatus dropValue(std::int64_t key, std::string_view name);
  // One operation of a batch (apply).
  RegStatus applyOne(const RegOp& op);

  sql::Database& m_db;
  std::string m_userSid;
  sql::StatementCache m_stmts;
  // While a batch is applied: keys by folded path, and each touched key's
  // next value position, so a value is placed without asking the store.
  struct BatchState {
    std::unordered_map<std::string, KeyRow> keys;
    std::unordered_map<std::int64_t, std::int64_t> nextSeq;
    // The key of the last operation that named one.
    struct LastKey {
      bool valid = false;
      Hive hive = Hive::LocalMachine;
      const std::string* path = nullptr;
      KeyRow row;
    } last;
  };
  BatchState* m_batch = nullptr;
};

}  // namespace vrel
