// The engine's desktop tables against SQLite's own C interface on the same
// files: a full scan reading every field, appends each in its own
// transaction, nearest-key searches on a secondary string index, and the
// peak memory of a scan of 100,000 and of 1,000,000 records.
//
//   engine_tables [directory]     (default: a new folder under /tmp)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "EngineLib.h"
#include "guest_table.h"

namespace {

using namespace bench;

// Appends through the engine, each its own post; the seconds taken.
double AppendsEngine(hOrvexCursor c, Rng& r, int count) {
  OrvexCursorProps p{};
  E().GetCursorProps(c, &p);
  std::vector<std::uint8_t> rec(p.recordSize);
  auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    Guest g = MakeGuest(r);
    E().InitRecord(c, rec.data());
    E().PutField(c, 2, rec.data(), g.first.c_str());
    E().PutField(c, 3, rec.data(), g.last.c_str());
    E().PutField(c, 4, rec.data(), g.city.c_str());
    E().PutField(c, 5, rec.data(), g.email.c_str());
    E().PutField(c, 6, rec.data(), &g.age);
    E().PutField(c, 7, rec.data(), &g.table);
    E().PutField(c, 8, rec.data(), &g.seats);
    E().PutField(c, 9, rec.data(), &g.invited);
    E().PutField(c, 10, rec.data(), &g.rsvp);
    Check(E().AppendRecord(c, rec.data()), "append");
  }
  return Seconds(start);
}

// The same inserts with SQLite, one transaction an insert (autocommit).
double AppendsSqlite(sqlite3* db, sqlite3_stmt* st, Rng& r, int count) {
  auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    BindGuest(st, MakeGuest(r));
    CheckSql(sqlite3_step(st), db, "insert");
    sqlite3_reset(st);
  }
  return Seconds(start);
}

double NearestSearches(hOrvexDb db, const char* table, int count) {
  hOrvexCursor c = 0;
  Check(E().OpenTable(db, table, nullptr, "ByLastName", ORVEX_OPEN_READONLY, ORVEX_SHARE_SHARED, &c), "open");
  OrvexCursorProps p{};
  E().GetCursorProps(c, &p);
  std::vector<std::uint8_t> key(p.recordSize), rec(p.recordSize);
  Rng r;
  r.s = 12345;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back(r.Word(2 + static_cast<int>(r.Next() % 2)));
  long found = 0;
  auto start = Clock::now();
  for (const std::string& name : names) {
    E().InitRecord(c, key.data());
    E().PutField(c, 3, key.data(), name.c_str());
    Check(E().SetToKey(c, ORVEX_KEY_NEAREST, 0, 0, key.data()), "search");
    found += E().GetNextRecord(c, 0, rec.data(), nullptr) == ORVEX_OK;
  }
  double s = Seconds(start);
  E().CloseCursor(&c);
  return found < 0 ? 0 : s * 1e6 / count;
}

long PeakRssKb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// The peak memory of a scan alone, in a process of its own.
double ScanPeakMb(const std::string& dir, const char* table) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(fds[1], 1);
    ::execl("/proc/self/exe", "engine_tables", "--scan", dir.c_str(), table, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  char buf[64] = {};
  ssize_t n = ::read(fds[0], buf, sizeof buf - 1);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return n > 0 ? std::atof(buf) / 1024.0 : -1;
}

int ScanChild(const char* dir, const char* table) {
  hOrvexDb db = 0;
  Check(E().OpenDatabase(dir, nullptr, &db), "database");
  long n = ScanEngine(db, table);
  std::printf("%ld\n", n > 0 ? PeakRssKb() : -1);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--scan") return ScanChild(argv[2], argv[3]);
  std::string dir = WorkDirectory(argc, argv, "engine_tables");
  hOrvexDb db = 0;
  Check(E().OpenDatabase(dir.c_str(), nullptr, &db), "database");

  const int kRecords = 100000;
  CreateTable(db, "Scan.db");
  Fill(dir + "/Scan.db", kRecords);
  ScanSqlite(dir + "/Scan.db");  // warm the file cache for both
  // Best of alternating rounds, so that both meet the same machine.
  double engineScan = 0, sqliteScan = 0;
  for (int round = 0; round < 5; ++round) {
    auto t = Clock::now();
    long n = ScanEngine(db, "Scan.db");
    engineScan = std::max(engineScan, static_cast<double>(n) / Seconds(t));
    t = Clock::now();
    n = ScanSqlite(dir + "/Scan.db");
    sqliteScan = std::max(sqliteScan, static_cast<double>(n) / Seconds(t));
  }
  std::printf("scan_engine: %.0f records/s\n", engineScan);
  std::printf("scan_sqlite: %.0f records/s\n", sqliteScan);
  std::printf("scan_ratio: %.2f engine/sqlite\n", engineScan / sqliteScan);

  const int kAppends = 10000;
  CreateTable(db, "AppendEngine.db");
  CreateTable(db, "AppendSqlite.db");
  double engineAppends = 0, sqliteAppends = 0;
  {
    // In alternating rounds, so that both meet the same disk.
    hOrvexCursor c = 0;
    Check(E().OpenTable(db, "AppendEngine.db", nullptr, nullptr, 0, 0, &c), "open");
    sqlite3* raw = OpenRaw(dir + "/AppendSqlite.db");
    sqlite3_stmt* st = nullptr;
    std::string sql = std::string("INSERT INTO records(") + kColumns + ") VALUES(?,?,?,?,?,?,?,?,?,?)";
    CheckSql(sqlite3_prepare_v2(raw, sql.c_str(), -1, &st, nullptr), raw, "prepare");
    Rng re, rs;
    double engineSeconds = 0, sqliteSeconds = 0;
    for (int round = 0; round < 100; ++round) {
      sqliteSeconds += AppendsSqlite(raw, st, rs, kAppends / 100);
      engineSeconds += AppendsEngine(c, re, kAppends / 100);
    }
    sqlite3_finalize(st);
    sqlite3_close(raw);
    E().CloseCursor(&c);
    engineAppends = kAppends / engineSeconds;
    sqliteAppends = kAppends / sqliteSeconds;
  }
  std::printf("append_engine: %.0f posts/s\n", engineAppends);
  std::printf("append_sqlite: %.0f posts/s\n", sqliteAppends);
  std::printf("append_ratio: %.2f engine/sqlite\n", engineAppends / sqliteAppends);

  std::printf("nearest_key_search: %.2f us\n", NearestSearches(db, "Scan.db", 10000));

  CreateTable(db, "Million.db");
  Fill(dir + "/Million.db", 1000000);
  std::printf("scan_peak_rss_100000: %.1f MB\n", ScanPeakMb(dir, "Scan.db"));
  std::printf("scan_peak_rss_1000000: %.1f MB\n", ScanPeakMb(dir, "Million.db"));

  E().CloseDatabase(&db);
  if (argc <= 1) std::filesystem::remove_all(dir);
  return 0;
}
