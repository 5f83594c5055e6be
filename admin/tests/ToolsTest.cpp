// The version dialog and the vendors' tools, over a real engine, a registry
// and client folders of the test's own.
#include <gtest/gtest.h>

#include <sys/stat.h>

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

}  // namespace
}  // namespace dbx::testing
