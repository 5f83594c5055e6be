#include "CfgTools.h"

#include "DbXCfg.h"
#include "Dialogs.h"
#include "Files.h"
#include "Forms.h"
#include "Registry.h"
#include "Shell.h"
#include "VerInfo.h"

using namespace fw;

namespace dbx {

FW_IMPLEMENT_CLASS(TRAVendorTool)
FW_IMPLEMENT_CLASS(TRAODBCAdmin)
FW_IMPLEMENT_CLASS(TRASYBASE_1Config)
FW_IMPLEMENT_CLASS(TRASYBASE_2Config)
FW_IMPLEMENT_CLASS(TRASYBASE_3Config)
FW_IMPLEMENT_CLASS(TRADB2_1Config)
FW_IMPLEMENT_CLASS(TRAINFORMIX_1Config)
FW_IMPLEMENT_CLASS(TRAINFORMIX_2Config)
FW_IMPLEMENT_CLASS(TRACorvane_1Config)
FW_IMPLEMENT_CLASS(TRACorvane_2Config)
FW_IMPLEMENT_CLASS(TRACorvane_3Config)
FW_IMPLEMENT_CLASS(TRAOracle_1Config)
FW_IMPLEMENT_CLASS(TRAOracle_2Config)
FW_IMPLEMENT_CLASS(TRAMSSQL_1Config)
FW_IMPLEMENT_CLASS(TRAMSSQL_2Config)

namespace {

const std::string kToolsKey = std::string(kEngineRegistryKey) + "\\CFGUtils";
constexpr int kHelpVendorTool = 4030;
constexpr int kHelpFindTool = 4014;
constexpr int kHelpFindFolder = 4018;

// The driver type and the alias class a vendor's tools are shown for.
struct TVendorNames {
  const char* Type;
  const char* AliasClass;
};

TVendorNames NamesOf(TVendor vendor) {
  switch (vendor) {
    case TVendor::Sybase: return {"SYBASE", "TDbSybase"};
    case TVendor::Informix: return {"INFORMIX", "TDbInformix"};
    case TVendor::Db2: return {"DB2", "TDbDB2"};
    case TVendor::Corvane: return {"CORVANE", "TDbCorvane"};
    case TVendor::Oracle: return {"ORACLE", "TDbOracle"};
    case TVendor::MSSQL: return {"MSSQL", "TDbMSSQL"};
  }
  return {"", ""};
}

// The client folders a vendor's setup registers, in the order they are tried.
std::vector<std::string> VendorFolders(TVendor vendor) {
  switch (vendor) {
    case TVendor::Sybase: return {MachineString("Software\\SYBASE\\Setup", "SYBASE")};
    case TVendor::Informix: return {InformixFolder(), MachineString("Software\\Informix\\ENVIRONMENT", "INFORMIXDIR")};
    case TVendor::Db2: return {Db2Folder()};
    case TVendor::Corvane: return {MachineString("Software\\Tarvos\\Corvane\\CurrentVersion", "RootDirectory")};
    case TVendor::Oracle: return {MachineString("Software\\ORACLE", "ORACLE_HOME")};
    case TVendor::MSSQL: return {MachineString("Software\\Microsoft\\MSSQLServer", "")};
  }
  return {};
}

void RememberTool(const std::string& valueName, const std::string& path) {
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!reg.OpenKey(kToolsKey, true))
    throw ERegistryException("Cannot make the registry key " + kToolsKey + " in " + RegistryFileName());
  reg.WriteString(valueName, path);
}

}  // namespace

std::string MachineString(const std::string& key, const std::string& value) {
  try {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(value)) return {};
    return reg.ReadString(value);
  } catch (const ERegistryException&) {
    return {};  // an unreadable registry or a value of another type: not registered
  }
}

std::string InformixFolder() {
  std::string version = MachineString("Software\\Informix\\ESQL/C", "INFORMIX-Connect");
  return version.empty() ? std::string()
                         : MachineString("Software\\Informix\\Informix-Connect\\" + version + "\\Setup", "PathName");
}

std::string Db2Folder() { return MachineString("Software\\IBM\\DB2", "DB2 Path Name"); }

bool ClassNameIn(const TExploreObject& object, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (object.ClassName() == name) return true;
  return false;
}

void FindVendorUtility(const std::string& program, std::string& path, const std::string& valueName) {
  path = MachineString(kToolsKey, valueName);
  if (FileExists(path)) return;
  bool chosen = false;
  if (MessageDlg("Cannot find " + program + ".  Do you want to find it yourself?", mtConfirmation,
                 {mbOK, mbCancel, mbHelp}, kHelpFindTool) == mrOk) {
    std::string folder;
    chosen = SelectDirectory(folder, {}, kHelpFindFolder);
    path = chosen ? IncludeTrailingPathDelimiter(folder) + program : std::string();
  }
  if (!FileExists(path)) path.clear();
  else if (chosen) RememberTool(valueName, path);
}

void StartVendorProgram(const std::string& path) {
  // What the tool makes of its start is its own affair: the result is not examined.
  ShellExecute(Application->Handle(), "", path, {}, ExtractFileDir(path), SW_SHOWNORMAL);
}

std::string FindOdbcAdmin() {
  std::string path = MachineString("Software\\ODBC\\ODBCINST.INI\\ODBC Core\\FileList", "ODBCAD32.EXE");
  if (!FileExists(path)) FindVendorUtility("odbcad32", path, "ODBCUtil1");
  return path;
}

void RunOdbcAdmin() {
  std::string path = FindOdbcAdmin();
  if (!path.empty()) StartVendorProgram(path);
}

TRAVendorTool::TRAVendorTool(TVendor vendor, std::string caption, std::vector<std::string> programs,
                             std::string valueName)
    : TERegisteredAction(nullptr, std::move(caption), ""),
      vendor_(vendor),
      programs_(std::move(programs)),
      valueName_(std::move(valueName)) {
  HelpContext = kHelpVendorTool;
}

int TRAVendorTool::GetState(TExploreObject& object) {
  const TVendorNames names = NamesOf(vendor_);
  return object.GetTypeName() == names.Type || ClassNameIn(object, {names.AliasClass}) ? asEnabled : asHidden;
}

std::string TRAVendorTool::Locate() const {
  for (const std::string& folder : VendorFolders(vendor_)) {
    // A value that names no folder would make the search start at the root.
    if (folder.empty()) continue;
    for (const std::string& program : programs_) {
      std::string candidate = IncludeTrailingPathDelimiter(folder) + "bin/" + program;
      if (FileExists(candidate)) return candidate;
    }
  }
  std::string path;
  FindVendorUtility(programs_.front(), path, valueName_);
  return path;
}

void TRAVendorTool::Execute(TExploreObject&) {
  std::string path = Locate();
  if (!path.empty()) StartVendorProgram(path);
}

TRAODBCAdmin::TRAODBCAdmin() : TERegisteredAction(nullptr, "ODBC Adm&inistrator...", "") { HelpContext = 4027; }

int TRAODBCAdmin::GetState(TExploreObject& object) {
  const bool odbc = ClassNameIn(object, {"TODBCDrivers", "TDatabases", "TODBCDriver", "TVirtualDriver", "TDbODBC"});
  return odbc ? asEnabled : asHidden;
}

void TRAODBCAdmin::Execute(TExploreObject&) { RunOdbcAdmin(); }

TRASYBASE_1Config::TRASYBASE_1Config() : TRAVendorTool(TVendor::Sybase, "SQLEdit...", {"sqledit"}, "SybaseUtil1") {}
TRASYBASE_2Config::TRASYBASE_2Config()
    : TRAVendorTool(TVendor::Sybase, "Ping...", {"wsybping", "sybping"}, "SybaseUtil2") {}
TRASYBASE_3Config::TRASYBASE_3Config() : TRAVendorTool(TVendor::Sybase, "ISQL...", {"wisql32"}, "SybaseUtil3") {}
TRADB2_1Config::TRADB2_1Config() : TRAVendorTool(TVendor::Db2, "Client Setup...", {"db2cls"}, "DB2Util1") {}
TRAINFORMIX_1Config::TRAINFORMIX_1Config()
    : TRAVendorTool(TVendor::Informix, "SetNet32...", {"setnet32"}, "InformixUtil1") {}
TRAINFORMIX_2Config::TRAINFORMIX_2Config()
    : TRAVendorTool(TVendor::Informix, "Login...", {"ilogin"}, "InformixUtil2") {}
TRACorvane_1Config::TRACorvane_1Config()
    : TRAVendorTool(TVendor::Corvane, "Server Manager...", {"corvmgr"}, "CorvaneUtil1") {}
TRACorvane_2Config::TRACorvane_2Config()
    : TRAVendorTool(TVendor::Corvane, "Diagnostics...", {"corvdiag"}, "CorvaneUtil2") {}
TRACorvane_3Config::TRACorvane_3Config() : TRAVendorTool(TVendor::Corvane, "ISQL...", {"corvisql"}, "CorvaneUtil3") {}
TRAOracle_1Config::TRAOracle_1Config() : TRAVendorTool(TVendor::Oracle, "Installer...", {"orainst"}, "OracleUtil1") {}
TRAOracle_2Config::TRAOracle_2Config() : TRAVendorTool(TVendor::Oracle, "SQL Plus...", {"plus32"}, "OracleUtil2") {}
TRAMSSQL_1Config::TRAMSSQL_1Config() : TRAVendorTool(TVendor::MSSQL, "ISQL...", {"isqlw"}, "MSSQLUtil1") {}
TRAMSSQL_2Config::TRAMSSQL_2Config() : TRAVendorTool(TVendor::MSSQL, "dbVer...", {"windbver"}, "MSSQLUtil2") {}

void RegisterVendorActions() {
  RegisterAction<TRAVersionInfo>();
  RegisterAction<TRAODBCAdmin>();
  RegisterAction<TRASYBASE_1Config>();
  RegisterAction<TRASYBASE_2Config>();
  RegisterAction<TRASYBASE_3Config>();
  RegisterAction<TRADB2_1Config>();
  RegisterAction<TRAINFORMIX_1Config>();
  RegisterAction<TRAINFORMIX_2Config>();
  RegisterAction<TRACorvane_1Config>();
  RegisterAction<TRACorvane_2Config>();
  RegisterAction<TRACorvane_3Config>();
  RegisterAction<TRAOracle_1Config>();
  RegisterAction<TRAOracle_2Config>();
  RegisterAction<TRAMSSQL_1Config>();
  RegisterAction<TRAMSSQL_2Config>();
}

}  // namespace dbx
