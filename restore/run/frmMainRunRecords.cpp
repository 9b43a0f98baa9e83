// The run's records beyond its log: a picture of the machine before the run,
// and at its end (finished or aborted) the scan for leftovers of the old
// machine, whose hits close the log as "(warning)" lines, and the JSON
// report beside the log.
#include "platform/Machine.h"
#include "platform/PhaseTimes.h"
#include "restore/run/frmMain.h"

#include <exception>
#include <iterator>
#include <thread>

namespace vrel::restore {

namespace {

constexpr const char* kReportName = "DisasterRecoveryRestore.json";

// Install roots are compared without their closing backslash, so a value
// naming the root itself is found too.
std::string withoutClosingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

void frmMain::beginRunRecords() {
  Program& p = m_program;
  p.log.setTaggedEntryObserver([&p](const std::string& text) { p.report.noteLine(text); });
  p.report.begin();
  phase("start");
  MachineSnapshot before;
  std::string error;
  if (takeMachineSnapshot(p.machine, before, error))
    p.report.setBefore(std::move(before));
  else
    p.log.WriteToLog("(warning) the machine could not be read before the run; the report counts no changes: " + error);
}

void frmMain::finishRunRecords(bool aborted) {
  Program& p = m_program;
  if (!p.report.active()) return;
  p.report.beginPhase("leftover scan");
  const std::vector<LeftoverTerm> terms = {
      {"old server name", run.oldServerName, run.newServerName},
      {"old install root", withoutClosingBackslash(p.paths.backedUpInstallPath),
       withoutClosingBackslash(p.paths.installRoot)},
      {"old system ID", run.oldSystemId, run.sql.newSystemId},
  };
  // The databases are scanned on a second thread, through connections of
  // their own, while the picture and the registry scan read the machine.
  // The picture and the scan each read every row; neither writes.
  std::vector<std::string> problems, databaseProblems;
  std::vector<LeftoverHit> hits, databaseHits;
  {
    // What the thread raises is a place it could not read, not the end of
    // the program.
    std::jthread databases([&] {
      try {
        databaseHits = scanDatabasesForLeftovers(p.machine, terms, databaseProblems);
      } catch (const std::exception& e) {
        databaseProblems.push_back(std::string("the server databases (") + e.what() + ")");
      }
    });
    if (p.report.before()) {
      MachineSnapshot after;
      std::string error;
      if (takeMachineSnapshot(p.machine, after, error))
        p.report.setChanges(diffMachineSnapshots(*p.report.before(), after));
      else
        p.log.WriteToLog("(warning) the machine could not be read after the run; the report counts no changes: " +
                         error);
    }
    hits = scanRegistryForLeftovers(p.machine, terms, problems);
  }
  problems.insert(problems.end(), databaseProblems.begin(), databaseProblems.end());
  hits.insert(hits.end(), std::make_move_iterator(databaseHits.begin()), std::make_move_iterator(databaseHits.end()));
  for (const std::string& place : problems) p.log.WriteToLog("(warning) the leftover scan could not read " + place);
  for (const LeftoverHit& hit : hits) p.log.WriteToLog(hit.logLine());
  p.report.setLeftovers(std::move(hits));
  p.report.finish(aborted);
  // For the benchmarks (VREL_PHASE_TIMES): each phase's length, and the
  // run's peak memory.
  for (const RunReport::Phase& phase : p.report.phases()) recordPhaseTime(phase.name, phase.seconds);
  recordPeakMemory();
  p.log.setTaggedEntryObserver(nullptr);
  const std::string& logPath = p.log.path();
  const std::string reportPath = logPath.substr(0, logPath.rfind('\\') + 1) + kReportName;
  if (FileStatus s = p.files.writeAll(reportPath, p.report.toJson()); !s)
    p.log.WriteToLog("(warning) the run report " + reportPath + " could not be written: " + s.description);
}

}  // namespace vrel::restore
