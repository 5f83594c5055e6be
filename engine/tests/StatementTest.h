// What the statement tests share: a statement wrapper and answers read as
// text, a field a column ("|" between), "-" for a blank value.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "EngineTest.h"

namespace enginetest {

// A statement of a database.
class Stmt {
public:
  explicit Stmt(hOrvexDb db, std::uint16_t language = ORVEX_LANG_SQL) { alloc = E().QAlloc(db, language, &h); }
  ~Stmt() {
    if (h) E().QFree(&h);
  }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  OrvexResult Prepare(const std::string& sql) { return E().QPrepare(h, sql.c_str()); }
  // Executes; the answer's cursor, or 0.
  OrvexResult Exec(hOrvexCursor& cursor) { return E().QExec(h, &cursor); }
  OrvexResult Run(const std::string& sql) {
    hOrvexCursor c = 0;
    OrvexResult r = Prepare(sql);
    if (r == ORVEX_OK) r = Exec(c);
    if (c) E().CloseCursor(&c);
    return r;
  }
  std::int32_t RowsAffected() {
    std::int32_t n = 0;
    std::uint16_t len = 0;
    EXPECT_OK(E().GetProp(h, ORVEX_STMT_ROWS_AFFECTED, &n, sizeof n, &len));
    return n;
  }
  template <typename T>
  OrvexResult Bind(std::uint16_t no, std::uint16_t type, T value) {
    return E().QBindParam(h, no, type, sizeof value, &value);
  }
  OrvexResult BindText(std::uint16_t no, const std::string& s, std::uint16_t type = ORVEX_FT_STRING) {
    return E().QBindParam(h, no, type, static_cast<std::uint32_t>(s.size()), s.c_str());
  }

  OrvexHandle h = 0;
  OrvexResult alloc;
};

// An answer (or any cursor of records) with its fields.
class Answer {
public:
  explicit Answer(hOrvexCursor cursor) : h(cursor) {
    E().GetCursorProps(h, &props);
    fields.resize(props.fieldCount);
    if (props.fieldCount) E().GetFieldDescs(h, props.fieldCount, fields.data());
    rec.assign(props.recordSize, 0);
  }
  ~Answer() {
    if (h) E().CloseCursor(&h);
  }
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;

  std::string Blob(std::uint16_t no) {
    if (E().OpenBlob(h, rec.data(), no, ORVEX_BLOB_READONLY) != ORVEX_OK) return "<not opened>";
    std::string out;
    std::vector<char> piece(ORVEX_BLOB_MAX_READ);
    for (;;) {
      std::uint32_t got = 0;
      OrvexResult r = E().GetBlob(h, rec.data(), no, static_cast<std::uint32_t>(out.size()), ORVEX_BLOB_MAX_READ,
                                  piece.data(), &got);
      out.append(piece.data(), got);
      if (r != ORVEX_OK) break;
    }
    E().FreeBlob(h, rec.data(), no);
    return out;
  }
  // The record in rec as text.
  std::string Row() {
    std::string out;
    for (const OrvexFieldDesc& f : fields) {
      if (!out.empty()) out += "|";
      std::vector<std::uint8_t> v(f.length + 1, 0);
      std::uint16_t blank = 0;
      E().GetField(h, f.fieldNo, rec.data(), v.data(), &blank);
      if (blank) {
        out += "-";
        continue;
      }
      auto get = [&](auto x) {
        std::memcpy(&x, v.data(), sizeof x);
        return x;
      };
      char b[64];
      switch (f.type) {
        case ORVEX_FT_STRING: out += reinterpret_cast<const char*>(v.data()); break;
        case ORVEX_FT_SMALLINT: out += std::to_string(get(std::int16_t{})); break;
        case ORVEX_FT_WORD:
        case ORVEX_FT_BOOLEAN: out += std::to_string(get(std::uint16_t{})); break;
        case ORVEX_FT_INTEGER:
        case ORVEX_FT_AUTOINC:
        case ORVEX_FT_DATE:
        case ORVEX_FT_TIME: out += std::to_string(get(std::int32_t{})); break;
        case ORVEX_FT_FLOAT:
        case ORVEX_FT_CURRENCY:
        case ORVEX_FT_DATETIME:
          std::snprintf(b, sizeof b, "%g", get(double{}));
          out += b;
          break;
        case ORVEX_FT_BCD: {
          double d = 0;
          E().BcdToFloat(v.data(), &d);
          std::snprintf(b, sizeof b, "%g", d);
          out += b;
          break;
        }
        case ORVEX_FT_MEMO:
        case ORVEX_FT_FMTMEMO:
        case ORVEX_FT_BLOB:
        case ORVEX_FT_GRAPHIC: out += Blob(f.fieldNo); break;
        default: out += "?";
      }
    }
    return out;
  }
  OrvexResult Next() { return E().GetNextRecord(h, 0, rec.data(), nullptr); }
  OrvexResult Prior() { return E().GetPriorRecord(h, 0, rec.data(), nullptr); }
  // Every record from the beginning.
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    E().SetToBegin(h);
    while (Next() == ORVEX_OK) out.push_back(Row());
    return out;
  }
  std::uint32_t Count() {
    std::uint32_t n = 0;
    EXPECT_OK(E().GetRecordCount(h, &n));
    return n;
  }
  const OrvexFieldDesc& Field(std::uint16_t no) const { return fields.at(no - 1u); }

  hOrvexCursor h = 0;
  OrvexCursorProps props{};
  std::vector<OrvexFieldDesc> fields;
  std::vector<std::uint8_t> rec;
};

// The rows of a query, or its failure as "error <code>".
inline std::vector<std::string> Query(hOrvexDb db, const std::string& sql) {
  Stmt s(db);
  hOrvexCursor c = 0;
  OrvexResult r = s.Prepare(sql);
  if (r == ORVEX_OK) r = s.Exec(c);
  if (r != ORVEX_OK) return {"error " + std::to_string(r) + ": " + Text(r)};
  if (!c) return {};
  Answer a(c);
  return a.Rows();
}

}  // namespace enginetest
