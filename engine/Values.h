// Fields, their places in the record buffer, and the conversions between the
// record buffer, the values stored in the file and the caller's values.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <sqlite3.h>

#include "OrvexApi.h"

namespace orvex {

// Unaligned little-endian access to buffers the caller gave.
template <typename T>
T Load(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(std::uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// s into a fixed array of size bytes, cut if need be, NUL-terminated.
inline void CopyText(char* dest, std::size_t size, const std::string& s) {
  std::size_t n = std::min(s.size(), size - 1);
  std::memcpy(dest, s.data(), n);
  dest[n] = 0;
}

// A value as the file stores it.
struct SqlValue {
  enum Kind : std::uint8_t { Null, Int, Real, Text, Blob };
  Kind kind = Null;
  std::int64_t i = 0;
  double r = 0;
  std::string s;  // Text and Blob

  static SqlValue OfInt(std::int64_t v) { SqlValue x; x.kind = Int; x.i = v; return x; }
  static SqlValue OfReal(double v) { SqlValue x; x.kind = Real; x.r = v; return x; }
  static SqlValue OfText(std::string v) { SqlValue x; x.kind = Text; x.s = std::move(v); return x; }
  static SqlValue OfBlob(std::string v) { SqlValue x; x.kind = Blob; x.s = std::move(v); return x; }
};

struct Field {
  std::uint16_t no = 0;  // 1-based
  std::string name;
  std::uint16_t type = 0;
  std::uint16_t size = 0;
  std::uint16_t decimals = 0;
  bool required = false;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;

  std::uint32_t BlankOffset() const { return ORVEX_RECORD_HEADER + no - 1u; }
  bool IsBlob() const;
  bool IsString() const { return type == ORVEX_FT_STRING; }
};

// The descriptor the field-descriptor entry gives for a field.
OrvexFieldDesc DescOf(const Field& f);

bool IsKnownType(std::uint16_t type);
bool IsBlobType(std::uint16_t type);
// The column type of a field in the file.
const char* ColumnType(std::uint16_t type);

// Gives each field its offset and length; returns the record size.
std::uint32_t LayOut(std::vector<Field>& fields);

bool IsBlank(const Field& f, const std::uint8_t* rec);
void SetBlank(const Field& f, std::uint8_t* rec, bool blank);

// Reads column col of a result row into the record buffer. A value that the
// field cannot hold fails with ORVEX_ERR_CORRUPT (naming file and field).
void ColumnToRecord(sqlite3_stmt* st, int col, const Field& f, std::uint8_t* rec,
                    const std::string& file);
// The same for a value of a field that is not a blob.
void ValueToRecord(sqlite3_value* value, const Field& f, std::uint8_t* rec, const std::string& file);
// The value a record buffer holds for a field, checked: a damaged buffer
// fails as a bad put would.
SqlValue RecordToSql(const Field& f, const std::uint8_t* rec);
// The caller's value (NULL: blank) into the record buffer, checked first.
void PutValue(const Field& f, std::uint8_t* rec, const void* value);
// The record buffer's value into dest (may be NULL) and its blank flag.
void GetValue(const Field& f, const std::uint8_t* rec, void* dest, std::uint16_t* blank);

void Bind(sqlite3_stmt* st, int index, const SqlValue& v);
// A value of SQLite's (NULL: blank).
SqlValue FromSqlite(sqlite3_value* v);

// Whether v, a value as SQLite stores it in a non-blob field's column, is one
// the field holds as a post writes it: ORVEX_OK, or the code a post answers
// (ORVEX_ERR_OUTOFRANGE, ORVEX_ERR_STRTOOLONG). A blank value fits.
OrvexResult StoredValueFits(const Field& f, sqlite3_value* v);
// The text SQL writes for a value.
std::string SqlLiteral(const SqlValue& v);

// How a case-insensitive index folds letters: a table's language driver says.
enum class CaseRule : std::uint8_t { Letters, Ascii };

// Orders values as the file's indexes do: blank first, then numbers, texts
// (bytes of UTF-8, or with case folded by the rule) and byte strings.
int CompareValues(const SqlValue& a, const SqlValue& b, bool foldCase, CaseRule rule = CaseRule::Letters);
// The case-insensitive collation: every letter folded; bytes that are not
// UTF-8 sort above every character.
int FoldedCompare(std::string_view a, std::string_view b);
// The same with only A to Z folded; everything else compares by its bytes.
int AsciiFoldedCompare(std::string_view a, std::string_view b);
// The case-insensitive key of a text: bytes that sort, compared as bytes,
// as the rule's compare sorts the texts. Letters: UTF-8 of the folded
// characters, which keeps their order, and bytes that are not UTF-8 after
// a lead byte above them all. Ascii: the bytes with A to Z folded.
std::string FoldKey(std::string_view s, CaseRule rule);
// The first n characters of s.
std::string LeadingChars(std::string_view s, std::size_t n);

// Dates: day 1 is 0001-01-01.
constexpr std::int32_t kMaxDay = 3652059;  // 9999-12-31
constexpr std::int64_t kMsPerDay = 86400000;
bool DoubleToBcd(double v, int precision, int decimals, std::uint8_t* bcd);
bool BcdToDouble(const std::uint8_t* bcd, double* v);

}  // namespace orvex
