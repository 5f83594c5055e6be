#include "Values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Chars.h"
#include "Errors.h"

namespace orvex {

namespace {

// Civil date to days since 1970-01-01 and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr std::int64_t kDay1 = -719162;  // 0001-01-01 counted from 1970-01-01

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

void Digits(char* p, int v, int n) {
  for (int i = n - 1; i >= 0; --i, v /= 10) p[i] = static_cast<char>('0' + v % 10);
}

bool ParseDigits(const char* p, int n, int& v) {
  v = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10 + (p[i] - '0');
  }
  return true;
}

std::string DateText(std::int32_t day) {
  int y, m, d;
  CivilFromDays(day - 1 + kDay1, y, m, d);
  char b[10];
  Digits(b, y, 4);
  b[4] = '-';
  Digits(b + 5, m, 2);
  b[7] = '-';
  Digits(b + 8, d, 2);
  return std::string(b, 10);
}

bool ParseDate(const char* p, std::size_t n, std::int32_t& day) {
  int y, m, d;
  if (n != 10 || p[4] != '-' || p[7] != '-' || !ParseDigits(p, 4, y) || !ParseDigits(p + 5, 2, m) ||
      !ParseDigits(p + 8, 2, d) || y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
    return false;
  day = static_cast<std::int32_t>(DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) - kDay1 + 1);
  return true;
}

std::string TimeText(std::int32_t ms) {
  char b[12];
  int s = ms / 1000, f = ms % 1000;
  Digits(b, s / 3600, 2);
  b[2] = ':';
  Digits(b + 3, s / 60 % 60, 2);
  b[5] = ':';
  Digits(b + 6, s % 60, 2);
  if (f == 0) return std::string(b, 8);
  b[8] = '.';
  Digits(b + 9, f, 3);
  return std::string(b, 12);
}

bool ParseTime(const char* p, std::size_t n, std::int32_t& ms) {
  int h, mi, s, f = 0;
  if ((n != 8 && n != 12) || p[2] != ':' || p[5] != ':' || !ParseDigits(p, 2, h) ||
      !ParseDigits(p + 3, 2, mi) || !ParseDigits(p + 6, 2, s) || h > 23 || mi > 59 || s > 59)
    return false;
  if (n == 12 && (p[8] != '.' || !ParseDigits(p + 9, 3, f))) return false;
  ms = ((h * 60 + mi) * 60 + s) * 1000 + f;
  return true;
}

[[noreturn]] void BadValue(OrvexResult code, const Field& f) { Fail(code, f.name); }

bool ValidDay(std::int32_t d) { return d >= 1 && d <= kMaxDay; }
bool ValidTime(std::int32_t t) { return t >= 0 && t < kMsPerDay; }

// Milliseconds of a date-time value, when it is one.
bool DateTimeMs(double v, std::int64_t& ms) {
  if (!std::isfinite(v)) return false;
  ms = std::llround(v);
  return ms >= kMsPerDay && ms < (static_cast<std::int64_t>(kMaxDay) + 1) * kMsPerDay;
}

std::uint32_t ValueLength(const Field& f) {
  switch (f.type) {
    case ORVEX_FT_STRING: return 4u * f.size + 1;
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_WORD:
    case ORVEX_FT_BOOLEAN: return 2;
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_AUTOINC:
    case ORVEX_FT_DATE:
    case ORVEX_FT_TIME: return 4;
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_DATETIME: return 8;
    case ORVEX_FT_BCD: return ORVEX_BCD_SIZE;
    case ORVEX_FT_BYTES: return f.size;
    case ORVEX_FT_VARBYTES: return 2u + f.size;
    default: return 8;  // blobs
  }
}

std::uint32_t Alignment(const Field& f) {
  switch (f.type) {
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_WORD:
    case ORVEX_FT_BOOLEAN:
    case ORVEX_FT_VARBYTES: return 2;
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_AUTOINC:
    case ORVEX_FT_DATE:
    case ORVEX_FT_TIME: return 4;
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_DATETIME: return 8;
    case ORVEX_FT_STRING:
    case ORVEX_FT_BCD:
    case ORVEX_FT_BYTES: return 1;
    default: return 4;
  }
}

// Decoded characters of a tail, case folded, bytes that are not UTF-8 above
// every character.
std::u32string FoldedChars(std::string_view s) {
  fw::TChars c = fw::Utf8ToChars(s);
  for (char32_t& ch : c) ch = (ch >= 0xDC80 && ch <= 0xDCFF) ? 0x110000 + (ch - 0xDC00) : fw::CharLower(ch);
  return c;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int CompareBytes(std::string_view a, std::string_view b) { return Sign(a.compare(b)); }

}  // namespace

OrvexFieldDesc DescOf(const Field& f) {
  OrvexFieldDesc d{};
  d.fieldNo = f.no;
  CopyText(d.name, sizeof d.name, f.name);
  d.type = f.type;
  d.size = f.size;
  d.decimals = f.decimals;
  d.required = f.required;
  d.offset = f.offset;
  d.length = f.length;
  d.blankOffset = f.BlankOffset();
  return d;
}

bool IsKnownType(std::uint16_t type) { return type >= ORVEX_FT_STRING && type <= ORVEX_FT_FMTMEMO; }

bool IsBlobType(std::uint16_t type) {
  return type == ORVEX_FT_BLOB || type == ORVEX_FT_MEMO || type == ORVEX_FT_GRAPHIC || type == ORVEX_FT_FMTMEMO;
}

bool Field::IsBlob() const { return IsBlobType(type); }

const char* ColumnType(std::uint16_t type) {
  switch (type) {
    case ORVEX_FT_STRING:
    case ORVEX_FT_DATE:
    case ORVEX_FT_TIME:
    case ORVEX_FT_DATETIME:
    case ORVEX_FT_MEMO: return "TEXT";
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_WORD:
    case ORVEX_FT_BOOLEAN:
    case ORVEX_FT_AUTOINC: return "INTEGER";
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_BCD: return "REAL";
    default: return "BLOB";
  }
}

std::uint32_t LayOut(std::vector<Field>& fields) {
  std::uint32_t at = ORVEX_RECORD_HEADER + static_cast<std::uint32_t>(fields.size());
  for (Field& f : fields) {
    std::uint32_t a = Alignment(f);
    at = (at + a - 1) / a * a;
    f.offset = at;
    f.length = ValueLength(f);
    at += f.length;
  }
  return (at + 7) / 8 * 8;
}

bool IsBlank(const Field& f, const std::uint8_t* rec) { return rec[f.BlankOffset()] != 0; }

void SetBlank(const Field& f, std::uint8_t* rec, bool blank) { rec[f.BlankOffset()] = blank ? 1 : 0; }

void ColumnToRecord(sqlite3_stmt* st, int col, const Field& f, std::uint8_t* rec, const std::string& file) {
  if (f.IsBlob()) {  // the column is "value IS NULL"
    Store<std::uint64_t>(rec + f.offset, 0);
    SetBlank(f, rec, sqlite3_column_int(st, col) != 0);
    return;
  }
  ValueToRecord(sqlite3_column_value(st, col), f, rec, file);
}

void ValueToRecord(sqlite3_value* value, const Field& f, std::uint8_t* rec, const std::string& file) {
  std::uint8_t* p = rec + f.offset;
  int t = sqlite3_value_type(value);
  auto corrupt = [&]() { Fail(ORVEX_ERR_CORRUPT, file + ": " + f.name); };
  if (f.IsBlob()) corrupt();
  if (t == SQLITE_NULL) {
    std::memset(p, 0, f.length);
    SetBlank(f, rec, true);
    return;
  }
  SetBlank(f, rec, false);
  switch (f.type) {
    case ORVEX_FT_STRING: {
      if (t != SQLITE_TEXT) corrupt();
      const char* s = reinterpret_cast<const char*>(sqlite3_value_text(value));
      auto n = static_cast<std::size_t>(sqlite3_value_bytes(value));
      if (n >= f.length) corrupt();
      std::memcpy(p, s, n);
      p[n] = 0;
      if (n == 0) SetBlank(f, rec, true);
      return;
    }
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_WORD:
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_AUTOINC:
    case ORVEX_FT_BOOLEAN: {
      if (t != SQLITE_INTEGER) corrupt();
      std::int64_t v = sqlite3_value_int64(value);
      switch (f.type) {
        case ORVEX_FT_SMALLINT:
          if (v < INT16_MIN || v > INT16_MAX) corrupt();
          Store<std::int16_t>(p, static_cast<std::int16_t>(v));
          break;
        case ORVEX_FT_WORD:
          if (v < 0 || v > UINT16_MAX) corrupt();
          Store<std::uint16_t>(p, static_cast<std::uint16_t>(v));
          break;
        case ORVEX_FT_BOOLEAN: Store<std::uint16_t>(p, v != 0 ? 1 : 0); break;
        default:
          if (v < INT32_MIN || v > INT32_MAX) corrupt();
          Store<std::int32_t>(p, static_cast<std::int32_t>(v));
      }
      return;
    }
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_BCD: {
      if (t != SQLITE_FLOAT && t != SQLITE_INTEGER) corrupt();
      double v = sqlite3_value_double(value);
      if (f.type == ORVEX_FT_BCD) {
        if (!DoubleToBcd(v, f.size, f.decimals, p)) corrupt();
      } else {
        Store<double>(p, v);
      }
      return;
    }
    case ORVEX_FT_DATE:
    case ORVEX_FT_TIME:
    case ORVEX_FT_DATETIME: {
      if (t != SQLITE_TEXT) corrupt();
      const char* s = reinterpret_cast<const char*>(sqlite3_value_text(value));
      auto n = static_cast<std::size_t>(sqlite3_value_bytes(value));
      std::int32_t d = 0, ms = 0;
      if (f.type == ORVEX_FT_DATE) {
        if (!ParseDate(s, n, d)) corrupt();
        Store<std::int32_t>(p, d);
      } else if (f.type == ORVEX_FT_TIME) {
        if (!ParseTime(s, n, ms)) corrupt();
        Store<std::int32_t>(p, ms);
      } else {
        if (n < 19 || s[10] != ' ' || !ParseDate(s, 10, d) || !ParseTime(s + 11, n - 11, ms)) corrupt();
        Store<double>(p, static_cast<double>(d) * kMsPerDay + ms);
      }
      return;
    }
    case ORVEX_FT_BYTES:
    case ORVEX_FT_VARBYTES: {
      if (t != SQLITE_BLOB) corrupt();
      auto n = static_cast<std::size_t>(sqlite3_value_bytes(value));
      const void* b = sqlite3_value_blob(value);
      if (n > f.size) corrupt();
      std::memset(p, 0, f.length);
      if (f.type == ORVEX_FT_VARBYTES) {
        Store<std::uint16_t>(p, static_cast<std::uint16_t>(n));
        p += 2;
      }
      if (n) std::memcpy(p, b, n);
      return;
    }
  }
  corrupt();
}

SqlValue RecordToSql(const Field& f, const std::uint8_t* rec) {
  if (f.IsBlob()) Fail(ORVEX_ERR_INVALIDFIELDTYPE, f.name);
  if (IsBlank(f, rec)) return {};
  const std::uint8_t* p = rec + f.offset;
  switch (f.type) {
    case ORVEX_FT_STRING: {
      const void* end = std::memchr(p, 0, f.length);
      if (!end) BadValue(ORVEX_ERR_STRTOOLONG, f);
      std::string_view s(reinterpret_cast<const char*>(p),
                         static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - p));
      if (s.empty()) return {};
      if (s.size() > f.size && fw::CharLength(s) > f.size) BadValue(ORVEX_ERR_STRTOOLONG, f);
      return SqlValue::OfText(std::string(s));
    }
    case ORVEX_FT_SMALLINT: return SqlValue::OfInt(Load<std::int16_t>(p));
    case ORVEX_FT_WORD: return SqlValue::OfInt(Load<std::uint16_t>(p));
    case ORVEX_FT_BOOLEAN: return SqlValue::OfInt(Load<std::uint16_t>(p) != 0 ? 1 : 0);
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_AUTOINC: return SqlValue::OfInt(Load<std::int32_t>(p));
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY: {
      double v = Load<double>(p);
      if (!std::isfinite(v)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      return SqlValue::OfReal(v);
    }
    case ORVEX_FT_BCD: {
      double v;
      if (!BcdToDouble(p, &v)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      return SqlValue::OfReal(v);
    }
    case ORVEX_FT_DATE: {
      auto d = Load<std::int32_t>(p);
      if (!ValidDay(d)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      return SqlValue::OfText(DateText(d));
    }
    case ORVEX_FT_TIME: {
      auto t = Load<std::int32_t>(p);
      if (!ValidTime(t)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      return SqlValue::OfText(TimeText(t));
    }
    case ORVEX_FT_DATETIME: {
      std::int64_t ms;
      if (!DateTimeMs(Load<double>(p), ms)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      return SqlValue::OfText(DateText(static_cast<std::int32_t>(ms / kMsPerDay)) + " " +
                              TimeText(static_cast<std::int32_t>(ms % kMsPerDay)));
    }
    case ORVEX_FT_BYTES: return SqlValue::OfBlob(std::string(reinterpret_cast<const char*>(p), f.size));
    case ORVEX_FT_VARBYTES: {
      auto n = Load<std::uint16_t>(p);
      if (n > f.size) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      return SqlValue::OfBlob(std::string(reinterpret_cast<const char*>(p + 2), n));
    }
  }
  Fail(ORVEX_ERR_INVALIDFIELDTYPE, f.name);
}

void PutValue(const Field& f, std::uint8_t* rec, const void* value) {
  if (f.IsBlob()) Fail(ORVEX_ERR_INVALIDFIELDTYPE, f.name);
  std::uint8_t* p = rec + f.offset;
  if (!value) {
    std::memset(p, 0, f.length);
    SetBlank(f, rec, true);
    return;
  }
  const auto* v = static_cast<const std::uint8_t*>(value);
  switch (f.type) {
    case ORVEX_FT_STRING: {
      const char* s = static_cast<const char*>(value);
      std::size_t n = strnlen(s, f.length);
      if (n == f.length || (n > f.size && fw::CharLength(std::string_view(s, n)) > f.size))
        BadValue(ORVEX_ERR_STRTOOLONG, f);
      std::memset(p, 0, f.length);
      std::memcpy(p, s, n);
      SetBlank(f, rec, n == 0);
      return;
    }
    case ORVEX_FT_BOOLEAN:
      Store<std::uint16_t>(p, Load<std::uint16_t>(v) != 0 ? 1 : 0);
      break;
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
      if (!std::isfinite(Load<double>(v))) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      std::memcpy(p, v, 8);
      break;
    case ORVEX_FT_BCD: {
      double d;
      std::uint8_t norm[ORVEX_BCD_SIZE];
      if (!BcdToDouble(v, &d) || !DoubleToBcd(d, f.size, f.decimals, norm)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      std::memcpy(p, norm, ORVEX_BCD_SIZE);
      break;
    }
    case ORVEX_FT_DATE:
      if (!ValidDay(Load<std::int32_t>(v))) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      std::memcpy(p, v, 4);
      break;
    case ORVEX_FT_TIME:
      if (!ValidTime(Load<std::int32_t>(v))) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      std::memcpy(p, v, 4);
      break;
    case ORVEX_FT_DATETIME: {
      std::int64_t ms;
      if (!DateTimeMs(Load<double>(v), ms)) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      Store<double>(p, static_cast<double>(ms));
      break;
    }
    case ORVEX_FT_VARBYTES: {
      auto n = Load<std::uint16_t>(v);
      if (n > f.size) BadValue(ORVEX_ERR_OUTOFRANGE, f);
      std::memset(p, 0, f.length);
      std::memcpy(p, v, 2u + n);
      break;
    }
    default:  // integers and fixed bytes: every bit pattern is a value
      std::memcpy(p, v, f.length);
  }
  SetBlank(f, rec, false);
}

void GetValue(const Field& f, const std::uint8_t* rec, void* dest, std::uint16_t* blank) {
  bool isBlank = IsBlank(f, rec);
  if (blank) *blank = isBlank ? 1 : 0;
  if (!dest || f.IsBlob()) return;
  if (isBlank) {
    std::memset(dest, 0, f.length);
    return;
  }
  if (f.IsString()) {
    const auto* p = rec + f.offset;
    const void* end = std::memchr(p, 0, f.length);
    std::size_t n = end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - p) : f.length - 1;
    std::memcpy(dest, p, n);
    std::memset(static_cast<std::uint8_t*>(dest) + n, 0, f.length - n);
    return;
  }
  std::memcpy(dest, rec + f.offset, f.length);
}

void Bind(sqlite3_stmt* st, int index, const SqlValue& v) {
  switch (v.kind) {
    case SqlValue::Null: sqlite3_bind_null(st, index); break;
    case SqlValue::Int: sqlite3_bind_int64(st, index, v.i); break;
    case SqlValue::Real: sqlite3_bind_double(st, index, v.r); break;
    case SqlValue::Text:
      sqlite3_bind_text(st, index, v.s.data(), static_cast<int>(v.s.size()), SQLITE_STATIC);
      break;
    case SqlValue::Blob:
      sqlite3_bind_blob(st, index, v.s.data(), static_cast<int>(v.s.size()), SQLITE_STATIC);
      break;
  }
}

SqlValue FromSqlite(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return SqlValue::OfInt(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return SqlValue::OfReal(sqlite3_value_double(v));
    case SQLITE_TEXT: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return SqlValue::OfText(std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v))));
    }
    case SQLITE_BLOB: {
      const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
      auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
      return SqlValue::OfBlob(n ? std::string(p, n) : std::string());
    }
    default: return {};
  }
}

OrvexResult StoredValueFits(const Field& f, sqlite3_value* v) {
  int t = sqlite3_value_type(v);
  if (t == SQLITE_NULL) return ORVEX_OK;
  // the length of a text or bytes only: asked of a number, SQLite makes a text of it
  auto n = t == SQLITE_TEXT || t == SQLITE_BLOB ? static_cast<std::size_t>(sqlite3_value_bytes(v)) : 0;
  switch (f.type) {
    case ORVEX_FT_STRING: {
      if (t != SQLITE_TEXT) return ORVEX_ERR_OUTOFRANGE;
      std::string_view s(reinterpret_cast<const char*>(sqlite3_value_text(v)), n);
      if (s.find('\0') != std::string_view::npos) return ORVEX_ERR_OUTOFRANGE;
      return s.size() > f.size && fw::CharLength(s) > f.size ? ORVEX_ERR_STRTOOLONG : ORVEX_OK;
    }
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_WORD:
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_AUTOINC:
    case ORVEX_FT_BOOLEAN: {
      if (t != SQLITE_INTEGER) return ORVEX_ERR_OUTOFRANGE;
      std::int64_t i = sqlite3_value_int64(v);
      bool fits = f.type == ORVEX_FT_SMALLINT ? (i >= INT16_MIN && i <= INT16_MAX)
                  : f.type == ORVEX_FT_WORD   ? (i >= 0 && i <= UINT16_MAX)
                  : f.type == ORVEX_FT_BOOLEAN ? (i == 0 || i == 1)
                                               : (i >= INT32_MIN && i <= INT32_MAX);
      return fits ? ORVEX_OK : ORVEX_ERR_OUTOFRANGE;
    }
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_BCD: {
      if (t != SQLITE_FLOAT && t != SQLITE_INTEGER) return ORVEX_ERR_OUTOFRANGE;
      double d = sqlite3_value_double(v);
      std::uint8_t bcd[ORVEX_BCD_SIZE];
      if (!std::isfinite(d) || (f.type == ORVEX_FT_BCD && !DoubleToBcd(d, f.size, f.decimals, bcd)))
        return ORVEX_ERR_OUTOFRANGE;
      return ORVEX_OK;
    }
    case ORVEX_FT_DATE:
    case ORVEX_FT_TIME:
    case ORVEX_FT_DATETIME: {
      if (t != SQLITE_TEXT) return ORVEX_ERR_OUTOFRANGE;
      const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
      std::int32_t d = 0, ms = 0;
      bool ok = f.type == ORVEX_FT_DATE ? ParseDate(s, n, d)
                : f.type == ORVEX_FT_TIME
                    ? ParseTime(s, n, ms)
                    : n >= 19 && s[10] == ' ' && ParseDate(s, 10, d) && ParseTime(s + 11, n - 11, ms);
      return ok ? ORVEX_OK : ORVEX_ERR_OUTOFRANGE;
    }
    case ORVEX_FT_BYTES:
    case ORVEX_FT_VARBYTES: return t == SQLITE_BLOB && n <= f.size ? ORVEX_OK : ORVEX_ERR_OUTOFRANGE;
    default: return t == SQLITE_TEXT || t == SQLITE_BLOB ? ORVEX_OK : ORVEX_ERR_OUTOFRANGE;  // blobs
  }
}

std::string SqlLiteral(const SqlValue& v) {
  switch (v.kind) {
    case SqlValue::Null: return "NULL";
    case SqlValue::Int: return std::to_string(v.i);
    case SqlValue::Real: {
      char b[40];
      std::snprintf(b, sizeof b, "%.17g", v.r);
      return b;
    }
    case SqlValue::Text: {
      std::string q = "'";
      for (char c : v.s) q += c == '\'' ? std::string("''") : std::string(1, c);
      return q + "'";
    }
    case SqlValue::Blob: {
      static const char* hex = "0123456789ABCDEF";
      std::string q = "X'";
      for (char c : v.s) {
        auto b = static_cast<unsigned char>(c);
        q += hex[b >> 4];
        q += hex[b & 15];
      }
      return q + "'";
    }
  }
  return "NULL";
}

int FoldedCompare(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size()), i = 0;
  for (; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) break;
    char p = AsciiLower(static_cast<char>(x)), q = AsciiLower(static_cast<char>(y));
    if (p != q) return p < q ? -1 : 1;
  }
  if (i == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  std::u32string x = FoldedChars(a.substr(i)), y = FoldedChars(b.substr(i));
  return Sign(x.compare(y));
}

int AsciiFoldedCompare(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(AsciiLower(a[i])), y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareValues(const SqlValue& a, const SqlValue& b, bool foldCase, CaseRule rule) {
  auto rank = [](SqlValue::Kind k) {
    return k == SqlValue::Null ? 0 : (k == SqlValue::Int || k == SqlValue::Real) ? 1 : k == SqlValue::Text ? 2 : 3;
  };
  int ra = rank(a.kind), rb = rank(b.kind);
  if (ra != rb) return ra < rb ? -1 : 1;
  switch (ra) {
    case 0: return 0;
    case 1:
      if (a.kind == SqlValue::Int && b.kind == SqlValue::Int) return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
      {
        double x = a.kind == SqlValue::Int ? static_cast<double>(a.i) : a.r;
        double y = b.kind == SqlValue::Int ? static_cast<double>(b.i) : b.r;
        return x < y ? -1 : (x > y ? 1 : 0);
      }
    case 2:
      if (!foldCase) return CompareBytes(a.s, b.s);
      return rule == CaseRule::Ascii ? AsciiFoldedCompare(a.s, b.s) : FoldedCompare(a.s, b.s);
    default: return CompareBytes(a.s, b.s);
  }
}

std::string FoldKey(std::string_view s, CaseRule rule) {
  std::string out;
  out.reserve(s.size());
  std::size_t ascii = 0;
  while (ascii < s.size() && (rule == CaseRule::Ascii || static_cast<unsigned char>(s[ascii]) < 0x80))
    out += AsciiLower(s[ascii++]);
  for (char32_t ch : FoldedChars(s.substr(ascii))) {
    if (ch >= 0x110000) {  // a byte that is not UTF-8: a lead byte no character has, then the byte
      out += '\xF8';
      out += static_cast<char>(ch - 0x110000);
    } else {
      out += fw::CharToUtf8(ch);
    }
  }
  return out;
}

std::string LeadingChars(std::string_view s, std::size_t n) { return std::string(s.substr(0, fw::CharOffset(s, n))); }

bool DoubleToBcd(double v, int precision, int decimals, std::uint8_t* bcd) {
  if (!std::isfinite(v) || precision < 1 || precision > 64 || decimals < 0 || decimals > precision) return false;
  char text[400];
  int n = std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(v));
  if (n <= 0 || n >= static_cast<int>(sizeof text)) return false;
  std::string digits;
  for (int i = 0; i < n; ++i)
    if (text[i] != '.') digits += text[i];
  std::size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? std::string() : digits.substr(first);
  if (static_cast<int>(digits.size()) > precision) return false;
  digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  std::memset(bcd, 0, ORVEX_BCD_SIZE);
  bcd[0] = static_cast<std::uint8_t>(precision);
  bool negative = std::signbit(v) && digits.find_first_not_of('0') != std::string::npos;
  bcd[1] = static_cast<std::uint8_t>((negative ? 0x80 : 0) | decimals);
  for (int i = 0; i < precision; ++i) {
    auto d = static_cast<std::uint8_t>(digits[static_cast<std::size_t>(i)] - '0');
    bcd[2 + i / 2] |= (i % 2 == 0) ? static_cast<std::uint8_t>(d << 4) : d;
  }
  return true;
}

bool BcdToDouble(const std::uint8_t* bcd, double* v) {
  int precision = bcd[0], decimals = bcd[1] & 0x3F;
  if (precision < 1 || precision > 64 || decimals > precision || (bcd[1] & 0x40)) return false;
  std::string text = (bcd[1] & 0x80) ? "-" : "";
  for (int i = 0; i < 64; ++i) {
    int d = (i % 2 == 0) ? bcd[2 + i / 2] >> 4 : bcd[2 + i / 2] & 0x0F;
    if (d > 9 || (i >= precision && d != 0)) return false;
    if (i >= precision) continue;
    if (i == precision - decimals) text += '.';
    text += static_cast<char>('0' + d);
  }
  *v = std::strtod(text.c_str(), nullptr);
  return true;
}

}  // namespace orvex
