// SQL statements of the engine against SQLite's own C interface on the same
// file of 100,000 guests: a SELECT of every field passing about half of the
// records, without and with ORDER BY an indexed field, read to the end; an
// UPDATE of about a tenth; the time to the first record; and a live answer
// edited through TQuery, the change read back by a TTable.
//
//   engine_statements [directory]     (default: a new folder under /tmp)
#include <algorithm>
#include <functional>

#include "Database.h"
#include "Fields.h"
#include "Query.h"
#include "Strings.h"
#include "Table.h"
#include "guest_table.h"

using namespace bench;

namespace {

constexpr const char* kHalf = "Age < 45";
constexpr const char* kOrdered = "Age < 45 ORDER BY LastName";
constexpr const char* kTenth = "TableNo % 10 = 3";

// A statement of the engine run to its end, every field of its answer read.
long RunEngine(hOrvexDb db, const std::string& sql) {
  OrvexHandle st = 0;
  Check(E().QAlloc(db, ORVEX_LANG_SQL, &st), "alloc");
  Check(E().QPrepare(st, sql.c_str()), "prepare");
  hOrvexCursor c = 0;
  Check(E().QExec(st, &c), "execute");
  long n = 0;
  if (c) {
    n = ScanCursor(c);
    E().CloseCursor(&c);
  } else {
    std::int32_t rows = 0;
    E().GetProp(st, ORVEX_STMT_ROWS_AFFECTED, &rows, sizeof rows, nullptr);
    n = rows;
  }
  E().QFree(&st);
  return n;
}

long UpdateSqlite(sqlite3* raw) {
  CheckSql(sqlite3_exec(raw, (std::string("UPDATE records SET Seats = Seats % 4 + 1 WHERE ") + kTenth).c_str(),
                        nullptr, nullptr, nullptr),
           raw, "update");
  return sqlite3_changes(raw);
}

// The best rate of alternating rounds, so that both meet the same machine.
void Compare(const char* name, const char* unit, const std::function<long()>& engine,
             const std::function<long()>& sqlite) {
  double e = 0, s = 0;
  for (int round = 0; round < 5; ++round) {
    auto t = Clock::now();
    long n = engine();
    e = std::max(e, static_cast<double>(n) / Seconds(t));
    t = Clock::now();
    n = sqlite();
    s = std::max(s, static_cast<double>(n) / Seconds(t));
  }
  std::printf("%s_engine: %.0f %s\n", name, e, unit);
  std::printf("%s_sqlite: %.0f %s\n", name, s, unit);
  std::printf("%s_ratio: %.2f engine/sqlite\n", name, e / s);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Statement made, prepared and run until its first record is in hand.
double FirstRecordEngine(hOrvexDb db, const std::string& sql) {
  auto t = Clock::now();
  OrvexHandle st = 0;
  Check(E().QAlloc(db, ORVEX_LANG_SQL, &st), "alloc");
  Check(E().QPrepare(st, sql.c_str()), "prepare");
  hOrvexCursor c = 0;
  Check(E().QExec(st, &c), "execute");
  OrvexCursorProps p{};
  E().GetCursorProps(c, &p);
  std::vector<std::uint8_t> rec(p.recordSize);
  Check(E().GetNextRecord(c, 0, rec.data(), nullptr), "first record");
  double s = Seconds(t);
  E().CloseCursor(&c);
  E().QFree(&st);
  return s;
}

double FirstRecordSqlite(sqlite3* raw, const std::string& sql) {
  auto t = Clock::now();
  sqlite3_stmt* st = nullptr;
  CheckSql(sqlite3_prepare_v2(raw, sql.c_str(), -1, &st, nullptr), raw, "prepare");
  CheckSql(sqlite3_step(st), raw, "first record");
  double s = Seconds(t);
  sqlite3_finalize(st);
  return s;
}

// A live answer edited and posted through TQuery; true when a TTable on the
// same file then reads the change.
bool LiveEdit(const std::string& dir, double& seconds) {
  auto owner = std::make_unique<fw::TComponent>(nullptr);
  auto* q = new fw::TQuery(owner.get());
  q->SetDatabaseName(dir);
  q->SQL()->SetText("SELECT * FROM Scan WHERE ID = :id");
  q->ParamByName("id")->SetAsInteger(50000);
  q->SetRequestLive(true);
  auto t = Clock::now();
  q->Open();
  int age = q->FieldByName("Age")->AsInteger() == 7 ? 8 : 7;
  q->Edit();
  q->FieldByName("Age")->SetAsInteger(age);
  q->Post();
  seconds = Seconds(t);
  auto* table = new fw::TTable(owner.get());
  table->SetDatabaseName(dir);
  table->SetTableName("Scan.db");
  table->Open();
  bool seen = table->FindKey({fw::Variant(50000)}) && table->FieldByName("Age")->AsInteger() == age;
  owner.reset();
  fw::Session().DropConnections();
  return seen;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = WorkDirectory(argc, argv, "engine_statements");
  hOrvexDb db = 0;
  Check(E().OpenDatabase(dir.c_str(), nullptr, &db), "database");
  CreateTable(db, "Scan.db");
  Fill(dir + "/Scan.db", 100000);
  const std::string path = dir + "/Scan.db";
  ScanSqlite(path);  // warm the file cache for both

  const std::string select = std::string("SELECT * FROM Scan WHERE ");
  Compare("select_half", "records/s", [&] { return RunEngine(db, select + kHalf); },
          [&] { return ScanSqlite(path, kHalf); });
  Compare("select_half_ordered", "records/s", [&] { return RunEngine(db, select + kOrdered); },
          [&] { return ScanSqlite(path, kOrdered); });

  sqlite3* raw = OpenRaw(path);
  Compare("update_tenth", "records/s",
          [&] { return RunEngine(db, std::string("UPDATE Scan SET Seats = Seats % 4 + 1 WHERE ") + kTenth); },
          [&] { return UpdateSqlite(raw); });

  std::vector<double> engine, sqlite;
  const std::string rawSelect = std::string("SELECT ") + kColumns + " FROM records WHERE " + kHalf;
  for (int round = 0; round < 101; ++round) {
    engine.push_back(FirstRecordEngine(db, select + kHalf));
    sqlite.push_back(FirstRecordSqlite(raw, rawSelect));
  }
  sqlite3_close(raw);
  double e = Median(engine), s = Median(sqlite);
  std::printf("first_record_engine: %.1f us\n", e * 1e6);
  std::printf("first_record_sqlite: %.1f us\n", s * 1e6);
  std::printf("first_record_ratio: %.2f engine/sqlite\n", e / s);

  E().CloseDatabase(&db);
  double seconds = 0;
  bool seen = LiveEdit(dir, seconds);
  std::printf("live_edit_post: %.2f ms\n", seconds * 1e3);
  std::printf("live_edit_seen_by_table: %d (1 yes, 0 no)\n", seen ? 1 : 0);

  if (argc <= 1) std::filesystem::remove_all(dir);
  return seen ? 0 : 1;
}
