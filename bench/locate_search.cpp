// The library's searches on 100,000 guests laid out as in engine_tables:
//  - vxFindMatch, partial match anywhere on a field without an index, for a
//    value only the last record holds: against the engine's raw cursor scan
//    of the same records, and against SQLite's own
//    SELECT ... WHERE City LIKE '%value%' LIMIT 1 on the same file;
//  - five-letter names typed letter by letter through vxFindNearest on a
//    case-insensitive index of last names, with the locate method and with
//    FindNearest, against SQLite's indexed
//    SELECT ... WHERE LastName >= ? ORDER BY LastName LIMIT 1 (on a copy of
//    the file with an index SQLite itself can use).
// The table shows ten records at a time, as a grid would.
//
//   locate_search [directory]     (default: a new folder under /tmp)
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "DataSource.h"
#include "Vxintl.h"
#include "Vxlocate.h"
#include "Vxtable.h"
#include "guest_table.h"

namespace {

using namespace bench;

constexpr const char* kUnique = "Quxwvian";  // the last record's city
constexpr const char* kSought = "XWV";  // in no other city: the search reads every record

// Best of five: the shortest time a run takes.
template <typename F>
double Best(F&& run) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    auto t = Clock::now();
    run();
    best = std::min(best, Seconds(t));
  }
  return best;
}

long RawScan(hOrvexDb db) {
  hOrvexCursor c = OpenScan(db, "Scan.db");
  OrvexCursorProps p{};
  E().GetCursorProps(c, &p);
  std::vector<std::uint8_t> rec(p.recordSize);
  long n = 0;
  while (E().GetNextRecord(c, 0, rec.data(), nullptr) == ORVEX_OK) ++n;
  E().CloseCursor(&c);
  return n;
}

bool SqliteLike(sqlite3* db) {
  static sqlite3_stmt* st = nullptr;
  if (!st)
    CheckSql(sqlite3_prepare_v2(db, "SELECT ID, City FROM records WHERE City LIKE ?1 LIMIT 1", -1, &st, nullptr), db,
             "prepare");
  std::string like = std::string("%") + kSought + "%";
  sqlite3_bind_text(st, 1, like.c_str(), -1, SQLITE_TRANSIENT);
  bool found = sqlite3_step(st) == SQLITE_ROW;
  sqlite3_reset(st);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = WorkDirectory(argc, argv, "locate_search");
  const long kRecords = 100000;
  {
    hOrvexDb db = 0;
    Check(E().OpenDatabase(dir.c_str(), nullptr, &db), "database");
    CreateTable(db, "Scan.db", true);
    E().CloseDatabase(&db);
  }
  const std::string path = dir + "/Scan.db";
  Fill(path, kRecords);
  {
    sqlite3* raw = OpenRaw(path);
    std::string sql = std::string("UPDATE records SET City = '") + kUnique + "' WHERE rowid = (SELECT max(rowid) FROM records)";
    CheckSql(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), raw, "update");
    sqlite3_close(raw);
  }
  const std::string peerPath = dir + "/peer.sqlite";
  std::filesystem::copy_file(path, peerPath, std::filesystem::copy_options::overwrite_existing);
  sqlite3* peer = OpenRaw(peerPath);
  CheckSql(sqlite3_exec(peer, "CREATE INDEX peer_last ON records(LastName COLLATE NOCASE)", nullptr, nullptr, nullptr),
           peer, "index");
  ScanSqlite(path);  // warm the file cache for both

  auto table = std::make_unique<vx::TvxTable>(nullptr);
  table->SetDatabaseName(dir);
  table->SetTableName("Scan.db");
  table->Open();
  auto source = std::make_unique<vx::TvxDataSource>(nullptr);
  source->SetDataSet(table.get());
  fw::TDataLink grid;
  grid.SetBufferCount(10);
  grid.SetDataSource(source.get());

  // ---- vxFindMatch against the raw scan and SQLite's LIKE
  hOrvexDb db = table->DBHandle();
  bool found = false;
  double match = Best([&] {
    table->First();
    found = vx::vxFindMatch(true, table.get(), "City", false, vx::mtPartialMatchAny, kSought);
  });
  if (!found || table->FieldByName("City")->AsString() != kUnique) {
    std::fprintf(stderr, "vxFindMatch did not find the last record\n");
    return 1;
  }
  long scanned = 0;
  double raw = Best([&] { scanned = RawScan(db); });
  bool sqliteFound = false;
  double like = Best([&] { sqliteFound = SqliteLike(peer); });
  if (scanned != kRecords || !sqliteFound) {
    std::fprintf(stderr, "the peers disagree\n");
    return 1;
  }
  std::printf("findmatch_any_last: %.2f ms\n", match * 1e3);
  std::printf("raw_cursor_scan: %.2f ms\n", raw * 1e3);
  std::printf("sqlite_like_limit1: %.2f ms\n", like * 1e3);
  std::printf("findmatch_to_raw_scan_ratio: %.2f raw/findmatch\n", raw / match);
  std::printf("findmatch_to_sqlite_like_ratio: %.2f sqlite/findmatch\n", like / match);

  // ---- incremental search, letter by letter
  table->SetIndexName("ByLastName");
  std::vector<std::string> names;
  {
    sqlite3_stmt* st = nullptr;
    CheckSql(sqlite3_prepare_v2(peer, "SELECT LastName FROM records WHERE rowid % 500 = 7", -1, &st, nullptr), peer,
             "prepare");
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::string n = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      if (n.size() >= 5) names.push_back(n.substr(0, 5));
    }
    sqlite3_finalize(st);
  }
  const double keystrokes = static_cast<double>(names.size() * 5);
  auto typeAll = [&] {
    int matched = 0;
    for (const std::string& n : names)
      for (std::size_t k = 1; k <= 5; ++k) matched += table->vxFindNearest(n.substr(0, k), 0) ? 1 : 0;
    if (matched != static_cast<int>(keystrokes)) {
      std::fprintf(stderr, "%d of %.0f keystrokes matched\n", matched, keystrokes);
      std::exit(1);
    }
  };
  vx::vxInternational()->SetUseLocateMethodForSearch(true);
  const double byLocate = Best(typeAll);
  vx::vxInternational()->SetUseLocateMethodForSearch(false);
  const double byNearest = Best(typeAll);
  vx::vxInternational()->SetUseLocateMethodForSearch(true);

  sqlite3_stmt* next = nullptr;
  CheckSql(sqlite3_prepare_v2(peer,
                              "SELECT ID, LastName FROM records WHERE LastName >= ?1 COLLATE NOCASE "
                              "ORDER BY LastName COLLATE NOCASE LIMIT 1",
                              -1, &next, nullptr),
           peer, "prepare");
  const double bySqlite = Best([&] {
    for (const std::string& n : names)
      for (std::size_t k = 1; k <= 5; ++k) {
        std::string prefix = n.substr(0, k);
        sqlite3_bind_text(next, 1, prefix.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(next) != SQLITE_ROW) {
          std::fprintf(stderr, "SQLite found no name for %s\n", prefix.c_str());
          std::exit(1);
        }
        sqlite3_reset(next);
      }
  });
  sqlite3_finalize(next);
  std::printf("keystrokes: %.0f count\n", keystrokes);
  std::printf("findnearest_locate: %.1f us/keystroke\n", byLocate / keystrokes * 1e6);
  std::printf("findnearest_nearest: %.1f us/keystroke\n", byNearest / keystrokes * 1e6);
  std::printf("sqlite_indexed_nearest: %.1f us/keystroke\n", bySqlite / keystrokes * 1e6);
  std::printf("findnearest_locate_to_sqlite_ratio: %.2f sqlite/library\n", bySqlite / byLocate);
  std::printf("findnearest_nearest_to_sqlite_ratio: %.2f sqlite/library\n", bySqlite / byNearest);

  grid.SetDataSource(nullptr);
  source.reset();
  table.reset();
  sqlite3_close(peer);
  fw::Session().DropConnections();
  if (argc <= 1) std::filesystem::remove_all(dir);
  return 0;
}
