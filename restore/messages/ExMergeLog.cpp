#include "restore/messages/ExMergeLog.h"
#include "restore/messages/ExMergeSummary.h"

#include "platform/IniFile.h"
#include "platform/Text.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr const char* kTrapPrefix = "(error) in parseforerrorsinexmergelogs:";

}  // namespace

void parseforerrorsinexmergelogs(Program& p, const std::string& folder) {
  RunLog& log = p.log;
  const std::string path = folder + "exmerge.log";
  std::string line;
  // Each statement runs under the procedure's trap: an error is logged and
  // the next statement runs.
  auto statement = [&](auto&& body) {
    if (auto e = trapStatement(body)) log.WriteToLog(kTrapPrefix + e->description);
  };
  bool present = false;
  statement([&] { present = p.files.fileExists(path); });
  if (!present) {
    log.WriteToLog("(error) No ExMerge.log file generated.  restore of messages failed");
    return;
  }
  statement([&] {
    std::string bytes;
    if (const FileStatus st = p.files.readAll(path, bytes); !st) throw VbError(st.number, st.description);
    // A log with a byte-order mark is read in its encoding, so a Unicode
    // log still gives its summary.
    line = exMergeSummaryLine(IniFile::decode(bytes));
  });
  const ExMergeSummary summary = readExMergeSummary(line);
  for (const std::string& e : summary.restoredErrors) log.WriteToLog(kTrapPrefix + e);
  statement([&] { log.WriteToLog("    " + vbStr(summary.restored) + " mailboxes successfully restored"); });
  for (const std::string& e : summary.failedErrors) log.WriteToLog(kTrapPrefix + e);
  if (summary.failed >= 1)
    log.WriteToLog("(error) " + vbStr(summary.failed) +
                   " mailboxes not restored properly.  Check the exMerge.log file at: " + folder + " for more details");
}

}  // namespace vrel::restore
