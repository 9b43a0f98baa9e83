#include "domsvr/ExceptionReporter.h"

#include "domsvr/ServerComponents.h"
#include "platform/EventLog.h"
#include "platform/Machine.h"
#include "platform/Processes.h"
#include "platform/Registry.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

namespace vrel::domsvr {

using namespace com;

namespace {

constexpr const char* kEventSource = "CorvaneOrvix_TmCs";
constexpr std::uint32_t kEventId = 100;
constexpr const char* kSystemParameters = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
constexpr const char* kLogManagerKey = "Software\\Tremarc\\TmLogMgr\\1.0";
constexpr const char* kAeDebugKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Aedebug";
constexpr const char* kDefaultDebugger = "drwtsn32 -p %ld -e %ld -g";
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kMaxFrames = 512;

thread_local int t_guardDepth = 0;
struct sigaction g_previous[32];

std::optional<RegValue> registryValue(const char* key, const char* name) {
  Machine* machine = moduleMachine();
  RegValue v;
  if (!machine || machine->registry().getValue(Hive::LocalMachine, key, name, v) != kRegOk) return std::nullopt;
  return v;
}

bool readDebugSwitch() {
  const std::optional<RegValue> v = registryValue(kSystemParameters, "ExceptionDebug");
  return v && v->type == kRegDword && v->data.size() == 4 && v->data[0] == 1 && v->data[1] == 0 && v->data[2] == 0 &&
         v->data[3] == 0;
}

void chainToPrevious(int signal) {
  // Put the earlier handler back; the faulting instruction runs again and
  // meets it.
  sigaction(signal, &g_previous[signal], nullptr);
}

void onFault(int signal, siginfo_t*, void*) {
  if (t_guardDepth > 0) {
    if (!exceptionDebugSwitch()) throw ProcessorFault{signal};
    runPostMortemDebugger();
  }
  chainToPrevious(signal);
}

// Installed when the module loads. SA_NODEFER: the handler leaves by an
// exception, so the signal must not stay blocked.
__attribute__((constructor)) void installFaultHandlers() {
  struct sigaction action {};
  action.sa_sigaction = onFault;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int s : kFaultSignals) sigaction(s, &action, &g_previous[s]);
}

__attribute__((destructor)) void removeFaultHandlers() {
  for (int s : kFaultSignals) {
    struct sigaction current {};
    if (sigaction(s, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onFault)
      sigaction(s, &g_previous[s], nullptr);
  }
}

std::string& helpSuffixStore() {
  static std::string suffix;
  return suffix;
}

// "Help Web Server": empty gives no suffix. A set server would go into
// message 105 of the event source's message file; message files cannot be
// loaded on this platform, so it always takes the plain text form.
const std::string& helpSuffix() {
  static std::once_flag once;
  std::call_once(once, [] {
    Machine* machine = moduleMachine();
    if (!machine) return;
    machine->registry().createKey(Hive::LocalMachine, kLogManagerKey);
    RegValue v;
    if (machine->registry().getValue(Hive::LocalMachine, kLogManagerKey, "Help Web Server", v) != kRegOk) return;
    const std::string server = regDataAsText(v.data);
    if (server.empty()) return;
    char text[1024];
    std::snprintf(text, sizeof text, "\nFor more information, click: %s", server.c_str());
    helpSuffixStore() = text;
  });
  return helpSuffixStore();
}

std::string frameLine(void* pc) {
  char line[1536];
  Dl_info info{};
  const bool known = dladdr(pc, &info) != 0;
  std::string module = "<unknown module>: ";
  if (known && info.dli_fname) {
    module = info.dli_fname;
    if (const std::size_t slash = module.rfind('/'); slash != std::string::npos) module.erase(0, slash + 1);
  }
  std::string symbol = "<unknown symbol>";
  if (known && info.dli_sname) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
    symbol = status == 0 && demangled ? demangled : info.dli_sname;
    std::free(demangled);
    const auto displacement = reinterpret_cast<std::uintptr_t>(pc) - reinterpret_cast<std::uintptr_t>(info.dli_saddr);
    if (displacement) symbol += " + " + std::to_string(displacement) + " bytes";
  }
  std::snprintf(line, sizeof line, "0x%08" PRIXPTR " %s: %s\r\n", reinterpret_cast<std::uintptr_t>(pc),
                module.c_str(), symbol.c_str());
  return line;
}

void writeEvent(const char* file, int line, const std::string& code, const std::string& trace) {
  Machine* machine = moduleMachine();
  if (!machine) return;
  EventRecord r;
  r.log = "Application";
  r.source = kEventSource;
  r.type = kEventError;
  r.category = 0;
  r.eventId = kEventId;
  r.strings = {file ? file : "", std::to_string(line), code, "\r\n" + trace, helpSuffix()};
  std::string error;
  EventLog(*machine).report(r, error);
}

void writeLogManagerLine(const char* file, int line, const std::string& code) {
  Machine* machine = moduleMachine();
  if (!machine) return;
  Activation activation(*machine);
  CLSID clsid;
  if (FAILED(activation.CLSIDFromProgID(kProgIdTmLogMgr, clsid))) return;
  ComPtr<IDispatchLite> dispatch;
  if (FAILED(activation.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dispatch.outVoid())))
    return;
  Bstr method("WriteSimpleDiagnostic");
  std::int32_t id = 0;
  if (FAILED(dispatch->GetIDsOfNames(method.get(), &id))) return;
  const std::string text = "Exception caught " + std::string(file ? file : "") + " " + std::to_string(line) + " " + code;
  VARIANT args[4] = {variantLong(-1), variantLong(-1), variantText(text), variantLong(-1)};
  VARIANT result;
  dispatch->Invoke(id, 4, args, &result);
  for (VARIANT& a : args) VariantClear(&a);
  VariantClear(&result);
}

}  // namespace

std::string debuggerCommand(const std::string& pattern, long pid, long event) {
  // Only the two "%ld" are filled in: the template comes from the registry
  // and is never used as a format.
  std::string out;
  int filled = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (filled < 2 && pattern.compare(i, 3, "%ld") == 0) {
      out += std::to_string(filled++ == 0 ? pid : event);
      i += 2;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

bool exceptionDebugSwitch() {
  static const bool on = readDebugSwitch();
  return on;
}

FaultScope::FaultScope() { ++t_guardDepth; }
FaultScope::~FaultScope() { --t_guardDepth; }

std::string stackTrace() {
  void* frames[kMaxFrames];
  const int n = backtrace(frames, kMaxFrames);
  std::string out;
  // The first frame is this function; the last is the thread's start.
  for (int i = 1; i + 1 < n; ++i) out += frameLine(frames[i]);
  return out;
}

void reportException(const char* file, int line, HRESULT code) noexcept {
  try {
    const std::string trace = stackTrace();
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "%08xH", static_cast<unsigned>(code));
    writeEvent(file, line, codeText, trace);
    writeLogManagerLine(file, line, codeText);
  } catch (...) {
    // Reporting never fails its caller.
  }
}

void runPostMortemDebugger() noexcept {
  try {
    Machine* machine = moduleMachine();
    if (!machine) return;
    std::string command = kDefaultDebugger;
    if (const std::optional<RegValue> v = registryValue(kAeDebugKey, "Debugger"); v && v->data.size() <= 520)
      command = regDataAsText(v->data);
    const std::string line = debuggerCommand(command, getpid(), 0);
    Processes processes(*machine);
    long pid = 0;
    if (processes.start(line, 1, pid)) Processes::wait(pid, kWaitInfinite);
  } catch (...) {
  }
}

}  // namespace vrel::domsvr
