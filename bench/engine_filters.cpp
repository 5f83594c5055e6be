// Reading through filters, on 100,000 guests laid out as in engine_tables:
// a scan through an expression filter reading every field of the records
// that pass, against SQLite's own SELECT with the same condition in its
// WHERE on the same file, with about 1% and about 50% passing; and a scan
// through a callback that accepts every record, against the unfiltered
// scan.
//
//   engine_filters [directory]     (default: a new folder under /tmp)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "guest_table.h"

namespace {

using namespace bench;

// The descriptor of "field op constant" with a 32-bit constant: a binary
// node over a field node and a constant node, the pool holding the name
// and the value.
std::vector<std::uint8_t> Condition(const char* field, std::uint32_t op, std::int32_t value) {
  std::size_t nameSize = std::strlen(field) + 1;
  std::size_t literals = ORVEX_FILTER_HEADER_SIZE + 3 * ORVEX_FILTER_NODE_SIZE;
  std::vector<std::uint8_t> d(literals + nameSize + 4);
  auto u16 = [&](std::size_t at, std::size_t v) {
    auto w = static_cast<std::uint16_t>(v);
    std::memcpy(&d[at], &w, 2);
  };
  auto u32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&d[at], &v, 4); };
  u16(0, ORVEX_FILTER_VERSION);
  u16(2, d.size());
  u16(4, 3);
  u16(6, ORVEX_FILTER_HEADER_SIZE);
  u16(8, literals);
  std::size_t root = ORVEX_FILTER_HEADER_SIZE, constant = root + 14, name = constant + 14;
  u32(root, ORVEX_FNODE_BINARY);
  u32(root + 4, op);
  u16(root + 8, 28);
  u16(root + 10, 14);
  u32(constant, ORVEX_FNODE_CONST);
  u32(constant + 4, ORVEX_FOP_CONST);
  u16(constant + 8, ORVEX_FCONST_INT32);
  u16(constant + 10, 4);
  u16(constant + 12, nameSize);
  u32(name, ORVEX_FNODE_FIELD);
  u32(name + 4, ORVEX_FOP_FIELD);
  u16(name + 8, 1);
  std::memcpy(&d[literals], field, nameSize);
  std::memcpy(&d[literals + nameSize], &value, 4);
  return d;
}

std::uint16_t AcceptAll(std::uintptr_t, void*) { return 1; }

// Records read through one filter, added to a fresh cursor.
long ScanFiltered(hOrvexDb db, const void* expression, OrvexFilterCallback callback) {
  hOrvexCursor c = OpenScan(db, "Scan.db");
  OrvexHandle f = 0;
  Check(E().AddFilter(c, 0, 1, 0, expression, callback, &f), "add filter");
  Check(E().ActivateFilter(c, f), "activate filter");
  long n = ScanCursor(c);
  E().CloseCursor(&c);
  return n;
}

struct Rates {
  double ours = 0, peer = 0;
  long passed = 0;
};

// Best of alternating rounds, so that both meet the same machine; rates in
// records of the table a second.
template <typename Ours, typename Peer>
Rates Race(long records, Ours&& ours, Peer&& peer) {
  Rates r;
  for (int round = 0; round < 5; ++round) {
    auto t = Clock::now();
    r.passed = ours();
    r.ours = std::max(r.ours, static_cast<double>(records) / Seconds(t));
    t = Clock::now();
    long peerPassed = peer();
    r.peer = std::max(r.peer, static_cast<double>(records) / Seconds(t));
    if (peerPassed != r.passed) {
      std::fprintf(stderr, "the two scans disagree: %ld and %ld records\n", r.passed, peerPassed);
      std::exit(1);
    }
  }
  return r;
}

void Print(const char* name, const char* peer, long records, const Rates& r) {
  std::printf("%s_passing: %.1f %%\n", name, 100.0 * static_cast<double>(r.passed) / static_cast<double>(records));
  std::printf("%s_engine: %.0f records/s\n", name, r.ours);
  std::printf("%s_%s: %.0f records/s\n", name, peer, r.peer);
  std::printf("%s_ratio: %.2f engine/%s\n", name, r.ours / r.peer, peer);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = WorkDirectory(argc, argv, "engine_filters");
  hOrvexDb db = 0;
  Check(E().OpenDatabase(dir.c_str(), nullptr, &db), "database");
  const long kRecords = 100000;
  CreateTable(db, "Scan.db");
  std::string path = dir + "/Scan.db";
  Fill(path, kRecords);
  ScanSqlite(path);  // warm the file cache for both

  // Ages are 0 to 89: one age in ninety, and half of them.
  auto few = Condition("Age", ORVEX_FOP_GT, 88);
  Print("filter_1pct", "sqlite", kRecords,
        Race(kRecords, [&] { return ScanFiltered(db, few.data(), nullptr); },
             [&] { return ScanSqlite(path, "Age > 88"); }));
  auto half = Condition("Age", ORVEX_FOP_GE, 45);
  Print("filter_50pct", "sqlite", kRecords,
        Race(kRecords, [&] { return ScanFiltered(db, half.data(), nullptr); },
             [&] { return ScanSqlite(path, "Age >= 45"); }));
  Print("callback_accept_all", "unfiltered", kRecords,
        Race(kRecords, [&] { return ScanFiltered(db, nullptr, AcceptAll); },
             [&] { return ScanEngine(db, "Scan.db"); }));

  E().CloseDatabase(&db);
  if (argc <= 1) std::filesystem::remove_all(dir);
  return 0;
}
