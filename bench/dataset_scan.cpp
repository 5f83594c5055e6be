// TTable's scan against the engine's own and against Qt's SQL module over
// the same file: 100,000 records of ten fields, First then Next to the end,
// reading every field by AsString, and again by each field's own type
// (AsInteger, AsFloat, AsDateTime, AsBoolean, strings by AsString); the raw
// cursor reading every field of every record; and a forward-only QSqlQuery
// reading every field through QVariant::toString, as a user of Qt would.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Database.h"
#include "EngineLib.h"
#include "Fields.h"
#include "Table.h"

using namespace fw;

namespace {

constexpr int kRecords = 100000;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Fail(const char* what) {
  std::fprintf(stderr, "dataset_scan: %s\n", what);
  std::exit(1);
}

// The table through the engine; its records straight into the file in one
// transaction (the file is an SQLite database), as a posting loop would take
// one transaction a record.
void MakeTable(const std::string& dir) {
  auto t = std::make_unique<TTable>(nullptr);
  t->SetDatabaseName(dir);
  t->SetTableName("Scan.db");
  TFieldDefs* f = t->FieldDefs();
  f->Add("ID", ftInteger, 0, true);
  f->Add("Name", ftString, 30);
  f->Add("City", ftString, 20);
  f->Add("Seats", ftSmallint);
  f->Add("Amount", ftFloat);
  f->Add("Price", ftCurrency);
  f->Add("Born", ftDate);
  f->Add("Arrives", ftTime);
  f->Add("Booked", ftDateTime);
  f->Add("Member", ftBoolean);
  t->IndexDefs()->Add("", "ID", {ixPrimary});
  t->CreateTable();

  sqlite3* db = nullptr;
  if (sqlite3_open((dir + "/Scan.db").c_str(), &db) != SQLITE_OK) Fail("cannot open the table file");
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db,
                         "INSERT INTO records(ID, Name, City, Seats, Amount, Price, Born, Arrives, Booked, Member) "
                         "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                         -1, &st, nullptr) != SQLITE_OK)
    Fail(sqlite3_errmsg(db));
  for (int i = 1; i <= kRecords; ++i) {
    std::string name = "Guest number " + std::to_string(i);
    std::string city = i % 2 ? "Lindenau" : "Oberhaven";
    char born[16], arrives[16], booked[32];
    std::snprintf(born, sizeof born, "19%02d-%02d-%02d", 40 + i % 60, 1 + i % 12, 1 + i % 28);
    std::snprintf(arrives, sizeof arrives, "%02d:%02d:00", i % 24, i % 60);
    std::snprintf(booked, sizeof booked, "2024-%02d-%02d %02d:30:00", 1 + i % 12, 1 + i % 28, i % 24);
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, city.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, i % 300);
    sqlite3_bind_double(st, 5, i * 1.25);
    sqlite3_bind_double(st, 6, i % 1000 + 0.5);
    sqlite3_bind_text(st, 7, born, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 8, arrives, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 9, booked, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 10, i % 3 == 0);
    if (sqlite3_step(st) != SQLITE_DONE) Fail(sqlite3_errmsg(db));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

double RawScan(const std::string& dir, std::size_t& checksum) {
  TEngineLib& e = Engine();
  hOrvexDb db = 0;
  hOrvexCursor c = 0;
  if (e.OpenDatabase(dir.c_str(), "STANDARD", &db) || e.OpenTable(db, "Scan.db", "", "", 0, 0, &c))
    Fail("the engine cannot open the table");
  OrvexCursorProps props{};
  e.GetCursorProps(c, &props);
  std::vector<OrvexFieldDesc> fields(props.fieldCount);
  e.GetFieldDescs(c, props.fieldCount, fields.data());
  std::vector<std::uint8_t> rec(props.recordSize), value(256);
  auto start = std::chrono::steady_clock::now();
  int n = 0;
  while (e.GetNextRecord(c, 0, rec.data(), nullptr) == ORVEX_OK) {
    for (const OrvexFieldDesc& f : fields) {
      std::uint16_t blank = 0;
      e.GetField(c, f.fieldNo, rec.data(), value.data(), &blank);
      checksum += value[0] + blank;
    }
    ++n;
  }
  double s = Seconds(start);
  if (n != kRecords) Fail("the raw scan missed records");
  e.CloseCursor(&c);
  e.CloseDatabase(&db);
  return s;
}

// Every field by AsString, or typed: each by its own type's accessor.
double DataSetScan(const std::string& dir, bool typed, std::size_t& checksum) {
  auto t = std::make_unique<TTable>(nullptr);
  t->SetDatabaseName(dir);
  t->SetTableName("Scan.db");
  t->Open();
  std::vector<TField*> fields;
  for (int i = 0; i < t->FieldCount(); ++i) fields.push_back(t->Fields(i));
  auto start = std::chrono::steady_clock::now();
  int n = 0;
  for (t->First(); !t->Eof(); t->Next()) {
    for (TField* f : fields) {
      if (!typed) {
        checksum += f->AsString().size();
        continue;
      }
      switch (f->DataType()) {
        case ftSmallint:
        case ftInteger: checksum += static_cast<std::size_t>(f->AsInteger()); break;
        case ftFloat:
        case ftCurrency: checksum += static_cast<std::size_t>(f->AsFloat()); break;
        case ftDate:
        case ftTime:
        case ftDateTime: checksum += static_cast<std::size_t>(f->AsDateTime() * 1000); break;
        case ftBoolean: checksum += f->AsBoolean(); break;
        default: checksum += f->AsString().size();
      }
    }
    ++n;
  }
  double s = Seconds(start);
  if (n != kRecords) Fail("the dataset scan missed records");
  return s;
}

double QtScan(const std::string& dir, std::size_t& checksum) {
  double s = 0;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "scan");
    db.setDatabaseName(QString::fromStdString(dir + "/Scan.db"));
    if (!db.open()) Fail("Qt cannot open the table file");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    auto start = std::chrono::steady_clock::now();
    if (!q.exec("SELECT ID, Name, City, Seats, Amount, Price, Born, Arrives, Booked, Member FROM records"))
      Fail("Qt cannot read the records");
    int n = 0;
    while (q.next()) {
      for (int i = 0; i < 10; ++i) checksum += static_cast<std::size_t>(q.value(i).toString().size());
      ++n;
    }
    s = Seconds(start);
    if (n != kRecords) Fail("the Qt scan missed records");
  }
  QSqlDatabase::removeDatabase("scan");
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // Qt finds its SQL drivers through it
  const char* tmp = std::getenv("FW_BENCH_TMP");
  std::filesystem::path dir = std::filesystem::path(tmp ? tmp : std::filesystem::temp_directory_path().string()) /
                              ("dataset_scan_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  MakeTable(dir.string());
  std::size_t sum = 0;
  // Warm every path once so that none pays for the first read of the file.
  RawScan(dir.string(), sum);
  DataSetScan(dir.string(), false, sum);
  DataSetScan(dir.string(), true, sum);
  QtScan(dir.string(), sum);
  double raw = 1e300, ds = 1e300, typed = 1e300, qt = 1e300;
  for (int round = 0; round < 5; ++round) {
    raw = std::min(raw, RawScan(dir.string(), sum));
    ds = std::min(ds, DataSetScan(dir.string(), false, sum));
    typed = std::min(typed, DataSetScan(dir.string(), true, sum));
    qt = std::min(qt, QtScan(dir.string(), sum));
  }
  Session().DropConnections();
  std::filesystem::remove_all(dir);
  std::printf("raw_cursor_scan: %.0f records/s\n", kRecords / raw);
  std::printf("dataset_scan: %.0f records/s\n", kRecords / ds);
  std::printf("dataset_typed_scan: %.0f records/s\n", kRecords / typed);
  std::printf("qt_sql_scan: %.0f records/s\n", kRecords / qt);
  std::printf("dataset_to_raw_ratio: %.2f ratio\n", raw / ds);
  std::printf("dataset_to_qt_sql_ratio: %.2f ratio\n", qt / ds);
  std::printf("dataset_typed_to_raw_ratio: %.2f ratio\n", raw / typed);
  std::fprintf(stderr, "checksum %zu\n", sum);
  return 0;
}
