#include "QbeText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <map>

#include "Chars.h"
#include "Errors.h"

namespace orvex {

namespace {

constexpr std::size_t kShownChars = 32;  // of a user's text in a message

[[noreturn]] void Syntax(int line, int cell, const std::string& what) {
  Fail(ORVEX_ERR_QBESYNTAX, "line " + std::to_string(line) + ", cell " + std::to_string(cell) + ": " + what);
}

// A text of the user's in a message, quoted and cut short.
std::string Shown(std::string_view s) {
  if (fw::CharLength(s) <= kShownChars) return "\"" + std::string(s) + "\"";
  return "\"" + std::string(s.substr(0, fw::CharOffset(s, kShownChars))) + "...\"";
}

std::string QuoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameWord(std::string_view s, std::string_view word) {
  if (s.size() != word.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (AsciiLower(s[i]) != AsciiLower(word[i])) return false;
  return true;
}

std::string Folded(std::string_view s) {
  fw::TChars c = fw::Utf8ToChars(s);
  for (fw::TChar& ch : c) ch = fw::CharLower(ch);
  return fw::CharsToUtf8(c);
}

bool HasQuote(std::string_view s) { return s.find('"') != std::string_view::npos; }

// A line whose quotes do not pair is refused at the cell where one opens.
void CheckQuotes(std::string_view line, int lineNo) {
  bool quoted = false;
  int cell = 1, opened = 0;
  for (char c : line) {
    if (c == '|' && !quoted) ++cell;
    if (c != '"') continue;
    quoted = !quoted;
    if (quoted) opened = cell;
  }
  if (quoted) Syntax(lineNo, opened, "a quote is not closed");
}

// Cuts s at each separator that stands outside double quotes. A doubled
// quote inside quotes toggles twice, so it needs no case of its own.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char separator) {
  std::vector<std::string_view> out;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    else if (s[i] == separator && !quoted) {
      out.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(s.substr(start));
  return out;
}

// Cuts a term at each word OR that stands between blanks outside quotes.
std::vector<std::string_view> SplitAlternatives(std::string_view s) {
  std::vector<std::string_view> out;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (quoted || i + 2 > s.size() || !SameWord(s.substr(i, 2), "OR")) continue;
    bool before = i == 0 || IsBlankChar(s[i - 1]);
    bool after = i + 2 == s.size() || IsBlankChar(s[i + 2]);
    if (!before || !after) continue;
    out.push_back(s.substr(start, i - start));
    start = i + 2;
  }
  out.push_back(s.substr(start));
  return out;
}

// ---------------------------------------------------------------- values

enum class Kind { Text, Number, Boolean, Date, Time, DateTime, Bytes };

Kind KindOf(std::uint16_t type) {
  switch (type) {
    case ORVEX_FT_STRING:
    case ORVEX_FT_MEMO:
    case ORVEX_FT_FMTMEMO: return Kind::Text;
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_WORD:
    case ORVEX_FT_AUTOINC:
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_BCD: return Kind::Number;
    case ORVEX_FT_BOOLEAN: return Kind::Boolean;
    case ORVEX_FT_DATE: return Kind::Date;
    case ORVEX_FT_TIME: return Kind::Time;
    case ORVEX_FT_DATETIME: return Kind::DateTime;
    default: return Kind::Bytes;
  }
}

const char* KindName(Kind k) {
  switch (k) {
    case Kind::Text: return "text";
    case Kind::Number: return "number";
    case Kind::Boolean: return "Boolean";
    case Kind::Date: return "date";
    case Kind::Time: return "time";
    case Kind::DateTime: return "timestamp";
    case Kind::Bytes: break;
  }
  return "bytes";
}

bool IsWholeType(std::uint16_t type) {
  return type == ORVEX_FT_SMALLINT || type == ORVEX_FT_INTEGER || type == ORVEX_FT_WORD || type == ORVEX_FT_AUTOINC;
}

// What a cell's value is once its quotes are read: quoted runs are taken as
// they stand (a doubled quote gives one), "*" and "?" outside them are
// wildcards. pattern is the LIKE pattern, with "\" escaping.
struct Literal {
  std::string text;
  std::string pattern;
  bool wild = false;
};

Literal Unquote(std::string_view raw) {
  Literal l;
  bool quoted = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '"') {
      if (quoted && i + 1 < raw.size() && raw[i + 1] == '"') {
        l.text += '"';
        l.pattern += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
      continue;
    }
    l.text += c;
    if (!quoted && (c == '*' || c == '?')) {
      l.wild = true;
      l.pattern += c == '*' ? '%' : '_';
      continue;
    }
    if (c == '%' || c == '_' || c == '\\') l.pattern += '\\';
    l.pattern += c;
  }
  return l;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int DigitsValue(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

bool ReadWhole(std::string_view s, std::int64_t& v) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

// A number with "." or the system's decimal separator, and an exponent.
bool ReadNumber(std::string_view s, const QbeFormats& f, double& v) {
  std::string sep = fw::CharToUtf8(f.decimalSeparator);
  std::string t(s);
  if (sep != "." && !sep.empty())
    if (std::size_t at = t.find(sep); at != std::string::npos) t.replace(at, sep.size(), ".");
  if (!t.empty() && t.front() == '+') t.erase(0, 1);
  if (t.empty() || t.find_first_not_of("0123456789.eE+-") != std::string::npos) return false;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return ec == std::errc() && end == t.data() + t.size() && std::isfinite(v);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

std::string TwoDigits(int v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); }

// A date as the file holds it, from 'YYYY-MM-DD' or the system's form.
bool ReadDate(std::string_view s, const QbeFormats& f, std::string& out) {
  int y, m, d;
  if (s.size() == 10 && s[4] == '-' && s[7] == '-' && AllDigits(s.substr(0, 4)) && AllDigits(s.substr(5, 2)) &&
      AllDigits(s.substr(8, 2))) {
    y = DigitsValue(s.substr(0, 4));
    m = DigitsValue(s.substr(5, 2));
    d = DigitsValue(s.substr(8, 2));
  } else {
    std::string sep = fw::CharToUtf8(f.dateSeparator);
    if (sep.empty()) return false;
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
      std::size_t at = s.find(sep, start);
      parts.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
      if (at == std::string_view::npos) break;
      start = at + sep.size();
    }
    if (parts.size() != 3) return false;
    const int order[3][3] = {{2, 0, 1}, {2, 1, 0}, {0, 1, 2}};  // year, month, day places
    const int* o = order[f.dateOrder >= 0 && f.dateOrder <= 2 ? f.dateOrder : 0];
    std::string_view ys = parts[static_cast<std::size_t>(o[0])], ms = parts[static_cast<std::size_t>(o[1])],
                     ds = parts[static_cast<std::size_t>(o[2])];
    if (!AllDigits(ys) || !AllDigits(ms) || !AllDigits(ds) || ys.size() > 4 || ms.size() > 2 || ds.size() > 2)
      return false;
    y = DigitsValue(ys);
    m = DigitsValue(ms);
    d = DigitsValue(ds);
    if (ys.size() <= 2) {
      if (f.yearBiased) {
        const int low = f.thisYear - 50;
        y += low - ((low % 100) + 100) % 100;
        if (y < low) y += 100;
      } else {
        y += f.thisYear - f.thisYear % 100;
      }
    }
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  out = std::to_string(y);
  out.insert(0, 4 - out.size(), '0');
  out += "-" + TwoDigits(m) + "-" + TwoDigits(d);
  return true;
}

// A time as the file holds it, from H:MM, H:MM:SS or H:MM:SS.mmm, on a
// 24-hour clock or with the system's AM and PM texts after it.
bool ReadTime(std::string_view text, const QbeFormats& f, std::string& out) {
  int half = 0;  // 1 AM, 2 PM
  fw::TChars chars = fw::Utf8ToChars(text);
  for (int k = 1; k <= 2 && !half; ++k) {
    fw::TChars mark = fw::Utf8ToChars(k == 1 ? f.am : f.pm);
    if (mark.empty() || mark.size() >= chars.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < mark.size() && same; ++i)
      same = fw::CharLower(mark[i]) == fw::CharLower(chars[chars.size() - mark.size() + i]);
    if (!same) continue;
    half = k;
    chars.resize(chars.size() - mark.size());
  }
  const std::string rest = fw::CharsToUtf8(chars);
  std::string_view s = Trim(rest);
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    std::size_t at = s.find(':', start);
    parts.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) break;
    start = at + 1;
  }
  if (parts.size() < 2 || parts.size() > 3) return false;
  std::string_view fraction;
  if (parts.size() == 3) {
    std::size_t dot = parts[2].find('.');
    if (dot != std::string_view::npos) {
      fraction = parts[2].substr(dot + 1);
      parts[2] = parts[2].substr(0, dot);
      if (!AllDigits(fraction) || fraction.size() > 3) return false;
    }
  }
  for (std::string_view p : parts)
    if (!AllDigits(p) || p.size() > 2) return false;
  if (parts[1].size() != 2 || (parts.size() == 3 && parts[2].size() != 2)) return false;
  int h = DigitsValue(parts[0]), mi = DigitsValue(parts[1]), sec = parts.size() == 3 ? DigitsValue(parts[2]) : 0;
  int ms = 0;
  if (!fraction.empty()) {
    ms = DigitsValue(fraction);
    for (std::size_t i = fraction.size(); i < 3; ++i) ms *= 10;
  }
  if (half) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (half == 2 ? 12 : 0);
  }
  if (h > 23 || mi > 59 || sec > 59) return false;
  out = TwoDigits(h) + ":" + TwoDigits(mi) + ":" + TwoDigits(sec);
  if (ms) out += "." + TwoDigits(ms / 10) + static_cast<char>('0' + ms % 10);
  return true;
}

bool ReadDateTime(std::string_view s, const QbeFormats& f, std::string& out) {
  std::size_t blank = s.find_first_of(" \t");
  std::string date, time = "00:00:00";
  if (!ReadDate(s.substr(0, blank), f, date)) return false;
  if (blank != std::string_view::npos && !ReadTime(Trim(s.substr(blank)), f, time)) return false;
  out = date + " " + time;
  return true;
}

// ---------------------------------------------------------------- the parse

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

const char* OpText(Op op) {
  switch (op) {
    case Op::Eq: return "=";
    case Op::Ne: return "<>";
    case Op::Lt: return "<";
    case Op::Gt: return ">";
    case Op::Le: return "<=";
    case Op::Ge: return ">=";
  }
  return "=";
}

enum class Command { Query, Delete, Insert, Update };

// One alternative of a term.
struct Alt {
  enum Type { Value, Pattern, Blank, NotBlank, Element };
  Type type = Value;
  Op op = Op::Eq;
  SqlValue value;
  std::string pattern;
  std::string element;  // folded
};

struct FieldCell {
  int line = 0, cell = 0;
  std::size_t field = 0;  // in the table
  bool show = false, all = false;
  int sort = 0;  // 1 ascending, -1 descending
  std::vector<std::vector<Alt>> terms;  // all hold; each holds when one alternative does
  bool hasTo = false;
  Alt to;  // Value or Element
  bool given = false;  // I.: a value or element stands here
  Alt insert;
};

struct Row {
  int line = 0;
  Command command = Command::Query;
  std::vector<FieldCell> cells;
};

struct Block {
  int line = 0;
  QbeTable table;
  std::vector<std::size_t> fields;  // header cell k + 2 is field fields[k]
  std::vector<Row> rows;
  std::string alias;
};

// Where an example element stands.
struct Use {
  std::size_t block, row, cell;
  bool plain;  // alone in a condition: it takes the field's value
  Op op;
  enum Where { Condition, To, Insert } where;
  int line, cellNo;
};

class Translator {
public:
  Translator(QbeCatalog& catalog, const QbeFormats& formats, const QbeOptions& options)
      : catalog_(catalog), formats_(formats), options_(options) {}

  QbeTranslation Run(const std::string& text);

private:
  void ReadBlocks(const std::string& text);
  void ReadBlock(const std::vector<std::pair<int, std::string_view>>& lines);
  std::vector<std::string_view> RowCells(std::string_view line, int lineNo, std::size_t count, bool lead) const;
  FieldCell ReadCell(std::string_view raw, int line, int cell, const Field& f, Command command) const;
  Alt ReadAlternative(std::string_view raw, int line, int cell, const Field& f) const;
  SqlValue ReadValue(const Literal& l, int line, int cell, const Field& f, bool written) const;
  void CheckShape();
  void BindElements();

  const Field& FieldOf(std::size_t b, std::size_t cell) const { return blocks_[b].table.fields[cell]; }
  std::string Ref(std::size_t b, std::size_t field) const;
  std::string Operand(std::size_t b, std::size_t field) const;
  std::string Param(SqlValue v);
  std::string Written(const SqlValue& v);
  std::string AltSql(std::size_t b, const FieldCell& c, std::size_t row, const Alt& a);
  std::string RowSql(std::size_t b, std::size_t r);
  std::string BlockSql(std::size_t b);
  std::string Conditions(const std::vector<std::size_t>& blocks);
  std::string FromList(const std::vector<std::size_t>& blocks) const;
  std::string BindingRef(const std::string& element) const;
  void BuildQuery();
  void BuildDelete();
  void BuildInsert();
  void BuildUpdate();
  std::string Exists(const std::vector<std::size_t>& others, const std::string& where) const;
  std::string FieldNames(std::size_t b) const;

  QbeCatalog& catalog_;
  const QbeFormats& formats_;
  const QbeOptions& options_;
  std::vector<Block> blocks_;
  Command kind_ = Command::Query;
  std::size_t target_ = 0;
  // Each element's uses, and the use whose field gives its value.
  std::map<std::string, std::vector<Use>> uses_;
  std::map<std::string, Use> bindings_;
  QbeTranslation out_;
};

void Translator::ReadBlocks(const std::string& text) {
  std::vector<std::string_view> lines;
  std::string_view rest = text;
  for (;;) {
    std::size_t at = rest.find_first_of("\r\n");
    lines.push_back(rest.substr(0, at));
    if (at == std::string_view::npos) break;
    rest.remove_prefix(at + (rest[at] == '\r' && at + 1 < rest.size() && rest[at + 1] == '\n' ? 2 : 1));
  }
  if (!SameWord(Trim(lines[0]), "Query")) Syntax(1, 1, "expected the word Query alone on the first line");
  std::vector<std::pair<int, std::string_view>> block;
  for (std::size_t i = 1; i <= lines.size(); ++i) {
    if (i < lines.size() && !Trim(lines[i]).empty()) {
      block.emplace_back(static_cast<int>(i + 1), lines[i]);
      continue;
    }
    if (!block.empty()) ReadBlock(block);
    block.clear();
  }
  if (blocks_.empty()) Syntax(2, 1, "expected a table's block after the Query line");
}

// The cells of a row: as many as its header has. Outer bars are optional.
std::vector<std::string_view> Translator::RowCells(std::string_view line, int lineNo, std::size_t count,
                                                  bool lead) const {
  CheckQuotes(line, lineNo);
  std::vector<std::string_view> pieces = SplitOutsideQuotes(line, '|');
  // a trailing bar may always go, a leading one where the header has one
  const bool firstBlank = Trim(pieces.front()).empty(), lastBlank = pieces.size() > 1 && Trim(pieces.back()).empty();
  for (int drop = 0; drop < 4; ++drop) {
    const bool dropLast = drop & 1, dropFirst = drop & 2;
    if ((dropLast && !lastBlank) || (dropFirst && (!firstBlank || !lead)) ||
        pieces.size() != count + (dropLast ? 1 : 0) + (dropFirst ? 1 : 0))
      continue;
    return std::vector<std::string_view>(pieces.begin() + (dropFirst ? 1 : 0), pieces.end() - (dropLast ? 1 : 0));
  }
  if (pieces.size() > count)
    Syntax(lineNo, static_cast<int>(count + 1), "the row has more cells than its header's " + std::to_string(count));
  Syntax(lineNo, static_cast<int>(pieces.size() + 1),
         "the row has fewer cells than its header's " + std::to_string(count));
}

void Translator::ReadBlock(const std::vector<std::pair<int, std::string_view>>& lines) {
  Block b;
  b.line = lines[0].first;
  std::string_view header = Trim(lines[0].second);
  CheckQuotes(header, b.line);
  std::vector<std::string_view> cells = SplitOutsideQuotes(header, '|');
  const bool lead = cells.size() > 1 && Trim(cells.front()).empty();
  const bool trail = cells.size() > 1 && Trim(cells.back()).empty();
  if (lead) cells.erase(cells.begin());
  if (trail && cells.size() > 1) cells.pop_back();
  for (std::size_t k = 0; k < cells.size(); ++k)
    if (Trim(cells[k]).empty())
      Syntax(b.line, static_cast<int>(k + 1), k ? "expected a field name" : "expected a table name");
  std::string tableName = Unquote(Trim(cells[0])).text;
  std::optional<QbeTable> table = catalog_.Find(tableName);
  if (!table) Syntax(b.line, 1, "no table named " + Shown(tableName));
  b.table = std::move(*table);
  for (std::size_t k = 1; k < cells.size(); ++k) {
    std::string name = Unquote(Trim(cells[k])).text;
    const std::string key = Folded(name);
    std::size_t found = b.table.fields.size();
    for (std::size_t i = 0; i < b.table.fields.size() && found == b.table.fields.size(); ++i)
      if (Folded(b.table.fields[i].name) == key) found = i;
    if (found == b.table.fields.size())
      Syntax(b.line, static_cast<int>(k + 1), "no field named " + Shown(name) + " in " + Shown(tableName));
    b.fields.push_back(found);
  }
  if (lines.size() < 2) Syntax(b.line, 1, "expected a row under the header of " + Shown(tableName));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const int lineNo = lines[i].first;
    std::vector<std::string_view> rc = RowCells(lines[i].second, lineNo, cells.size(), lead);
    Row r;
    r.line = lineNo;
    std::string_view command = Trim(rc[0]);
    if (command.empty()) r.command = Command::Query;
    else if (SameWord(command, "D.")) r.command = Command::Delete;
    else if (SameWord(command, "I.")) r.command = Command::Insert;
    else if (SameWord(command, "U.")) r.command = Command::Update;
    else Syntax(lineNo, 1, "unknown command " + Shown(command) + ": expected D., I., U. or nothing");
    for (std::size_t k = 1; k < rc.size(); ++k)
      r.cells.push_back(ReadCell(Trim(rc[k]), lineNo, static_cast<int>(k + 1), b.table.fields[b.fields[k - 1]],
                                 r.command));
    for (std::size_t k = 0; k < r.cells.size(); ++k) r.cells[k].field = b.fields[k];
    b.rows.push_back(std::move(r));
  }
  b.alias = QuoteName("q/" + std::to_string(blocks_.size() + 1));
  blocks_.push_back(std::move(b));
}

// A term of the form WORD. or WORD.WORD.: P. and its kin, or a command
// standing where it does not belong; never a value.
bool LooksLikeTerm(std::string_view s) {
  if (s.empty() || s.back() != '.' || HasQuote(s)) return false;
  bool letter = false;
  for (char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) letter = true;
    else if (c == '.' && letter) letter = false;
    else return false;
  }
  return true;
}

bool IsElement(std::string_view s) {
  if (s.size() < 2 || s[0] != '_') return false;
  for (fw::TChar c : fw::Utf8ToChars(s.substr(1)))
    if (!fw::IsAlphaNumeric(c) && c != U'_') return false;
  return true;
}

FieldCell Translator::ReadCell(std::string_view raw, int line, int cell, const Field& f, Command command) const {
  FieldCell c;
  c.line = line;
  c.cell = cell;
  if (raw.empty()) return c;
  if (command == Command::Insert) {
    if (SplitOutsideQuotes(raw, ',').size() > 1 || SplitAlternatives(raw).size() > 1)
      Syntax(line, cell, "an I. row takes one value or example element a cell");
    if (IsElement(raw)) {
      c.insert.type = Alt::Element;
      c.insert.element = Folded(raw);
    } else if (LooksLikeTerm(raw) || SameWord(raw, "BLANK")) {
      Syntax(line, cell, "an I. row takes values and example elements, not " + Shown(raw));
    } else {
      c.insert.value = ReadValue(Unquote(raw), line, cell, f, true);
    }
    c.given = true;
    return c;
  }
  for (std::string_view termRaw : SplitOutsideQuotes(raw, ',')) {
    std::string_view term = Trim(termRaw);
    if (term.empty()) Syntax(line, cell, "expected a term between commas");
    if (LooksLikeTerm(term)) {
      struct Mark {
        const char* text;
        bool all;
        int sort;
      };
      static const Mark marks[] = {{"P.", false, 0}, {"P.ALL.", true, 0}, {"P.AO.", false, 1}, {"P.DO.", false, -1}};
      const Mark* m = nullptr;
      for (const Mark& k : marks)
        if (SameWord(term, k.text)) m = &k;
      if (!m) Syntax(line, cell, "unknown term " + Shown(term));
      if (command != Command::Query) Syntax(line, cell, Shown(term) + " shows fields only in a row of a query");
      if (m->sort && c.sort && m->sort != c.sort) Syntax(line, cell, "P.AO. and P.DO. both sort this field");
      c.show = true;
      c.all = c.all || m->all;
      if (m->sort) c.sort = m->sort;
      continue;
    }
    if (term.size() > 3 && SameWord(term.substr(0, 2), "TO") && IsBlankChar(term[2])) {
      if (command != Command::Update) Syntax(line, cell, "TO sets a field only in a U. row");
      if (c.hasTo) Syntax(line, cell, "the field is set twice");
      std::string_view what = Trim(term.substr(3));
      if (IsElement(what)) {
        c.to.type = Alt::Element;
        c.to.element = Folded(what);
      } else {
        c.to.value = ReadValue(Unquote(what), line, cell, f, true);
      }
      c.hasTo = true;
      continue;
    }
    std::vector<Alt> alts;
    for (std::string_view a : SplitAlternatives(term)) alts.push_back(ReadAlternative(Trim(a), line, cell, f));
    c.terms.push_back(std::move(alts));
  }
  return c;
}

Alt Translator::ReadAlternative(std::string_view raw, int line, int cell, const Field& f) const {
  Alt a;
  if (raw.empty()) Syntax(line, cell, "expected a condition on each side of OR");
  if (!HasQuote(raw)) {
    if (SameWord(raw, "BLANK")) {
      a.type = Alt::Blank;
      return a;
    }
    if (raw.size() > 3 && SameWord(raw.substr(0, 3), "NOT") && SameWord(Trim(raw.substr(3)), "BLANK") &&
        IsBlankChar(raw[3])) {
      a.type = Alt::NotBlank;
      return a;
    }
    if (LooksLikeTerm(raw)) Syntax(line, cell, "unknown term " + Shown(raw));
  }
  static const std::pair<const char*, Op> ops[] = {{"<=", Op::Le}, {">=", Op::Ge}, {"<>", Op::Ne},
                                                   {"<", Op::Lt},  {">", Op::Gt},  {"=", Op::Eq}};
  bool opGiven = false;
  for (const auto& [text, op] : ops) {
    std::string_view t = text;
    if (raw.substr(0, t.size()) != t) continue;
    a.op = op;
    opGiven = true;
    raw = Trim(raw.substr(t.size()));
    if (raw.empty()) Syntax(line, cell, "expected a value after " + Shown(t));
    break;
  }
  if (IsElement(raw)) {
    if (KindOf(f.type) == Kind::Bytes)
      Syntax(line, cell, "example elements join text, numbers, Booleans, dates and times; " + f.name + " holds bytes");
    a.type = Alt::Element;
    a.element = Folded(raw);
    return a;
  }
  Literal l = Unquote(raw);
  if (l.wild && (KindOf(f.type) == Kind::Text)) {
    if (opGiven && a.op != Op::Eq && a.op != Op::Ne)
      Syntax(line, cell, "a value with * or ? is compared with = or <> only");
    a.type = Alt::Pattern;
    a.pattern = l.pattern;
    return a;
  }
  a.type = Alt::Value;
  a.value = ReadValue(l, line, cell, f, false);
  return a;
}

// A value read by its field's type. A value to be written must fit the field.
SqlValue Translator::ReadValue(const Literal& l, int line, int cell, const Field& f, bool written) const {
  const std::string& s = l.text;
  std::string out;
  auto bad = [&](const char* expected) -> SqlValue {
    Syntax(line, cell, Shown(s) + " is not " + expected + " (" + f.name + ")");
  };
  switch (KindOf(f.type)) {
    case Kind::Text:
      if (written && f.IsString() && fw::CharLength(s) > f.size)
        Syntax(line, cell, Shown(s) + " is longer than " + f.name + "'s " + std::to_string(f.size) + " characters");
      return SqlValue::OfText(s);
    case Kind::Number: {
      std::int64_t whole;
      if (ReadWhole(s, whole)) {
        if (!IsWholeType(f.type)) return SqlValue::OfReal(static_cast<double>(whole));
        const std::int64_t low = f.type == ORVEX_FT_SMALLINT ? -32768
                                 : f.type == ORVEX_FT_WORD   ? 0
                                                             : std::numeric_limits<std::int32_t>::min();
        const std::int64_t high = f.type == ORVEX_FT_SMALLINT ? 32767
                                  : f.type == ORVEX_FT_WORD   ? 65535
                                                              : std::numeric_limits<std::int32_t>::max();
        if (written && (whole < low || whole > high)) Syntax(line, cell, Shown(s) + " is out of the range of " + f.name);
        return SqlValue::OfInt(whole);
      }
      double v;
      if (!ReadNumber(s, formats_, v)) return bad("a number");
      if (written && IsWholeType(f.type)) return bad("a whole number");
      return SqlValue::OfReal(v);
    }
    case Kind::Boolean:
      if (SameWord(s, "True")) return SqlValue::OfInt(1);
      if (SameWord(s, "False")) return SqlValue::OfInt(0);
      return bad("True or False");
    case Kind::Date:
      if (!ReadDate(s, formats_, out)) return bad("a date");
      return SqlValue::OfText(out);
    case Kind::Time:
      if (!ReadTime(s, formats_, out)) return bad("a time");
      return SqlValue::OfText(out);
    case Kind::DateTime:
      if (!ReadDateTime(s, formats_, out)) return bad("a date and time");
      return SqlValue::OfText(out);
    case Kind::Bytes: break;
  }
  Syntax(line, cell, f.name + " holds bytes: only BLANK and NOT BLANK test it");
}

// ---------------------------------------------------------------- the shape of the query

void Translator::CheckShape() {
  bool changes = false;
  for (std::size_t b = 0; b < blocks_.size(); ++b) {
    const Block& bl = blocks_[b];
    const Command first = bl.rows[0].command;
    for (const Row& r : bl.rows)
      if (r.command != first) Syntax(r.line, 1, "the rows of a block share one command");
    if (first == Command::Query) continue;
    if (changes) Syntax(bl.rows[0].line, 1, "a query changes one table: D., I. and U. stand in one block");
    changes = true;
    kind_ = first;
    target_ = b;
    if (first != Command::Delete && bl.rows.size() > 1)
      Syntax(bl.rows[1].line, 1, "a block takes one " + std::string(first == Command::Insert ? "I." : "U.") + " row");
  }
  for (std::size_t b = 0; b < blocks_.size(); ++b)
    for (const Row& r : blocks_[b].rows)
      for (const FieldCell& c : r.cells) {
        if (c.show && kind_ != Command::Query)
          Syntax(c.line, c.cell, "P. shows fields of a query that answers; this one changes data");
        const Field& f = blocks_[b].table.fields[c.field];
        if ((c.given || c.hasTo) && f.type == ORVEX_FT_AUTOINC)
          Syntax(c.line, c.cell, f.name + " is numbered by the engine");
      }
  if (kind_ == Command::Update) {
    bool sets = false;
    for (const FieldCell& c : blocks_[target_].rows[0].cells) sets = sets || c.hasTo;
    if (!sets) Syntax(blocks_[target_].rows[0].line, 1, "a U. row sets a field with TO");
    std::vector<bool> set(blocks_[target_].table.fields.size());
    for (const FieldCell& c : blocks_[target_].rows[0].cells) {
      if (c.hasTo && set[c.field]) Syntax(c.line, c.cell, "the field is set twice");
      set[c.field] = set[c.field] || c.hasTo;
    }
  }
  if (kind_ == Command::Insert) {
    std::vector<bool> set(blocks_[target_].table.fields.size());
    bool any = false;
    for (const FieldCell& c : blocks_[target_].rows[0].cells) {
      if (c.given && set[c.field]) Syntax(c.line, c.cell, "the field is given twice");
      set[c.field] = set[c.field] || c.given;
      any = any || c.given;
    }
    if (!any) Syntax(blocks_[target_].rows[0].line, 1, "an I. row gives at least one field a value");
  }
}

// An element takes its value from its first lone stand in a block of one
// row; an element that stands only in one row takes it from there. Any
// other element would join alternative rows, which has no one value.
void Translator::BindElements() {
  for (std::size_t b = 0; b < blocks_.size(); ++b)
    for (std::size_t r = 0; r < blocks_[b].rows.size(); ++r)
      for (std::size_t k = 0; k < blocks_[b].rows[r].cells.size(); ++k) {
        const FieldCell& c = blocks_[b].rows[r].cells[k];
        for (const auto& term : c.terms)
          for (const Alt& a : term)
            if (a.type == Alt::Element)
              uses_[a.element].push_back(
                  {b, r, k, a.op == Op::Eq && term.size() == 1, a.op, Use::Condition, c.line, c.cell});
        if (c.hasTo && c.to.type == Alt::Element)
          uses_[c.to.element].push_back({b, r, k, false, Op::Eq, Use::To, c.line, c.cell});
        if (c.given && c.insert.type == Alt::Element)
          uses_[c.insert.element].push_back({b, r, k, false, Op::Eq, Use::Insert, c.line, c.cell});
      }
  for (const auto& [name, uses] : uses_) {
    const Use* binding = nullptr;
    for (const Use& u : uses)
      if (u.plain && blocks_[u.block].rows.size() == 1) {
        binding = &u;
        break;
      }
    if (!binding) {
      bool oneRow = true;
      for (const Use& u : uses) oneRow = oneRow && u.block == uses[0].block && u.row == uses[0].row;
      const Use* lone = nullptr;
      for (const Use& u : uses)
        if (u.plain) {
          lone = &u;
          break;
        }
      if (!lone)
        Syntax(uses[0].line, uses[0].cellNo, "example element " + name + " stands alone in no cell, so it has no value");
      if (!oneRow)
        Syntax(lone->line, lone->cellNo,
               "example element " + name + " joins alternative rows: let it stand alone in a block of one row");
      binding = lone;
    }
    const Kind kind = KindOf(FieldOf(binding->block, blocks_[binding->block].rows[binding->row].cells[binding->cell].field).type);
    for (const Use& u : uses) {
      const Field& f = FieldOf(u.block, blocks_[u.block].rows[u.row].cells[u.cell].field);
      if (KindOf(f.type) != kind)
        Syntax(u.line, u.cellNo,
               "example element " + name + " joins a " + KindName(kind) + " field with " + f.name + ", a " +
                   KindName(KindOf(f.type)) + " field");
    }
    bindings_.emplace(name, *binding);
  }
}

// ---------------------------------------------------------------- SQL

std::string Translator::Ref(std::size_t b, std::size_t field) const {
  return blocks_[b].alias + "." + QuoteName(blocks_[b].table.fields[field].name);
}

// A field as a comparison reads it: a blank number as 0 when blanks count
// as zero.
std::string Translator::Operand(std::size_t b, std::size_t field) const {
  const Field& f = blocks_[b].table.fields[field];
  if (options_.blanksAsZero && KindOf(f.type) == Kind::Number) return "IFNULL(" + Ref(b, field) + ", 0)";
  return Ref(b, field);
}

// A value written to a field: an empty text is the blank one, as a post
// stores it.
std::string Translator::Written(const SqlValue& v) {
  if (v.kind == SqlValue::Text && v.s.empty()) return "NULL";
  return Param(v);
}

std::string Translator::Param(SqlValue v) {
  out_.values.push_back(std::move(v));
  return ":v" + std::to_string(out_.values.size());
}

std::string Translator::BindingRef(const std::string& element) const {
  const Use& u = bindings_.at(element);
  return Ref(u.block, blocks_[u.block].rows[u.row].cells[u.cell].field);
}

std::string Translator::AltSql(std::size_t b, const FieldCell& c, std::size_t row, const Alt& a) {
  const Field& f = blocks_[b].table.fields[c.field];
  const bool text = KindOf(f.type) == Kind::Text;
  const std::string ref = Ref(b, c.field);
  switch (a.type) {
    case Alt::Blank: return text ? "(" + ref + " IS NULL OR " + ref + " = '')" : ref + " IS NULL";
    case Alt::NotBlank: return text ? "(" + ref + " IS NOT NULL AND " + ref + " <> '')" : ref + " IS NOT NULL";
    case Alt::Pattern: {
      std::string like = "lower(" + ref + ") LIKE lower(" + Param(SqlValue::OfText(a.pattern)) + ") ESCAPE '\\'";
      return a.op == Op::Ne ? "NOT " + like : like;
    }
    case Alt::Value:
      // an empty text is the blank one
      if (text && a.value.s.empty() && (a.op == Op::Eq || a.op == Op::Ne)) {
        Alt blank;
        blank.type = a.op == Op::Eq ? Alt::Blank : Alt::NotBlank;
        return AltSql(b, c, row, blank);
      }
      return Operand(b, c.field) + " " + OpText(a.op) + " " + Param(a.value);
    case Alt::Element: {
      const Use& u = bindings_.at(a.element);
      const FieldCell& bc = blocks_[u.block].rows[u.row].cells[u.cell];
      if (u.block == b && u.row == row && &bc == &c) return {};
      return Operand(b, c.field) + " " + OpText(a.op) + " " + Operand(u.block, bc.field);
    }
  }
  return {};
}

// The conditions of a row, all of which hold; empty when it has none.
std::string Translator::RowSql(std::size_t b, std::size_t r) {
  std::string out;
  for (const FieldCell& c : blocks_[b].rows[r].cells)
    for (const auto& term : c.terms) {
      std::string t;
      for (const Alt& a : term) {
        std::string s = AltSql(b, c, r, a);
        if (s.empty()) {
          t.clear();
          break;  // the element's own stand: always true
        }
        t += (t.empty() ? "" : " OR ") + s;
      }
      if (t.empty()) continue;
      if (term.size() > 1) t = "(" + t + ")";
      out += (out.empty() ? "" : " AND ") + t;
    }
  return out;
}

// A block's rows are alternatives; empty when one of them has no condition.
std::string Translator::BlockSql(std::size_t b) {
  const std::size_t n = blocks_[b].rows.size();
  std::vector<std::string> rows;
  for (std::size_t r = 0; r < n; ++r) {
    std::string s = RowSql(b, r);
    if (s.empty()) return {};
    rows.push_back(std::move(s));
  }
  if (n == 1) return rows[0];
  std::string out;
  for (const std::string& s : rows) out += (out.empty() ? "((" : ") OR (") + s;
  return out + "))";
}

std::string Translator::Conditions(const std::vector<std::size_t>& blocks) {
  std::string out;
  for (std::size_t b : blocks) {
    std::string s = BlockSql(b);
    if (!s.empty()) out += (out.empty() ? "" : " AND ") + s;
  }
  return out;
}

std::string Translator::FromList(const std::vector<std::size_t>& blocks) const {
  std::string out;
  for (std::size_t b : blocks)
    out += (out.empty() ? "" : ", ") + QuoteName(blocks_[b].table.sqlName) + " AS " + blocks_[b].alias;
  return out;
}

std::string Translator::Exists(const std::vector<std::size_t>& others, const std::string& where) const {
  if (others.empty()) return where;
  return "EXISTS (SELECT 1 FROM " + FromList(others) + (where.empty() ? "" : " WHERE " + where) + ")";
}

std::string Translator::FieldNames(std::size_t b) const {
  std::string out;
  for (const Field& f : blocks_[b].table.fields) out += (out.empty() ? "" : ", ") + QuoteName(f.name);
  return out;
}

void Translator::BuildQuery() {
  struct Shown {
    std::size_t block, field;
    int sort;
  };
  std::vector<Shown> shown;
  bool all = false;
  for (std::size_t b = 0; b < blocks_.size(); ++b)
    for (std::size_t k = 0; k < blocks_[b].fields.size(); ++k) {
      bool show = false;
      int sort = 0;
      for (const Row& r : blocks_[b].rows) {
        const FieldCell& c = r.cells[k];
        if (c.sort && sort && c.sort != sort) Syntax(c.line, c.cell, "the rows sort this field two ways");
        show = show || c.show;
        all = all || c.all;
        if (c.sort) sort = c.sort;
      }
      if (!show) continue;
      shown.push_back({b, blocks_[b].fields[k], sort});
    }
  if (shown.empty()) Syntax(blocks_[0].line, 1, "nothing to show: mark a field with P.");
  std::vector<std::size_t> every;
  for (std::size_t b = 0; b < blocks_.size(); ++b) every.push_back(b);
  std::string columns;
  for (const Shown& s : shown) columns += (columns.empty() ? "" : ", ") + Ref(s.block, s.field);
  std::string sql = std::string("SELECT ") + (all ? "" : "DISTINCT ") + columns + " FROM " + FromList(every);
  std::string where = Conditions(every);
  if (!where.empty()) sql += " WHERE " + where;
  std::string order;
  for (std::size_t i = 0; i < shown.size(); ++i)
    if (shown[i].sort)
      order += (order.empty() ? "" : ", ") + std::to_string(i + 1) + (shown[i].sort < 0 ? " DESC" : "");
  if (!all)
    for (std::size_t i = 0; i < shown.size(); ++i)
      if (!shown[i].sort) order += (order.empty() ? "" : ", ") + std::to_string(i + 1);
  // duplicates kept: the rest in table order, block by block
  if (all)
    for (std::size_t b : every) order += (order.empty() ? "" : ", ") + blocks_[b].alias + "." + blocks_[b].table.rowId;
  if (!order.empty()) sql += " ORDER BY " + order;
  out_.sql = sql;
}

void Translator::BuildDelete() {
  std::vector<std::size_t> others, every;
  for (std::size_t b = 0; b < blocks_.size(); ++b) {
    every.push_back(b);
    if (b != target_) others.push_back(b);
  }
  std::string where = Exists(others, Conditions(every));
  out_.sql = "DELETE FROM " + FromList({target_}) + (where.empty() ? "" : " WHERE " + where);
  if (options_.keepChanged) out_.sql += " RETURNING " + FieldNames(target_);
}

void Translator::BuildInsert() {
  std::vector<std::size_t> others;
  for (std::size_t b = 0; b < blocks_.size(); ++b)
    if (b != target_) others.push_back(b);
  std::string columns, values;
  for (const FieldCell& c : blocks_[target_].rows[0].cells) {
    if (!c.given) continue;
    columns += (columns.empty() ? "" : ", ") + QuoteName(blocks_[target_].table.fields[c.field].name);
    values += (values.empty() ? "" : ", ") +
              (c.insert.type == Alt::Element ? BindingRef(c.insert.element) : Written(c.insert.value));
  }
  std::string sql = "INSERT INTO " + QuoteName(blocks_[target_].table.sqlName);
  if (columns.empty() && others.empty()) {
    sql += " DEFAULT VALUES";
  } else if (others.empty()) {
    sql += " (" + columns + ") VALUES (" + values + ")";
  } else {
    std::string where = Conditions(others);
    sql += (columns.empty() ? "" : " (" + columns + ")") + " SELECT " + (values.empty() ? "NULL" : values) +
           " FROM " + FromList(others) + (where.empty() ? "" : " WHERE " + where);
  }
  if (options_.keepChanged) sql += " RETURNING " + FieldNames(target_);
  out_.sql = sql;
}

void Translator::BuildUpdate() {
  std::vector<std::size_t> others, every;
  bool fromOthers = false;  // a field is set from an element of another block
  for (std::size_t b = 0; b < blocks_.size(); ++b) {
    every.push_back(b);
    if (b != target_) others.push_back(b);
  }
  const Row& row = blocks_[target_].rows[0];
  for (const FieldCell& c : row.cells)
    if (c.hasTo && c.to.type == Alt::Element && bindings_.at(c.to.element).block != target_) fromOthers = true;
  std::string sets;
  for (const FieldCell& c : row.cells) {
    if (!c.hasTo) continue;
    sets += (sets.empty() ? "" : ", ") + QuoteName(blocks_[target_].table.fields[c.field].name) + " = " +
            (c.to.type == Alt::Element ? BindingRef(c.to.element) : Written(c.to.value));
  }
  const std::string target = FromList({target_});
  if (fromOthers) {
    std::string where = Conditions(every);
    out_.sql = "UPDATE " + target + " SET " + sets + " FROM " + FromList(others) +
               (where.empty() ? "" : " WHERE " + where);
  } else {
    std::string where = Exists(others, Conditions(every));
    out_.sql = "UPDATE " + target + " SET " + sets + (where.empty() ? "" : " WHERE " + where);
  }
  if (!options_.keepChanged) return;
  // The same records, read before the update; their conditions take
  // parameters of their own, bound by name as the update's are.
  std::string columns;
  for (std::size_t i = 0; i < blocks_[target_].table.fields.size(); ++i)
    columns += (columns.empty() ? "" : ", ") + Ref(target_, i);
  std::string where = Exists(others, Conditions(every));
  out_.oldRowsSql = "SELECT " + columns + " FROM " + target + (where.empty() ? "" : " WHERE " + where);
}

QbeTranslation Translator::Run(const std::string& text) {
  ReadBlocks(text);
  CheckShape();
  BindElements();
  out_.kind = kind_ == Command::Query    ? QbeTranslation::Query
              : kind_ == Command::Delete ? QbeTranslation::Delete
              : kind_ == Command::Insert ? QbeTranslation::Insert
                                         : QbeTranslation::Update;
  switch (kind_) {
    case Command::Query: BuildQuery(); break;
    case Command::Delete: BuildDelete(); break;
    case Command::Insert: BuildInsert(); break;
    case Command::Update: BuildUpdate(); break;
  }
  if (kind_ != Command::Query) out_.target = blocks_[target_].table.sqlName;
  return std::move(out_);
}

}  // namespace

QbeTranslation TranslateQbe(const std::string& text, QbeCatalog& catalog, const QbeFormats& formats,
                            const QbeOptions& options) {
  return Translator(catalog, formats, options).Run(text);
}

}  // namespace orvex
