// What the engine tests share: a fresh database directory per test, table
// creation from short descriptions, and a cursor wrapper that reads and
// writes fields of a record buffer. Every call goes through the framework's
// loader, so the loader is under test too.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "EngineLib.h"
#include "OrvexApi.h"
#include "TempDir.h"

namespace enginetest {

inline fw::TEngineLib& E() { return fw::Engine(); }

inline std::string Text(OrvexResult r) { return E().ErrorText(r); }

#define ASSERT_OK(expr)                                      \
  do {                                                       \
    OrvexResult r_ = (expr);                                 \
    ASSERT_EQ(r_, ORVEX_OK) << ::enginetest::Text(r_);       \
  } while (0)
#define EXPECT_OK(expr)                                      \
  do {                                                       \
    OrvexResult r_ = (expr);                                 \
    EXPECT_EQ(r_, ORVEX_OK) << ::enginetest::Text(r_);       \
  } while (0)

struct FieldSpec {
  const char* name;
  std::uint16_t type;
  std::uint16_t size = 0;
  std::uint16_t decimals = 0;
  bool required = false;
};

struct IndexSpec {
  const char* name;
  std::vector<std::uint16_t> fields;
  bool primary = false;
  bool unique = false;
  bool descending = false;
  bool caseInsensitive = false;
};

inline OrvexResult CreateTable(hOrvexDb db, const std::string& name, const std::vector<FieldSpec>& fields,
                               const std::vector<IndexSpec>& indexes = {},
                               const std::vector<OrvexVchkDesc>& checks = {}, const char* driver = "",
                               std::uint16_t protectedFlag = 0, std::uint16_t overwrite = 0) {
  OrvexTableDesc t{};
  std::strncpy(t.name, name.c_str(), sizeof t.name - 1);
  std::strncpy(t.driverType, driver, sizeof t.driverType - 1);
  t.protectedFlag = protectedFlag;
  std::vector<OrvexFieldDesc> fd;
  for (const FieldSpec& f : fields) {
    OrvexFieldDesc d{};
    std::strncpy(d.name, f.name, sizeof d.name - 1);
    d.type = f.type;
    d.size = f.size;
    d.decimals = f.decimals;
    d.required = f.required;
    fd.push_back(d);
  }
  std::vector<OrvexIndexDesc> xd;
  for (const IndexSpec& x : indexes) {
    OrvexIndexDesc d{};
    std::strncpy(d.name, x.name, sizeof d.name - 1);
    d.fieldCount = static_cast<std::uint16_t>(x.fields.size());
    for (std::size_t k = 0; k < x.fields.size() && k < ORVEX_MAX_INDEX_FIELDS; ++k) d.fields[k] = x.fields[k];
    d.primary = x.primary;
    d.unique = x.unique;
    d.descending = x.descending;
    d.caseInsensitive = x.caseInsensitive;
    xd.push_back(d);
  }
  return E().CreateTable(db, &t, static_cast<std::uint16_t>(fd.size()), fd.data(),
                         static_cast<std::uint16_t>(xd.size()), xd.data(), static_cast<std::uint16_t>(checks.size()),
                         checks.data(), overwrite);
}

// The validity check of an INTEGER field: its minimum, maximum and default.
inline OrvexVchkDesc IntCheck(std::uint16_t fieldNo, std::int32_t lo, std::int32_t hi, std::int32_t def) {
  OrvexVchkDesc v{};
  v.fieldNo = fieldNo;
  v.hasMin = v.hasMax = v.hasDefault = 1;
  std::memcpy(v.minValue, &lo, 4);
  std::memcpy(v.maxValue, &hi, 4);
  std::memcpy(v.defaultValue, &def, 4);
  return v;
}

// A cursor with its record buffer layout.
class Cursor {
public:
  Cursor() = default;
  Cursor(hOrvexDb db, const std::string& table, const char* index = nullptr,
         std::uint16_t openMode = ORVEX_OPEN_READWRITE, std::uint16_t share = ORVEX_SHARE_SHARED) {
    result = E().OpenTable(db, table.c_str(), nullptr, index, openMode, share, &h);
    if (result != ORVEX_OK) return;
    E().GetCursorProps(h, &props);
    fields.resize(props.fieldCount);
    E().GetFieldDescs(h, props.fieldCount, fields.data());
  }
  ~Cursor() {
    if (h) E().CloseCursor(&h);
  }
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  bool ok() const { return result == ORVEX_OK; }
  std::vector<std::uint8_t> NewRecord() {
    std::vector<std::uint8_t> rec(props.recordSize);
    E().InitRecord(h, rec.data());
    return rec;
  }
  const OrvexFieldDesc& Field(std::uint16_t no) const { return fields.at(no - 1u); }

  template <typename T>
  OrvexResult Put(std::vector<std::uint8_t>& rec, std::uint16_t no, T v) {
    return E().PutField(h, no, rec.data(), &v);
  }
  OrvexResult PutStr(std::vector<std::uint8_t>& rec, std::uint16_t no, const std::string& s) {
    return E().PutField(h, no, rec.data(), s.c_str());
  }
  OrvexResult PutBlank(std::vector<std::uint8_t>& rec, std::uint16_t no) {
    return E().PutField(h, no, rec.data(), nullptr);
  }
  template <typename T>
  T Get(const std::vector<std::uint8_t>& rec, std::uint16_t no) {
    std::vector<std::uint8_t> v(Field(no).length);
    E().GetField(h, no, rec.data(), v.data(), nullptr);
    T out{};
    std::memcpy(&out, v.data(), sizeof out);
    return out;
  }
  std::string Str(const std::vector<std::uint8_t>& rec, std::uint16_t no) {
    std::vector<char> v(Field(no).length);
    E().GetField(h, no, rec.data(), v.data(), nullptr);
    return v.data();
  }
  bool Blank(const std::vector<std::uint8_t>& rec, std::uint16_t no) {
    std::uint16_t b = 0;
    E().GetField(h, no, rec.data(), nullptr, &b);
    return b != 0;
  }
  OrvexResult Append(std::vector<std::uint8_t>& rec) { return E().AppendRecord(h, rec.data()); }
  OrvexResult Next(std::vector<std::uint8_t>& rec) { return E().GetNextRecord(h, 0, rec.data(), nullptr); }
  OrvexResult Prior(std::vector<std::uint8_t>& rec) { return E().GetPriorRecord(h, 0, rec.data(), nullptr); }
  OrvexResult Current(std::vector<std::uint8_t>& rec) { return E().GetRecord(h, 0, rec.data(), nullptr); }
  std::uint32_t Count() {
    std::uint32_t n = 0;
    E().GetRecordCount(h, &n);
    return n;
  }
  // Every record's value of an integer field, from the beginning.
  std::vector<std::int32_t> Ints(std::uint16_t no) {
    std::vector<std::int32_t> out;
    E().SetToBegin(h);
    std::vector<std::uint8_t> rec(props.recordSize);
    while (Next(rec) == ORVEX_OK) out.push_back(Get<std::int32_t>(rec, no));
    return out;
  }
  std::vector<std::string> Strs(std::uint16_t no) {
    std::vector<std::string> out;
    E().SetToBegin(h);
    std::vector<std::uint8_t> rec(props.recordSize);
    while (Next(rec) == ORVEX_OK) out.push_back(Str(rec, no));
    return out;
  }

  hOrvexCursor h = 0;
  OrvexResult result = ORVEX_OK;
  OrvexCursorProps props{};
  std::vector<OrvexFieldDesc> fields;
};

class EngineTest : public ::testing::Test {
public:
  void SetUp() override { ASSERT_OK(E().OpenDatabase(dir.c_str(), nullptr, &db)); }
  void TearDown() override {
    if (db) E().CloseDatabase(&db);
  }
  std::string Path(const std::string& file) const { return dir + "/" + file; }
  std::string ReadFile(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << bytes;
  }
  // Opens a table and reads every record; the first failure, or ORVEX_OK.
  OrvexResult OpenAndScan(const std::string& name) {
    Cursor t(db, name);
    if (!t.ok()) return t.result;
    auto rec = t.NewRecord();
    OrvexResult r;
    while ((r = t.Next(rec)) == ORVEX_OK) {
    }
    return r == ORVEX_ERR_EOF ? ORVEX_OK : r;
  }

  fw::test::TempDir temp;
  std::string dir = temp.Path();
  hOrvexDb db = 0;
};

// Runs work in a child process that reports each step it completes with
// ReportStep; kills the child once it reported at least steps of them, and
// answers the last step it reported (those written before the kill too).
inline void ReportStep(int out, std::int32_t step) {
  if (::write(out, &step, sizeof step) != sizeof step) ::_exit(5);
}

inline std::int32_t KillAfterSteps(std::int32_t steps, const std::function<void(int out)>& work) {
  int pipefd[2];
  if (::pipe(pipefd) != 0) return -1;
  pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::close(pipefd[0]);
    work(pipefd[1]);
    ::_exit(0);
  }
  ::close(pipefd[1]);
  std::int32_t last = 0, n = 0;
  while (last < steps && ::read(pipefd[0], &n, sizeof n) == sizeof n) last = n;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  while (::read(pipefd[0], &n, sizeof n) == sizeof n) last = n;
  ::close(pipefd[0]);
  return last;
}

// Days of a date, day 1 being 0001-01-01.
inline std::int32_t Day(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (static_cast<unsigned>(m) + (m > 2 ? -3u : 9u)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int>(doe) - 719468 + 719163;
}

}  // namespace enginetest
