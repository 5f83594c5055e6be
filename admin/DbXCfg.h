// The explorer's second top-level node, "Configuration": the engine's
// drivers (native and ODBC-based) and its system settings as a tree whose
// leaves show one configuration section each as properties; and the
// routines that the configuration code shares (ODBC-based drivers, the
// registry values of the engine's key, closing databases before a change).
//
// Every read and write goes through the framework's session; a write
// switches the session's configuration mode for that one call and puts the
// old mode back however the call ends.
#pragma once
#include <string>
#include <vector>

#include "Database.h"
#include "DbExplif.h"

namespace dbx {

// The engine's key under HKEY_LOCAL_MACHINE.
inline constexpr char kEngineRegistryKey[] = "Software\\Tarvos\\Database Engine";

// ---------------------------------------------------------------- nodes

// The base of the configuration nodes: apply, cancel and refresh of a
// section of system settings, and the value lists of its options.
class TCfgEO : public TExploreObject {
  FW_CLASS(TCfgEO, TExploreObject)
public:
  TCfgEO() = default;

  void DoApply() override;
  void DoCancel() override;
  TExploreObject* DoRefresh() override;
  void AssignPropertyEditor(TEPropertyDef* definition) override;

protected:
  void Init(TExploreObject* parent) override;
};

class TConfig : public TCfgEO {
  FW_CLASS(TConfig, TCfgEO)
public:
  TConfig() = default;

  std::string GetValidationText() override;
  void LoadChildren() override;

protected:
  void Init(TExploreObject* parent) override;
};

class TDrivers : public TCfgEO {
  FW_CLASS(TDrivers, TCfgEO)
public:
  TDrivers() = default;
  void LoadChildren() override;

protected:
  void Init(TExploreObject* parent) override;
};

class TNatDrivers : public TDrivers {
  FW_CLASS(TNatDrivers, TDrivers)
public:
  TNatDrivers() = default;
  void LoadChildren() override;
};

// What the new-driver dialog gives: the name, the ODBC driver it stands for
// and the data sources that become its aliases, in the list's order.
struct TNewDriverChoice {
  std::string Name;
  std::string OdbcDriver;
  std::vector<std::string> DataSources;
};

class TODBCDrivers : public TDrivers {
  FW_CLASS(TODBCDrivers, TDrivers)
public:
  TODBCDrivers() = default;
  void LoadChildren() override;
  // Asks for the driver with the new-driver dialog, then makes it.
  void DoCreate(TExploreObject*& result, const std::string& parameter) override;
  // The driver the dialog chose: its node, the driver in the engine's
  // configuration (saved) and an alias a data source.
  void CreateDriver(TExploreObject*& result, const TNewDriverChoice& choice);

protected:
  void Init(TExploreObject* parent) override;
};

class TSystem : public TCfgEO {
  FW_CLASS(TSystem, TCfgEO)
public:
  TSystem() = default;
};

class TSys : public TSystem {
  FW_CLASS(TSys, TSystem)
public:
  TSys() = default;
  void LoadChildren() override;

protected:
  void Init(TExploreObject* parent) override;
};

class TSysInit : public TSystem {
  FW_CLASS(TSysInit, TSystem)
public:
  TSysInit() = default;
  void LoadProperties() override;

protected:
  void Init(TExploreObject* parent) override;
};

class TFormats : public TSystem {
  FW_CLASS(TFormats, TSystem)
public:
  TFormats() = default;
  void LoadChildren() override;

protected:
  void Init(TExploreObject* parent) override;
};

// A format section below "Formats"; it reads its options under its section
// word ("DATE") and writes them under its name ("Date").
class TSysEmbedded : public TSystem {
  FW_CLASS(TSysEmbedded, TSystem)
public:
  TSysEmbedded() = default;
  const std::string& Section() const { return section_; }
  void SetSection(std::string section) { section_ = std::move(section); }
  void LoadProperties() override;

protected:
  void Init(TExploreObject* parent) override;

private:
  std::string section_;
};

class TSysDate : public TSysEmbedded {
  FW_CLASS(TSysDate, TSysEmbedded)
public:
  TSysDate() = default;
};

class TSysTime : public TSysEmbedded {
  FW_CLASS(TSysTime, TSysEmbedded)
public:
  TSysTime() = default;
};

class TSysNumber : public TSysEmbedded {
  FW_CLASS(TSysNumber, TSysEmbedded)
public:
  TSysNumber() = default;
};

// A driver: its INIT options, then its DB OPEN (or TABLE CREATE) options.
// Its type name is its name, by which editors and value lists find it.
class TDriver : public TExploreObject {
  FW_CLASS(TDriver, TExploreObject)
public:
  TDriver() = default;

  std::string GetTypeName() override { return Name(); }
  void LoadProperties() override;
  void DoApply() override;
  void DoCancel() override;
  void AssignPropertyEditor(TEPropertyDef* definition) override;

protected:
  void Init(TExploreObject* parent) override;
  // The operations it declares beside the N it takes from its parent.
  virtual std::uint16_t DriverOperations() const { return opModify | opApply | opCancel; }
};

// A driver of the persistent configuration that stands on ODBC.
class TODBCDriver : public TDriver {
  FW_CLASS(TODBCDriver, TDriver)
public:
  TODBCDriver() = default;
  // A new driver is a sibling: the parent makes it.
  void DoCreate(TExploreObject*& result, const std::string& parameter) override;
  void DoDelete() override;

protected:
  std::uint16_t DriverOperations() const override { return opDelete | opModify | opApply | opCancel; }
};

// An ODBC-based driver that only the virtual configuration (unixODBC) has.
class TVirtualDriver : public TDriver {
  FW_CLASS(TVirtualDriver, TDriver)
public:
  TVirtualDriver() = default;
  void DoCreate(TExploreObject*& result, const std::string& parameter) override;
};

// ---------------------------------------------------------------- properties

// The first property of a leaf; it has no value.
class TDriverIdentity : public TEProperty {
  FW_CLASS(TDriverIdentity, TEProperty)
public:
  TDriverIdentity();
};

class TSystemIdentity : public TEProperty {
  FW_CLASS(TSystemIdentity, TEProperty)
public:
  TSystemIdentity();
};

// An option from its NAME=value line; editable.
class TDriverProperty : public TEProperty {
  FW_CLASS(TDriverProperty, TEProperty)
public:
  explicit TDriverProperty(const std::string& line = {});
  // The engine's description of the option; empty when it has none.
  std::string GetDescription() override;
};

class TSystemProperty : public TEProperty {
  FW_CLASS(TSystemProperty, TEProperty)
public:
  explicit TSystemProperty(const std::string& line = {});
  std::string GetDescription() override;
};

// ---------------------------------------------------------------- shared routines

// Driver names go into configuration paths in the OEM code page, which is
// UTF-8 here: the text passes unchanged.
std::string StrToOem(const std::string& text);
// The driver's INIT holds DLL32=OVODBC32.DLL or DLL=OVODBC01.DLL (exactly,
// case counts); read in the session's current mode.
bool IsOdbcDriver(const std::string& driver);
// The engine lists something under "\PROVIDERS\" + the name.
bool IsProviderDriver(const std::string& driver);

// Applies or cancels the node's edits. With ask set, the user is asked
// (Yes applies, No cancels) and ask is cleared, the answer kept for the
// next node; with ask clear, the kept answer decides. Nothing for no node or
// one without edits.
void ConfirmApplyChanges(const std::string& message, TExploreObject* node, bool& ask, bool& answer);

// "SaveConfig" of the engine's key: "WIN31" saves for 16-bit programs too.
bool GetSaveForWin31();
void SetSaveForWin31(bool flag);
// The view modes that "ViewMode" of the engine's key gives: each of the
// letters S (session), P (persistent) and V (virtual) anywhere in it adds
// its mode; all three when the value or the key is missing.
fw::TConfigModes GetViewModes();
// Writes "ViewMode" and rebuilds the "Databases" and "Configuration" trees
// for the modes.
void SetViewModes(fw::TConfigModes modes);
// Writes a value of the engine's key, making the key when need be.
void WriteEngineSetting(const std::string& name, const std::string& value);

// Closes the open databases before a change of the configuration (of one
// driver, or of all), asking the user; with a driver, offers to delete its
// aliases. True when the user refused: the caller cancels its operation.
bool CloseDatabasesForConfig(bool forDriver, const std::string& driver);

// "\"name\" is not a valid name" (and the name cleared) for an empty name,
// one of more than 31 characters, or one holding ':' or '\'; else none.
TDbXErrorPtr CheckDriverName(std::string& name);

// The unit's start: "Configuration" becomes a top-level class of the root.
void InitDbXCfg();

}  // namespace dbx
