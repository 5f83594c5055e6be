// The explorer's second top-level node, "Configuration": the engine's
// drivers and system settings; and the registry values of the engine's key
// that the configuration code shares.
#pragma once
#include <string>

#include "Database.h"
#include "DbExplif.h"

namespace dbx {

// The engine's key under HKEY_LOCAL_MACHINE.
inline constexpr char kEngineRegistryKey[] = "Software\\Tarvos\\Database Engine";

// The base of the configuration nodes: apply and cancel.
class TCfgEO : public TExploreObject {
  FW_CLASS(TCfgEO, TExploreObject)
public:
  TCfgEO() = default;

protected:
  void Init(TExploreObject* parent) override;
};

class TConfig : public TCfgEO {
  FW_CLASS(TConfig, TCfgEO)
public:
  TConfig() = default;

  std::string GetValidationText() override;

protected:
  void Init(TExploreObject* parent) override;
};

// The view modes that "ViewMode" of the engine's key gives: each of the
// letters S (session), P (persistent) and V (virtual) anywhere in it adds
// its mode; all three when the value or the key is missing.
fw::TConfigModes GetViewModes();

// The unit's start: "Configuration" becomes a top-level class of the root.
void InitDbXCfg();

}  // namespace dbx
