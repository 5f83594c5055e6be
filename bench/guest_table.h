// The guest table the engine benchmarks share: ten fields (strings,
// integers, a date and a Boolean), filled straight into the file, and full
// scans that read every field through the engine and through SQLite's own
// C interface on the same file.
#pragma once
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sqlite3.h>
#include <stdlib.h>

#include "EngineLib.h"

namespace bench {

// The directory the program's argument names, else a new one under /tmp
// (which the program removes when done).
inline std::string WorkDirectory(int argc, char** argv, const char* program) {
  if (argc > 1) {
    std::filesystem::create_directories(argv[1]);
    return argv[1];
  }
  std::string templ = std::string("/tmp/") + program + "-XXXXXX";
  if (!::mkdtemp(templ.data())) {
    std::perror(templ.c_str());
    std::exit(1);
  }
  return templ;
}

using Clock = std::chrono::steady_clock;

inline fw::TEngineLib& E() { return fw::Engine(); }

inline void Check(OrvexResult r, const char* what) {
  if (r == ORVEX_OK) return;
  std::fprintf(stderr, "%s: %s\n", what, E().ErrorText(r).c_str());
  std::exit(1);
}

inline void CheckSql(int rc, sqlite3* db, const char* what) {
  if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) return;
  std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
  std::exit(1);
}

inline double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Ten fields: strings, integers, a date and a Boolean.
inline const char* const kColumns = "ID, FirstName, LastName, City, Email, Age, TableNo, Seats, Invited, RSVP";

inline OrvexFieldDesc Field(const char* name, std::uint16_t type, std::uint16_t size = 0) {
  OrvexFieldDesc d{};
  std::strcpy(d.name, name);
  d.type = type;
  d.size = size;
  return d;
}

// ByLastName folds case when namesFoldCase.
inline void CreateTable(hOrvexDb db, const char* name, bool namesFoldCase = false) {
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
  x[1].caseInsensitive = namesFoldCase ? 1 : 0;
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

inline Guest MakeGuest(Rng& r) {
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

inline std::string IsoDate(std::int32_t day) {
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

// The engine's order for indexes that fold case, as far as the ASCII texts
// of these tables go: letters compared in lower case, then by length.
inline int FoldAscii(void*, int na, const void* a, int nb, const void* b) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (int i = 0; i < na && i < nb; ++i) {
    int p = std::tolower(x[i]), q = std::tolower(y[i]);
    if (p != q) return p < q ? -1 : 1;
  }
  return na == nb ? 0 : (na < nb ? -1 : 1);
}

inline sqlite3* OpenRaw(const std::string& path) {
  sqlite3* db = nullptr;
  CheckSql(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  sqlite3_create_collation(db, "ORVEX_NOCASE", SQLITE_UTF8, nullptr, FoldAscii);
  return db;
}

inline void BindGuest(sqlite3_stmt* st, const Guest& g) {
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
inline void Fill(const std::string& path, int count) {
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

// The rest of a cursor's records, every field read; records read.
inline long ScanCursor(hOrvexCursor c) {
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
  return sum == -1 ? 0 : n;
}

inline hOrvexCursor OpenScan(hOrvexDb db, const char* table) {
  hOrvexCursor c = 0;
  Check(E().OpenTable(db, table, nullptr, nullptr, ORVEX_OPEN_READONLY, ORVEX_SHARE_SHARED, &c), "open");
  return c;
}

// A full scan through the engine's entries, every field read; records read.
inline long ScanEngine(hOrvexDb db, const char* table) {
  hOrvexCursor c = OpenScan(db, table);
  long n = ScanCursor(c);
  E().CloseCursor(&c);
  return n;
}

// The same columns of the same file with SQLite's C interface, the records
// of a WHERE clause when one is given.
inline long ScanSqlite(const std::string& path, const std::string& where = {}) {
  sqlite3* db = OpenRaw(path);
  sqlite3_stmt* st = nullptr;
  std::string sql = std::string("SELECT ") + kColumns + " FROM records" + (where.empty() ? "" : " WHERE " + where);
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

}  // namespace bench
