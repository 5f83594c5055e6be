// The lookup combo's incremental search over 100,000 guests (the shared guest
// table: LastName, shown as the name, has a secondary index that folds case;
// City has none), with the combo dropped down on Qt's offscreen platform and
// the search fired through a manual timer clock. For 1,000 three-letter
// prefixes taken from the table:
//  - the indexed search on the name, until the found record is current and
//    the drop-down's eight rows and its scroll position are read; the peer is
//    SQLite's C interface on a copy of the file with its own index: the eight
//    rows from the nearest name, and the count of records before it;
//  - the search on City, a record scan; the peer steps SELECT * in table
//    order, compares each City in C until the first that begins with the
//    prefix, and reads the seven after it;
//  - the exact search of a full name with the list closed (the same peer as
//    the indexed search, for the exact name);
//  - one typed key until the drop-down is painted.
//
//   lookup_search [directory]     (default: a new folder under /tmp)
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "DataSource.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Vxdblook.h"
#include "Vxtable.h"
#include "guest_table.h"
#include "widget_bench.h"

namespace {

using bench::Clock;
using bench::Millis;

struct Peer {
  sqlite3* db = nullptr;
  sqlite3_stmt* rows = nullptr;
  sqlite3_stmt* before = nullptr;
  sqlite3_stmt* scan = nullptr;

  explicit Peer(const std::string& path) {
    db = bench::OpenRaw(path);
    bench::CheckSql(sqlite3_exec(db, "CREATE INDEX peer_last ON records(LastName COLLATE NOCASE)", nullptr, nullptr,
                                 nullptr),
                    db, "index");
    bench::CheckSql(sqlite3_prepare_v2(db,
                                       "SELECT ID, LastName FROM records WHERE LastName >= ?1 COLLATE NOCASE "
                                       "ORDER BY LastName COLLATE NOCASE LIMIT 8",
                                       -1, &rows, nullptr),
                    db, "prepare rows");
    bench::CheckSql(sqlite3_prepare_v2(db, "SELECT count(*) FROM records WHERE LastName < ?1 COLLATE NOCASE", -1,
                                       &before, nullptr),
                    db, "prepare count");
    bench::CheckSql(sqlite3_prepare_v2(db, "SELECT * FROM records", -1, &scan, nullptr), db, "prepare scan");
  }
  ~Peer() {
    sqlite3_finalize(rows);
    sqlite3_finalize(before);
    sqlite3_finalize(scan);
    sqlite3_close(db);
  }
  // The nearest name and the count before it.
  std::string Nearest(const std::string& prefix, long& count) {
    sqlite3_bind_text(rows, 1, prefix.c_str(), -1, SQLITE_TRANSIENT);
    std::string first;
    for (int i = 0; sqlite3_step(rows) == SQLITE_ROW; ++i)
      if (i == 0) first = reinterpret_cast<const char*>(sqlite3_column_text(rows, 1));
    sqlite3_reset(rows);
    sqlite3_bind_text(before, 1, prefix.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(before);
    count = sqlite3_column_int(before, 0);
    sqlite3_reset(before);
    return first;
  }
  // The first city in table order that begins with the prefix, and the seven after it.
  std::string FirstCity(const std::string& prefix) {
    std::string found;
    int after = -1;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      const char* city = reinterpret_cast<const char*>(sqlite3_column_text(scan, 3));
      if (after >= 0) {
        if (++after == 7) break;
        continue;
      }
      if (city && std::strncmp(city, prefix.c_str(), prefix.size()) == 0) {
        found = city;
        after = 0;
      }
    }
    sqlite3_reset(scan);
    return found;
  }
};

struct Rows {
  std::vector<std::string> Texts;
  int ScrollPos = 0;
};

// What the drop-down shows: its rows' display texts and its scroll position.
Rows ReadDropDown(vx::TvxPopupGrid* list) {
  Rows r;
  vx::TvxGridDataLink* link = list->DataLink();
  const int old = link->ActiveRecord();
  for (int i = 0; i < link->RecordCount(); ++i) {
    link->SetActiveRecord(i);
    r.Texts.push_back(list->DisplayField()->Text());
  }
  link->SetActiveRecord(old);
  r.ScrollPos = fw::GetScrollPos(list->Handle(), fw::SB_VERT);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = bench::WorkDirectory(argc, argv, "lookup_search");
  const int kRecords = 100000;
  {
    hOrvexDb db = 0;
    bench::Check(bench::E().OpenDatabase(dir.c_str(), nullptr, &db), "database");
    bench::CreateTable(db, "Lookup.db", true);
    bench::E().CloseDatabase(&db);
  }
  const std::string path = dir + "/Lookup.db";
  bench::Fill(path, kRecords);
  const std::string peerPath = dir + "/peer.sqlite";
  std::filesystem::copy_file(path, peerPath, std::filesystem::copy_options::overwrite_existing);
  auto peer = std::make_unique<Peer>(peerPath);

  // 1,000 prefixes of names and of cities, spread over the table.
  std::vector<std::string> names, cities, fullNames;
  {
    sqlite3_stmt* st = nullptr;
    bench::CheckSql(sqlite3_prepare_v2(peer->db, "SELECT LastName, City FROM records WHERE rowid % 100 = 3", -1, &st,
                                       nullptr),
                    peer->db, "prepare");
    while (sqlite3_step(st) == SQLITE_ROW && names.size() < 1000) {
      std::string last = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
      std::string city = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
      names.push_back(last.substr(0, 3));
      cities.push_back(city.substr(0, 3));
      fullNames.push_back(last);
    }
    sqlite3_finalize(st);
  }

  bench::StartWidgets();
  auto clockOwner = std::make_unique<fw::TManualTimerClock>();
  fw::TManualTimerClock* clock = clockOwner.get();
  auto previousClock = fw::SetTimerClock(std::move(clockOwner));
  auto form = std::make_unique<fw::TForm>(nullptr);
  form->SetBounds(0, 0, 400, 300);
  auto* table = new vx::TvxTable(form.get());
  table->SetDatabaseName(dir);
  table->SetTableName("Lookup.db");
  table->Open();
  auto* combo = new vx::TvxDBLookupCombo(form.get());
  combo->SetParent(form.get());
  combo->SetBounds(10, 10, 260, 24);
  combo->Loaded();
  combo->Selected()->Add("LastName\t30\tName");
  combo->SetLookupTable(table);
  combo->SetLookupField("ID");
  form->Show();
  combo->SetFocus();
  fw::Application->ProcessMessages();

  // A prefix typed: the text, a key released, the pause.
  auto type = [&](const std::string& text) {
    combo->SetText(text);
    combo->Perform(fw::WM_KEYUP, 'A', 0);
    clock->Advance(400);
  };
  auto search = [&](const std::vector<std::string>& prefixes, bool byName, double& ms) {
    combo->DropDown();
    int found = 0;
    const auto t = Clock::now();
    for (const std::string& p : prefixes) {
      type(p);
      const Rows r = ReadDropDown(combo->List());
      if (combo->Found() && !r.Texts.empty()) ++found;
    }
    ms = Millis(t);
    combo->CloseUp(false);
    if (found != static_cast<int>(prefixes.size())) {
      std::fprintf(stderr, "%s: %d of %zu prefixes found\n", byName ? "name" : "city", found, prefixes.size());
      std::exit(1);
    }
  };

  // ---- the indexed search on the name
  double indexedMs = 0;
  search(names, true, indexedMs);
  const auto tp = Clock::now();
  long checksum = 0;
  for (const std::string& p : names) {
    long before = 0;
    if (peer->Nearest(p, before).empty()) std::exit(1);
    checksum += before;
  }
  const double peerIndexedMs = Millis(tp);

  // ---- the search on City: a record scan
  combo->Selected()->Clear();
  combo->Selected()->Add("City\t20\tCity");
  combo->SetLookupField("");
  combo->SetLookupField("ID");
  double scanMs = 0;
  search(cities, false, scanMs);
  const auto ts = Clock::now();
  for (const std::string& p : cities)
    if (peer->FirstCity(p).empty()) std::exit(1);
  const double peerScanMs = Millis(ts);

  // ---- the exact search with the list closed
  combo->Selected()->Clear();
  combo->Selected()->Add("LastName\t30\tName");
  combo->SetLookupField("");
  combo->SetLookupField("ID");
  combo->UpdateSearchIndex(true);
  int exact = 0;
  const auto te = Clock::now();
  for (const std::string& n : fullNames) {
    combo->SetText(n);
    combo->PerformSearch();
    if (combo->Found()) ++exact;
  }
  const double exactMs = Millis(te);
  if (exact != static_cast<int>(fullNames.size())) {
    std::fprintf(stderr, "exact: %d of %zu found\n", exact, fullNames.size());
    return 1;
  }
  const auto tq = Clock::now();
  for (const std::string& n : fullNames) {
    long before = 0;
    if (peer->Nearest(n, before).empty()) return 1;
  }
  const double peerExactMs = Millis(tq);

  // ---- one typed key until the drop-down is painted
  combo->DropDown();
  QWidget* listWidget = fw::WidgetOf(combo->List());
  const auto tk = Clock::now();
  for (int i = 0; i < 100; ++i) {
    type(names[static_cast<std::size_t>(i)]);
    bench::PaintOnce(listWidget);
  }
  const double keyMs = Millis(tk) / 100;
  combo->CloseUp(false);

  const double n = static_cast<double>(names.size());
  std::printf("prefixes: %.0f count\n", n);
  std::printf("lookup_indexed_search: %.1f us/search\n", indexedMs / n * 1e3);
  std::printf("sqlite_indexed_rows_and_count: %.1f us/search\n", peerIndexedMs / n * 1e3);
  std::printf("lookup_indexed_to_sqlite_ratio: %.2f library/sqlite\n", indexedMs / peerIndexedMs);
  std::printf("lookup_city_scan: %.1f us/search\n", scanMs / n * 1e3);
  std::printf("sqlite_city_scan: %.1f us/search\n", peerScanMs / n * 1e3);
  std::printf("lookup_scan_to_sqlite_ratio: %.2f library/sqlite\n", scanMs / peerScanMs);
  std::printf("lookup_exact_closed: %.1f us/search\n", exactMs / n * 1e3);
  std::printf("sqlite_exact_rows_and_count: %.1f us/search\n", peerExactMs / n * 1e3);
  std::printf("lookup_exact_to_sqlite_ratio: %.2f library/sqlite\n", exactMs / peerExactMs);
  std::printf("typed_key_to_painted_dropdown: %.2f ms\n", keyMs);
  std::printf("peer_checksum: %ld count\n", checksum);

  form.reset();
  fw::SetTimerClock(std::move(previousClock));
  peer.reset();
  fw::Session().DropConnections();
  if (argc <= 1) std::filesystem::remove_all(dir);
  return 0;
}
