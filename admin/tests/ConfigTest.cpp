// The "Configuration" tree over a real engine: a configuration file, a
// registry and a unixODBC configuration of the test's own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Database.h"
#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "Dialogs.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "Files.h"
#include "NewDriver.h"
#include "NuboDataSet.h"
#include "OdbcConfig.h"
#include "Registry.h"
#include "Scope.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Names = std::vector<std::string>;

std::unique_ptr<TStringList> Lines(std::initializer_list<std::string> lines) {
  auto list = std::make_unique<TStringList>();
  for (const std::string& line : lines) list->Add(line);
  return list;
}

Names LinesOf(const TStrings& list) {
  Names names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
  return names;
}

std::string Option(const std::string& path, const std::string& section, const std::string& name) {
  TStringList lines;
  Session().GetConfigParams(path, section, &lines);
  for (const std::string& line : LinesOf(lines))
    if (NamePart(line) == name) return line;
  return "(missing)";
}

void AddDriver(const std::string& name, std::initializer_list<std::string> init) {
  TConfigModeScope mode(Session(), cfmPersistent);
  Session().AddDriver(name, Lines(init).get());
}

std::string FileText(const std::string& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The engine's own description at one path.
std::string EngineDescription(const std::string& path, const std::string& option) {
  char desc[ORVEX_OPTION_DESC_SIZE] = {};
  if (Engine().GetOptionDesc(0, path.c_str(), option.c_str(), desc) != ORVEX_OK) return "(none)";
  return desc;
}

class ConfigTest : public fw::test::UiTest {
protected:
  void SetUp() override {
    odbc.Driver("SQLite3 Test").SystemSource("Wedding", "SQLite3 Test").Write();
    env.Set("FW_REGISTRY", temp.File("registry"));
    TSession::SetConfigFileHook([file = configFile] { return file; });
    Session().Close();
    StartAdministratorUnits();
    root = TExploreObject::Create<TDbXRoot>(nullptr);
  }
  void TearDown() override {
    root->Release(lsReleased);
    StopAdministratorUnits();
    Session().Close();
    Session().SetConfigMode(cfmAllModes);
    TSession::SetConfigFileHook(nullptr);
  }

  TExploreObject* Node(const std::string& path) {
    TExploreObject* node = root->FindPath(path);
    EXPECT_NE(node, nullptr) << path;
    return node;
  }
  Names ChildNames(const std::string& path) {
    Names names;
    TExploreObject* node = Node(path);
    for (int i = 0; node && i < node->Children().GetCount(); ++i) names.push_back(node->Children().Item(i)->Name());
    return names;
  }
  TDatabases* Databases() { return FindDatabasesNode(); }
  // The tree read again for the modes.
  void ShowModes(TConfigModes modes) {
    Databases()->SetViewModes(modes);
    Node("/Configuration")->Refresh();
  }

  fw::test::TempDir temp;
  std::string configFile = temp.File("nubo.cfg");
  fw::test::OdbcConfig odbc;
  fw::test::ScopedEnv env;
  TDbXRoot* root = nullptr;
};

TEST_F(ConfigTest, OdbcDriversAreKnownByTheirExactLibraryLine) {
  AddDriver("Wide ODBC", {"DLL32=OVODBC32.DLL"});
  AddDriver("Old ODBC", {"DLL=OVODBC01.DLL"});
  AddDriver("Lower Value", {"DLL32=ovodbc32.dll"});
  AddDriver("Lower Name", {"dll32=OVODBC32.DLL"});
  AddDriver("Other Library", {"DLL32=OVORA32.DLL"});
  struct {
    const char* driver;
    bool odbc;
  } cases[] = {{"Wide ODBC", true},    {"Old ODBC", true},       {"Lower Value", false},
               {"Lower Name", false},  {"Other Library", false}, {"ORACLE", false},
               {"No Such Driver", false}};
  TConfigModeScope mode(Session(), cfmPersistent);
  for (const auto& c : cases) EXPECT_EQ(IsOdbcDriver(c.driver), c.odbc) << c.driver;
  EXPECT_FALSE(IsProviderDriver("ORACLE")) << "the engine has no providers";
}

TEST_F(ConfigTest, NativeAndOdbcListTheDriversOfTheViewModes) {
  AddDriver("Guests ODBC", {"DLL32=OVODBC32.DLL", "ODBC DRIVER=SQLite3 Test"});
  AddDriver("Legacy", {"DLL=OV16.DLL", "DLL32=OV32.DLL"});
  // STANDARD stands for the desktop drivers; then the engine's order.
  const Names native = {"KALMURE", "ZENTOR", "FOXPRO", "ORACLE", "SYBASE",  "INFORMIX",
                        "DB2",     "MSSQL",  "MSACCESS", "CORVANE", "Legacy"};
  struct {
    const char* letters;
    TConfigModes modes;
    Names native, odbc;
  } cases[] = {
      {"SPV", cfmAllModes, native, {"Guests ODBC", "SQLite3 Test"}},
      {"PV", {cfmPersistent, cfmVirtual}, native, {"Guests ODBC", "SQLite3 Test"}},
      {"SP", {cfmSession, cfmPersistent}, native, {"Guests ODBC"}},
      {"SV", {cfmSession, cfmVirtual}, {}, {"SQLite3 Test"}},
      {"", {}, {}, {}},
  };
  for (const auto& c : cases) {
    ShowModes(c.modes);
    EXPECT_EQ(ChildNames("/Configuration/Drivers/Native"), c.native) << c.letters;
    EXPECT_EQ(ChildNames("/Configuration/Drivers/ODBC"), c.odbc) << c.letters;
  }

  ShowModes(cfmAllModes);
  TExploreObject* odbcNode = Node("/Configuration/Drivers/ODBC");
  EXPECT_TRUE(odbcNode->Children().FindByName("Guests ODBC")->InheritsFrom(TODBCDriver::StaticClass()));
  TExploreObject* virtualDriver = odbcNode->Children().FindByName("SQLite3 Test");
  EXPECT_TRUE(virtualDriver->InheritsFrom(TVirtualDriver::StaticClass()));
  EXPECT_EQ(virtualDriver->HelpContext, 4039);
  EXPECT_EQ(virtualDriver->DeclaredOperations(), opNew | opModify | opApply | opCancel);
  EXPECT_EQ(Node("/Configuration/Drivers/Native/KALMURE")->HelpContext, 4032);
  EXPECT_EQ(Node("/Configuration/Drivers/Native/SYBASE")->HelpContext, 4033);
  EXPECT_EQ(Node("/Configuration/Drivers/Native/Legacy")->HelpContext, 0);
  EXPECT_EQ(Node("/Configuration/Drivers/Native/ORACLE")->DeclaredOperations(), opModify | opApply | opCancel);

  // A driver in both layers is the persistent one, once.
  odbc.Driver("Guests ODBC").Write();
  Node("/Configuration")->Refresh();
  EXPECT_EQ(ChildNames("/Configuration/Drivers/ODBC"), (Names{"Guests ODBC", "SQLite3 Test"}));
  EXPECT_TRUE(Node("/Configuration/Drivers/ODBC/\"Guests ODBC\"")->InheritsFrom(TODBCDriver::StaticClass()));

  // With STANDARD the only driver left, "Native" lists nothing.
  {
    TConfigModeScope mode(Session(), cfmPersistent);
    for (const char* link : {"ORACLE", "SYBASE", "INFORMIX", "DB2", "MSSQL", "MSACCESS", "CORVANE", "Legacy",
                             "Guests ODBC"})
      Session().DeleteDriver(link);
    TStringList names;
    Session().GetDriverNames(&names);
    ASSERT_EQ(LinesOf(names), (Names{"STANDARD"}));
  }
  Node("/Configuration")->Refresh();
  EXPECT_EQ(ChildNames("/Configuration/Drivers/Native"), Names{});
}

TEST_F(ConfigTest, DriverOptionsAreInitThenOpenWithTheReadOnlyRules) {
  AddDriver("Legacy", {"DLL=OV16.DLL", "DLL32=OV32.DLL", "NOTE=kept"});
  TExploreObject* kalmure = Node("/Configuration/Drivers/Native/KALMURE");
  TEProperties& props = kalmure->Properties();
  Names order;
  for (int i = 0; i < props.GetCount(); ++i) order.push_back(props.Property(i)->Name());
  EXPECT_EQ(order, (Names{"Identity", "VERSION", "TYPE", "NET DIR", "LANGDRIVER", "BLOCK SIZE", "FILL FACTOR",
                          "LEVEL", "STRICTINTEGRTY"}))
      << "INIT as it stands, then TABLE CREATE sorted";
  EXPECT_TRUE(props.Property(0)->InheritsFrom(TDriverIdentity::StaticClass()));
  EXPECT_EQ(props.Property(0)->GetCaption(), "mytitle");
  EXPECT_EQ(props.PropertyByName("LANGDRIVER")->GetText(0), "ORVINTL");

  struct {
    const char* driver;
    const char* option;
    bool editable;
  } cases[] = {
      {"SYBASE", "DLL32", true},   {"MSACCESS", "DLL32", true},  {"ORACLE", "DLL32", false},
      {"ORACLE", "VERSION", false}, {"ORACLE", "TYPE", false},    {"ORACLE", "VENDOR INIT", true},
      {"ORACLE", "SERVER NAME", true}, {"Legacy", "DLL", false},  {"Legacy", "DLL32", false},
      {"Legacy", "NOTE", true},    {"KALMURE", "LANGDRIVER", true}, {"KALMURE", "LEVEL", true},
  };
  for (const auto& c : cases) {
    TEProperty* property = Node(std::string("/Configuration/Drivers/Native/") + c.driver)
                               ->Properties()
                               .PropertyByName(c.option);
    EXPECT_EQ(property->GetAttributes().Contains(paEditable), c.editable) << c.driver << " " << c.option;
  }
  TEProperty* version = Node("/Configuration/System/INIT")->Properties().PropertyByName("VERSION");
  EXPECT_FALSE(version->GetAttributes().Contains(paEditable));

  // Value lists from the property-definition text; none where it has none.
  auto* values = dynamic_cast<TEStringValues*>(props.PropertyByName("STRICTINTEGRTY")->GetEditor());
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(LinesOf(values->Strings()), (Names{"FALSE", "TRUE"}));
  EXPECT_EQ(props.PropertyByName("LEVEL")->GetEditor(), nullptr);
  EXPECT_EQ(props.Property(0)->GetEditor(), nullptr) << "the identity gets no editor";
  auto* dateValues = Node("/Configuration/System/Formats/Date")->Properties().PropertyByName("FOURDIGITYEAR");
  EXPECT_NE(dynamic_cast<TEStringValues*>(dateValues->GetEditor()), nullptr);
}

TEST_F(ConfigTest, DescriptionsFallBackAlongTheirPaths) {
  AddDriver("Guests ODBC", {"DLL32=OVODBC32.DLL", "ODBC DRIVER=SQLite3 Test"});
  struct {
    const char* node;
    const char* option;
    std::string expected;
  } cases[] = {
      {"Drivers/Native/KALMURE", "LANGDRIVER", EngineDescription("\\DRIVERS\\KALMURE\\INIT", "LANGDRIVER")},
      {"Drivers/Native/KALMURE", "BLOCK SIZE", EngineDescription("\\DRIVERS\\KALMURE\\TABLE CREATE", "BLOCK SIZE")},
      {"Drivers/Native/ORACLE", "SERVER NAME", EngineDescription("\\DRIVERS\\ORACLE\\DB OPEN", "SERVER NAME")},
      {"Drivers/ODBC/\"Guests ODBC\"", "ODBC DSN", EngineDescription("\\DRIVERS\\ODBC", "ODBC DSN")},
      {"System/INIT", "AUTO ODBC", EngineDescription("\\SYSTEM\\INIT", "AUTO ODBC")},
      {"System/Formats/Date", "SEPARATOR", EngineDescription("\\SYSTEM\\FORMATS\\DATE", "SEPARATOR")},
  };
  for (const auto& c : cases) {
    ASSERT_NE(c.expected, "(none)") << c.option;
    EXPECT_EQ(Node(std::string("/Configuration/") + c.node)->Properties().PropertyByName(c.option)->GetDescription(),
              c.expected)
        << c.node << " " << c.option;
  }
  // An option the engine does not describe has an empty description.
  TExploreObject* legacy = Node("/Configuration/Drivers/ODBC/\"Guests ODBC\"");
  TEProperty* driverOption = legacy->Properties().PropertyByName("ODBC DRIVER");
  driverOption->SetName("NO SUCH OPTION");
  EXPECT_EQ(driverOption->GetDescription(), "");
}

TEST_F(ConfigTest, ApplyingASystemNodeWritesItsSectionAndSaves) {
  TExploreObject* date = Node("/Configuration/System/Formats/Date");
  date->SetPropertyText("SEPARATOR", "");
  date->SetPropertyText("FOURDIGITYEAR", "FALSE");
  EXPECT_EQ(date->EditState(), esModified);
  ASSERT_FALSE(fw::FileExists(configFile));
  date->Apply();
  EXPECT_EQ(date->EditState(), esBrowse);
  EXPECT_EQ(Option("\\SYSTEM\\FORMATS\\%s", "DATE", "SEPARATOR"), "SEPARATOR=") << "an empty value is kept";
  EXPECT_EQ(Option("\\SYSTEM\\FORMATS\\%s", "DATE", "FOURDIGITYEAR"), "FOURDIGITYEAR=FALSE");
  std::string saved = FileText(configFile);
  EXPECT_NE(saved.find("\nSEPARATOR=\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("Identity"), std::string::npos) << "no option of that name is made";

  // An engine failure leaves the session's mode as it was and the edit pending.
  const TConfigModes before{cfmSession, cfmVirtual};
  Session().SetConfigMode(before);
  date->SetPropertyText("SEPARATOR", std::string(5000, 'x'));
  EXPECT_THROW(date->Apply(), EDBEngineError);
  EXPECT_EQ(Session().ConfigMode(), before);
  EXPECT_EQ(date->EditState(), esModified);
  Session().SetConfigMode(cfmAllModes);
  date->Cancel();
  EXPECT_EQ(date->EditState(), esBrowse);
  EXPECT_EQ(date->GetPropertyText("SEPARATOR"), "") << "the options are read again";
}

TEST_F(ConfigTest, ApplyingADriverWritesEachOptionToItsSection) {
  TExploreObject* kalmure = Node("/Configuration/Drivers/Native/KALMURE");
  kalmure->SetPropertyText("LANGDRIVER", "ANSIWEST");
  kalmure->SetPropertyText("BLOCK SIZE", "16384");
  kalmure->Apply();
  EXPECT_EQ(Option("\\DRIVERS\\%s\\INIT", "KALMURE", "LANGDRIVER"), "LANGDRIVER=ANSIWEST");
  EXPECT_EQ(Option("\\DRIVERS\\%s\\TABLE CREATE", "KALMURE", "BLOCK SIZE"), "BLOCK SIZE=16384");

  TExploreObject* oracle = Node("/Configuration/Drivers/Native/ORACLE");
  oracle->SetPropertyText("SERVER NAME", "Zürich-1");
  oracle->SetPropertyText("VENDOR INIT", "");
  oracle->Apply();
  EXPECT_EQ(Option("\\DRIVERS\\%s\\DB OPEN", "ORACLE", "SERVER NAME"), "SERVER NAME=Zürich-1");
  EXPECT_EQ(Option("\\DRIVERS\\%s\\INIT", "ORACLE", "VENDOR INIT"), "VENDOR INIT=");
  EXPECT_NE(FileText(configFile).find("SERVER NAME=Zürich-1"), std::string::npos);

  // Cancel reads the options again.
  oracle->SetPropertyText("SERVER NAME", "elsewhere");
  oracle->Cancel();
  EXPECT_EQ(oracle->GetPropertyText("SERVER NAME"), "Zürich-1");
  EXPECT_EQ(oracle->EditState(), esBrowse);
}

// An alias node that is open, for the questions before a driver goes.
class TOpenAlias : public TExploreObject {
  FW_CLASS(TOpenAlias, TExploreObject)
public:
  bool IsActive() override { return open; }
  void SetActive(bool active) override {
    open = active;
    TExploreObject::SetActive(active);
  }
  bool open = true;

protected:
  void Init(TExploreObject* parent) override {
    TExploreObject::Init(parent);
    SetAttributes(opOpen | opApply | opCancel);
  }
};
FW_IMPLEMENT_CLASS(TOpenAlias)

TEST_F(ConfigTest, DeletingAnOdbcDriverAsksAboutItsAliases) {
  AddDriver("Unused ODBC", {"DLL32=OVODBC32.DLL"});
  AddDriver("Guests ODBC", {"DLL32=OVODBC32.DLL"});
  {
    TConfigModeScope mode(Session(), cfmPersistent);
    Session().AddAlias("GuestList", "Guests ODBC", Lines({"ODBC DSN=Wedding"}).get());
    Session().AddAlias("Seating", "Guests ODBC", Lines({"ODBC DSN=Wedding"}).get());
    Session().AddStandardAlias("Tables", temp.Path(), "KALMURE");
  }
  auto aliases = [] {
    TStringList names;
    TConfigModeScope mode(Session(), cfmPersistent);
    Session().GetAliasNames(&names);
    return LinesOf(names);
  };
  auto drivers = [] {
    TStringList names;
    TConfigModeScope mode(Session(), cfmPersistent);
    Session().GetDriverNames(&names);
    return LinesOf(names);
  };
  auto has = [](const Names& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };

  // Cancel keeps the driver.
  messages->Answers = {mrCancel};
  EXPECT_THROW(Node("/Configuration/Drivers/ODBC/\"Unused ODBC\"")->Delete(), EAbortOp);
  EXPECT_TRUE(has(drivers(), "Unused ODBC"));

  // A driver no alias uses: one question.
  messages->Requests.clear();
  messages->Answers = {mrOk};
  Node("/Configuration/Drivers/ODBC/\"Unused ODBC\"")->Delete();
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Delete Unused ODBC?");
  EXPECT_FALSE(has(drivers(), "Unused ODBC"));
  EXPECT_EQ(ChildNames("/Configuration/Drivers/ODBC"), (Names{"Guests ODBC", "SQLite3 Test"})) << "it left the tree";
  EXPECT_NE(FileText(configFile).find("Guests ODBC"), std::string::npos);
  EXPECT_EQ(FileText(configFile).find("Unused ODBC"), std::string::npos) << "saved without it";

  // An open database of the driver must close; refusing keeps everything.
  TDatabases* databases = Databases();
  databases->Children().Load();
  auto* open = TExploreObject::Create<TOpenAlias>(databases);
  open->SetName("GuestList");
  open->Release(lsIdle);
  messages->Requests.clear();
  messages->Answers = {mrOk, mrCancel};
  EXPECT_THROW(Node("/Configuration/Drivers/ODBC/\"Guests ODBC\"")->Delete(), EAbortOp);
  ASSERT_EQ(messages->Requests.size(), 3u);
  EXPECT_EQ(messages->Requests[1].Text, "To continue operation, databases must be closed.  Close databases?");
  EXPECT_EQ(messages->Requests[1].HelpContext, 4003);
  EXPECT_EQ(messages->Requests[2].Text, "Unable to close current configuration.  Operation canceled.");
  EXPECT_EQ(messages->Requests[2].HelpContext, 4005);
  EXPECT_TRUE(open->open);
  EXPECT_TRUE(has(drivers(), "Guests ODBC"));

  // Closing them, and declining to delete the aliases, still deletes the driver.
  messages->Requests.clear();
  messages->Answers = {mrOk, mrOk, mrNo};
  Node("/Configuration/Drivers/ODBC/\"Guests ODBC\"")->Delete();
  ASSERT_EQ(messages->Requests.size(), 3u);
  EXPECT_EQ(messages->Requests[2].Text, "Delete all Guests ODBC database aliases?");
  EXPECT_EQ(messages->Requests[2].HelpContext, 4004);
  EXPECT_FALSE(open->open) << "the open database was closed";
  EXPECT_FALSE(has(drivers(), "Guests ODBC"));
  EXPECT_EQ(aliases(), (Names{"GuestList", "Seating", "Tables"}));
}

TEST_F(ConfigTest, YesToTheAliasQuestionDeletesEveryAliasOfTheDriver) {
  AddDriver("Guests ODBC", {"DLL32=OVODBC32.DLL"});
  {
    TConfigModeScope mode(Session(), cfmPersistent);
    Session().AddAlias("GuestList", "Guests ODBC", Lines({"ODBC DSN=Wedding"}).get());
    Session().AddAlias("Seating", "Guests ODBC", Lines({"ODBC DSN=Wedding"}).get());
    Session().AddStandardAlias("Tables", temp.Path(), "KALMURE");
  }
  messages->Answers = {mrOk, mrYes};
  Node("/Configuration/Drivers/ODBC/\"Guests ODBC\"")->Delete();
  ASSERT_EQ(messages->Requests.size(), 2u) << "asked once for all aliases";
  TStringList names;
  TConfigModeScope mode(Session(), cfmPersistent);
  Session().GetAliasNames(&names);
  EXPECT_EQ(LinesOf(names), (Names{"Tables"}));
}

TEST_F(ConfigTest, ConfirmApplyChangesAsksOnceForAllNodes) {
  TExploreObject* date = Node("/Configuration/System/Formats/Date");
  TExploreObject* time = Node("/Configuration/System/Formats/Time");
  date->SetPropertyText("SEPARATOR", "-");
  time->SetPropertyText("AMSTRING", "vorm.");
  bool ask = true, answer = false;
  messages->Answers = {mrNo};
  ConfirmApplyChanges("Apply current configuration changes?", date, ask, answer);
  ConfirmApplyChanges("Apply current configuration changes?", time, ask, answer);
  ConfirmApplyChanges("Apply current configuration changes?", nullptr, ask, answer);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].HelpContext, 4001);
  EXPECT_FALSE(ask);
  EXPECT_EQ(date->EditState(), esBrowse);
  EXPECT_EQ(time->GetPropertyText("AMSTRING"), "AM") << "No cancels";
}

TEST_F(ConfigTest, RegistryChoicesAreKeptWhenTheKeyIsMissing) {
  ASSERT_FALSE(fw::FileExists(temp.File("registry")));
  EXPECT_FALSE(GetSaveForWin31());
  SetSaveForWin31(true);
  EXPECT_TRUE(GetSaveForWin31());
  EXPECT_EQ(ReadEngineSetting("SaveConfig"), "WIN31");
  SetSaveForWin31(false);
  EXPECT_EQ(ReadEngineSetting("SaveConfig"), "WIN32");
  WriteEngineSetting("SaveConfig", "win31");
  EXPECT_FALSE(GetSaveForWin31()) << "case counts";

  Node("/Configuration/Drivers/Native")->Children().Load();
  SetViewModes({cfmVirtual, cfmSession});
  EXPECT_EQ(ReadEngineSetting("ViewMode"), "SV");
  EXPECT_EQ(GetViewModes(), (TConfigModes{cfmVirtual, cfmSession}));
  EXPECT_EQ(Databases()->ViewModes(), (TConfigModes{cfmVirtual, cfmSession}));
  EXPECT_EQ(ChildNames("/Configuration/Drivers/Native"), Names{}) << "the trees were read again";
  SetViewModes({});
  EXPECT_EQ(ReadEngineSetting("ViewMode"), "");
  EXPECT_EQ(GetViewModes(), TConfigModes{});
}

TEST(DriverNameTest, NamesAreCheckedByCharacters) {
  struct {
    std::string name;
    bool valid;
  } cases[] = {
      {std::string(31, 'D'), true},
      {std::string(32, 'D'), false},
      {[] {
         std::string s;
         for (int i = 0; i < 31; ++i) s += "Ä";
         return s;
       }(),
       true},
      {"A:B", false},
      {"A\\B", false},
      {"", false},
      {"Zürich ODBC", true},
  };
  for (const auto& c : cases) {
    std::string name = c.name;
    TDbXErrorPtr error = CheckDriverName(name);
    EXPECT_EQ(error == nullptr, c.valid) << c.name;
    if (error) {
      EXPECT_EQ(error->Message(), "\"" + c.name + "\" is not a valid name");
      EXPECT_EQ(name, "");
    } else {
      EXPECT_EQ(name, c.name);
    }
  }
  EXPECT_EQ(StrToOem("Zürich"), "Zürich");
  EXPECT_EQ(StrToOem(""), "");
}

TEST_F(ConfigTest, ANewDriverIsMadeAndAFailedOneLeavesNoNode) {
  auto* odbcNode = static_cast<TODBCDrivers*>(Node("/Configuration/Drivers/ODBC"));
  ASSERT_EQ(odbcNode->Children().GetCount(), 1);

  TExploreObject* made = nullptr;
  odbcNode->CreateDriver(made, {"Guests ODBC", "SQLite3 Test", {}});
  ASSERT_NE(made, nullptr);
  made->Release(lsIdle);  // what NewObject's caller ends
  EXPECT_EQ(made->Name(), "Guests ODBC");
  EXPECT_EQ(made->EditState(), esBrowse);
  EXPECT_EQ(made->HelpContext, 4039);
  EXPECT_TRUE(made->InheritsFrom(TODBCDriver::StaticClass()));
  {
    TConfigModeScope mode(Session(), cfmPersistent);
    EXPECT_TRUE(IsOdbcDriver("Guests ODBC"));
  }
  EXPECT_EQ(Option("\\DRIVERS\\%s\\INIT", "Guests ODBC", "ODBC DRIVER"), "ODBC DRIVER=SQLite3 Test");
  EXPECT_NE(FileText(configFile).find("Guests ODBC"), std::string::npos) << "saved";

  // A taken name, and a bad one: the error shows and no node is left behind.
  struct {
    std::string name;
    bool engineError;
  } failures[] = {{"guests odbc", true}, {"A:B", false}};
  for (const auto& f : failures) {
    TExploreObject* failed = nullptr;
    if (f.engineError)
      EXPECT_THROW(odbcNode->CreateDriver(failed, {f.name, "SQLite3 Test", {}}), EDBEngineError) << f.name;
    else
      EXPECT_THROW(odbcNode->CreateDriver(failed, {f.name, "SQLite3 Test", {}}), EDbXError) << f.name;
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(ChildNames("/Configuration/Drivers/ODBC"), (Names{"SQLite3 Test", "Guests ODBC"})) << f.name;
    EXPECT_EQ(odbcNode->EditState(), esBrowse) << f.name;
  }
}

TEST_F(ConfigTest, NewMakesTheDriverTheDialogNames) {
  TExploreObject* odbcNode = Node("/Configuration/Drivers/ODBC");
  auto answer = [](const std::string& name, bool confirm) {
    QTimer::singleShot(0, [name, confirm] {
      TNewDriverForm* dialog = nullptr;
      for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto* f = dynamic_cast<TNewDriverForm*>(Screen->Forms(i)); f && f->Visible()) dialog = f;
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->HelpContext(), 4015);
      EXPECT_EQ(dialog->ComboODBCDriver->Text(), "SQLite3 Test");
      dialog->DriverName->SetText(name);
      dialog->ListDSN->SetSelected(0, true);
      static_cast<QAbstractButton*>(WidgetOf(confirm ? dialog->OKBtn : dialog->CancelBtn))->click();
    });
  };
  answer("Zürich ODBC", false);
  EXPECT_THROW(odbcNode->NewObject(""), EAbortOp) << "a cancelled dialog";
  EXPECT_EQ(ChildNames("/Configuration/Drivers/ODBC"), Names{"SQLite3 Test"});

  answer("Zürich ODBC", true);
  TExploreObject* made = odbcNode->NewObject("");
  ASSERT_NE(made, nullptr);
  made->EndEdit();
  EXPECT_EQ(made->Name(), "Zürich ODBC");
  EXPECT_EQ(Option("\\DRIVERS\\%s\\INIT", "Zürich ODBC", "ODBC DRIVER"), "ODBC DRIVER=SQLite3 Test");
  EXPECT_NE(FileText(configFile).find("Zürich ODBC"), std::string::npos);
  EXPECT_EQ(ChildNames("/Configuration/Drivers/ODBC"), (Names{"SQLite3 Test", "Zürich ODBC"}));
}

TEST_F(ConfigTest, WithoutTheDriverManagerNoDriverIsOffered) {
  fw::test::ScopedEnv missing("FW_ODBC_LIBRARY", "/nonexistent/libodbc.so.2");
  TExploreObject* odbcNode = Node("/Configuration/Drivers/ODBC");
  int before = odbcNode->Children().GetCount();
  EXPECT_THROW(odbcNode->NewObject(""), EAbortOp);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "ODBC is not installed.");
  EXPECT_EQ(messages->Requests[0].HelpContext, 4000);
  EXPECT_EQ(odbcNode->Children().GetCount(), before);
}

}  // namespace
}  // namespace dbx::testing
