#include "DbEditors.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "Database.h"
#include "DbXCfg.h"
#include "Dialogs.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Files.h"
#include "Forms.h"
#include "Library.h"
#include "NuboDataSet.h"
#include "Registry.h"
#include "Scope.h"
#include "Text.h"

using namespace fw;

namespace dbx {

FW_IMPLEMENT_CLASS(TREFolder)
FW_IMPLEMENT_CLASS(TREPath)
FW_IMPLEMENT_CLASS(TRESchemaCacheDir)
FW_IMPLEMENT_CLASS(TRENetDir)
FW_IMPLEMENT_CLASS(TREFile)
FW_IMPLEMENT_CLASS(TRECorvaneServerName)
FW_IMPLEMENT_CLASS(TREAccessDbName)
FW_IMPLEMENT_CLASS(TREAccessSystemDB)
FW_IMPLEMENT_CLASS(TRVLangDr)
FW_IMPLEMENT_CLASS(TRVLangDriver)
FW_IMPLEMENT_CLASS(TRVDesktopLangDriver)
FW_IMPLEMENT_CLASS(TRVZentorLangDriver)
FW_IMPLEMENT_CLASS(TRVFoxProLangDriver)
FW_IMPLEMENT_CLASS(TRVClientList)
FW_IMPLEMENT_CLASS(TRVODBCDSN)
FW_IMPLEMENT_CLASS(TRVDb2DSN)
FW_IMPLEMENT_CLASS(TRVORAServerName)
FW_IMPLEMENT_CLASS(TRVSYBServerName)
FW_IMPLEMENT_CLASS(TRVMSSServerName)
FW_IMPLEMENT_CLASS(TRVINFServerName)
FW_IMPLEMENT_CLASS(TRVVendorInit)
FW_IMPLEMENT_CLASS(TRVLevel)
FW_IMPLEMENT_CLASS(TRVBlockSize)
FW_IMPLEMENT_CLASS(TRVDll32)
FW_IMPLEMENT_CLASS(TRVSybaseDll32)
FW_IMPLEMENT_CLASS(TRVAccessDll32)

namespace {

constexpr int kHelpSelectFolder = 4019;

TDbXErrorPtr CannotHave(TEProperty& property, const std::string& text) {
  return MakeDbXError(property.Name() + " cannot have a value of " + text);
}

// The stored value as text.
std::string StoredText(TEProperty& property) { return VarToText(property.GetValue()); }

// ------------------------------------------------------------ the registry stand-in

// A key under HKEY_LOCAL_MACHINE, opened only when it is there.
std::unique_ptr<TRegistry> OpenMachineKey(const std::string& key) {
  auto registry = std::make_unique<TRegistry>();
  registry->SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry->OpenKeyReadOnly(key)) return nullptr;
  return registry;
}

// ------------------------------------------------------------ data sources

using SqlReturn = std::int16_t;
using SqlEnv = void*;
using AllocEnvFn = SqlReturn (*)(SqlEnv*);
using FreeEnvFn = SqlReturn (*)(SqlEnv);
using DataSourcesFn = SqlReturn (*)(SqlEnv, std::uint16_t, unsigned char*, std::int16_t, std::int16_t*,
                                    unsigned char*, std::int16_t, std::int16_t*);

constexpr std::uint16_t kFetchNext = 1;
constexpr std::uint16_t kFetchFirst = 2;
constexpr std::int16_t kNameSize = 99;
constexpr int kMaxRounds = 100;

std::string BufferText(const unsigned char* buffer) {
  const auto* text = reinterpret_cast<const char*>(buffer);
  return std::string(text, strnlen(text, kNameSize));
}

// The data sources a client library lists, those of one driver when one is
// given. Only a successful call brings a new name: an error or the end of
// the list stops the walk, as does a list that starts over.
void ReadDataSources(const std::string& libraryName, const std::optional<std::string>& driver, TStrings* list) {
  HMODULE library = LoadLibrary(libraryName);
  if (!library) return;
  TScopeExit unload([library] { FreeLibrary(library); });
  auto allocEnv = reinterpret_cast<AllocEnvFn>(GetProcAddress(library, "SQLAllocEnv"));
  auto freeEnv = reinterpret_cast<FreeEnvFn>(GetProcAddress(library, "SQLFreeEnv"));
  auto dataSources = reinterpret_cast<DataSourcesFn>(GetProcAddress(library, "SQLDataSources"));
  if (!allocEnv || !dataSources) return;
  SqlEnv env = nullptr;
  SqlReturn allocated = allocEnv(&env);
  if ((allocated != 0 && allocated != 1) || !env) return;
  // Before the library goes, whose own clean-up needs it.
  TScopeExit freeEnvironment([freeEnv, env] {
    if (freeEnv) freeEnv(env);
  });

  std::string first, lastAdded;
  for (int round = 0; round < kMaxRounds; ++round) {
    unsigned char name[kNameSize] = {}, description[kNameSize] = {};
    std::int16_t nameLength = 0, descriptionLength = 0;
    SqlReturn result = dataSources(env, round == 0 ? kFetchFirst : kFetchNext, name, kNameSize, &nameLength,
                                   description, kNameSize, &descriptionLength);
    if (result != 0 && result != 1) break;
    std::string source = BufferText(name);
    if (round == 0)
      first = source;
    else if (source == first)
      break;
    if (driver && BufferText(description) != *driver) continue;
    if (!lastAdded.empty() && source == lastAdded) continue;
    list->Add(source);
    lastAdded = source;
  }
}

std::vector<std::string> LinesOf(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

// ------------------------------------------------------------ language drivers

std::vector<TLdEntry>& LdList() {
  static std::vector<TLdEntry> list;
  return list;
}

const TLdEntry* FindByDescription(const std::string& description) {
  for (const TLdEntry& entry : LdList())
    if (entry.Description == description) return &entry;
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- editors

void EditFolderOption(TEProperty& property) {
  std::string folder = property.GetText(1);
  if (SelectDirectory(folder, {sdAllowCreate, sdPerformCreate, sdPrompt}, kHelpSelectFolder))
    property.SetTextVia(1, folder);
}

void TREFolder::Edit(TEProperty& property) { EditFolderOption(property); }

TREPath::TREPath() : TREFolder(TDb::StaticClass(), "STANDARD", "PATH") {}

TRESchemaCacheDir::TRESchemaCacheDir() : TREFolder(nullptr, "", "SCHEMA CACHE DIR") {}

TRENetDir::TRENetDir() : TREFolder(TDriver::StaticClass(), "KALMURE", "NET DIR") {}

TREFile::TREFile(TClass ownerClass, std::string typeName, std::string propertyName, std::string extension,
                 std::string filter)
    : TERegisteredEditor(ownerClass, std::move(typeName), std::move(propertyName)),
      extension_(std::move(extension)),
      filter_(std::move(filter)) {}

void TREFile::Edit(TEProperty& property) {
  auto dialog = std::make_unique<TOpenDialog>(nullptr);
  dialog->SetDefaultExt(extension_);
  dialog->SetFilter(filter_);
  dialog->SetInitialDir(ExtractFileDir(property.GetText(1)));
  // The filter names bare extensions: the wildcard name is what lists the files.
  dialog->SetFileName("*." + extension_);
  dialog->SetOptions({ofHideReadOnly, ofFileMustExist});
  if (dialog->Execute()) property.SetTextVia(1, dialog->FileName());
}

TRECorvaneServerName::TRECorvaneServerName()
    : TREFile(TDb::StaticClass(), "CORVANE", "SERVER NAME", "gdb", "Corvane Database (*.gdb)|gdb") {}

TREAccessDbName::TREAccessDbName(TClass ownerClass)
    : TREFile(ownerClass, "MSACCESS", "DATABASE NAME", "mdb", "Access Database (*.mdb)|mdb") {}

TREAccessSystemDB::TREAccessSystemDB(TClass ownerClass)
    : TREFile(ownerClass, "MSACCESS", "SYSTEM DATABASE", "mdw", "Access System Database (*.mdw)|mdw") {}

// ---------------------------------------------------------------- language drivers

const std::vector<TLdEntry>& LanguageDrivers() {
  LoadLanguageDrivers();
  return LdList();
}

void LoadLanguageDrivers() {
  std::vector<TLdEntry>& list = LdList();
  if (!list.empty()) return;
  THourGlassScope hourglass;
  std::vector<TLdEntry> read{TLdEntry{}};
  Session().Handle();
  TEngineLib& engine = Engine();
  OrvexHandle handle = 0;
  Check(engine.OpenLdList(&handle));
  TScopeExit close([&] { engine.CloseLdList(&handle); });
  while (engine.NextLd(handle) == ORVEX_OK) {
    char name[ORVEX_LD_NAME_SIZE] = {}, description[ORVEX_LD_DESC_SIZE] = {};
    std::uint16_t family = 0;
    engine.GetLdSymbolicName(handle, name);
    engine.GetLdDescription(handle, description);
    engine.GetLdFamily(handle, &family);
    TLdEntry entry;
    entry.Description = NativeToAnsi(std::string_view(description, strnlen(description, sizeof description)));
    entry.Driver.Name = NativeToAnsi(std::string_view(name, strnlen(name, 20)));
    entry.Driver.Family = family;
    // Sorted by description; a second driver of the same description is not offered.
    auto at = std::lower_bound(read.begin() + 1, read.end(), entry, [](const TLdEntry& a, const TLdEntry& b) {
      return AnsiCompareText(a.Description, b.Description) < 0;
    });
    if (at != read.end() && AnsiCompareText(at->Description, entry.Description) == 0) continue;
    read.insert(at, std::move(entry));
  }
  list = std::move(read);
}

std::string TRVLangDr::GetText(TEProperty& property, int kind) {
  std::string value = StoredText(property);
  if (value.empty() || kind == 0) return value;
  for (const TLdEntry& entry : LanguageDrivers())
    if (entry.Driver.Name == value) return entry.Description;
  return value;
}

void TRVLangDr::SetText(TEProperty& property, int /*kind*/, const std::string& text) {
  LoadLanguageDrivers();
  const TLdEntry* entry = FindByDescription(text);
  property.SetValue(TextToVariant(entry ? entry->Driver.Name : text));
}

TDbXErrorPtr TRVLangDr::ValidateValue(TEProperty& property) {
  std::string text = GetText(property, 1);
  if (LdList().empty() || FindByDescription(text)) return nullptr;
  return CannotHave(property, text);
}

void TRVLangDr::GetValues(const TGetStrProc& callback, TEProperty& /*property*/) {
  for (const TLdEntry& entry : LanguageDrivers())
    if (Offers(entry)) callback(entry.Description);
}

TRVLangDriver::TRVLangDriver() : TRVLangDr(nullptr, "", "LANGDRIVER") {}

TRVDesktopLangDriver::TRVDesktopLangDriver(std::string driverType)
    : TRVLangDr(TDriver::StaticClass(), std::move(driverType), "LANGDRIVER") {}

bool TRVDesktopLangDriver::Offers(const TLdEntry& entry) const {
  return entry.Driver.Family == 2 || entry.Driver.Family == 18;
}

// ---------------------------------------------------------------- server names and data sources

void TRVClientList::GetValues(const TGetStrProc& callback, TEProperty& property) {
  if (property.Object()->EditState() == esNew) return;
  for (const std::string& name : ReadNames(property)) callback(name);
}

void GetOdbcDataSources(const std::string& driverDescription, TStrings* list) {
  ReadDataSources("odbc32.dll", driverDescription, list);
}

void GetDb2DataSources(TStrings* list) { ReadDataSources("db2cli.dll", std::nullopt, list); }

TRVODBCDSN::TRVODBCDSN() : TRVClientList(TDb::StaticClass(), "", "ODBC DSN") {}

std::vector<std::string> TRVODBCDSN::ReadNames(TEProperty& property) {
  auto* alias = dynamic_cast<TDb*>(property.Object());
  if (!alias) return {};
  std::string driver = alias->DriverType();
  TStringList init;
  Session().GetConfigParams("\\DRIVERS\\%s\\INIT", driver, &init);
  if (init.Count() == 0) return {};
  TStringList sources;
  GetOdbcDataSources(init.Values("ODBC DRIVER"), &sources);
  return LinesOf(sources);
}

TRVDb2DSN::TRVDb2DSN() : TRVClientList(TDb::StaticClass(), "DB2", "DB2 DSN") {}

std::vector<std::string> TRVDb2DSN::ReadNames(TEProperty& /*property*/) {
  TStringList sources;
  GetDb2DataSources(&sources);
  return LinesOf(sources);
}

std::vector<std::string> ReadTnsNames(const TStrings& lines) {
  std::vector<std::string> names;
  std::string name;
  bool inEntry = false, atValue = false;
  int opened = 0, closed = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines.Strings(i);
    if (line.empty() || line[0] == '#') continue;
    for (char c : line) {
      if (c == ' ' || c == '\t') continue;
      if (!inEntry) {
        if (c == '=') {
          inEntry = atValue = true;
        } else {
          name += c;
        }
        continue;
      }
      // A value that does not open with a bracket never ends: nothing after it counts.
      if (atValue && c != '(') return names;
      atValue = false;
      if (c == '(') ++opened;
      if (c == ')') ++closed;
      if (opened == closed) {
        names.push_back(name);
        name.clear();
        inEntry = false;
        opened = closed = 0;
      }
    }
  }
  return names;
}

TRVORAServerName::TRVORAServerName() : TRVClientList(TDb::StaticClass(), "ORACLE", "SERVER NAME") {}

std::vector<std::string> TRVORAServerName::ReadNames(TEProperty& /*property*/) {
  auto key = OpenMachineKey("Software\\ORACLE");
  if (!key) return {};
  std::string admin = key->ReadString("TNS_ADMIN");
  std::string file = !admin.empty() ? admin + "/tnsnames.ora"
                                    : key->ReadString("ORACLE_HOME") + "/network/admin/tnsnames.ora";
  TStringList lines;
  lines.LoadFromFile(file);
  return ReadTnsNames(lines);
}

std::vector<std::string> ReadSqlIniServers(const TStrings& lines) {
  std::vector<std::string> names;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines.Strings(i);
    if (line.empty() || line[0] != '[') continue;
    // "[" and "[]" name no server.
    if (line.size() > 2) names.push_back(line.substr(1, line.size() - 2));
  }
  return names;
}

TRVSYBServerName::TRVSYBServerName() : TRVClientList(TDb::StaticClass(), "SYBASE", "SERVER NAME") {}

std::vector<std::string> TRVSYBServerName::ReadNames(TEProperty& /*property*/) {
  auto key = OpenMachineKey("Software\\SYBASE\\Setup");
  if (!key) return {};
  std::string file = key->ReadString("SYBASE") + "/ini/sql.ini";
  if (!FileExists(file)) return {};
  TStringList lines;
  lines.LoadFromFile(file);
  return ReadSqlIniServers(lines);
}

TRVMSSServerName::TRVMSSServerName() : TRVClientList(TDb::StaticClass(), "MSSQL", "SERVER NAME") {}

std::vector<std::string> TRVMSSServerName::ReadNames(TEProperty& /*property*/) {
  auto key = OpenMachineKey("Software\\Microsoft\\MSSQLServer\\Client\\ConnectTo");
  return key ? key->GetValueNames() : std::vector<std::string>();
}

TRVINFServerName::TRVINFServerName() : TRVClientList(TDb::StaticClass(), "INFORMIX", "SERVER NAME") {}

std::vector<std::string> TRVINFServerName::ReadNames(TEProperty& /*property*/) {
  auto key = OpenMachineKey("Software\\INFORMIX\\SqlHosts");
  return key ? key->GetKeyNames() : std::vector<std::string>();
}

// ---------------------------------------------------------------- fixed lists

TRVVendorInit::TRVVendorInit() : TERegisteredValues(nullptr, "ORACLE", "VENDOR INIT") {}

void TRVVendorInit::GetValues(const TGetStrProc& callback, TEProperty& /*property*/) {
  for (const char* library : {"ORA73.DLL", "ORA72.DLL", "ORANT71.DLL"}) callback(library);
}

TRVLevel::TRVLevel() : TERegisteredValues(TDriver::StaticClass(), "", "LEVEL") {}

void TRVLevel::GetValues(const TGetStrProc& callback, TEProperty& property) {
  std::string driver = property.Object()->GetTypeName();
  if (driver == "KALMURE" || driver == "ZENTOR") {
    for (const char* level : {"3", "4", "5", "7"}) callback(level);
  } else if (driver == "FOXPRO") {
    callback("25");
  }
}

TRVBlockSize::TRVBlockSize() : TERegisteredValues(TDriver::StaticClass(), "KALMURE", "BLOCK SIZE") {}

void TRVBlockSize::GetValues(const TGetStrProc& callback, TEProperty& property) {
  int level = 4;
  if (auto* option = dynamic_cast<TEProperty*>(property.Object()->Properties().Find("LEVEL")))
    level = StrToInt(option->GetText(0));
  for (const char* size : {"1024", "2048", "4096"}) callback(size);
  // Only the higher table levels take the large blocks.
  if (level > 4) {
    callback("16384");
    callback("32768");
  }
}

TRVDll32::TRVDll32(std::string driverType, std::vector<std::string> libraries)
    : TERegisteredValues(TDriver::StaticClass(), std::move(driverType), "DLL32"), libraries_(std::move(libraries)) {}

void TRVDll32::GetValues(const TGetStrProc& callback, TEProperty& /*property*/) {
  for (const std::string& library : libraries_) callback(library);
}

TDbXErrorPtr TRVDll32::ValidateValue(TEProperty& property) {
  std::string text = property.GetText(1);
  if (std::find(libraries_.begin(), libraries_.end(), text) != libraries_.end()) return nullptr;
  return CannotHave(property, text);
}

TRVSybaseDll32::TRVSybaseDll32() : TRVDll32("SYBASE", {ORVEX_DLL32_SYBASE, ORVEX_DLL32_SYBASE_2}) {}

TRVAccessDll32::TRVAccessDll32() : TRVDll32("MSACCESS", {ORVEX_DLL32_MSACCESS, ORVEX_DLL32_MSACCESS_2}) {}

// ---------------------------------------------------------------- registration

void RegisterAliasEditors() {
  RegisterPropertyEditor<TREPath>();
  RegisterPropertyEditor<TRECorvaneServerName>();
  RegisterPropertyEditor<TRESchemaCacheDir>();
  RegisterPropertyEditor<TREAccessDbName>(TDb::StaticClass());
  RegisterPropertyEditor<TREAccessSystemDB>(TDb::StaticClass());
  RegisterPropertyEditor<TRVLangDriver>();
  RegisterPropertyEditor<TRVODBCDSN>();
  RegisterPropertyEditor<TRVORAServerName>();
  RegisterPropertyEditor<TRVSYBServerName>();
  RegisterPropertyEditor<TRVMSSServerName>();
  RegisterPropertyEditor<TRVINFServerName>();
  RegisterPropertyEditor<TRVDb2DSN>();
  RegisterPropertyEditor<TRVVendorInit>();
}

void RegisterDriverEditors() {
  RegisterPropertyEditor<TRENetDir>();
  RegisterPropertyEditor<TREAccessDbName>(TDriver::StaticClass());
  RegisterPropertyEditor<TREAccessSystemDB>(TDriver::StaticClass());
  RegisterPropertyEditor<TRVZentorLangDriver>();
  RegisterPropertyEditor<TRVFoxProLangDriver>();
  RegisterPropertyEditor<TRVLevel>();
  RegisterPropertyEditor<TRVBlockSize>();
  RegisterPropertyEditor<TRVSybaseDll32>();
  RegisterPropertyEditor<TRVAccessDll32>();
}

}  // namespace dbx
