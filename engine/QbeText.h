// Query by example: the text read into blocks, rows and terms and turned
// into one statement of the engine's SQL dialect. The statement names
// tables and fields only as the database holds them, quoted, and takes
// every value the text gives as a bound parameter (:v1, :v2, ...), so that
// nothing a user typed is ever read as SQL.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Values.h"

namespace orvex {

// A table as the translation sees it.
struct QbeTable {
  std::string sqlName;  // the name a statement gives it: its file name
  std::vector<Field> fields;
  std::string rowId;  // the SQL of its records' row id, which keeps table order
};

// What the translation needs of a database: its tables by the names a text
// may give them.
class QbeCatalog {
public:
  virtual ~QbeCatalog() = default;
  virtual std::optional<QbeTable> Find(const std::string& name) = 0;
};

// How dates, times and numbers are read besides their fixed forms: the
// engine's system settings.
struct QbeFormats {
  char32_t dateSeparator = U'/';
  int dateOrder = 0;  // 0 month, day, year; 1 day, month, year; 2 year, month, day
  bool yearBiased = true;  // two-digit years within 50 years of thisYear, else in its century
  int thisYear = 2000;
  std::string am = "AM", pm = "PM";
  char32_t decimalSeparator = U'.';
};

struct QbeOptions {
  bool blanksAsZero = false;
  bool keepChanged = false;  // the auxiliary tables: a change statement gives what it changed
};

struct QbeTranslation {
  enum Kind { Query, Delete, Insert, Update };
  Kind kind = Query;
  std::string sql;
  std::vector<SqlValue> values;  // parameter :vN is values[N - 1]
  std::string target;            // a change's table (its sqlName)
  // With keepChanged: an update's records as they are before it, read by a
  // statement of their own (deletes and inserts return theirs).
  std::string oldRowsSql;
};

// Fails with ORVEX_ERR_QBESYNTAX, the detail naming the line and the cell.
QbeTranslation TranslateQbe(const std::string& text, QbeCatalog& catalog, const QbeFormats& formats,
                            const QbeOptions& options);

}  // namespace orvex
