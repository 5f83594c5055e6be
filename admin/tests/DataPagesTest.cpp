// The window's Data and SQL pages, transactions and the blob viewer, on an
// alias over a folder of real tables whose tree lists them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "BlobView.h"
#include "Database.h"
#include "DbSchema.h"
#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "Expldb.h"
#include "Query.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "TablesAlias.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;


std::string FileText(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DataPagesTest : public test::UiTest {
protected:
  void SetUp() override {
    env.Set("FW_REGISTRY", temp.File("registry"));
    TSession::SetConfigFileHook([file = temp.File("nubo.cfg")] { return file; });
    Session().Close();
    StartAdministratorUnits();
    RegisterDbClass(ExploreClassOf<TTablesAlias>(), "STANDARD");
    {
      TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
      Session().AddStandardAlias("Tables", temp.Path(), "KALMURE");
    }
    MakeTables();
    Application->OnException = [this](TObject*, const Exception& e) { errors.push_back(e.Message()); };
    root = TExploreObject::Create<TDbXForm>(nullptr);
    form = NewForm<TDbExplorerForm>(nullptr);
    root->SetForm(form);
    ShowActive(form);
    TDatabases* databases = FindDatabasesNode();
    databases->Children().Load();
    alias = dynamic_cast<TDb*>(databases->FindAliasNode("Tables"));
    ASSERT_NE(alias, nullptr);
    alias->Open();
    alias->Children().Load();
    tables = alias->Children().FindByName("Tables");
    ASSERT_NE(tables, nullptr);
    tables->Children().Load();
    ASSERT_NE(alias->TreeNode, nullptr);
    alias->TreeNode->Expand(false);
    ASSERT_NE(tables->TreeNode, nullptr);
  }
  void TearDown() override {
    delete form;
    if (root) root->Release(lsReleased);
    Application->OnException = nullptr;
    StopAdministratorUnits();
    Session().Close();
    Session().SetConfigMode(cfmAllModes);
    TSession::SetConfigFileHook(nullptr);
  }
  // Guests with notes and photos, and the catalog that names it.
  void MakeTables() {
    auto guests = std::make_unique<TTable>(nullptr);
    guests->SetDatabaseName(temp.Path());
    guests->SetTableName("Guests");
    guests->FieldDefs()->Add("ID", fw::ftInteger, 0, true);
    guests->FieldDefs()->Add("Name", fw::ftString, 30);
    guests->FieldDefs()->Add("Notes", fw::ftMemo);
    guests->FieldDefs()->Add("Photo", fw::ftGraphic);
    guests->IndexDefs()->Add("", "ID", {ixPrimary});
    guests->CreateTable();
    guests->Open();
    for (int i = 1; i <= 3; ++i) {
      guests->Append();
      guests->FieldByName("ID")->SetAsInteger(i);
      guests->FieldByName("Name")->SetAsString(i == 1 ? "Zoë" : "Guest " + std::to_string(i));
      guests->FieldByName("Notes")->SetAsString("Grüße " + std::to_string(i));
      guests->Post();
    }
    MakeCatalog(temp.Path(), {"Guests"});
  }
  void Select(TExploreObject* object) { form->CurrentTree()->SetSelected(object->TreeNode); }
  // Types a query and runs it.
  void Run(const std::string& sql) {
    form->QueryMemo->SetText(sql);
    form->QueryMemo->SetModified(true);
    form->SBQExecQueryClick(nullptr);
  }
  std::string Status() const { return form->StatusBar->SimpleText(); }
  // A guest's name as a new cursor of the alias reads it.
  std::string NameOf(int id) {
    auto query = std::make_unique<TQuery>(nullptr);
    query->SetDatabaseName("Tables");
    query->SQL()->SetText("SELECT Name FROM Guests WHERE ID = " + std::to_string(id));
    query->Open();
    return query->Eof() ? "(none)" : query->FieldByName("Name")->AsString();
  }

  test::TempDir temp;
  test::ScopedEnv env;
  TDbXForm* root = nullptr;
  TDbExplorerForm* form = nullptr;
  TDb* alias = nullptr;
  TExploreObject* tables = nullptr;
  std::vector<std::string> errors;
};

TEST_F(DataPagesTest, ExecuteReportsWhatTheStatementDid) {
  Select(tables);
  ASSERT_TRUE(form->TabSQL->TabVisible());
  form->ShowPage(form->TabSQL);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Execute SQL queries in database Tables");
  EXPECT_FALSE(form->QueryGrid->Visible());

  Run("UPDATE Guests SET Name = 'Zoë Ångström' WHERE ID <= 2");
  EXPECT_EQ(Status(), "2 rows were affected");
  EXPECT_FALSE(form->QueryGrid->Visible());
  Run("SELECT Name FROM Guests ORDER BY ID");
  EXPECT_EQ(Status(), "Execution complete");
  EXPECT_TRUE(form->QueryGrid->Visible());
  EXPECT_EQ(form->CurrentGrid(), form->QueryGrid);
  EXPECT_EQ(form->DbNavigator->DataSource(), form->DbQuerySource);
  EXPECT_EQ(form->DbQuery->FieldByName("Name")->AsString(), "Zoë Ångström");

  for (const char* bad : {"SELEKT nothing FROM nowhere", "CREATE TABLE Extra (ID INTEGER)"}) {
    Run("SELECT ID FROM Guests");
    EXPECT_ANY_THROW(Run(bad)) << bad;
    EXPECT_EQ(Status(), "") << bad;
    EXPECT_FALSE(form->QueryGrid->Visible()) << bad;
    EXPECT_EQ(form->CurrentGrid(), nullptr) << bad;
  }
}

// The query script's table of scripts, run on the tables from the SQL page.
TEST_F(DataPagesTest, ScriptsRunStatementByStatementOnTheTables) {
  Select(tables);
  form->ShowPage(form->TabSQL);
  struct {
    const char* what;
    std::string script, status, error;
    bool grid;
    std::map<int, std::string> names;  // by ID, after the script
  } cases[] = {
      {"three statements between separator lines",
       "INSERT INTO Guests (ID, Name) VALUES (4, 'Vier')\n---\nINSERT INTO Guests (ID, Name) VALUES (5, 'Fünf')\n"
       "---\nUPDATE Guests SET Name = 'Fünfe' WHERE ID = 5",
       "1 rows were affected", "", false, {{4, "Vier"}, {5, "Fünfe"}}},
      {"no separator: one statement over lines", "UPDATE Guests\nSET Name = 'Eins'\nWHERE ID = 1",
       "1 rows were affected", "", false, {{1, "Eins"}}},
      {"rows, then a statement that does not run", "SELECT Name FROM Guests\n---\nDELETE FROM Guests", "",
       "A result set was generated, but there are more statements", false, {{1, "Eins"}, {5, "Fünfe"}}},
      {"updates only", "UPDATE Guests SET Name = 'Zwei' WHERE ID = 2\n---\nUPDATE Guests SET Name = 'Rest' WHERE ID > 2",
       "3 rows were affected", "", false, {{2, "Zwei"}, {3, "Rest"}, {5, "Rest"}}},
      {"an update, then rows", "UPDATE Guests SET Name = Name || '+' WHERE ID = 1\n---\nSELECT Name FROM Guests WHERE ID = 1",
       "Execution complete", "", true, {{1, "Eins+"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    try {
      Run(c.script);
    } catch (const Exception& e) {
      error = e.Message();
    }
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(error.empty(), c.error.empty()) << error;
    EXPECT_EQ(Status(), c.status);
    EXPECT_EQ(form->QueryGrid->Visible(), c.grid);
    if (!c.grid && c.error.empty()) {
      TStringList script;
      script.SetText(c.script);
      EXPECT_EQ(form->DbQuery->SQL()->Text(), script.Text()) << "the script comes back into the SQL text";
    }
    for (const auto& [id, name] : c.names) EXPECT_EQ(NameOf(id), name) << id;
  }

  // Opened again without an edit, the script runs from its first statement;
  // an edit runs the new text.
  form->DbQuery->Close();
  form->DbQuery->Open();
  EXPECT_EQ(form->DbQuery->FieldByName("Name")->AsString(), "Eins++");
  form->DbQuery->Close();
  form->DbQuery->SQL()->SetText("UPDATE Guests SET Name = 'Uno' WHERE ID = 1\n---\nSELECT Name FROM Guests WHERE ID = 1");
  form->DbQuery->Open();
  EXPECT_EQ(form->DbQuery->FieldByName("Name")->AsString(), "Uno");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(DataPagesTest, HistoryKeepsTheLastTenAndPreviousWalksBack) {
  Select(tables);
  form->ShowPage(form->TabSQL);
  EXPECT_FALSE(form->SBQPrevQuery->Enabled());
  auto query = [](int i) { return "SELECT ID FROM Guests WHERE ID = " + std::to_string(i); };
  for (int i = 1; i <= 11; ++i) Run(query(i));
  ASSERT_EQ(form->QueryHistoryCount(), 10);
  EXPECT_EQ(form->QueryHistory(0), query(2));
  EXPECT_EQ(form->QueryMemo->Tag(), 10);
  EXPECT_TRUE(form->SBQPrevQuery->Enabled());

  form->SBQPrevQueryClick(nullptr);
  EXPECT_EQ(form->QueryMemo->Tag(), 9);
  EXPECT_EQ(form->QueryMemo->Text(), query(11));
  form->SBQPrevQueryClick(nullptr);
  EXPECT_EQ(form->QueryMemo->Text(), query(10));
  // Run again unchanged, it is no new entry.
  form->SBQExecQueryClick(nullptr);
  EXPECT_EQ(form->QueryHistoryCount(), 10);
  form->SBQNextQueryClick(nullptr);
  form->SBQNextQueryClick(nullptr);
  EXPECT_EQ(form->QueryMemo->Tag(), 10);
  EXPECT_EQ(form->QueryMemo->Text(), "");

  // Edited in place: an entry changes; emptied: it goes.
  form->ShowQuery(0);
  EXPECT_FALSE(form->SBQPrevQuery->Enabled());
  form->QueryMemo->SetText("  SELECT Name FROM Guests  ");
  form->QueryMemo->SetModified(true);
  form->SBQNextQueryClick(nullptr);
  EXPECT_EQ(form->QueryHistory(0), "SELECT Name FROM Guests");
  form->QueryMemo->SetText(" ");
  form->QueryMemo->SetModified(true);
  form->SBQPrevQueryClick(nullptr);
  EXPECT_EQ(form->QueryHistoryCount(), 9);
  EXPECT_EQ(form->QueryHistory(1), query(4));
}

TEST_F(DataPagesTest, QueriesAreLoadedFromAndSavedToFiles) {
  Select(tables);
  form->ShowPage(form->TabSQL);
  std::string file = temp.File("Grüße.sql");
  { std::ofstream(file) << "SELECT *\nFROM Guests\n"; }
  messages->DialogAnswers.push_back([file](TDialogRequest& r) {
    r.Values["FileName"] = file;
    return true;
  });
  form->QPLoadClick(nullptr);
  ASSERT_FALSE(messages->Dialogs.empty());
  EXPECT_EQ(messages->Dialogs.back().Caption, "Load Query");
  ASSERT_EQ(form->QueryMemo->Lines()->Count(), 2);
  EXPECT_EQ(form->QueryMemo->Lines()->Strings(1), "FROM Guests");
  EXPECT_TRUE(form->QueryMemo->Modified());
  form->SBQExecQueryClick(nullptr);
  EXPECT_EQ(form->QueryHistoryCount(), 1);
  EXPECT_TRUE(form->QueryGrid->Visible());

  std::string saved = temp.File("saved.sql");
  messages->DialogAnswers.push_back([saved](TDialogRequest& r) {
    r.Values["FileName"] = saved;
    return true;
  });
  form->QPSaveClick(nullptr);
  EXPECT_EQ(messages->Dialogs.back().Caption, "Save Query");
  EXPECT_EQ(FileText(saved), "SELECT *\r\nFROM Guests\r\n");
}

TEST_F(DataPagesTest, TransactionsBeginCommitAndRollBack) {
  Select(tables);
  form->ShowPage(form->TabSQL);
  EXPECT_TRUE(form->DbDataPanel->Visible());
  EXPECT_TRUE(form->SBTransaction->Enabled());
  EXPECT_FALSE(form->SBTransaction->Down());
  EXPECT_FALSE(form->SBRollbackTransaction->Enabled());
  TDatabase* database = alias->Database();
  ASSERT_NE(database, nullptr);

  form->MRepeatableRead->Click();
  form->SBTransactionClick(nullptr);
  EXPECT_TRUE(database->InTransaction());
  EXPECT_EQ(database->TransIsolation(), tiRepeatableRead);
  EXPECT_TRUE(form->SBTransaction->Down());
  EXPECT_TRUE(form->SBRollbackTransaction->Enabled());
  form->MIsolationClick(nullptr);
  EXPECT_FALSE(form->MDirtyRead->Enabled());
  EXPECT_FALSE(form->MCommittedRead->Enabled());
  EXPECT_TRUE(form->MRepeatableRead->Enabled());
  form->DataPopupMenuPopup(nullptr);
  EXPECT_FALSE(form->QPBeginTrans->Enabled());
  EXPECT_TRUE(form->QPCommitTrans->Enabled());
  EXPECT_TRUE(form->QPRollbackTrans->Enabled());

  Run("UPDATE Guests SET Name = 'rolled back' WHERE ID = 2");
  form->SBRollbackTransactionClick(nullptr);
  EXPECT_FALSE(database->InTransaction());
  EXPECT_FALSE(form->SBTransaction->Down());
  EXPECT_FALSE(form->SBRollbackTransaction->Enabled());
  EXPECT_EQ(NameOf(2), "Guest 2");
  form->MIsolationClick(nullptr);
  EXPECT_TRUE(form->MDirtyRead->Enabled());

  form->SBTransactionClick(nullptr);
  Run("UPDATE Guests SET Name = 'kept' WHERE ID = 2");
  form->SBTransactionClick(nullptr);
  EXPECT_FALSE(database->InTransaction());
  EXPECT_EQ(NameOf(2), "kept");
  EXPECT_FALSE(form->SBTransaction->Down());
}

TEST_F(DataPagesTest, DataPageGridDeleteAndTheBlobViewer) {
  TExploreObject* guests = tables->Children().FindByName("Guests");
  ASSERT_NE(guests, nullptr);
  Select(guests);
  ASSERT_TRUE(form->TabData->TabVisible());
  form->ShowPage(form->TabData);
  EXPECT_EQ(form->DataInfoLine->Caption(), "Contents of Guests");
  ASSERT_TRUE(form->DbTable->Active());
  EXPECT_EQ(form->CurrentGrid(), form->TableGrid);
  EXPECT_EQ(form->DbNavigator->DataSource(), form->DbTableSource);

  // A double click on a blob column opens the viewer, which follows the grid.
  form->TableGrid->SetSelectedField(form->DbTable->FieldByName("Notes"));
  form->GridDblClick(form->TableGrid);
  ASSERT_NE(form->BlobViewer(), nullptr);
  EXPECT_TRUE(form->ViewingBlobs());
  EXPECT_TRUE(form->SBViewBlobs->Down());
  EXPECT_TRUE(form->MViewBlobs->Checked());
  EXPECT_EQ(form->BlobViewer()->Grid(), form->TableGrid);
  EXPECT_EQ(form->BlobViewer()->BlobMemo->Text(), "Grüße 1");
  // Closed by the user, the main window forgets it.
  form->BlobViewer()->Close();
  Pump();
  EXPECT_EQ(form->BlobViewer(), nullptr);
  EXPECT_FALSE(form->ViewingBlobs());
  EXPECT_FALSE(form->SBViewBlobs->Down());
  EXPECT_EQ(form->TableGrid->Columns()->State(), csDefault);

  ShowActive(form);
  form->TableGrid->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return form->TableGrid->Focused(); }));
  messages->Answers = {mrCancel};
  form->GridDeleteClick(nullptr);
  EXPECT_EQ(messages->Requests.back().Text, "Delete record?");
  EXPECT_EQ(form->DbTable->RecordCount(), 3);
  messages->Answers = {mrOk};
  form->GridDeleteClick(nullptr);
  EXPECT_EQ(form->DbTable->RecordCount(), 2);
  std::size_t asked = messages->Requests.size();
  form->DbTable->Append();
  form->GridDeleteClick(nullptr);
  EXPECT_EQ(messages->Requests.size(), asked);
  EXPECT_EQ(form->DbTable->State(), dsBrowse);
  EXPECT_EQ(form->DbTable->RecordCount(), 2);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(DataPagesTest, AViewerAlreadyOnLeavesTheDataPageItsColumns) {
  // The viewer takes the grid before the page opens its table.
  form->SetBlobViewing(true);
  TExploreObject* guests = tables->Children().FindByName("Guests");
  ASSERT_NE(guests, nullptr);
  Select(guests);
  form->ShowPage(form->TabData);
  ASSERT_TRUE(form->DbTable->Active());
  ASSERT_NE(form->BlobViewer(), nullptr);
  EXPECT_EQ(form->BlobViewer()->Grid(), form->TableGrid);
  std::vector<std::string> columns;
  for (int i = 0; i < form->TableGrid->Columns()->Count(); ++i)
    columns.push_back(form->TableGrid->Columns()->Items(i)->FieldName());
  EXPECT_EQ(columns, (std::vector<std::string>{"ID", "Name", "Notes", "Photo"}));
  form->TableGrid->SetSelectedField(form->DbTable->FieldByName("Notes"));
  EXPECT_EQ(form->BlobViewer()->BlobMemo->Text(), "Grüße 1");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace dbx::testing
