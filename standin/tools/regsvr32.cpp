// The stand-in regsvr32: registers and unregisters in-process COM servers.
//   regsvr32 [/s] [/u] MODULE...
// MODULE is a Windows path of the machine named by VREL_MACHINE (relative to
// the current folder). A module is a shared library exporting
//   extern "C" std::int32_t DllRegisterServer(void);    (an HRESULT)
//   extern "C" std::int32_t DllUnregisterServer(void);  (/u)
// which it loads and calls, as Windows does; the server writes its own
// registration into the machine's registry. Windows shows the outcome in a
// message box: this stand-in prints the same text on stdout, unless /s.
// Exit codes are Windows': 0 success, 1 bad arguments, 3 the module failed
// to load, 4 no entry point, 5 the call failed.
#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Text.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vrel {
namespace {

enum Exit : int { kOk = 0, kFailArgs = 1, kFailLoad = 3, kFailEntry = 4, kFailReg = 5 };

constexpr const char* kUsage =
    "Usage: regsvr32 [/u] [/s] [/n] [/i[:cmdline]] dllname\n"
    "/u - Unregister server\n"
    "/s - Silent; display no message boxes\n";

struct Request {
  bool silent = false;
  bool unregister = false;
  std::vector<std::string> modules;
};

class Reporter {
 public:
  explicit Reporter(bool silent) : m_silent(silent) {}
  void show(const std::string& text) const {
    if (m_silent) return;
    std::fputs(text.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
  }

 private:
  bool m_silent;
};

bool isSwitch(const std::string& arg) { return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-'); }

// /n and /i (DllInstall) are not supported by this stand-in: the restore
// never uses them, and pretending would hide a wrong call.
bool parseRequest(const std::vector<std::string>& args, Request& req, std::string& error) {
  for (const std::string& a : args) {
    if (!isSwitch(a)) {
      req.modules.push_back(a);
    } else if (iequals(a.substr(1), "s")) {
      req.silent = true;
    } else if (iequals(a.substr(1), "u")) {
      req.unregister = true;
    } else {
      error = "Unrecognized flag: " + a + "\n" + kUsage;
      return false;
    }
  }
  if (req.modules.empty()) {
    error = std::string("To register a module, you must provide a binary name.\n") + kUsage;
    return false;
  }
  return true;
}

std::string loadFailure(const std::string& module, const std::string& reason) {
  return "The module \"" + module +
         "\" failed to load.\n\nMake sure the binary is stored at the specified path or debug it to check for "
         "problems with the binary or dependent .DLL files.\n\n" +
         reason;
}

int registerOne(const Files& files, const std::string& module, bool unregister, const Reporter& out) {
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const std::string host = files.paths().toHost(module);
  if (host.empty() || !files.fileExists(module)) {
    out.show(loadFailure(module, "The specified module could not be found."));
    return kFailLoad;
  }
  void* handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    out.show(loadFailure(module, module + " is not a valid Win32 application."));
    return kFailLoad;
  }
  using EntryPoint = std::int32_t (*)();
  const auto call = reinterpret_cast<EntryPoint>(dlsym(handle, entry));
  if (!call) {
    dlclose(handle);
    out.show("The module \"" + module + "\" was loaded but the entry-point " + entry +
             " was not found.\n\nMake sure that \"" + module + "\" is a valid DLL or OCX file and then try again.");
    return kFailEntry;
  }
  const std::int32_t hr = call();
  dlclose(handle);
  if (hr < 0) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08x", static_cast<std::uint32_t>(hr));
    out.show("The module \"" + module + "\" was loaded but the call to " + entry + " failed with error code " +
             code + ".\n\nFor more information about this problem, search online using the error code as the "
             "search term.");
    return kFailReg;
  }
  out.show(std::string(entry) + " in " + module + " succeeded.");
  return kOk;
}

int run(int argc, char** argv) {
  const std::string line = rawCommandLine(argc, argv);
  Request req;
  std::string error;
  if (!parseRequest(parseArguments(argumentsText(line)), req, error)) {
    Reporter(req.silent).show(error);
    return kFailArgs;
  }
  auto machine = Machine::fromEnvironment(error);
  if (!machine) {
    std::fprintf(stderr, "regsvr32: %s\n", error.c_str());
    return kFailLoad;
  }
  const Files files(*machine);
  const Reporter out(req.silent);
  // Several modules are handled in turn; the first failure's code is the exit code.
  int result = kOk;
  for (const std::string& module : req.modules) {
    const int r = registerOne(files, module, req.unregister, out);
    if (result == kOk) result = r;
  }
  return result;
}

}  // namespace
}  // namespace vrel

int main(int argc, char** argv) { return vrel::run(argc, argv); }
