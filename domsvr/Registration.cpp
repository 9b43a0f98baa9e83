#include "domsvr/Registration.h"

#include "domsvr/Module.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"

#include <dlfcn.h>

#include <filesystem>
#include <vector>

namespace vrel::domsvr {

using namespace com;

namespace {

constexpr const char* kClassName = "VrelDom Class";
constexpr const char* kLibraryName = "VrelDomSvr 1.0 Type Library";

struct InterfaceEntry {
  const char* iid;
  const char* name;
};
constexpr InterfaceEntry kInterfaces[] = {{kIidIVrelDom, "IVrelDom"},
                                          {kIidIVrelDSubsIterator, "IVrelDSubsIterator"},
                                          {kIidIVrelSub, "IVrelSub"}};

std::string clsidKey() { return std::string("CLSID\\") + kClsidVrelDom; }

RegOp createKey(const std::string& path) { return {RegOp::CreateKey, Hive::ClassesRoot, path, {}}; }
RegOp deleteTree(const std::string& path) { return {RegOp::DeleteTree, Hive::ClassesRoot, path, {}}; }
RegOp setText(const std::string& path, const std::string& name, const std::string& value) {
  return {RegOp::SetValue, Hive::ClassesRoot, path, RegValue::text(name, value)};
}
// A key with its default value.
void keyWith(std::vector<RegOp>& ops, const std::string& path, const std::string& value) {
  ops.push_back(createKey(path));
  ops.push_back(setText(path, "", value));
}

HRESULT fromStatus(RegStatus s) {
  return s == kRegOk ? S_OK : com::hr(0x80070000u | static_cast<std::uint32_t>(s));
}

// Removing a key that is not there is no failure.
void deleteIfPresent(Registry& reg, std::vector<RegOp>& ops, const std::string& path) {
  if (reg.keyExists(Hive::ClassesRoot, path)) ops.push_back(deleteTree(path));
}

}  // namespace

std::string moduleWindowsPath() {
  Dl_info info{};
  Machine* machine = moduleMachine();
  if (!machine || !dladdr(reinterpret_cast<void*>(&moduleWindowsPath), &info) || !info.dli_fname) return {};
  std::error_code ec;
  const std::string host = std::filesystem::absolute(info.dli_fname, ec).lexically_normal().string();
  return ec ? std::string() : WinPaths(*machine).toWindows(host);
}

HRESULT registerServer() {
  Machine* machine = moduleMachine();
  const std::string module = moduleWindowsPath();
  if (!machine || module.empty()) return E_UNEXPECTED;
  Registry& reg = machine->registry();
  std::vector<RegOp> ops;
  for (const char* progId : {kProgId, kVersionIndependentProgId}) {
    keyWith(ops, progId, kClassName);
    keyWith(ops, std::string(progId) + "\\CLSID", kClsidVrelDom);
  }
  keyWith(ops, std::string(kVersionIndependentProgId) + "\\CurVer", kProgId);
  // ForceRemove: the class key is made afresh.
  deleteIfPresent(reg, ops, clsidKey());
  keyWith(ops, clsidKey(), kClassName);
  keyWith(ops, clsidKey() + "\\ProgID", kProgId);
  keyWith(ops, clsidKey() + "\\VersionIndependentProgID", kVersionIndependentProgId);
  keyWith(ops, clsidKey() + "\\InprocServer32", module);
  ops.push_back(setText(clsidKey() + "\\InprocServer32", "ThreadingModel", "Apartment"));
  keyWith(ops, clsidKey() + "\\TypeLib", kLibId);
  // The type library and its interfaces.
  const std::string lib = std::string("TypeLib\\") + kLibId + "\\1.0";
  keyWith(ops, lib, kLibraryName);
  keyWith(ops, lib + "\\0\\win32", module);
  keyWith(ops, lib + "\\FLAGS", "0");
  keyWith(ops, lib + "\\HELPDIR", winParent(module));
  for (const InterfaceEntry& i : kInterfaces) {
    const std::string key = std::string("Interface\\") + i.iid;
    keyWith(ops, key, i.name);
    keyWith(ops, key + "\\TypeLib", kLibId);
    ops.push_back(setText(key + "\\TypeLib", "Version", "1.0"));
  }
  return fromStatus(reg.apply(ops));
}

HRESULT unregisterServer() {
  Machine* machine = moduleMachine();
  if (!machine) return E_UNEXPECTED;
  Registry& reg = machine->registry();
  std::vector<RegOp> ops;
  deleteIfPresent(reg, ops, kProgId);
  deleteIfPresent(reg, ops, kVersionIndependentProgId);
  // NoRemove "CLSID": only the class's own key goes.
  deleteIfPresent(reg, ops, clsidKey());
  deleteIfPresent(reg, ops, std::string("TypeLib\\") + kLibId);
  for (const InterfaceEntry& i : kInterfaces) deleteIfPresent(reg, ops, std::string("Interface\\") + i.iid);
  return ops.empty() ? S_OK : fromStatus(reg.apply(ops));
}

}  // namespace vrel::domsvr
