#include "DbXCfg.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "Dbexplfm.h"
#include "DbXCtrl.h"
#include "Dialogs.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Library.h"
#include "NewDriver.h"
#include "NuboDataSet.h"
#include "Registry.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

using namespace fw;

namespace dbx {

FW_IMPLEMENT_CLASS(TCfgEO)
FW_IMPLEMENT_CLASS(TConfig)
FW_IMPLEMENT_CLASS(TDrivers)
FW_IMPLEMENT_CLASS(TNatDrivers)
FW_IMPLEMENT_CLASS(TODBCDrivers)
FW_IMPLEMENT_CLASS(TSystem)
FW_IMPLEMENT_CLASS(TSys)
FW_IMPLEMENT_CLASS(TSysInit)
FW_IMPLEMENT_CLASS(TFormats)
FW_IMPLEMENT_CLASS(TSysEmbedded)
FW_IMPLEMENT_CLASS(TSysDate)
FW_IMPLEMENT_CLASS(TSysTime)
FW_IMPLEMENT_CLASS(TSysNumber)
FW_IMPLEMENT_CLASS(TDriver)
FW_IMPLEMENT_CLASS(TODBCDriver)
FW_IMPLEMENT_CLASS(TVirtualDriver)
FW_IMPLEMENT_CLASS(TDriverIdentity)
FW_IMPLEMENT_CLASS(TSystemIdentity)
FW_IMPLEMENT_CLASS(TDriverProperty)
FW_IMPLEMENT_CLASS(TSystemProperty)

namespace {

// Help contexts of the administrator's help file.
constexpr int kHelpOdbcNotInstalled = 4000;
constexpr int kHelpApplyChanges = 4001;
constexpr int kHelpSaveDatabases = 4002;
constexpr int kHelpCloseDatabases = 4003;
constexpr int kHelpDeleteAliases = 4004;
constexpr int kHelpCannotClose = 4005;
constexpr int kHelpNewDriver = 4015;
constexpr int kHelpOdbcDriver = 4039;

bool IsDesktopDriver(const std::string& driver) {
  return driver == "KALMURE" || driver == "ZENTOR" || driver == "FOXPRO";
}

int NativeDriverHelp(const std::string& driver) {
  static const std::pair<const char*, int> kHelp[] = {
      {"KALMURE", 4032}, {"ZENTOR", 4031},   {"FOXPRO", 4031}, {"ORACLE", 4034},   {"CORVANE", 4037},
      {"SYBASE", 4033},  {"INFORMIX", 4035}, {"DB2", 4038},    {"MSSQL", 4036},    {"MSACCESS", 4042},
  };
  for (const auto& [name, help] : kHelp)
    if (driver == name) return help;
  return 0;
}

// The set that the "Databases" node holds; the registry's while there is none.
TConfigModes CurrentViewModes() {
  if (TDatabases* databases = FindDatabasesNode()) return databases->ViewModes();
  return GetViewModes();
}

TDbExplorerForm* MainWindow() {
  auto* root = dynamic_cast<TDbXForm*>(GetDbXRoot());
  return root ? root->Form() : nullptr;
}

// The session's lists are of lines; these are the lines as texts.
std::vector<std::string> LinesOf(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

std::vector<std::string> DriverNames() {
  TStringList names;
  Session().GetDriverNames(&names);
  return LinesOf(names);
}

std::vector<std::string> ConfigLines(const std::string& path, const std::string& section, bool sorted) {
  TStringList lines;
  Session().GetConfigParams(path, section, &lines);
  if (sorted) lines.Sort();
  return LinesOf(lines);
}

// Every property as NAME=value, an empty value too: writes keep empty options.
std::unique_ptr<TStringList> NameValueList(TEProperties& properties) {
  auto list = std::make_unique<TStringList>();
  for (int i = 0; i < properties.Count(); ++i) {
    TEProperty* property = properties.Property(i);
    list->Add(property->Name() + "=" + property->GetText(0));
  }
  return list;
}

// Edits to write: properties changed, and no rename waiting.
bool HasOptionEdits(TExploreObject& node) {
  return node.Properties().PendingCount() > 0 || !node.SavedName().empty();
}

void SaveConfiguration() { Session().SaveConfigFile(); }

std::string OptionDescription(const std::string& path, const std::string& option, bool& found) {
  char desc[ORVEX_OPTION_DESC_SIZE] = {};
  found = Engine().GetOptionDesc(0, NativeFromAnsi(0, path).c_str(), NativeFromAnsi(0, option).c_str(), desc) ==
          ORVEX_OK;
  if (!found) return {};
  return NativeToAnsi(std::string_view(desc, strnlen(desc, sizeof desc)));
}

// The first of the paths that describes the option; empty when none does,
// also when the engine cannot be reached.
std::string DescribeOption(const std::vector<std::string>& paths, const std::string& option) {
  try {
    for (const std::string& path : paths) {
      bool found = false;
      std::string text = OptionDescription(path, option, found);
      if (found) return text;
    }
  } catch (const Exception&) {
  }
  return {};
}

void MakeLeaf(TExploreObject& node, std::uint16_t operations) {
  // A leaf's children count as loaded (and there are none); it can make a
  // sibling where its parent can make children.
  node.Children().Load();
  TExploreObject* parent = node.Parent();
  bool parentNew = parent && (parent->DeclaredOperations() & opNew);
  node.SetAttributes(parentNew ? static_cast<std::uint16_t>(operations | opNew) : operations);
}

void MakeReadOnly(TEProperty& property) {
  property.SetAttributeWord(static_cast<std::uint16_t>((property.Attributes() - TEPropertyAttributes(paEditable)).ToBits()));
}

template <typename T>
T* MakeNode(TExploreObject* parent, const std::string& name, int help = 0) {
  T* node = TExploreObject::Create<T>(parent);
  node->SetName(name);
  node->HelpContext = help;
  return node;
}

// The new-driver dialog; false when it was not confirmed.
bool AskNewDriver(TNewDriverChoice& choice, int help) {
  std::unique_ptr<TNewDriverForm> dialog(NewForm<TNewDriverForm>(Application));
  dialog->SetHelpContext(help);
  if (dialog->ShowModal() != mrOk) return false;
  choice.Name = dialog->DriverName->Text();
  choice.OdbcDriver = dialog->ComboODBCDriver->Text();
  TListBox* sources = dialog->ListDSN;
  for (int i = 0; i < sources->Items()->Count(); ++i)
    if (sources->Selected(i)) choice.DataSources.push_back(sources->Items()->Strings(i));
  return true;
}

}  // namespace

// ---------------------------------------------------------------- TCfgEO

void TCfgEO::Init(TExploreObject* parent) {
  TExploreObject::Init(parent);
  SetAttributes(opApply | opCancel);
}

void TCfgEO::DoApply() {
  if (EditState() == esModified && HasOptionEdits(*this)) {
    if (SavedName().empty()) {
      auto list = NameValueList(Properties());
      const char* path = Name() == "INIT" ? "\\SYSTEM\\%s" : "\\SYSTEM\\FORMATS\\%s";
      TConfigModeScope mode(Session(), cfmPersistent);
      Session().ModifyConfigParams(path, StrToOem(Name()), list.get());
    }
    SaveConfiguration();
  } else if (EditState() == esNew || EditState() == esDeleted) {
    SaveConfiguration();
  }
  TExploreObject::DoApply();
}

void TCfgEO::DoCancel() {
  Properties().Unload();
  TExploreObject::DoCancel();
}

TExploreObject* TCfgEO::DoRefresh() {
  TExploreList& children = Children();
  bool anyOpen = false;
  for (int i = 0; i < children.Count(); ++i) anyOpen = anyOpen || children.Item(i)->IsActive();
  if (anyOpen) {
    for (int i = 0; i < children.Count(); ++i)
      if (children.Item(i)->Enabled(opRefresh)) children.Item(i)->Refresh();
  } else {
    children.Unload();
  }
  return TExploreObject::DoRefresh();
}

void TCfgEO::AssignPropertyEditor(TEPropertyDef* definition) {
  if (!definition->InheritsFrom(TSystemProperty::StaticClass())) return;
  if (auto values = GetPropertyValues(nullptr, definition->Name()))
    definition->SetEditor(std::move(values));
  else
    definition->SetEditor(FindRegisteredEditor(ClassType(), GetTypeName(), definition->Name()));
}

// ---------------------------------------------------------------- the tree above the leaves

void TConfig::Init(TExploreObject* parent) {
  TCfgEO::Init(parent);
  SetAttributes(opRefresh | opApply | opCancel);
  SetName("Configuration");
}

std::string TConfig::GetValidationText() { return "Drivers and System"; }

void TConfig::LoadChildren() {
  MakeNode<TDrivers>(this, "Drivers");
  MakeNode<TSys>(this, "System");
}

void TDrivers::Init(TExploreObject* parent) {
  TCfgEO::Init(parent);
  // Driver names are the engine's, which ignores case.
  Children().NameCompare = [](std::string_view a, std::string_view b) { return AnsiCompareText(a, b); };
  SetAttributes(opRefresh | opApply | opCancel);
}

void TDrivers::LoadChildren() {
  MakeNode<TNatDrivers>(this, "Native");
  MakeNode<TODBCDrivers>(this, "ODBC");
}

void TNatDrivers::LoadChildren() {
  THourGlassScope hourglass;
  if (!CurrentViewModes().Contains(cfmPersistent)) return;
  TConfigModeScope mode(Session(), cfmPersistent);
  std::vector<std::string> names = DriverNames();
  if (names.size() <= 1) return;
  for (const std::string& name : names) {
    if (name == "STANDARD") {
      MakeNode<TDriver>(this, "KALMURE", 4032);
      MakeNode<TDriver>(this, "ZENTOR", 4031);
      MakeNode<TDriver>(this, "FOXPRO", 4031);
    } else if (!IsOdbcDriver(name) && !IsProviderDriver(name)) {
      MakeNode<TDriver>(this, name, NativeDriverHelp(name));
    }
  }
}

void TODBCDrivers::Init(TExploreObject* parent) {
  TDrivers::Init(parent);
  SetAttributes(opRefresh | opNew | opApply | opCancel);
}

void TODBCDrivers::LoadChildren() {
  THourGlassScope hourglass;
  TConfigModes modes = CurrentViewModes();
  auto odbcNames = [] {
    std::vector<std::string> names = DriverNames();
    std::erase_if(names, [](const std::string& name) { return name == "STANDARD" || !IsOdbcDriver(name); });
    return names;
  };
  if (modes.Contains(cfmPersistent)) {
    TConfigModeScope mode(Session(), cfmPersistent);
    for (const std::string& name : odbcNames()) MakeNode<TODBCDriver>(this, name, kHelpOdbcDriver);
  }
  if (modes.Contains(cfmVirtual)) {
    TConfigModeScope mode(Session(), cfmVirtual);
    for (const std::string& name : odbcNames())
      if (!Children().FindByName(name)) MakeNode<TVirtualDriver>(this, name, kHelpOdbcDriver);
  }
}

void TODBCDrivers::DoCreate(TExploreObject*& result, const std::string& /*parameter*/) {
  if (HMODULE odbc = LoadLibrary("odbc32.dll")) {
    FreeLibrary(odbc);
  } else {
    MessageDlg("ODBC is not installed.", mtError, {mbOK, mbHelp}, kHelpOdbcNotInstalled);
    throw EAbortOp();
  }
  TNewDriverChoice choice;
  if (!AskNewDriver(choice, kHelpNewDriver)) throw EAbortOp();
  CreateDriver(result, choice);
}

void TODBCDrivers::CreateDriver(TExploreObject*& result, const TNewDriverChoice& choice) {
  auto* driver = TExploreObject::Create<TODBCDriver>(this);
  result = driver;
  // A node whose driver could not be made would show one that is not there.
  TScopeFail drop([&] {
    result = nullptr;
    driver->Release(lsIdle);  // its making; then the tree's hold
    driver->DetachAndRelease();
  });
  TExploreObject::DoCreate(result, choice.Name);
  std::string name = choice.Name;
  if (TDbXErrorPtr error = CheckDriverName(name)) throw EDbXError(*error);
  driver->SetName(name);
  driver->HelpContext = kHelpOdbcDriver;
  driver->DoEndEdit();

  TStringList init;
  Session().GetConfigParams("\\DRIVERS\\%s\\INIT", "ODBC", &init);
  std::string odbcLine = "ODBC DRIVER=" + choice.OdbcDriver;
  bool replaced = false;
  for (int i = 0; i < init.Count(); ++i)
    if (SameText(NamePart(init.Strings(i)), "ODBC DRIVER")) {
      init.SetStrings(i, odbcLine);
      replaced = true;
    }
  if (!replaced) init.Add(odbcLine);
  Session().AddDriver(name, &init);
  SaveConfiguration();

  TDatabases* databases = FindDatabasesNode();
  for (const std::string& source : choice.DataSources) {
    TExploreObject* alias = databases ? databases->NewObject(name) : nullptr;
    if (!alias) break;
    alias->Rename(alias->MakeUniqueName(source, true));
    alias->SetPropertyText("ODBC DSN", source);
    alias->EndEdit();
    alias->Apply();
  }
}

void TSys::Init(TExploreObject* parent) {
  TSystem::Init(parent);
  SetAttributes(opRefresh | opApply | opCancel);
}

void TSys::LoadChildren() {
  MakeNode<TSysInit>(this, "INIT", 4061);
  MakeNode<TFormats>(this, "Formats");
}

void TFormats::Init(TExploreObject* parent) {
  TSystem::Init(parent);
  SetAttributes(opRefresh | opApply | opCancel);
}

void TFormats::LoadChildren() {
  MakeNode<TSysDate>(this, "Date", 4062)->SetSection("DATE");
  MakeNode<TSysTime>(this, "Time", 4063)->SetSection("TIME");
  MakeNode<TSysNumber>(this, "Number", 4064)->SetSection("NUMBER");
}

// ---------------------------------------------------------------- system leaves

void TSysInit::Init(TExploreObject* parent) {
  TSystem::Init(parent);
  MakeLeaf(*this, opModify | opApply | opCancel);
}

void TSysInit::LoadProperties() {
  Properties().Add<TSystemIdentity>();
  for (const std::string& line : ConfigLines("\\SYSTEM\\%s", "INIT", true)) {
    auto* property = Properties().Add<TSystemProperty>(line);
    if (property->Name() == "VERSION") MakeReadOnly(*property);
  }
}

void TSysEmbedded::Init(TExploreObject* parent) {
  TSystem::Init(parent);
  MakeLeaf(*this, opModify | opApply | opCancel);
}

void TSysEmbedded::LoadProperties() {
  Properties().Add<TSystemIdentity>();
  for (const std::string& line : ConfigLines("\\SYSTEM\\FORMATS\\%s", section_, true))
    Properties().Add<TSystemProperty>(line);
}

// ---------------------------------------------------------------- drivers

void TDriver::Init(TExploreObject* parent) {
  TExploreObject::Init(parent);
  MakeLeaf(*this, DriverOperations());
}

void TDriver::LoadProperties() {
  Properties().Add<TDriverIdentity>();
  const std::string& driver = Name();
  std::vector<std::string> init, open;
  if (IsProviderDriver(driver)) {
    init = ConfigLines("\\PROVIDERS\\%s\\INIT", driver, false);
    open = ConfigLines("\\PROVIDERS\\%s\\DB OPEN", driver, true);
  } else {
    init = ConfigLines("\\DRIVERS\\%s\\INIT", StrToOem(driver), false);
    if (IsDesktopDriver(driver)) {
      open = ConfigLines("\\DRIVERS\\%s\\TABLE CREATE", StrToOem(driver), true);
    } else {
      TStringList params;
      Session().GetDriverParams(driver, &params);
      params.Sort();
      open = LinesOf(params);
    }
  }
  bool dll32Editable = driver == "SYBASE" || driver == "MSACCESS";
  for (const std::string& line : init) {
    auto* property = Properties().Add<TDriverProperty>(line);
    const std::string& option = property->Name();
    if (option == "VERSION" || option == "TYPE" || option == "DLL" || (option == "DLL32" && !dll32Editable))
      MakeReadOnly(*property);
  }
  for (const std::string& line : open) Properties().Add<TDriverProperty>(line);
}

void TDriver::DoApply() {
  if (EditState() == esModified && HasOptionEdits(*this)) {
    if (SavedName().empty()) {
      auto list = NameValueList(Properties());
      TConfigModeScope mode(Session(), cfmPersistent);
      Session().ModifyDriver(Name(), list.get());
    }
    SaveConfiguration();
  } else if (EditState() == esNew) {
    SaveConfiguration();
  } else if (EditState() == esDeleted) {
    {
      TConfigModeScope mode(Session(), cfmPersistent);
      Session().DeleteDriver(Name());
    }
    SaveConfiguration();
  }
  TExploreObject::DoApply();
}

void TDriver::DoCancel() {
  Properties().Unload();
  TExploreObject::DoCancel();
}

void TDriver::AssignPropertyEditor(TEPropertyDef* definition) {
  if (!definition->InheritsFrom(TDriverProperty::StaticClass())) return;
  if (auto values = GetPropertyValues(nullptr, definition->Name()))
    definition->SetEditor(std::move(values));
  else
    definition->SetEditor(FindRegisteredEditor(ClassType(), GetTypeName(), definition->Name()));
}

void TODBCDriver::DoCreate(TExploreObject*& result, const std::string& parameter) {
  if (TExploreObject* parent = Parent()) parent->DoCreate(result, parameter);
}

void TODBCDriver::DoDelete() {
  if (EditState() != esBrowse) {
    TDriver::DoDelete();
    return;
  }
  if (MessageDlg(Format("Delete %s?", {Name()}), mtConfirmation, mbOKCancel, 0) != mrOk) throw EAbortOp();
  if (CloseDatabasesForConfig(true, Name())) {
    MessageDlg("Unable to close current configuration.  Operation canceled.", mtError, {mbOK, mbHelp},
               kHelpCannotClose);
    throw EAbortOp();
  }
  {
    TConfigModeScope mode(Session(), cfmPersistent);
    Session().DeleteDriver(Name());
  }
  SaveConfiguration();
  DetachAndRelease();
}

void TVirtualDriver::DoCreate(TExploreObject*& result, const std::string& parameter) {
  if (TExploreObject* parent = Parent()) parent->DoCreate(result, parameter);
}

// ---------------------------------------------------------------- properties

namespace {

void InitIdentity(TEProperty& property) {
  property.SetName("Identity");
  property.SetCaption("mytitle");
  property.SetLevel(1);
  property.SetTypeCode(ftString);
}

void InitOption(TEProperty& property, const std::string& line) {
  property.SetName(NamePart(line));
  property.SetLevel(2);
  property.SetTypeCode(ftString);
  // not yet in a list: nobody to tell
  property.TEPropertyDef::SetAttributeWord(
      static_cast<std::uint16_t>(TEPropertyAttributes{paEditable, paGetEditor}.ToBits()));
}

}  // namespace

TDriverIdentity::TDriverIdentity() { InitIdentity(*this); }

TSystemIdentity::TSystemIdentity() { InitIdentity(*this); }

TDriverProperty::TDriverProperty(const std::string& line) {
  InitOption(*this, line);
  InitValue(Variant(ValuePart(line)));
}

TSystemProperty::TSystemProperty(const std::string& line) {
  InitOption(*this, line);
  InitValue(Variant(ValuePart(line)));
}

std::string TDriverProperty::GetDescription() {
  TExploreObject* owner = Object();
  const std::string driver = owner->Name();
  if (owner->InheritsFrom(TODBCDriver::StaticClass()) || owner->InheritsFrom(TVirtualDriver::StaticClass()))
    return DescribeOption({"\\DRIVERS\\ODBC"}, Name());
  bool provider = false;
  try {
    provider = IsProviderDriver(driver);
  } catch (const Exception&) {
  }
  if (provider) return DescribeOption({"\\DRIVERS\\OLE"}, Name());
  std::string second = IsDesktopDriver(driver) ? "\\TABLE CREATE" : "\\DB OPEN";
  return DescribeOption({"\\DRIVERS\\" + driver + "\\INIT", "\\DRIVERS\\" + driver + second}, Name());
}

std::string TSystemProperty::GetDescription() {
  TExploreObject* owner = Object();
  auto* format = dynamic_cast<TSysEmbedded*>(owner);
  std::string section = format ? format->Section() : owner->Name();
  return DescribeOption({"\\SYSTEM\\FORMATS\\" + UpperCase(section), "\\SYSTEM\\" + section}, Name());
}

// ---------------------------------------------------------------- shared routines

std::string StrToOem(const std::string& text) { return CharToOem(text); }

bool IsOdbcDriver(const std::string& driver) {
  for (const std::string& line : ConfigLines("\\DRIVERS\\%s\\INIT", StrToOem(driver), false))
    if (line == "DLL32=OVODBC32.DLL" || line == "DLL=OVODBC01.DLL") return true;
  return false;
}

bool IsProviderDriver(const std::string& driver) {
  Session().Handle();
  hOrvexCursor cursor = 0;
  if (Engine().OpenCfgInfoList(0, 1, 0, NativeFromAnsi(0, "\\PROVIDERS\\" + driver).c_str(), &cursor) != ORVEX_OK)
    return false;
  TScopeExit close([&] { Engine().CloseCursor(&cursor); });
  auto record = std::make_unique<OrvexCfgDesc>();
  return Engine().GetNextRecord(cursor, 0, record.get(), nullptr) == ORVEX_OK;
}

void ConfirmApplyChanges(const std::string& message, TExploreObject* node, bool& ask, bool& answer) {
  if (!node || node->EditState() == esBrowse) return;
  if (ask) {
    int reply = MessageDlg(message, mtConfirmation, {mbYes, mbNo, mbHelp}, kHelpApplyChanges);
    answer = reply == mrYes;
    ask = false;
  }
  if (answer)
    node->Apply();
  else
    node->Cancel();
}

bool GetSaveForWin31() { return ReadEngineSetting("SaveConfig") == "WIN31"; }

void SetSaveForWin31(bool flag) { WriteEngineSetting("SaveConfig", flag ? "WIN31" : "WIN32"); }

void WriteEngineSetting(const std::string& name, const std::string& value) {
  TRegistry reg;
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  // No installer makes the key here: without it the choice would be lost.
  if (!reg.OpenKey(kEngineRegistryKey, true))
    throw ERegistryException("Cannot make the registry key " + std::string(kEngineRegistryKey) + " in " +
                             RegistryFileName());
  reg.WriteString(name, value);
}

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

void SetViewModes(TConfigModes modes) {
  std::string letters;
  if (modes.Contains(cfmSession)) letters += 'S';
  if (modes.Contains(cfmPersistent)) letters += 'P';
  if (modes.Contains(cfmVirtual)) letters += 'V';
  WriteEngineSetting("ViewMode", letters);

  TDbExplorerForm* window = MainWindow();
  TUpdateScope<TDbExplorerForm> update(window);
  THourGlassScope hourglass;
  TTreeView* tree = window ? window->CurrentTree() : nullptr;
  if (tree) tree->SetSelected(nullptr);
  TExploreObject* root = GetDbXRoot();
  if (TDatabases* databases = FindDatabasesNode()) {
    databases->SetViewModes(modes);
    databases->Refresh();
  }
  if (TExploreObject* config = root ? root->Children().Find(TConfig::StaticClass(), "") : nullptr) config->Refresh();
  if (tree) tree->SetSelected(tree->Items()->GetFirstNode());
}

bool CloseDatabasesForConfig(bool forDriver, const std::string& driver) {
  TStringList aliasNames;
  Session().GetAliasNames(&aliasNames);
  TDatabases* databases = FindDatabasesNode();

  bool ask = true, answer = false;
  if (forDriver) {
    ConfirmApplyChanges("Apply current configuration changes to databases?", databases, ask, answer);
  } else if (TExploreObject* root = GetDbXRoot()) {
    TExploreList& tops = root->Children();
    for (int i = 0; i < tops.Count(); ++i)
      ConfirmApplyChanges("Apply current configuration changes?", tops.Item(i), ask, answer);
  }

  std::vector<std::string> concerned;
  for (const std::string& alias : LinesOf(aliasNames))
    if (!forDriver || AnsiSameText(Session().GetAliasDriverName(alias), driver)) concerned.push_back(alias);

  auto openNode = [databases](const std::string& alias) -> TExploreObject* {
    TExploreObject* node = databases ? databases->FindAliasNode(alias) : nullptr;
    return node && node->IsActive() ? node : nullptr;
  };
  // Edits waiting inside an open database show as an apply that is enabled.
  auto holdsEdits = [](TExploreObject* node) { return node->EditState() == esBrowse && node->Enabled(opApply); };

  int level = 0;
  for (const std::string& alias : concerned)
    if (TExploreObject* node = openNode(alias)) level = std::max(level, holdsEdits(node) ? 3 : 2);
  bool save = false;
  if (level == 3)
    save = MessageDlg("Save changes to databases?", mtConfirmation, {mbYes, mbNo, mbHelp}, kHelpSaveDatabases) == mrYes;
  if (level >= 2 &&
      MessageDlg("To continue operation, databases must be closed.  Close databases?", mtConfirmation,
                 {mbOK, mbCancel, mbHelp}, kHelpCloseDatabases) != mrOk)
    return true;

  bool asked = false, deleteAliases = false;
  for (const std::string& alias : concerned) {
    if (TExploreObject* node = openNode(alias)) {
      if (holdsEdits(node)) {
        if (save)
          node->Apply();
        else
          node->Cancel();
      } else {
        node->Close();
      }
    }
    if (forDriver && !asked) {
      asked = true;
      deleteAliases = MessageDlg("Delete all " + driver + " database aliases?", mtConfirmation,
                                 {mbYes, mbNo, mbHelp}, kHelpDeleteAliases) == mrYes;
    }
    if (deleteAliases) Session().DeleteAlias(alias);
  }
  return false;
}

TDbXErrorPtr CheckDriverName(std::string& name) {
  bool valid = !name.empty() && CharLength(name) <= ORVEX_CFG_MAX_NAME_CHARS &&
               name.find_first_of(":\\") == std::string::npos;
  if (valid) return nullptr;
  TDbXErrorPtr error = MakeDbXError("\"" + name + "\" is not a valid name");
  name.clear();
  return error;
}

void InitDbXCfg() { RegisterDbXRootClass(ExploreClassOf<TConfig>()); }

}  // namespace dbx
