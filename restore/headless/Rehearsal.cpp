#include "restore/headless/Rehearsal.h"

#include "platform/MachineCopy.h"
#include "platform/MachineSnapshot.h"
#include "platform/Text.h"
#include "restore/headless/HeadlessDriver.h"

#include <cstdlib>

namespace vrel::restore {

namespace {

const char* stateName(int state) {
  switch (state) {
    case 0: return "not installed";
    case 1: return "stopped";
    case 2: return "start pending";
    case 3: return "stop pending";
    case 4: return "running";
  }
  return "?";
}

// Names VREL_MACHINE for the children while it lives.
class MachineVariable {
 public:
  explicit MachineVariable(const std::string& root) {
    if (const char* v = std::getenv("VREL_MACHINE")) m_saved = v;
    setenv("VREL_MACHINE", root.c_str(), 1);
  }
  ~MachineVariable() {
    if (m_saved) setenv("VREL_MACHINE", m_saved->c_str(), 1);
    else unsetenv("VREL_MACHINE");
  }

 private:
  std::optional<std::string> m_saved;
};

struct Outcome {
  bool ran = false;
  MachineChanges changes;
  std::vector<LeftoverHit> leftovers;
  std::string logPath, logText;
};

}  // namespace

void printChanges(const MachineChanges& c, std::ostream& out) {
  out << "Registry values changed: " << c.values.size() << '\n';
  for (const auto& v : c.values)
    out << "  " << v.key << " \"" << v.name << "\": " << (v.had ? "\"" + v.before + "\"" : "(none)") << " -> "
        << (v.has ? "\"" + v.after + "\"" : "(none)") << '\n';
  out << "Tables changed: " << c.tables.size() << " (" << c.rowsWritten() << " row(s) written, " << c.rowsRemoved()
      << " removed)\n";
  for (const auto& t : c.tables)
    out << "  " << t.table << ": " << t.written << " row(s) written, " << t.removed << " removed\n";
  out << "Files changed: " << c.files.size() << '\n';
  for (const auto& f : c.files) out << "  " << f.how << ' ' << f.path << '\n';
  out << "Services changed: " << c.services.size() << '\n';
  for (const auto& s : c.services)
    out << "  " << s.name << ": " << stateName(s.before) << " -> " << stateName(s.after) << '\n';
}

int runRehearsal(Machine& machine, const ProgramSetup& setup, const ProgramArguments& arguments, std::ostream& out,
                 std::ostream& err, const std::function<void(Program&)>& prepare, MachineChanges* changes) {
  MachineCopy copy;
  std::string error;
  if (!copy.make(machine, error)) {
    err << "VrelRestore: the rehearsal has no copy of the machine: " << error << '\n';
    return static_cast<int>(ProgramEnd::Refused);
  }
  out << "Rehearsal on a copy of the machine: " << copy.root() << '\n';
  Outcome outcome;
  int status = 0;
  {
    MachineVariable variable(copy.root());
    status = runHeadless(copy.machine(), setup, arguments, out, err, prepare, [&](Program& p) {
      outcome.ran = !p.log.path().empty();
      outcome.changes = p.report.changes();
      outcome.leftovers = p.report.leftovers();
      outcome.logPath = p.log.path();
      std::string raw;
      if (outcome.ran && p.files.readAll(outcome.logPath, raw)) outcome.logText = ansiToUtf8(raw);
    });
  }
  if (changes) *changes = outcome.changes;
  out << "\nRehearsal report\n";
  if (!outcome.ran) {
    out << "No restore ran; nothing would change.\n";
    return status;
  }
  printChanges(outcome.changes, out);
  out << "Leftovers of the old machine: " << outcome.leftovers.size() << '\n';
  for (const LeftoverHit& h : outcome.leftovers) out << "  " << h.logLine() << '\n';
  out << "\nThe run log it would write (" << outcome.logPath << "):\n" << outcome.logText;
  out << "\nThe machine itself was not changed; the copy is removed.\n";
  return status;
}

}  // namespace vrel::restore
