// The message export/import tool, import side, in batch mode ("-B -D"): it
// reads "exmerge.ini" in its own folder (section EXMERGE), takes each line
// "old DN<tab>new DN" of the mailbox list file, finds the mailbox's ".PST"
// in the data folder (named by the new mailbox's name, else the old one's),
// merges its messages into that mailbox of the destination server's store,
// and writes its log: a line per mailbox, then the summary line
// "[hh:mm:ss] N mailboxes successfully processed. M mailboxes were not
// successfully processed." and a closing line.
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/WinPath.h"
#include "standin/server/Backup.h"
#include "standin/server/MailStore.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace vrel;

namespace {

std::string stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "[%H:%M:%S] ", &tm);
  return buf;
}

// The mailbox's own name: the last "cn=" part of a slash-form DN.
std::string mailboxName(const std::string& dn) {
  const std::size_t slash = dn.rfind('/');
  std::string last = slash == std::string::npos ? dn : dn.substr(slash + 1);
  if (last.size() > 3 && iequals(last.substr(0, 3), "cn=")) last = last.substr(3);
  return trim(last);
}

class Import {
 public:
  Import(Machine& machine, std::string settings) : m_machine(machine), m_files(machine), m_settings(std::move(settings)) {}

  int run() {
    const std::string logFile = setting("LogFileName");
    if (logFile.empty()) {
      std::fprintf(stderr, "ExMerge: no LogFileName in %s\n", m_settings.c_str());
      return 1;
    }
    log("Microsoft Exchange Mailbox Merge Program, batch mode");
    log("Settings read from " + m_settings);
    const std::string store = "MailStore_" + setting("DestServerName");
    const std::string data = setting("DataDirectoryName");
    std::string list;
    if (!m_files.readAll(setting("FileContainingListOfMailboxes"), list)) {
      log("Error: cannot read the mailbox list " + setting("FileContainingListOfMailboxes"));
    } else if (!m_files.folderExists(winJoin(standin::kMailStoreRoot, store))) {
      log("Error opening message store of server " + setting("DestServerName") +
          ": the information store cannot be reached");
      for (const std::string& line : split(list, '\n')) m_failed += trim(line).empty() ? 0 : 1;
    } else {
      for (const std::string& line : split(list, '\n')) importLine(trim(line), store, data);
    }
    log(std::to_string(m_done) + " mailboxes successfully processed. " + std::to_string(m_failed) +
        " mailboxes were not successfully processed.");
    log("Process ended.");
    const FileStatus st = m_files.writeAll(logFile, m_log);
    if (!st) std::fprintf(stderr, "ExMerge: %s: %s\n", logFile.c_str(), st.description.c_str());
    return st ? 0 : 1;
  }

 private:
  std::string setting(const char* key) {
    return getPrivateProfileString(m_files, "EXMERGE", key, "", 4096, m_settings);
  }
  void log(const std::string& line) { m_log += stamp() + line + "\r\n"; }

  void importLine(const std::string& line, const std::string& store, const std::string& data) {
    if (line.empty()) return;
    const std::size_t tab = line.find('\t');
    const std::string oldDn = tab == std::string::npos ? line : line.substr(0, tab);
    const std::string newDn = tab == std::string::npos ? line : trim(line.substr(tab + 1));
    const std::string alias = mailboxName(newDn);
    std::string pst;
    for (const std::string& name : {alias, mailboxName(oldDn)}) {
      if (!pst.empty() || name.empty() || !standin::isPlainFileName(name)) continue;
      std::string bytes;
      if (m_files.readAll(winJoin(data, name + ".PST"), bytes)) pst = bytes;
    }
    if (pst.empty()) {
      log("Error: no .PST file for mailbox '" + newDn + "' in " + data);
      ++m_failed;
      return;
    }
    std::vector<standin::PstMessage> messages;
    std::string error;
    long added = 0;
    if (!standin::parsePst(pst, messages, error) ||
        !standin::mergeIntoMailbox(m_machine, store, alias, messages, added, error)) {
      log("Error processing mailbox '" + newDn + "': " + error);
      ++m_failed;
      return;
    }
    log("Mailbox '" + newDn + "': " + std::to_string(added) + " of " + std::to_string(messages.size()) +
        " messages copied");
    ++m_done;
  }

  Machine& m_machine;
  Files m_files;
  std::string m_settings;
  std::string m_log;
  long m_done = 0;
  long m_failed = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "ExMerge: %s\n", error.c_str());
    return 1;
  }
  const std::vector<std::string> args = parseArguments(rawCommandLine(argc, argv));
  bool batch = false;
  for (std::size_t i = 1; i < args.size(); ++i) batch = batch || iequals(args[i], "-B");
  if (!batch) {
    std::fputs("ExMerge: only batch mode (-B) is available here\n", stderr);
    return 1;
  }
  const Files files(*machine);
  const std::string folder = programFolderOf(files.paths(), executableHostPath(argc > 0 ? argv[0] : nullptr));
  return Import(*machine, folder + "\\exmerge.ini").run();
}
