// The record number of a table: kept as the cursor walks, counted by the
// engine through the current index after a jump, never by walking to the
// record; the engine calls that RecNo makes are counted to show it.
#include <sqlite3.h>

#include <functional>

#include "EngineFixture.h"
#include "EngineLib.h"

namespace fwtest {

namespace {

constexpr int kRecords = 100000;

struct RecNo : EngineTables {
  TTable* t = nullptr;
  TDataSource* source = nullptr;
  TDataLink grid;  // a window of records, as a grid keeps

  void SetUp() override {
    t = new TTable(owner.get());
    t->SetDatabaseName(dir);
    t->SetTableName("Many.db");
    t->FieldDefs()->Add("ID", ftInteger, 0, true);
    t->FieldDefs()->Add("Name", ftString, 20);
    t->IndexDefs()->Add("", "ID", {ixPrimary});
    t->IndexDefs()->Add("ByName", "Name", {});
    t->CreateTable();
    // Straight into the file: a posting loop would take a transaction a record.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/Many.db").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO records(ID, Name) VALUES(?, printf('Guest %06d', ?))", -1, &st, nullptr);
    for (int i = 1; i <= kRecords; ++i) {  // by name, the last ID first
      sqlite3_bind_int(st, 1, i);
      sqlite3_bind_int(st, 2, kRecords + 1 - i);
      ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    source = new TDataSource(owner.get());
    source->SetDataSet(t);
    grid.SetBufferCount(20);
    grid.SetDataSource(source);
    t->Open();
  }
  void TearDown() override {
    grid.SetDataSource(nullptr);
    EngineTables::TearDown();
  }

  int Id() { return t->FieldByName("ID")->AsInteger(); }
  // RecNo, expecting it to cost at most maxCalls calls of the engine.
  int Number(std::uint64_t maxCalls) {
    std::uint64_t before = Engine().Calls();
    int n = t->RecNo();
    EXPECT_LE(Engine().Calls() - before, maxCalls) << "RecNo at record " << Id();
    return n;
  }
};

}  // namespace

TEST_F(RecNo, FollowsAWalkWithoutAskingTheEngine) {
  t->First();
  for (int i = 1; i <= 60; ++i) {
    ASSERT_EQ(Number(0), i);
    t->Next();
  }
  t->MoveBy(-25);
  EXPECT_EQ(Number(0), 36);
  t->MoveBy(-34);
  EXPECT_EQ(Number(0), 2);
  t->Prior();
  EXPECT_EQ(Number(0), 1);
}

TEST_F(RecNo, AfterEachKindOfJumpComesFromTheEngine) {
  t->First();
  t->MoveBy(49999);
  TBookmark mark = t->GetBookmark();
  // Where a record stands in each order the jumps leave.
  auto byId = [](int id) { return id; };
  auto inRange = [](int id) { return id - 20000; };
  auto byName = [](int id) { return kRecords + 1 - id; };
  struct Jump {
    const char* what;
    std::function<void()> go;
    std::function<int(int)> order;
    int id;  // 0: wherever the jump leaves it
  } jumps[] = {
      {"a key search", [&] { EXPECT_TRUE(t->FindKey({Variant(77777)})); }, byId, 77777},
      {"a nearest key", [&] { t->FindNearest({Variant(12345)}); }, byId, 12345},
      {"a bookmark", [&] { t->GotoBookmark(mark); }, byId, 50000},
      {"the last record", [&] { t->Last(); }, byId, kRecords},
      {"a record number", [&] { t->SetRecNo(60000); }, byId, 60000},
      {"a locate", [&] { EXPECT_TRUE(t->Locate("ID", Variant(250), {})); }, byId, 250},
      {"a range", [&] { t->SetRange({Variant(20001)}, {Variant(30000)}); }, inRange, 20001},
      {"a key search in the range", [&] { EXPECT_TRUE(t->FindKey({Variant(25000)})); }, inRange, 25000},
      {"the range's last record", [&] { t->Last(); }, inRange, 30000},
      {"the range dropped", [&] { t->CancelRange(); }, byId, 0},
      {"another index, on the same record", [&] { t->SetIndexName("ByName"); }, byName, 0},
      {"a key search in it", [&] { EXPECT_TRUE(t->FindKey({Variant("Guest 000010")})); }, byName, kRecords + 1 - 10},
  };
  for (const Jump& j : jumps) {
    int before = Id();
    j.go();
    EXPECT_EQ(Id(), j.id ? j.id : before) << j.what;
    int n = j.order(Id());
    EXPECT_EQ(Number(3), n) << j.what;
    // From there the numbers follow the moves, inside the window and past it.
    for (int step : {-3, 25, -40}) {
      n += t->MoveBy(step);
      EXPECT_EQ(Number(0), n) << j.what << ", then " << step;
      EXPECT_EQ(n, j.order(Id())) << j.what << ", then " << step;
    }
  }
}

}  // namespace fwtest

namespace fwtest {

// A calculated field may show the record's number: asking for it while a
// record is fetched must neither move the cursor nor give another's number.
TEST_F(EngineTables, RecNoInACalculatedFieldIsTheFetchedRecords) {
  TTable* t = MakeGuests();
  Fill(t, 30);
  t->FieldDefs()->Update();
  for (int i = 0; i < t->FieldDefs()->Count(); ++i) t->FieldDefs()->Items(i)->CreateField(owner.get());
  auto* row = new TIntegerField(owner.get());
  row->SetFieldName("Row");
  row->SetCalculated(true);
  row->SetDataSet(t);
  t->OnCalcFields = [](TDataSet* ds) { ds->FieldByName("Row")->SetAsInteger(ds->RecNo()); };
  auto* source = new TDataSource(owner.get());
  source->SetDataSet(t);
  TDataLink grid;
  grid.SetBufferCount(8);
  grid.SetDataSource(source);
  t->Open();
  int n = 0;
  for (t->First(); !t->Eof(); t->Next()) {
    ++n;
    EXPECT_EQ(t->FieldByName("ID")->AsInteger(), n);
    EXPECT_EQ(row->AsInteger(), n);
  }
  EXPECT_EQ(n, 30);
  t->FindKey({Variant(20)});
  EXPECT_EQ(t->RecNo(), 20);
  for (int i = 0; i < grid.RecordCount(); ++i) {  // fetched around the key, after the jump
    grid.SetActiveRecord(i);
    EXPECT_EQ(row->AsInteger(), t->FieldByName("ID")->AsInteger());
  }
  grid.SetDataSource(nullptr);
}

}  // namespace fwtest
