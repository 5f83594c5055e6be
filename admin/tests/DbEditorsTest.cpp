// The registered editors and value lists of aliases and drivers, over a
// real engine, a registry and client files of the test's own.
#include <gtest/gtest.h>

#include <fstream>

#include "Database.h"
#include "DbEditors.h"
#include "DbXCfg.h"
#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "Expldb.h"
#include "Files.h"
#include "Library.h"
#include "OdbcConfig.h"
#include "Registry.h"
#include "Scope.h"
#include "Text.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Names = std::vector<std::string>;

std::unique_ptr<TStringList> TextList(const std::string& text) {
  auto lines = std::make_unique<TStringList>();
  lines->SetText(text);
  return lines;
}

Names Offered(TEProperty* property) {
  Names values;
  property->GetValues([&values](const std::string& value) { values.push_back(value); });
  return values;
}

void WriteFile(const std::string& file, const std::string& text) {
  ForceDirectories(ExtractFileDir(file));
  std::ofstream(file, std::ios::binary) << text;
}

void WriteMachineValue(const std::string& key, const std::string& name, const std::string& value) {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey(key, true));
  registry.WriteString(name, value);
}

TEST(TnsNamesTest, EntriesEndWhereTheirBracketsClose) {
  struct {
    const char* text;
    Names names;
  } cases[] = {
      {"A =\n  (DESCRIPTION =\n    (ADDRESS = (HOST = x) (PORT = 1))\n  )\nB.WORLD=(DESCRIPTION=(SID=y))\n",
       {"A", "B.WORLD"}},
      {"# C = (X = 1)\nD = (X = 1)\n\n  # not a comment = (Y)\n", {"D", "#notacomment"}},
      {"E = plain\nF = (X = 1)\n", {}},
      {"G\n=\n(X\n=\n1)\n", {"G"}},
      {"H = (X = 1", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadTnsNames(*TextList(c.text)), c.names) << c.text;
}

TEST(SqlIniTest, BracketedLinesNameTheServers) {
  struct {
    const char* text;
    Names names;
  } cases[] = {
      {"[one]\r\nquery=TCP,host,1\r\n[two]\r\nmaster=x\r\n", {"one", "two"}},
      {"[first]\nquery=x\n[last]", {"first", "last"}},
      {"[\n[]\n[x]\n [y]\n", {"x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadSqlIniServers(*TextList(c.text)), c.names) << c.text;
}

class DbEditorsTest : public test::UiTest {
protected:
  void SetUp() override {
    odbc.Driver("SQLite A").Driver("SQLite B");
    odbc.UserSource("guests", "SQLite A").SystemSource("guests", "SQLite A").SystemSource("tables", "SQLite B");
    odbc.SystemSource("menu", "SQLite A").Write();
    env.Set("FW_REGISTRY", temp.File("registry")).Set("FW_DB2CLI", std::nullopt);
    TSession::SetConfigFileHook([file = temp.File("nubo.cfg")] { return file; });
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

  // A persistent alias of the driver, and its option.
  TEProperty* AliasOption(const std::string& alias, const std::string& driver, const std::string& option) {
    {
      TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
      TStringList params;
      Session().GetDriverParams(driver, &params);
      Session().AddAlias(alias, driver, &params);
    }
    TExploreObject* node = root->FindPath("/Databases/" + alias);
    EXPECT_NE(node, nullptr) << alias;
    return node ? node->Properties().PropertyByName(option) : nullptr;
  }
  TEProperty* DriverOption(const std::string& driver, const std::string& option) {
    TExploreObject* node = root->FindPath("/Configuration/Drivers/Native/" + driver);
    EXPECT_NE(node, nullptr) << driver;
    return node ? node->Properties().PropertyByName(option) : nullptr;
  }

  test::TempDir temp;
  test::OdbcConfig odbc;
  test::ScopedEnv env;
  TDbXRoot* root = nullptr;
};

TEST_F(DbEditorsTest, ServerNamesComeFromTheClientsRegistryKeysAndFiles) {
  TEProperty* oracle = AliasOption("Orders", "ORACLE", "SERVER NAME");
  EXPECT_EQ(Offered(oracle), Names{}) << "no key";
  WriteMachineValue("Software\\ORACLE", "ORACLE_HOME", temp.File("oracle"));
  EXPECT_THROW(Offered(oracle), EFOpenError) << "the key names a file that is missing";
  WriteFile(temp.File("oracle/network/admin/tnsnames.ora"), "HOME = (X = 1)\n");
  EXPECT_EQ(Offered(oracle), Names{"HOME"});
  WriteMachineValue("Software\\ORACLE", "TNS_ADMIN", temp.File("tns"));
  WriteFile(temp.File("tns/tnsnames.ora"), "A = (X = 1)\nB.WORLD=(X=2)\n");
  EXPECT_EQ(Offered(oracle), (Names{"A", "B.WORLD"})) << "TNS_ADMIN comes first";

  TEProperty* sybase = AliasOption("Stock", "SYBASE", "SERVER NAME");
  WriteMachineValue("Software\\SYBASE\\Setup", "SYBASE", temp.File("sybase"));
  EXPECT_EQ(Offered(sybase), Names{}) << "no sql.ini";
  WriteFile(temp.File("sybase/ini/sql.ini"), "[north]\r\nquery=x\r\n[south]");
  EXPECT_EQ(Offered(sybase), (Names{"north", "south"}));

  TEProperty* mssql = AliasOption("Sales", "MSSQL", "SERVER NAME");
  for (const char* name : {"zeta", "alpha", "mid"})
    WriteMachineValue("Software\\Microsoft\\MSSQLServer\\Client\\ConnectTo", name, "DBMSSOCN,host");
  EXPECT_EQ(Offered(mssql), (Names{"zeta", "alpha", "mid"})) << "in the registry's order";

  TEProperty* informix = AliasOption("Parts", "INFORMIX", "SERVER NAME");
  {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.CreateKey("Software\\INFORMIX\\SqlHosts\\shop"));
    ASSERT_TRUE(registry.CreateKey("Software\\INFORMIX\\SqlHosts\\depot"));
  }
  Names hosts = Offered(informix);
  std::sort(hosts.begin(), hosts.end());
  EXPECT_EQ(hosts, (Names{"depot", "shop"}));

  // A new alias shows no server until it is applied.
  TExploreObject* fresh = FindDatabasesNode()->NewObject("ORACLE");
  EXPECT_EQ(Offered(fresh->Properties().PropertyByName("SERVER NAME")), Names{});
  fresh->Rename("Fresh");
  fresh->EndEdit();
  fresh->Apply();
  EXPECT_EQ(Offered(fresh->Properties().PropertyByName("SERVER NAME")), (Names{"A", "B.WORLD"}));
}

TEST_F(DbEditorsTest, DataSourcesComeFromTheDriverManager) {
  {
    TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
    TStringList init;
    init.Add("DLL32=OVODBC32.DLL");
    init.Add("ODBC DRIVER=SQLite A");
    Session().AddDriver("Guests ODBC", &init);
  }
  TEProperty* dsn = AliasOption("GuestBook", "Guests ODBC", "ODBC DSN");
  EXPECT_EQ(Offered(dsn), (Names{"guests", "menu"})) << "the driver's sources, the repeated name once";

  TStringList all;
  GetDb2DataSources(&all);
  EXPECT_EQ(all.Count(), 0) << "no DB2 client";
  env.Set("FW_DB2CLI", LibraryFileName("odbc32.dll"));
  TEProperty* db2 = AliasOption("Ledger", "DB2", "DB2 DSN");
  EXPECT_EQ(Offered(db2), (Names{"guests", "tables", "menu"})) << "every driver's sources, in the manager's order";
}

// The stand-in lists "one" of Alpha and "two" of Beta and never ends its list.
TEST(OdbcDataSourcesTest, AnErrorStopsTheWalkAndTheEnvironmentIsFreed) {
  test::ScopedEnv env("FW_ODBC_LIBRARY", ODBC_STANDIN);
  HMODULE standIn = LoadLibrary("odbc32.dll");
  ASSERT_NE(standIn, nullptr);
  TScopeExit unload([standIn] { FreeLibrary(standIn); });
  auto open = reinterpret_cast<int (*)()>(GetProcAddress(standIn, "StandInEnvironments"));
  ASSERT_NE(open, nullptr);
  struct {
    const char* fault;
    const char* driver;
    Names sources;
  } cases[] = {
      {"", "Alpha", {"one"}},
      {"", "Beta", {"two"}},
      {"source-error", "Alpha", {"one"}},
      {"source-error", "Beta", {}},
      {"alloc-fails", "Alpha", {}},
  };
  for (const auto& c : cases) {
    test::ScopedEnv fault("STANDIN_ODBC", c.fault);
    TStringList list;
    GetOdbcDataSources(c.driver, &list);
    Names got;
    for (int i = 0; i < list.Count(); ++i) got.push_back(list.Strings(i));
    EXPECT_EQ(got, c.sources) << c.fault << " " << c.driver;
    EXPECT_EQ(open(), 0) << "the environment is freed";
  }
}

TEST_F(DbEditorsTest, LanguageDriversShowTheirDescriptionsAndStoreTheirNames) {
  const std::vector<TLdEntry>& drivers = LanguageDrivers();
  ASSERT_GT(drivers.size(), 2u);
  EXPECT_EQ(drivers[0].Description, "");
  EXPECT_EQ(drivers[0].Driver.Name, "");
  for (std::size_t i = 2; i < drivers.size(); ++i)
    EXPECT_LT(AnsiCompareText(drivers[i - 1].Description, drivers[i].Description), 0) << "sorted, each once";
  const TLdEntry& chosen = drivers[1];

  TEProperty* general = AliasOption("Stock", "SYBASE", "LANGDRIVER");
  ASSERT_NE(general, nullptr);
  general->SetTextVia(1, chosen.Description);
  EXPECT_EQ(general->GetText(0), chosen.Driver.Name);
  EXPECT_EQ(general->GetText(1), chosen.Description);
  EXPECT_EQ(general->GetError(), nullptr);
  try {
    general->SetTextVia(1, "no such driver");
    ADD_FAILURE() << "a text that is no driver's was taken";
  } catch (const EDbXError& e) {
    EXPECT_EQ(e.Message(), "LANGDRIVER cannot have a value of no such driver");
  }
  EXPECT_EQ(general->GetText(0), "no such driver") << "stored as typed";
  EXPECT_EQ(Offered(general).size(), drivers.size()) << "every driver, the empty one first";
  EXPECT_EQ(Offered(general)[0], "");

  // The desktop drivers' own lists win over the general one.
  TEProperty* zentor = DriverOption("ZENTOR", "LANGDRIVER");
  Names desktop;
  for (const TLdEntry& entry : drivers)
    if (entry.Driver.Family == 2 || entry.Driver.Family == 18) desktop.push_back(entry.Description);
  ASSERT_FALSE(desktop.empty());
  EXPECT_LT(desktop.size(), drivers.size());
  EXPECT_EQ(Offered(zentor), desktop);
  EXPECT_EQ(Offered(DriverOption("FOXPRO", "LANGDRIVER")), desktop);
  EXPECT_EQ(Offered(DriverOption("KALMURE", "LANGDRIVER")).size(), drivers.size());
}

TEST_F(DbEditorsTest, LevelsBlockSizesAndLibraries) {
  TEProperty* level = DriverOption("KALMURE", "LEVEL");
  TEProperty* blocks = DriverOption("KALMURE", "BLOCK SIZE");
  EXPECT_EQ(Offered(level), (Names{"3", "4", "5", "7"}));
  EXPECT_EQ(Offered(DriverOption("ZENTOR", "LEVEL")), (Names{"3", "4", "5", "7"}));
  EXPECT_EQ(Offered(DriverOption("FOXPRO", "LEVEL")), Names{"25"});
  struct {
    const char* level;
    Names sizes;
  } cases[] = {
      {"4", {"1024", "2048", "4096"}},
      {"5", {"1024", "2048", "4096", "16384", "32768"}},
      {"7", {"1024", "2048", "4096", "16384", "32768"}},
  };
  for (const auto& c : cases) {
    level->SetTextVia(1, c.level);
    EXPECT_EQ(Offered(blocks), c.sizes) << c.level;
  }
  level->SetTextVia(1, "high");
  EXPECT_THROW(Offered(blocks), EConvertError);

  TEProperty* dll = DriverOption("SYBASE", "DLL32");
  EXPECT_EQ(Offered(dll), (Names{"OVSYB32.DLL", "OVSYBN32.DLL"}));
  EXPECT_EQ(dll->GetError(), nullptr);
  dll->SetTextVia(1, "OVSYBN32.DLL");
  EXPECT_EQ(dll->GetError(), nullptr);
  try {
    dll->SetTextVia(1, "OTHER.DLL");
    ADD_FAILURE() << "another library was taken";
  } catch (const EDbXError& e) {
    EXPECT_EQ(e.Message(), "DLL32 cannot have a value of OTHER.DLL");
  }
  EXPECT_EQ(Offered(DriverOption("MSACCESS", "DLL32")), (Names{"OVACC32.DLL", "OVACCN32.DLL"}));
}

TEST_F(DbEditorsTest, FoldersAndFilesArePickedForTheProperty) {
  TEProperty* path = AliasOption("Guests", "STANDARD", "PATH");
  ASSERT_NE(path, nullptr);
  std::string chosen = temp.File("tables");
  messages->DialogAnswers.push_back([&chosen](TDialogRequest& request) {
    request.Values["Directory"] = chosen;
    return true;
  });
  path->Edit();
  ASSERT_EQ(messages->Dialogs.size(), 1u);
  EXPECT_EQ(messages->Dialogs[0].Kind, "SelectDirectory");
  EXPECT_EQ(messages->Dialogs[0].HelpContext, 4019);
  EXPECT_EQ(messages->Dialogs[0].Values["Options"], "sdAllowCreate,sdPerformCreate,sdPrompt");
  EXPECT_EQ(path->GetText(1), chosen);

  std::string database = temp.File("books/stock.gdb");
  WriteFile(database, "");
  TEProperty* server = AliasOption("Books", "CORVANE", "SERVER NAME");
  server->SetTextVia(1, database);
  messages->DialogAnswers.push_back([&database](TDialogRequest& request) {
    request.Values["FileName"] = database;
    return true;
  });
  server->Edit();
  ASSERT_EQ(messages->Dialogs.size(), 2u);
  const TDialogRequest& open = messages->Dialogs[1];
  EXPECT_EQ(open.Kind, "Open");
  EXPECT_EQ(open.Values.at("FileName"), "*.gdb");
  EXPECT_EQ(open.Values.at("InitialDir"), temp.File("books"));
  EXPECT_EQ(open.Values.at("Filter"), "Corvane Database (*.gdb)|gdb");
  EXPECT_EQ(open.Values.at("DefaultExt"), "gdb");
  EXPECT_EQ(server->GetText(1), database);
}

}  // namespace
}  // namespace dbx::testing
