#include "DbXCfg.h"

#include "DbXCtrl.h"
#include "Registry.h"

using namespace fw;

namespace dbx {

FW_IMPLEMENT_CLASS(TCfgEO)
FW_IMPLEMENT_CLASS(TConfig)

void TCfgEO::Init(TExploreObject* parent) {
  TExploreObject::Init(parent);
  SetAttributes(opApply | opCancel);
}

void TConfig::Init(TExploreObject* parent) {
  TCfgEO::Init(parent);
  SetAttributes(opRefresh | opApply | opCancel);
  SetName("Configuration");
}

std::string TConfig::GetValidationText() { return "Drivers and System"; }

TConfigModes GetViewModes() {
  std::string letters = "SPV";
  try {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(kEngineRegistryKey) && reg.ValueExists("ViewMode")) letters = reg.ReadString("ViewMode");
  } catch (const ERegistryException&) {
    // An unreadable registry shows everything, as a missing value does.
  }
  TConfigModes modes;
  if (letters.find('S') != std::string::npos) modes = modes + cfmSession;
  if (letters.find('P') != std::string::npos) modes = modes + cfmPersistent;
  if (letters.find('V') != std::string::npos) modes = modes + cfmVirtual;
  return modes;
}

void InitDbXCfg() { RegisterDbXRootClass(ExploreClassOf<TConfig>()); }

}  // namespace dbx
