// Shared by the start-up, backup-folder and version-check tests: a new
// server provisioned at a chosen version and mail store with the restore
// program on it, and backups of another server written into a host folder
// that both machines see through Z:.
#pragma once

#include "platform/Processes.h"
#include "platform/data/Connection.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/tests/support/RestoreFixture.h"
#include "standin/server/Backup.h"
#include "standin/server/Populate.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace vrel::test::startup {

inline constexpr const char* kLocalOrvixDb =
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data "
    "Source=(local)";

inline standin::ServerVersion versionOf(const std::string& text) {
  standin::ServerVersion v;
  std::string error;
  EXPECT_TRUE(standin::parseServerVersion(text, v, error)) << error;
  return v;
}

// A backup of a server of its own (provisioned, optionally populated) in a
// host temporary folder, named by its Z: path without a trailing backslash.
class ServerBackupFolder {
 public:
  ServerBackupFolder(const std::string& version, standin::MailStoreKind kind, int subscribers = 2)
      : m_backup(options(version, kind), [subscribers](Machine& old) { populate(old, subscribers); }),
        m_folder(m_backup.folder().substr(0, m_backup.folder().size() - 1)) {}

  const std::string& folder() const { return m_folder; }
  std::string item(const std::string& name) const { return m_folder + "\\" + name; }
  Files& files() { return m_backup.machine().files(); }

 private:
  static standin::ProvisionOptions options(const std::string& version, standin::MailStoreKind kind) {
    standin::ProvisionOptions o;
    o.computerName = "ORVIXOLD";
    o.version = versionOf(version);
    o.mailStore = kind;
    return o;
  }
  static void populate(Machine& old, int subscribers) {
    if (subscribers <= 0) return;
    standin::PopulateOptions populate;
    populate.subscribers = subscribers;
    populate.maxMessagesPerMailbox = 1;
    standin::PopulateResult populated;
    std::string error;
    EXPECT_TRUE(standin::populateServer(old, populate, populated, error)) << error;
  }

  OldServerBackup m_backup;
  std::string m_folder;
};

class StartupFixture : public ::testing::Test {
 protected:
  void provision(const std::string& version, standin::MailStoreKind kind = standin::MailStoreKind::Exchange2000) {
    standin::ProvisionOptions options;
    options.version = versionOf(version);
    options.mailStore = kind;
    box.provision(options);
  }
  // Starts the program and runs Form_Load; the program end it met, if any.
  std::optional<restore::ProgramEnd> load(const std::string& commandLine = {}) {
    restore::frmMain& form = box.start(commandLine);
    return box.event([&] { form.Form_Load(); });
  }
  // The administrator picks the folder (empty: cancels) with the Browse button.
  std::optional<restore::ProgramEnd> browse(const std::string& folder) {
    box.ui.folders.push_back(folder);
    return box.event([&] { box.form().click("cmdBrowse"); });
  }
  // Runs SQL on the new machine's server database.
  void sql(const std::string& statement) {
    data::Connection db(box.machine());
    db.open(kLocalOrvixDb);
    db.execute(statement);
    db.close();
  }
  void addSubscribers(int count) {
    for (int i = 0; i < count; ++i)
      sql("INSERT INTO Subscriber(Alias, UID) VALUES ('added" + std::to_string(i) + "', 'added" +
          std::to_string(i) + "')");
  }
  // Waits for every process of the machine still running (children the
  // program started and did not wait for).
  void waitForMachineProcesses() {
    std::vector<ProcessInfo> live;
    std::string error;
    ASSERT_TRUE(ProcessTable(box.machine()).live(live, error)) << error;
    for (const ProcessInfo& p : live) Processes::wait(p.pid, kWaitInfinite);
  }

  // A backup of another server; the new machine stays the active one.
  std::unique_ptr<ServerBackupFolder> backup(const std::string& version,
                                          standin::MailStoreKind kind = standin::MailStoreKind::Exchange2000,
                                          int subscribers = 2) {
    auto b = std::make_unique<ServerBackupFolder>(version, kind, subscribers);
    box.scratch().activate();
    return b;
  }

  restore::Control& control(const char* name) { return box.form().control(name); }
  bool offered(const char* option) { return control(option).enabled; }
  int ticked(const char* option) { return control(option).value; }
  std::vector<std::string> boxTexts() const { return box.ui.texts(); }

  RestoreMachine box;
};

// The host path of a module the stand-in tests build (next to the test
// programs, in "modules").
inline std::string testModule(const std::string& name) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (self.parent_path() / "modules" / (name + ".so")).string();
}

}  // namespace vrel::test::startup
