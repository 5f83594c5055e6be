// The SQL page's script query against SQLite's own sqlite3_exec: 1,000
// INSERT statements between "---" lines, run by TQueryScript on a standard
// alias with the window's default options, and the same rows inserted by
// sqlite3_exec into a copy of the table's file made while it was empty.
// Rounds alternate, each adding the same rows to both; the figures are the
// best round of each.
//
//   sql_script [directory]     (default: a new folder under /tmp)
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "Database.h"
#include "Expldb.h"
#include "Query.h"
#include "guest_table.h"

using namespace bench;

namespace {

constexpr int Statements = 1000;
constexpr int Rounds = 5;
constexpr const char* kAlias = "SCRIPTBENCH";
constexpr const char* kInsertColumns = "FirstName, LastName, City, Email, Age, TableNo, Seats, Invited, RSVP";

struct Scripts {
  std::string engine, sqlite;
};

// The same rows as the engine's script and as SQLite's.
Scripts MakeScripts() {
  Scripts s;
  Rng r;
  for (int i = 0; i < Statements; ++i) {
    Guest g = MakeGuest(r);
    std::string values = " (" + std::string(kInsertColumns) + ") VALUES ('" + g.first + "', '" + g.last + "', '" +
                         g.city + "', '" + g.email + "', " + std::to_string(g.age) + ", " +
                         std::to_string(g.table) + ", " + std::to_string(g.seats) + ", '" + IsoDate(g.invited) +
                         "', " + std::to_string(g.rsvp) + ")";
    if (i) s.engine += "\n---\n";
    s.engine += "INSERT INTO Guests" + values;
    s.sqlite += "INSERT INTO records" + values + ";\n";
  }
  return s;
}

// The script as the window runs it: a statement without rows ends the Open.
double RunScript(dbx::TQueryScript* query, const std::string& script) {
  auto t = Clock::now();
  query->SQL()->SetText(script);
  try {
    query->Open();
  } catch (const fw::ENoResultSet&) {
  }
  double s = Seconds(t);
  query->Close();
  if (query->StatementCount() != Statements) {
    std::fprintf(stderr, "script: %d statements run\n", query->StatementCount());
    std::exit(1);
  }
  return s;
}

double RunSqlite(sqlite3* raw, const std::string& script) {
  auto t = Clock::now();
  CheckSql(sqlite3_exec(raw, script.c_str(), nullptr, nullptr, nullptr), raw, "script");
  return Seconds(t);
}

long CountRows(const std::string& path) {
  sqlite3* raw = OpenRaw(path);
  sqlite3_stmt* st = nullptr;
  CheckSql(sqlite3_prepare_v2(raw, "SELECT COUNT(*) FROM records", -1, &st, nullptr), raw, "count");
  CheckSql(sqlite3_step(st), raw, "count");
  long n = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(raw);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = WorkDirectory(argc, argv, "sql_script");
  fw::TSession::SetConfigFileHook([dir] { return dir + "/nubo.cfg"; });
  fw::Session().AddStandardAlias(kAlias, dir, "KALMURE");

  const std::string table = dir + "/Guests.db", copy = dir + "/Copy.db";
  for (const auto& file : {table, copy}) std::filesystem::remove(file);
  hOrvexDb db = 0;
  Check(E().OpenDatabase(dir.c_str(), nullptr, &db), "database");
  CreateTable(db, "Guests.db");
  E().CloseDatabase(&db);
  std::filesystem::copy_file(table, copy);

  Scripts scripts = MakeScripts();
  sqlite3* raw = OpenRaw(copy);
  auto owner = std::make_unique<fw::TComponent>(nullptr);
  auto* query = new dbx::TQueryScript(owner.get());
  query->SetDatabaseName(kAlias);
  query->UseOptions("---", 0, 0, false, {"--", "/*,*/"});

  double engine = 1e9, sqlite = 1e9;
  for (int round = 0; round < Rounds; ++round) {
    engine = std::min(engine, RunScript(query, scripts.engine));
    sqlite = std::min(sqlite, RunSqlite(raw, scripts.sqlite));
  }
  sqlite3_close(raw);
  owner.reset();
  fw::Session().DropConnections();

  std::printf("script_1000_inserts_engine: %.1f ms\n", engine * 1e3);
  std::printf("script_1000_inserts_sqlite: %.1f ms\n", sqlite * 1e3);
  std::printf("script_1000_inserts_ratio: %.2f engine/sqlite\n", engine / sqlite);
  long expected = static_cast<long>(Statements) * Rounds;
  bool same = CountRows(table) == expected && CountRows(copy) == expected;
  std::printf("rows_match: %d (1 yes, 0 no)\n", same ? 1 : 0);

  fw::Session().Close();
  if (argc <= 1) std::filesystem::remove_all(dir);
  return same ? 0 : 1;
}
