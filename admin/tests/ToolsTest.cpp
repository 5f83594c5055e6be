// The version dialog and the vendors' tools, over a real engine, a registry
// and client folders of the test's own.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "CfgTools.h"
#include "Database.h"
#include "DbXCtrl.h"
#include "DbXUnits.h"
#include "EngineLib.h"
#include "Expldb.h"
#include "FileVersion.h"
#include "Files.h"
#include "Forms.h"
#include "Library.h"
#include "OdbcConfig.h"
#include "Registry.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "UiTest.h"
#include "VerInfo.h"

namespace dbx::testing {
namespace {

using namespace fw;
using Names = std::vector<std::string>;

const std::string kOurVersion = FW_TEST_VERSION " (" FW_TEST_INCR ")";

class ToolsTest : public test::UiTest {
protected:
  void SetUp() override {
    odbc.Driver("SQLite A").SystemSource("guests", "SQLite A").Write();
    env.Set("FW_REGISTRY", temp.File("registry")).Set("FW_ODBC_LIBRARY", std::nullopt);
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

  TExploreObject* PersistentAlias(const std::string& alias, const std::string& driver) {
    {
      TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
      TStringList params;
      Session().GetDriverParams(driver, &params);
      Session().AddAlias(alias, driver, &params);
    }
    return Node("/Databases/" + alias);
  }
  TExploreObject* Node(const std::string& path) {
    TExploreObject* node = root->FindPath(path);
    EXPECT_NE(node, nullptr) << path;
    return node;
  }

  test::TempDir temp;
  test::OdbcConfig odbc;
  test::ScopedEnv env;
  TDbXRoot* root = nullptr;
};

Names LibraryNames(const std::vector<TPathObj>& list) {
  Names names;
  for (const TPathObj& library : list) names.push_back(library.Name);
  return names;
}

TEST_F(ToolsTest, VersionListNamesTheClientLibraryThenTheEngines) {
  std::vector<TPathObj> odbcList = VersionLibraries(*Node("/Databases/guests"));
  EXPECT_EQ(LibraryNames(odbcList), (Names{"libodbc.so.2", "liborvex32.so", "libsqlite3.so.0"}));
  HMODULE manager = LoadLibrary("odbc32.dll");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(odbcList[0].Folder + "/libodbc.so.2", GetModuleFileName(manager)) << "the loaded manager's own folder";
  FreeLibrary(manager);
  EXPECT_EQ(odbcList[1].Folder, kEngineFolder);

  // No vendor client on this machine: only the engine's.
  EXPECT_EQ(LibraryNames(VersionLibraries(*PersistentAlias("Sales", "MSSQL"))),
            (Names{"liborvex32.so", "libsqlite3.so.0"}));
  EXPECT_EQ(LibraryNames(VersionLibraries(*Node("/Configuration/Drivers/ODBC"))).front(), "libodbc.so.2");
}

TEST_F(ToolsTest, VersionActionIsOfferedForAliasesAndConfigurationNodes) {
  TRAVersionInfo action;
  EXPECT_EQ(action.Name(), "&Version Information...");
  EXPECT_EQ(action.GetState(*Node("/Databases")), asHidden);
  EXPECT_EQ(action.GetState(*Node("/Databases/guests")), asEnabled);
  EXPECT_EQ(action.GetState(*Node("/Configuration")), asEnabled);
  EXPECT_EQ(action.GetState(*Node("/Configuration/System/Formats/Date")), asEnabled);
  EXPECT_EQ(action.GetState(*Node("/Configuration/Drivers/ODBC")), asEnabled);
}

TEST_F(ToolsTest, VersionGridShowsRecordsDatesAndSizes) {
  const std::string engine = Engine().LibraryPath();
  std::unique_ptr<TVerInfoForm> form(NewForm<TVerInfoForm>(nullptr));
  EXPECT_EQ(form->Caption(), "Nubo Version Information");
  EXPECT_EQ(form->StringGrid1->FixedRows(), 1);
  EXPECT_EQ(form->StringGrid1->FixedCols(), 0);
  EXPECT_EQ(form->StringGrid1->ColWidths(4), 87);

  test::WriteBytes(temp.File("text.so"), "not an ELF file");
  form->Libraries = {{"liborvex32.so", kEngineFolder}, {"varkon", ExtractFileDir(engine)},
                     {"text.so", temp.Path()}, {"gone.so", temp.Path()}};
  form->FillGrid();
  TStringGrid* grid = form->StringGrid1;
  ASSERT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->Rows(0)->Strings(0) + "|" + grid->Cells(4, 0), "DLL Name|Size (bytes)");
  EXPECT_EQ(grid->Cells(0, 1), "liborvex32.so");
  EXPECT_EQ(grid->Cells(1, 1), kOurVersion);
  struct stat st {};
  ASSERT_EQ(::stat(engine.c_str(), &st), 0);
  EXPECT_EQ(grid->Cells(4, 1), std::to_string(st.st_size));
  EXPECT_FALSE(grid->Cells(2, 1).empty());
  EXPECT_FALSE(grid->Cells(3, 1).empty());
  EXPECT_EQ(grid->Cells(1, 2), kOurVersion) << "the program carries one too";
  EXPECT_EQ(grid->Cells(1, 3), "N/A");
  EXPECT_EQ(grid->Cells(4, 3), "15");
  const Names missing = {grid->Cells(0, 4), grid->Cells(1, 4), grid->Cells(2, 4), grid->Cells(3, 4), grid->Cells(4, 4)};
  EXPECT_EQ(missing, (Names{"gone.so", "N/A", "", "", ""}));
  EXPECT_TRUE(form->Libraries.empty());
}

TEST(FileVersionText, RecordsOfZerosAndFilesWithoutOneShowNA) {
  test::TempDir temp;
  // The engine with its record's numbers zeroed.
  std::string bytes = test::ReadBytes(Engine().LibraryPath());
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(GetFileVersionInfo(Engine().LibraryPath(), data));
  const std::string head(data.begin(), data.begin() + 12);
  int copies = 0;  // the debugging information may hold the record too
  for (std::size_t at = bytes.find(head); at != std::string::npos; at = bytes.find(head, at + 1), ++copies)
    bytes.replace(at + 4, 8, std::string(8, '\0'));
  ASSERT_GT(copies, 0);
  test::WriteBytes(temp.File("zeroed.so"), bytes);
  EXPECT_EQ(FileVersionText(temp.File("zeroed.so")), "N/A");

  HMODULE sqlite = LoadLibrary("libsqlite3.so.0");
  ASSERT_NE(sqlite, nullptr);
  EXPECT_EQ(FileVersionText(GetModuleFileName(sqlite)), "N/A");
  FreeLibrary(sqlite);
}

// ---------------------------------------------------------------- vendors' tools

struct TRegistryEntry {
  std::string Key, Value, Data;
};

class VendorToolsTest : public ToolsTest {
protected:
  void Machine(const std::vector<TRegistryEntry>& entries) {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    for (const TRegistryEntry& e : entries) {
      ASSERT_TRUE(reg.OpenKey("\\" + e.Key, true)) << e.Key;
      reg.WriteString(e.Value, e.Data);
    }
  }
  std::string Remembered(const std::string& value) {
    return MachineString("Software\\Tarvos\\Database Engine\\CFGUtils", value);
  }
  // A program that writes how it was started: its name, its number of
  // arguments and its working folder.
  void FakeTool(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test::WriteBytes(path, "#!/bin/sh\n{ echo \"$0\"; echo \"$#\"; pwd -P; } > '" + log + ".part' && mv '" + log +
                               ".part' '" + log + "'\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  // What the tool that was started wrote; empty when none wrote within five seconds.
  Names Ran() {
    for (int i = 0; i < 500 && !FileExists(log); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    TStringList lines;
    if (FileExists(log)) lines.LoadFromFile(log);
    DeleteFile(log);
    Names written;
    for (int i = 0; i < lines.Count(); ++i) written.push_back(lines.Strings(i));
    return written;
  }
  // How the program at path writes its start: no arguments, its own folder.
  Names StartedAs(const std::string& path) {
    return {path, "0", std::filesystem::canonical(std::filesystem::path(path).parent_path()).string()};
  }
  TEAction* ActionOf(const std::string& className) {
    for (int i = 0; i < RegisteredActions().Count(); ++i)
      if (RegisteredActions().GetItem(i)->ClassName() == className) return RegisteredActions().GetItem(i);
    ADD_FAILURE() << className << " is not registered";
    return nullptr;
  }
  // The registered actions the node's menu shows, in menu order.
  Names Shown(TExploreObject* node) {
    Names captions;
    for (int i = 0; node && i < RegisteredActions().Count(); ++i)
      if (RegisteredActions().GetItem(i)->GetState(*node) != asHidden)
        captions.push_back(RegisteredActions().GetItem(i)->Name());
    return captions;
  }
  static std::function<bool(TDialogRequest&)> Folder(const std::string& folder) {
    return [folder](TDialogRequest& request) {
      request.Values["Directory"] = folder;
      return true;
    };
  }

  std::string log = temp.File("ran");
};

TEST_F(VendorToolsTest, EachVendorsToolIsFoundInItsOwnFoldersInOrderAndStartedThere) {
  const std::string syb = temp.File("syb"), inf1 = temp.File("inf1"), inf2 = temp.File("inf2"),
                    mine = temp.File("mine");
  const TRegistryEntry sybase{"Software\\SYBASE\\Setup", "SYBASE", syb};
  const std::vector<TRegistryEntry> informix = {{"Software\\Informix\\ESQL/C", "INFORMIX-Connect", "7.20"},
                                                {"Software\\Informix\\Informix-Connect\\7.20\\Setup", "PathName", inf1},
                                                {"Software\\Informix\\ENVIRONMENT", "INFORMIXDIR", inf2}};
  struct Case {
    const char* action;
    std::vector<TRegistryEntry> registry;
    Names tools;  // made before the run
    std::string started;
  } cases[] = {
      {"TRASYBASE_1Config", {sybase}, {syb + "/bin/sqledit"}, syb + "/bin/sqledit"},
      {"TRASYBASE_2Config", {sybase}, {syb + "/bin/sybping", syb + "/bin/wsybping"}, syb + "/bin/wsybping"},
      {"TRASYBASE_2Config", {sybase}, {syb + "/bin/sybping"}, syb + "/bin/sybping"},
      {"TRASYBASE_3Config", {sybase}, {syb + "/bin/wisql32"}, syb + "/bin/wisql32"},
      {"TRAINFORMIX_1Config", informix, {inf1 + "/bin/setnet32", inf2 + "/bin/setnet32"}, inf1 + "/bin/setnet32"},
      {"TRAINFORMIX_2Config", informix, {inf2 + "/bin/ilogin"}, inf2 + "/bin/ilogin"},
      {"TRAINFORMIX_2Config",
       {{"Software\\Informix\\ENVIRONMENT", "INFORMIXDIR", inf2}},
       {inf2 + "/bin/ilogin"},
       inf2 + "/bin/ilogin"},
      {"TRADB2_1Config", {{"Software\\IBM\\DB2", "DB2 Path Name", inf1}}, {inf1 + "/bin/db2cls"}, inf1 + "/bin/db2cls"},
      {"TRACorvane_1Config",
       {{"Software\\Tarvos\\Corvane\\CurrentVersion", "RootDirectory", syb}},
       {syb + "/bin/corvmgr"},
       syb + "/bin/corvmgr"},
      {"TRAOracle_2Config", {{"Software\\ORACLE", "ORACLE_HOME", syb}}, {syb + "/bin/plus32"}, syb + "/bin/plus32"},
      {"TRAMSSQL_2Config",
       {{"Software\\Microsoft\\MSSQLServer", "", syb}},
       {syb + "/bin/windbver"},
       syb + "/bin/windbver"},
      // The vendor's folder first, then the place the user pointed at.
      {"TRASYBASE_1Config",
       {sybase, {"Software\\Tarvos\\Database Engine\\CFGUtils", "SybaseUtil1", mine + "/sqledit"}},
       {syb + "/bin/sqledit", mine + "/sqledit"},
       syb + "/bin/sqledit"},
      {"TRAMSSQL_1Config",
       {{"Software\\Microsoft\\MSSQLServer", "", syb},
        {"Software\\Tarvos\\Database Engine\\CFGUtils", "MSSQLUtil1", mine + "/isqlw"}},
       {mine + "/isqlw"},
       mine + "/isqlw"},
  };
  const std::string here = GetCurrentDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.action) + " starting " + c.started);
    DeleteFile(temp.File("registry"));
    for (const char* folder : {"syb", "inf1", "inf2", "mine"}) std::filesystem::remove_all(temp.File(folder));
    Machine(c.registry);
    for (const std::string& tool : c.tools) FakeTool(tool);
    messages->Requests.clear();

    TEAction* action = ActionOf(c.action);
    ASSERT_NE(action, nullptr);
    action->Execute(*root);
    EXPECT_EQ(Ran(), StartedAs(c.started));
    EXPECT_TRUE(messages->Requests.empty()) << "nobody was asked";
    EXPECT_EQ(GetCurrentDir(), here) << "the program's own folder stays";
  }
}

TEST_F(VendorToolsTest, AToolPointedAtIsRememberedAndAFolderWithoutItIsNot) {
  const std::string syb = temp.File("syb"), mine = temp.File("mine");
  ForceDirectories(syb + "/bin");
  ForceDirectories(temp.File("empty"));
  Machine({{"Software\\SYBASE\\Setup", "SYBASE", syb}});
  FakeTool(mine + "/sqledit");
  TEAction* sqledit = ActionOf("TRASYBASE_1Config");
  ASSERT_NE(sqledit, nullptr);
  const std::string question = "Cannot find sqledit.  Do you want to find it yourself?";

  // A folder that does not hold it.
  messages->Answers = {mrOk};
  messages->DialogAnswers = {Folder(temp.File("empty"))};
  std::string path;
  FindVendorUtility("sqledit", path, "SybaseUtil1");
  EXPECT_EQ(path, "");
  EXPECT_EQ(Remembered("SybaseUtil1"), "");
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, question);
  EXPECT_EQ(messages->Requests[0].HelpContext, 4014);
  ASSERT_EQ(messages->Dialogs.size(), 1u);
  EXPECT_EQ(messages->Dialogs[0].Kind, "SelectDirectory");
  EXPECT_EQ(messages->Dialogs[0].HelpContext, 4018);

  // Not looked for: no folder is asked for.
  messages->Requests.clear();
  messages->Dialogs.clear();
  messages->Answers = {mrCancel};
  ActionOf("TRASYBASE_2Config")->Execute(*root);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Cannot find wsybping.  Do you want to find it yourself?");
  EXPECT_TRUE(messages->Dialogs.empty());
  EXPECT_EQ(Remembered("SybaseUtil2"), "");

  // The folder that holds it: started, and remembered.
  messages->Requests.clear();
  messages->Answers = {mrOk};
  messages->DialogAnswers = {Folder(mine)};
  sqledit->Execute(*root);
  EXPECT_EQ(Ran(), StartedAs(mine + "/sqledit"));
  EXPECT_EQ(Remembered("SybaseUtil1"), mine + "/sqledit");
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, question);

  messages->Requests.clear();
  sqledit->Execute(*root);
  EXPECT_EQ(Ran(), StartedAs(mine + "/sqledit"));
  EXPECT_TRUE(messages->Requests.empty()) << "the next run asks nothing";
}

TEST_F(VendorToolsTest, TheOdbcAdministratorIsTheOneTheRegistryNames) {
  const std::string named = temp.File("odbc/odbcad32"), mine = temp.File("mine/odbcad32");
  FakeTool(named);
  FakeTool(mine);
  Machine({{"Software\\ODBC\\ODBCINST.INI\\ODBC Core\\FileList", "ODBCAD32.EXE", named},
           {"Software\\Tarvos\\Database Engine\\CFGUtils", "ODBCUtil1", mine}});
  TEAction* admin = ActionOf("TRAODBCAdmin");
  ASSERT_NE(admin, nullptr);
  admin->Execute(*Node("/Databases"));
  EXPECT_EQ(Ran(), StartedAs(named));

  // A name that leads nowhere: the remembered one.
  DeleteFile(named);
  EXPECT_EQ(FindOdbcAdmin(), mine);
  EXPECT_TRUE(messages->Requests.empty());

  DeleteFile(mine);
  messages->Answers = {mrCancel};
  EXPECT_EQ(FindOdbcAdmin(), "");
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Cannot find odbcad32.  Do you want to find it yourself?");
}

TEST_F(VendorToolsTest, EachNodeShowsTheToolsOfItsVendor) {
  PersistentAlias("Sales", "MSSQL");
  PersistentAlias("Plans", "ORACLE");
  PersistentAlias("Stock", "DB2");
  const Names files = {"O&pen Configuration...", "Mer&ge Configuration...", "Save As Con&figuration...", "Op&tions..."};
  const std::string version = "&Version Information...", admin = "ODBC Adm&inistrator...";
  struct Case {
    std::string node;
    Names shown;  // before the configuration files' actions, which every node shows
  } cases[] = {
      {"/Databases/Sales", {version, "ISQL...", "dbVer..."}},
      {"/Databases/Plans", {version, "Installer...", "SQL Plus..."}},
      {"/Databases/Stock", {version, "Client Setup..."}},
      {"/Databases/guests", {version, admin}},
      {"/Databases", {admin}},
      {"/Configuration", {version}},
      {"/Configuration/Drivers/ODBC", {version, admin}},
      {"/Configuration/Drivers/Native/SYBASE", {version, "SQLEdit...", "Ping...", "ISQL..."}},
      {"/Configuration/Drivers/Native/INFORMIX", {version, "SetNet32...", "Login..."}},
      {"/Configuration/Drivers/Native/CORVANE", {version, "Server Manager...", "Diagnostics...", "ISQL..."}},
      {"/Configuration/System/INIT", {version}},
  };
  for (Case& c : cases) {
    c.shown.insert(c.shown.end(), files.begin(), files.end());
    EXPECT_EQ(Shown(Node(c.node)), c.shown) << c.node;
  }
  EXPECT_EQ(RegisteredActions().Count(), 19) << "fifteen, then the configuration files' four";
}

}  // namespace
}  // namespace dbx::testing
