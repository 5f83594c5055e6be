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

namespace {

using Clock = std::chrono::steady_clock;

fw::TEngineLib& E() { return fw::Engine(); }

void Check(OrvexResult r, const char* what) {
  if (r == ORVEX_OK) return;
  std::fprintf(stderr, "%s: %s\n", what, E().ErrorText(r).c_str());
  std::exit(1);
}

void CheckSql(int rc, sqlite3* db, const char* what) {
  if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) return;
  std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
  std::exit(1);
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Ten fields: strings, integers, a date and a Boolean.
const char* kColumns = "ID, FirstName, LastName, City, Email, Age, TableNo, Seats, Invited, RSVP";

OrvexFieldDesc Field(const char* name, std::uint16_t type, std::uint16_t size = 0) {
  OrvexFieldDesc d{};
  std::strcpy(d.name, name);
  d.type = type;
  d.size = size;
  return d;
}

void CreateTable(hOrvexDb db, const char* name) {
  OrvexTableDesc t{};
  std::strcpy(t.name, name);
  OrvexFieldDesc f[] = {Field("ID", ORVEX_FT_AUTOINC),        Field("FirstName", ORVEX_FT_STRING, 20),
                        Field("LastName", ORVEX_FT_STRING, 30), Field("City", ORVEX_FT_STRING, 20),
                        Field("Email", ORVEX_FT_STRING, 40),    Field("Age", ORVEX_FT_INTEGER),
                        Field("TableNo", ORVEX_FT_INTEGER),     Field("Seats", ORVEX_FT_SMALLINT),
                        Field("Invited", ORVEX_FT_DATE),        Field("RSVP", ORVEX_FT_BOOLEAN)};
  OrvexIndexDesc x[2] = {};
  x[0].fieldCount = 1;
  x[0].fields[0] = 1;
  x[0].primary = 1;
  std::strcpy(x[1].name, "ByLastName");
  x[1].fieldCount = 1;
  x[1].fields[0] = 3;
  Check(E().CreateTable(db, &t, 10, f, 2, x, 0, nullptr, 1), "create");
}

struct Rng {
  std::uint64_t s = 88172645463325252ull;
  std::uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<std::uint32_t>(s >> 11);
  }
  std::string Word(int syllables) {
    static const char* parts[] = {"an", "ber", "cas", "del", "en", "fin", "gar", "hol", "is", "jo", "ka", "lin",
                                  "mar", "nor", "ol", "per", "qui", "ros", "sten", "tor", "ul", "ven", "wil", "zak"};
    std::string w;
    for (int i = 0; i < syllables; ++i) w += parts[Next() % 24];
    w[0] = static_cast<char>(w[0] - 32);
    return w;
  }
};

struct Guest {
  std::string first, last, city, email;
  std::int32_t age, table;
  std::int16_t seats;
  std::int32_t invited;
  std::uint16_t rsvp;
};

Guest MakeGuest(Rng& r) {
  Guest g;
  g.first = r.Word(2);
  g.last = r.Word(3);
  g.city = r.Word(2);
  g.email = g.first + "." + g.last + "@example.org";
  g.age = static_cast<std::int32_t>(r.Next() % 90);
  g.table = static_cast<std::int32_t>(r.Next() % 128);
  g.seats = static_cast<std::int16_t>(1 + r.Next() % 4);
  g.invited = 738000 + static_cast<std::int32_t>(r.Next() % 400);
  g.rsvp = r.Next() % 2;
  return g;
}

std::string IsoDate(std::int32_t day) {
  std::int64_t z = day - 1 - 719162 + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  unsigned d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
  long y = static_cast<long>(yoe) + era * 400 + (m <= 2);
  char b[32];
  std::snprintf(b, sizeof b, "%04ld-%02u-%02u", y, m, d);
  return b;
}

sqlite3* OpenRaw(const std::string& path) {
  sqlite3* db = nullptr;
  CheckSql(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  return db;
}

void BindGuest(sqlite3_stmt* st, const Guest& g) {
  sqlite3_bind_null(st, 1);
  sqlite3_bind_text(st, 2, g.first.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 3, g.last.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 4, g.city.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 5, g.email.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 6, g.age);
  sqlite3_bind_int(st, 7, g.table);
  sqlite3_bind_int(st, 8, g.seats);
  sqlite3_bind_text(st, 9, IsoDate(g.invited).c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 10, g.rsvp);
}

// Fills a fresh table in one transaction: the figures are about reading it.
void Fill(const std::string& path, int count) {
  sqlite3* db = OpenRaw(path);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  std::string sql = std::string("INSERT INTO records(") + kColumns + ") VALUES(?,?,?,?,?,?,?,?,?,?)";
  CheckSql(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db, "prepare");
  Rng r;
  for (int i = 0; i < count; ++i) {
    BindGuest(st, MakeGuest(r));
    CheckSql(sqlite3_step(st), db, "insert");
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  CheckSql(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
}

// A full scan through the engine's entries, every field read; records read.
long ScanEngine(hOrvexDb db, const char* table) {
  hOrvexCursor c = 0;
  Check(E().OpenTable(db, table, nullptr, nullptr, ORVEX_OPEN_READONLY, ORVEX_SHARE_SHARED, &c), "open");
  OrvexCursorProps p{};
  E().GetCursorProps(c, &p);
  std::vector<std::uint8_t> rec(p.recordSize);
  std::vector<std::uint8_t> value(256);
  std::uint16_t blank;
  long n = 0, sum = 0;
  while (E().GetNextRecord(c, 0, rec.data(), nullptr) == ORVEX_OK) {
    for (std::uint16_t f = 1; f <= p.fieldCount; ++f) {
      E().GetField(c, f, rec.data(), value.data(), &blank);
      sum += value[0];
    }
    ++n;
  }
  E().CloseCursor(&c);
  return sum == -1 ? 0 : n;
}

// The same columns of the same file with SQLite's C interface.
long ScanSqlite(const std::string& path) {
  sqlite3* db = OpenRaw(path);
  sqlite3_stmt* st = nullptr;
  std::string sql = std::string("SELECT ") + kColumns + " FROM records";
  CheckSql(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db, "prepare");
  char text[256];
  long n = 0, sum = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < 10; ++i) {
      if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
        auto len = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
        std::memcpy(text, sqlite3_column_text(st, i), std::min<std::size_t>(len + 1, sizeof text));
        sum += text[0];
      } else {
        sum += sqlite3_column_int(st, i);
      }
    }
    ++n;
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return sum == -1 ? 0 : n;
}

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
  std::string dir;
  if (argc > 1) {
    dir = argv[1];
    std::filesystem::create_directories(dir);
  } else {
    char templ[] = "/tmp/engine_tables-XXXXXX";
    dir = ::mkdtemp(templ);
  }
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
