// The module of VrelDomSvr: its lock count, the machine it runs on (the one
// named by VREL_MACHINE, as a COM server runs on the computer that loads
// it), COM activation of the outside components, and the identifiers of its
// contract.
#pragma once

#include "domsvr/VrelDomSvr.h"
#include "platform/com/Activation.h"

#include <atomic>

namespace vrel {
class Machine;
}

namespace vrel::domsvr {

// Counts live objects and server locks; the module may unload at zero.
void moduleLock();
void moduleUnlock();
long moduleLockCount();

// The machine; null when VREL_MACHINE names none.
Machine* moduleMachine();
// Activation through the machine's registry (E_UNEXPECTED without a machine).
com::HRESULT createInstance(const com::CLSID& clsid, const com::IID& iid, void** out);

// The contract's identifiers.
const com::CLSID& CLSID_VrelDom();
const com::IID& IID_IVrelDom();
const com::IID& IID_IVrelDSubsIterator();
const com::IID& IID_IVrelSub();

// A failure raised inside a method body: the guard returns its HRESULT.
struct HResultError {
  com::HRESULT hr;
};

// Counts one live object of the module for its lifetime.
struct ModuleObject {
  ModuleObject() { moduleLock(); }
  ~ModuleObject() { moduleUnlock(); }
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
};

}  // namespace vrel::domsvr
