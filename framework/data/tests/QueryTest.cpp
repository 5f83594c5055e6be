// TQuery, TStoredProc and TDatabase's transactions over real tables.
#include <filesystem>
#include <fstream>

#include "EngineFixture.h"
#include "EngineLib.h"
#include "Query.h"
#include "Scope.h"
#include "Strings.h"

namespace fwtest {
namespace {

struct QueryTest : EngineTables {
  void SetUp() override {
    TTable* t = MakeGuests();
    Fill(t, 6);
  }

  TQuery* MakeQuery(const std::string& sql) {
    auto* q = new TQuery(owner.get());
    q->SetDatabaseName(dir);
    q->SQL()->SetText(sql);
    return q;
  }

  std::vector<std::string> Column(TDataSet* d, const std::string& field) {
    std::vector<std::string> out;
    for (d->First(); !d->Eof(); d->Next()) out.push_back(d->FieldByName(field)->AsString());
    return out;
  }

  // A guest's amount as a table reads it.
  double Amount(int id) {
    auto* t = new TTable(owner.get());
    t->SetDatabaseName(dir);
    t->SetTableName("Guests.db");
    t->Open();
    EXPECT_TRUE(t->Locate("ID", Variant(id), {}));
    double v = t->FieldByName("Amount")->AsFloat();
    delete t;
    return v;
  }

  void WriteProcedure(const std::string& name, const std::string& sql) {
    std::ofstream(dir + "/" + name) << sql;
  }
};

TEST_F(QueryTest, OpenExecSQLAndRowsAffected) {
  TQuery* q = MakeQuery("SELECT Name, Amount FROM Guests WHERE EventID = :ev ORDER BY ID");
  ASSERT_EQ(q->ParamCount(), 1);
  EXPECT_EQ(q->Params()->Items(0)->Name(), "ev");
  q->ParamByName("ev")->SetAsInteger(2);
  q->Open();
  EXPECT_EQ(Column(q, "Name"), (std::vector<std::string>{"Guest 01", "Guest 04"}));
  EXPECT_EQ(q->FieldByName("Amount")->DataType(), ftFloat);
  EXPECT_EQ(q->RowsAffected(), -1);
  EXPECT_FALSE(q->CanModify());
  q->Close();

  TQuery* u = MakeQuery("UPDATE Guests SET Amount = Amount * 2 WHERE EventID = :ev");
  u->ParamByName("ev")->SetAsInteger(1);
  u->ExecSQL();
  EXPECT_EQ(u->RowsAffected(), 2);
  EXPECT_DOUBLE_EQ(Amount(3), 9.0);
  // Open of a statement that answers nothing runs it, then says so
  EXPECT_THROW(u->Open(), ENoResultSet);
  EXPECT_FALSE(u->Active());
  EXPECT_EQ(u->RowsAffected(), 2);
  EXPECT_DOUBLE_EQ(Amount(3), 18.0);
  try {
    u->Open();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(dynamic_cast<const ENoResultSet*>(&e), nullptr);
  }

  // engine errors carry the engine's text
  TQuery* bad = MakeQuery("SELECT Nmae FROM Guests");
  try {
    bad->Open();
    FAIL() << "opened";
  } catch (const EDBEngineError& e) {
    EXPECT_EQ(e.ErrorCode(), ORVEX_ERR_SQL);
    EXPECT_NE(e.Message().find("no such column: Nmae"), std::string::npos) << e.Message();
  }
}

TEST_F(QueryTest, ChangingTheSQLMakesParamsAgainKeepingValues) {
  TQuery* q = MakeQuery("SELECT Name FROM Guests WHERE EventID = :ev");
  q->ParamByName("ev")->SetAsInteger(3);
  q->Prepare();
  q->Open();
  ASSERT_TRUE(q->Prepared());
  q->SQL()->SetText("SELECT Name FROM Guests WHERE EventID = :EV AND ID > :min -- :notaparam\n AND Name <> ':nor'");
  EXPECT_FALSE(q->Active());
  EXPECT_FALSE(q->Prepared());
  ASSERT_EQ(q->ParamCount(), 2);
  EXPECT_EQ(q->ParamByName("ev")->AsInteger(), 3);
  EXPECT_FALSE(q->ParamByName("min")->Bound());
  try {
    q->Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.Message()).find("No value for parameter 'min'"), std::string::npos) << e.Message();
  }
  q->ParamByName("min")->SetAsInteger(2);
  q->Open();
  EXPECT_EQ(Column(q, "Name"), (std::vector<std::string>{"Guest 05"}));
  // a parameter set blank matches nothing
  q->Close();
  q->ParamByName("min")->SetValue(Null());
  q->Open();
  EXPECT_TRUE(q->IsEmpty());

  // without ParamCheck the list stays as it was
  q->SetParamCheck(false);
  q->SQL()->SetText("SELECT Name FROM Guests WHERE ID = :other");
  EXPECT_EQ(q->ParamCount(), 2);
}

// A query that runs a script, a statement a line, through the query's own
// cursor-creating step; the last statement's answer is its cursor.
class TScript : public TQuery {
  FW_CLASS(TScript, TQuery)
public:
  using TQuery::TQuery;
  int Runs = 0;

protected:
  hOrvexCursor CreateHandle() override {
    std::vector<std::string> lines;
    for (int i = 0; i < SQL()->Count(); ++i) lines.push_back(SQL()->Strings(i));
    auto restore = std::make_unique<TStringList>();
    restore->Assign(SQL());
    hOrvexCursor last = 0;
    for (const std::string& line : lines) {
      if (last) Engine().CloseCursor(&last);
      SQL()->SetText(line);
      last = TQuery::CreateHandle();
      ++Runs;
    }
    SQL()->Assign(restore.get());
    return last;
  }
};
FW_IMPLEMENT_CLASS(TScript)

TEST_F(QueryTest, ASubclassRunsTheCursorStepOnceAStatement) {
  auto* q = new TScript(owner.get());
  q->SetDatabaseName(dir);
  q->SetParamCheck(false);
  q->SQL()->SetText("UPDATE Guests SET Amount = 0 WHERE ID = 1\nDELETE FROM Guests WHERE ID = 6\n"
                    "SELECT count(*) AS N FROM Guests");
  q->Open();
  EXPECT_EQ(q->Runs, 3);
  EXPECT_EQ(q->FieldByName("N")->AsInteger(), 5);
  EXPECT_DOUBLE_EQ(Amount(1), 0.0);
  q->Close();
  q->SQL()->SetText("UPDATE Guests SET Amount = 1\nUPDATE Guests SET Amount = 2 WHERE ID < 3");
  EXPECT_THROW(q->Open(), ENoResultSet);
  EXPECT_EQ(q->RowsAffected(), 2);
}

TEST_F(QueryTest, APreparedQueryRunsAgainWithNewValues) {
  TQuery* q = MakeQuery("SELECT count(*) AS N FROM Guests WHERE Amount > :a");
  q->Prepare();
  EXPECT_TRUE(q->Prepared());
  for (auto [a, n] : std::vector<std::pair<double, int>>{{0, 6}, {4, 4}, {100, 0}}) {
    q->ParamByName("a")->SetAsFloat(a);
    q->Open();
    EXPECT_EQ(q->FieldByName("N")->AsInteger(), n) << a;
    q->Close();
    EXPECT_TRUE(q->Prepared());
  }
  q->UnPrepare();
  EXPECT_FALSE(q->Prepared());
}

TEST_F(QueryTest, UnsetParamsComeFromTheDataSourceAndFollowItsMoves) {
  auto* master = new TTable(owner.get());
  master->SetDatabaseName(dir);
  master->SetTableName("Guests.db");
  auto* source = new TDataSource(owner.get());
  source->SetDataSet(master);
  master->Open();
  TQuery* q = MakeQuery("SELECT count(*) AS N FROM Guests WHERE EventID = :EventID AND ID <= :ID");
  q->SetDataSource(source);
  q->Open();
  EXPECT_EQ(q->FieldByName("N")->AsInteger(), 1);
  master->MoveBy(3);  // guest 4, event 2: guests 1 and 4
  EXPECT_TRUE(q->Active());
  EXPECT_EQ(q->FieldByName("N")->AsInteger(), 2);
  // a parameter set wins over the field
  q->Close();
  q->ParamByName("ID")->SetAsInteger(1);
  q->Open();
  EXPECT_EQ(q->FieldByName("N")->AsInteger(), 1);
  delete source;
  EXPECT_EQ(q->DataSource(), nullptr);
}

TEST_F(QueryTest, ALiveQueryIsEditedAndATableSeesIt) {
  TQuery* q = MakeQuery("SELECT ID, Name, Amount, Notes FROM Guests WHERE EventID = 2 ORDER BY Name DESC");
  q->SetRequestLive(true);
  q->Open();
  ASSERT_TRUE(q->CanModify());
  EXPECT_EQ(q->FieldByName("Name")->AsString(), "Guest 04");
  q->Edit();
  q->FieldByName("Amount")->SetAsFloat(99.5);
  q->FieldByName("Notes")->SetAsString("seen");
  q->Post();
  EXPECT_DOUBLE_EQ(Amount(4), 99.5);
  // the table's rules hold: the primary key
  q->Edit();
  q->FieldByName("ID")->SetAsInteger(1);
  EXPECT_THROW(q->Post(), EDBEngineError);
  q->Cancel();
  q->Append();
  q->FieldByName("ID")->SetAsInteger(7);
  q->FieldByName("Name")->SetAsString("Guest 07");
  q->Post();
  EXPECT_EQ(q->RecordCount(), 3);
  q->Close();
  auto* t = new TTable(owner.get());
  t->SetDatabaseName(dir);
  t->SetTableName("Guests.db");
  t->Open();
  ASSERT_TRUE(t->Locate("ID", Variant(7), {}));
  EXPECT_EQ(t->FieldByName("Name")->AsString(), "Guest 07");
  ASSERT_TRUE(t->Locate("ID", Variant(4), {}));
  EXPECT_EQ(t->FieldByName("Notes")->AsString(), "seen");

  // what cannot be live is read-only
  TQuery* j = MakeQuery("SELECT EventID, count(*) AS N FROM Guests GROUP BY EventID");
  j->SetRequestLive(true);
  j->Open();
  EXPECT_FALSE(j->CanModify());
}

TEST_F(QueryTest, AStoredProcedureWithParameters) {
  WriteProcedure("Raise.sql", "UPDATE Guests SET Amount = Amount + :delta\nWHERE EventID = :ev");
  WriteProcedure("ByEvent.SQL", "SELECT Name FROM Guests WHERE EventID = :ev ORDER BY ID");
  WriteProcedure("Notes.txt", "not a procedure");
  auto list = std::make_unique<TStringList>();
  Session().GetStoredProcNames(dir, list.get());
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->Strings(0), "ByEvent");
  EXPECT_EQ(list->Strings(1), "Raise");

  auto* p = new TStoredProc(owner.get());
  p->SetDatabaseName(dir);
  p->SetStoredProcName("raise");
  p->Prepare();
  ASSERT_EQ(p->ParamCount(), 2);
  p->ParamByName("delta")->SetAsFloat(10);
  p->ParamByName("ev")->SetAsInteger(3);
  p->ExecProc();
  EXPECT_EQ(p->RowsAffected(), 2);
  EXPECT_DOUBLE_EQ(Amount(2), 13.0);
  EXPECT_THROW(p->Open(), ENoResultSet);

  auto* s = new TStoredProc(owner.get());
  s->SetDatabaseName(dir);
  s->SetStoredProcName("ByEvent");
  s->Prepare();
  s->ParamByName("ev")->SetAsInteger(1);
  s->Open();
  EXPECT_EQ(Column(s, "Name"), (std::vector<std::string>{"Guest 03", "Guest 06"}));

  auto* missing = new TStoredProc(owner.get());
  missing->SetDatabaseName(dir);
  missing->SetStoredProcName("Notes");
  EXPECT_THROW(missing->Prepare(), EDBEngineError);
}

TEST_F(QueryTest, TransactionsOfADatabaseCommitAndRollBack) {
  auto* db = new TDatabase(owner.get());
  db->SetDatabaseName("Party");
  db->Params()->Add("PATH=" + dir);
  db->SetTransIsolation(tiRepeatableRead);
  db->Open();
  EXPECT_FALSE(db->InTransaction());
  db->StartTransaction();
  EXPECT_TRUE(db->InTransaction());
  TQuery* u = MakeQuery("UPDATE Guests SET Amount = 0 WHERE ID = 1");
  u->SetDatabaseName("Party");
  u->ExecSQL();
  TQuery* r = MakeQuery("SELECT Amount FROM Guests WHERE ID = 1");
  r->SetDatabaseName("Party");
  r->Open();
  EXPECT_DOUBLE_EQ(r->FieldByName("Amount")->AsFloat(), 0.0);  // its own change
  r->Close();
  EXPECT_DOUBLE_EQ(Amount(1), 1.5);  // the tables outside it
  db->Rollback();
  EXPECT_FALSE(db->InTransaction());
  EXPECT_DOUBLE_EQ(Amount(1), 1.5);

  db->StartTransaction();
  u->ExecSQL();
  EXPECT_THROW(db->StartTransaction(), EDBEngineError);
  db->Commit();
  EXPECT_DOUBLE_EQ(Amount(1), 0.0);
  EXPECT_THROW(db->Commit(), EDBEngineError);
}

// A query and a database named by a standard alias run on its directory;
// a table named without extension is of the alias's default driver.
TEST_F(QueryTest, ADatabaseNamedByAnAlias) {
  TConfigModeScope mode(Session(), cfmSession);
  Session().AddStandardAlias("Wedding", dir, "ZENTOR");
  TScopeExit drop([] { Session().DeleteAlias("Wedding"); });
  auto* db = new TDatabase(owner.get());
  db->SetDatabaseName("Wedding");
  db->Open();
  auto* second = new TTable(owner.get());
  second->SetDatabaseName(dir);
  second->SetTableName("Guests.dbf");
  second->FieldDefs()->Add("Name", ftString, 20);
  second->CreateTable();
  TQuery* q = MakeQuery("INSERT INTO Guests VALUES ('in the second table')");
  q->SetDatabaseName("Wedding");
  q->ExecSQL();
  EXPECT_EQ(q->RowsAffected(), 1);
  TQuery* r = MakeQuery("SELECT count(*) AS N FROM \"Guests.db\"");
  r->SetDatabaseName("wedding");
  r->Open();
  EXPECT_EQ(r->FieldByName("N")->AsInteger(), 6);
  r->Close();
  r->SQL()->SetText("SELECT Name FROM guests");
  r->Open();
  EXPECT_EQ(Column(r, "Name"), (std::vector<std::string>{"in the second table"}));
  r->Close();

  db->StartTransaction();
  q->SQL()->SetText("DELETE FROM \"Guests.db\" WHERE ID > 3");
  q->ExecSQL();
  db->Rollback();
  EXPECT_DOUBLE_EQ(Amount(6), 9.0);
}

TEST_F(QueryTest, ThePrivateDirectoryGoesToTheEngine) {
  EXPECT_THROW(Session().SetPrivateDir(dir + "/missing"), EDBEngineError);
  std::filesystem::create_directory(dir + "/private");
  Session().SetPrivateDir(dir + "/private");
  EXPECT_EQ(Session().PrivateDir(), dir + "/private");
  Session().SetPrivateDir("");
}

}  // namespace
}  // namespace fwtest
