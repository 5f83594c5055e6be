#include "Filter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Cursor.h"
#include "Errors.h"
#include "Handles.h"
#include "TableFile.h"

namespace orvex {

namespace {

using ValueKind = FilterExpr::ValueKind;

// Deeper trees are tested on the record buffer: the SQL of one would only
// strain SQLite's parser for a filter nobody writes by hand.
constexpr std::size_t kMaxSqlDepth = 200;
// SQLite's default limit of parameters a statement, with room for the keys.
constexpr std::size_t kMaxSqlParams = 32000;

// Records a filtered count or key search fetches at a time.
constexpr std::size_t kMaxFilterBatch = 512;

constexpr std::size_t kHeader = ORVEX_FILTER_HEADER_SIZE;
constexpr std::size_t kSlot = ORVEX_FILTER_NODE_SIZE;

[[noreturn]] void Bad(const std::string& what) { Fail(ORVEX_ERR_INVALIDDESC, "filter " + what); }

const char* KindName(ValueKind k) {
  switch (k) {
    case ValueKind::Number: return "number";
    case ValueKind::String: return "string";
    case ValueKind::Boolean: return "Boolean";
    case ValueKind::Date: return "date";
    case ValueKind::Time: return "time";
    case ValueKind::Stamp: return "timestamp";
  }
  return "?";
}

// The kind of a field's values; false for types a filter cannot test.
bool KindOfField(std::uint16_t type, ValueKind& kind) {
  switch (type) {
    case ORVEX_FT_STRING: kind = ValueKind::String; return true;
    case ORVEX_FT_SMALLINT:
    case ORVEX_FT_INTEGER:
    case ORVEX_FT_WORD:
    case ORVEX_FT_FLOAT:
    case ORVEX_FT_CURRENCY:
    case ORVEX_FT_BCD:
    case ORVEX_FT_AUTOINC: kind = ValueKind::Number; return true;
    case ORVEX_FT_BOOLEAN: kind = ValueKind::Boolean; return true;
    case ORVEX_FT_DATE: kind = ValueKind::Date; return true;
    case ORVEX_FT_TIME: kind = ValueKind::Time; return true;
    case ORVEX_FT_DATETIME: kind = ValueKind::Stamp; return true;
    default: return false;
  }
}

bool IsCompare(std::uint32_t op) { return op >= ORVEX_FOP_EQ && op <= ORVEX_FOP_LE; }
bool IsLogic(std::uint32_t op) { return op == ORVEX_FOP_AND || op == ORVEX_FOP_OR; }
bool IsArith(std::uint32_t op) { return op >= ORVEX_FOP_ADD && op <= ORVEX_FOP_DIV; }

const char* OpText(std::uint32_t op) {
  switch (op) {
    case ORVEX_FOP_EQ: return "=";
    case ORVEX_FOP_NE: return "<>";
    case ORVEX_FOP_GT: return ">";
    case ORVEX_FOP_LT: return "<";
    case ORVEX_FOP_GE: return ">=";
    case ORVEX_FOP_LE: return "<=";
    case ORVEX_FOP_AND: return "AND";
    case ORVEX_FOP_OR: return "OR";
    case ORVEX_FOP_ADD: return "+";
    case ORVEX_FOP_SUB: return "-";
    case ORVEX_FOP_MUL: return "*";
    default: return "/";
  }
}

// A value as the file stores it, through the conversion the records use, so
// that the SQL compares texts of one form.
std::string StoredText(std::uint16_t type, const void* value, std::uint32_t width) {
  Field f;
  f.no = 1;
  f.type = type;
  f.offset = 16;
  f.length = width;
  std::uint8_t rec[32] = {};
  std::memcpy(rec + f.offset, value, width);
  return RecordToSql(f, rec).s;
}

// Times are stored with or without their milliseconds; the SQL compares
// them with, padded as the column's values are.
std::string WithMs(std::string text, std::size_t full) {
  if (text.size() + 4 == full) text += ".000";
  return text;
}

std::string Column(const TableFile& t, const Field& f) { return t.Column(f.no - 1u); }

}  // namespace

// ---------------------------------------------------------------- compiling

FilterExpr::FilterExpr(const std::uint8_t* d, const std::vector<Field>& fields) {
  if (Load<std::uint16_t>(d) != ORVEX_FILTER_VERSION) Bad("version " + std::to_string(Load<std::uint16_t>(d)));
  std::size_t total = Load<std::uint16_t>(d + 2);
  if (total < kHeader) Bad("total size " + std::to_string(total) + " below the header's 10 bytes");
  std::size_t count = Load<std::uint16_t>(d + 4), nodeStart = Load<std::uint16_t>(d + 6),
              literalStart = Load<std::uint16_t>(d + 8);
  if (nodeStart != kHeader) Bad("node start " + std::to_string(nodeStart) + ", not 10");
  if (count == 0) Bad("without nodes");
  if (literalStart != kHeader + kSlot * count)
    Bad("literal start " + std::to_string(literalStart) + ", not " + std::to_string(kHeader + kSlot * count) +
        " for " + std::to_string(count) + " nodes");
  if (total < literalStart)
    Bad("total size " + std::to_string(total) + " below the literal start " + std::to_string(literalStart));
  nodes_.resize(count);
  for (std::size_t i = 0; i < count; ++i) ParseNode(i, d, d + literalStart, total - literalStart, fields);
  // Children lie after their parents, so from the last slot back every
  // node's operands are known before the node.
  for (std::size_t i = count; i-- > 0;) CheckKinds(i);
}

void FilterExpr::ParseNode(std::size_t i, const std::uint8_t* d, const std::uint8_t* pool, std::size_t poolSize,
                           const std::vector<Field>& fields) {
  const std::uint8_t* p = d + kHeader + kSlot * i;
  std::uint32_t nodeClass = Load<std::uint32_t>(p), op = Load<std::uint32_t>(p + 4);
  std::uint16_t a = Load<std::uint16_t>(p + 8), b = Load<std::uint16_t>(p + 10), c = Load<std::uint16_t>(p + 12);
  std::string where = "node at " + std::to_string(kSlot * i);
  Node& n = nodes_[i];
  n.op = op;
  auto text = [&](std::size_t at, std::size_t limit, const char* what) {
    if (at >= poolSize || limit > poolSize - at) Bad(where + ": " + what + " past the literal pool");
    const void* end = std::memchr(pool + at, 0, limit);
    if (!end) Bad(where + ": " + what + " without its NUL");
    return std::string(reinterpret_cast<const char*>(pool + at),
                       static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (pool + at)));
  };
  switch (nodeClass) {
    case ORVEX_FNODE_BINARY: {
      if (IsCompare(op)) n.nodeClass = Node::Compare;
      else if (IsLogic(op)) n.nodeClass = Node::Logic;
      else if (IsArith(op)) n.nodeClass = Node::Arith;
      else Bad(where + ": unknown operator " + std::to_string(op));
      for (std::uint16_t child : {a, b}) {
        std::string at = where + ": operand offset " + std::to_string(child);
        if (child % kSlot != 0) Bad(at + " not a multiple of 14");
        if (child >= kSlot * nodes_.size()) Bad(at + " outside the node area");
        if (child <= kSlot * i) Bad(at + " not after its parent");
      }
      n.left = a / kSlot;
      n.right = b / kSlot;
      return;
    }
    case ORVEX_FNODE_FIELD: {
      if (op != ORVEX_FOP_FIELD) Bad(where + ": field node with operator " + std::to_string(op));
      std::string name = text(b, b < poolSize ? poolSize - b : 0, "field name");
      auto f = std::find_if(fields.begin(), fields.end(), [&](const Field& x) { return FoldedCompare(x.name, name) == 0; });
      if (f == fields.end()) Bad(where + ": no field " + name);
      if (!KindOfField(f->type, n.kind)) Bad(where + ": field " + f->name + " is of a type filters cannot test");
      n.nodeClass = Node::FieldRef;
      n.field = *f;
      return;
    }
    case ORVEX_FNODE_CONST: {
      if (op != ORVEX_FOP_CONST) Bad(where + ": constant node with operator " + std::to_string(op));
      if (c >= poolSize || b > poolSize - c) Bad(where + ": constant past the literal pool");
      n.nodeClass = Node::Constant;
      if (a == ORVEX_FCONST_STRING) {
        if (b == 0) Bad(where + ": string constant of size 0");
        n.kind = ValueKind::String;
        n.text = text(c, b, "string constant");
        n.sqlConst = SqlValue::OfText(n.text);
        return;
      }
      ParseConstant(n, where, a, b, pool + c);
      return;
    }
    default: Bad(where + ": unknown node class " + std::to_string(nodeClass));
  }
}

void FilterExpr::ParseConstant(Node& n, const std::string& where, std::uint16_t type, std::uint16_t size,
                               const std::uint8_t* v) {
  std::uint16_t width;
  switch (type) {
    case ORVEX_FCONST_BOOLEAN:
    case ORVEX_FCONST_INT16: width = 2; break;
    case ORVEX_FCONST_DATE:
    case ORVEX_FCONST_INT32:
    case ORVEX_FCONST_TIME: width = 4; break;
    case ORVEX_FCONST_FLOAT:
    case ORVEX_FCONST_TIMESTAMP: width = 8; break;
    case ORVEX_FCONST_BCD: width = ORVEX_BCD_SIZE; break;
    default: Bad(where + ": unknown constant type " + std::to_string(type));
  }
  if (size != width)
    Bad(where + ": constant of type " + std::to_string(type) + " with size " + std::to_string(size) + ", not " +
        std::to_string(width));
  auto invalid = [&](const char* what) { Bad(where + ": " + what + " constant its type cannot hold"); };
  switch (type) {
    case ORVEX_FCONST_BOOLEAN:
      n.kind = ValueKind::Boolean;
      n.num = Load<std::uint16_t>(v) != 0 ? 1 : 0;
      n.sqlConst = SqlValue::OfInt(static_cast<std::int64_t>(n.num));
      return;
    case ORVEX_FCONST_INT16:
      n.num = Load<std::int16_t>(v);
      n.sqlConst = SqlValue::OfInt(Load<std::int16_t>(v));
      return;
    case ORVEX_FCONST_INT32:
      n.num = Load<std::int32_t>(v);
      n.sqlConst = SqlValue::OfInt(Load<std::int32_t>(v));
      return;
    case ORVEX_FCONST_FLOAT:
      n.num = Load<double>(v);
      if (!std::isfinite(n.num)) invalid("a float");
      n.sqlConst = SqlValue::OfReal(n.num);
      return;
    case ORVEX_FCONST_BCD:
      if (!BcdToDouble(v, &n.num) || !std::isfinite(n.num)) invalid("a BCD");
      n.sqlConst = SqlValue::OfReal(n.num);
      return;
    case ORVEX_FCONST_DATE: {
      auto day = Load<std::int32_t>(v);
      if (day < 1 || day > kMaxDay) invalid("a date");
      n.kind = ValueKind::Date;
      n.num = day;
      n.sqlConst = SqlValue::OfText(StoredText(ORVEX_FT_DATE, &day, 4));
      return;
    }
    case ORVEX_FCONST_TIME: {
      auto ms = Load<std::int32_t>(v);
      if (ms < 0 || ms >= kMsPerDay) invalid("a time");
      n.kind = ValueKind::Time;
      n.num = ms;
      n.sqlConst = SqlValue::OfText(WithMs(StoredText(ORVEX_FT_TIME, &ms, 4), 12));
      return;
    }
    default: {
      double ms = Load<double>(v);
      // Whole milliseconds, as a posted value is kept.
      if (!(ms >= kMsPerDay - 0.5 && ms < static_cast<double>((kMaxDay + 1LL) * kMsPerDay) - 0.5))
        invalid("a timestamp");
      ms = static_cast<double>(std::llround(ms));
      n.kind = ValueKind::Stamp;
      n.num = ms;
      n.sqlConst = SqlValue::OfText(WithMs(StoredText(ORVEX_FT_DATETIME, &ms, 8), 23));
      return;
    }
  }
}

void FilterExpr::CheckKinds(std::size_t i) {
  Node& n = nodes_[i];
  if (n.nodeClass != Node::Compare && n.nodeClass != Node::Logic && n.nodeClass != Node::Arith) return;
  const Node& l = nodes_[n.left];
  const Node& r = nodes_[n.right];
  n.depth = 1 + std::max(l.depth, r.depth);
  std::string where = "node at " + std::to_string(kSlot * i) + ": operands of unrelated kinds (";
  switch (n.nodeClass) {
    case Node::Compare:
      if (l.kind != r.kind) Bad(where + KindName(l.kind) + " and " + KindName(r.kind) + ")");
      n.kind = ValueKind::Boolean;
      return;
    case Node::Arith:
      if (l.kind != ValueKind::Number || r.kind != ValueKind::Number)
        Bad(where + "arithmetic on a " + KindName(l.kind != ValueKind::Number ? l.kind : r.kind) + ")");
      n.kind = ValueKind::Number;
      return;
    default: n.kind = ValueKind::Boolean; return;
  }
}

// ---------------------------------------------------------------- testing a record buffer

FilterExpr::Value FilterExpr::Eval(std::size_t i, const std::uint8_t* rec) const {
  const Node& n = nodes_[i];
  Value v;
  switch (n.nodeClass) {
    case Node::FieldRef: {
      const Field& f = n.field;
      if (IsBlank(f, rec)) {
        v.blank = n.kind != ValueKind::String;  // a blank string is the empty string
        return v;
      }
      const std::uint8_t* p = rec + f.offset;
      switch (f.type) {
        case ORVEX_FT_STRING: {
          const void* end = std::memchr(p, 0, f.length);
          std::size_t len = end ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - p) : f.length;
          v.str = std::string_view(reinterpret_cast<const char*>(p), len);
          break;
        }
        case ORVEX_FT_SMALLINT: v.num = Load<std::int16_t>(p); break;
        case ORVEX_FT_WORD: v.num = Load<std::uint16_t>(p); break;
        case ORVEX_FT_BOOLEAN: v.num = Load<std::uint16_t>(p) != 0 ? 1 : 0; break;
        case ORVEX_FT_FLOAT:
        case ORVEX_FT_CURRENCY:
        case ORVEX_FT_DATETIME: v.num = Load<double>(p); break;
        case ORVEX_FT_BCD: v.blank = !BcdToDouble(p, &v.num); break;
        default: v.num = Load<std::int32_t>(p);  // integer, auto-increment, date, time
      }
      return v;
    }
    case Node::Constant:
      v.num = n.num;
      v.str = n.text;
      return v;
    case Node::Compare: {
      Value a = Eval(n.left, rec);
      Value b = Eval(n.right, rec);
      int c;
      if (nodes_[n.left].kind == ValueKind::String) {
        c = a.str.compare(b.str);
      } else if (a.blank || b.blank) {
        v.num = n.op == ORVEX_FOP_NE ? 1 : 0;
        return v;
      } else {
        c = a.num < b.num ? -1 : (a.num > b.num ? 1 : 0);
      }
      bool r = false;
      switch (n.op) {
        case ORVEX_FOP_EQ: r = c == 0; break;
        case ORVEX_FOP_NE: r = c != 0; break;
        case ORVEX_FOP_GT: r = c > 0; break;
        case ORVEX_FOP_LT: r = c < 0; break;
        case ORVEX_FOP_GE: r = c >= 0; break;
        default: r = c <= 0; break;
      }
      v.num = r ? 1 : 0;
      return v;
    }
    case Node::Logic: {
      bool r = n.op == ORVEX_FOP_AND ? Truth(n.left, rec) && Truth(n.right, rec)
                                     : Truth(n.left, rec) || Truth(n.right, rec);
      v.num = r ? 1 : 0;
      return v;
    }
    case Node::Arith: {
      Value a = Eval(n.left, rec);
      Value b = Eval(n.right, rec);
      if (a.blank || b.blank || (n.op == ORVEX_FOP_DIV && b.num == 0)) {
        v.blank = true;
        return v;
      }
      switch (n.op) {
        case ORVEX_FOP_ADD: v.num = a.num + b.num; break;
        case ORVEX_FOP_SUB: v.num = a.num - b.num; break;
        case ORVEX_FOP_MUL: v.num = a.num * b.num; break;
        default: v.num = a.num / b.num; break;
      }
      v.blank = std::isnan(v.num);
      return v;
    }
  }
  return v;
}

bool FilterExpr::Truth(std::size_t i, const std::uint8_t* rec) const {
  Value v = Eval(i, rec);
  return nodes_[i].kind == ValueKind::String ? !v.str.empty() : !v.blank && v.num != 0;
}

bool FilterExpr::Test(const std::uint8_t* rec) const { return Truth(0, rec); }

// ---------------------------------------------------------------- the same as SQL
//
// Two forms of each node. Its value: NULL exactly where the node is blank
// (never for strings, whose blank is ''). Its condition: true for the rows
// where the node holds, false or NULL elsewhere; with only AND and OR above
// it, a NULL there acts as false would.

std::string FilterExpr::SqlValueOf(std::size_t i, const TableFile& t, std::vector<SqlValue>& params) const {
  const Node& n = nodes_[i];
  switch (n.nodeClass) {
    case Node::FieldRef: {
      std::string c = Column(t, n.field);
      switch (n.kind) {
        case ValueKind::String: return "IFNULL(" + c + ", '')";
        case ValueKind::Boolean: return "(" + c + " <> 0)";
        case ValueKind::Time: return "substr(" + c + " || '.000', 1, 12)";
        case ValueKind::Stamp: return "substr(" + c + " || '.000', 1, 23)";
        default: return c;
      }
    }
    case Node::Constant: params.push_back(n.sqlConst); return "?";
    case Node::Compare: {
      std::string a = SqlValueOf(n.left, t, params);
      std::string b = SqlValueOf(n.right, t, params);
      std::string e = a + " " + OpText(n.op) + " " + b;
      if (nodes_[n.left].kind == ValueKind::String) return "(" + e + ")";
      return "IFNULL(" + e + (n.op == ORVEX_FOP_NE ? ", 1)" : ", 0)");
    }
    case Node::Logic: return "IFNULL(" + SqlCondition(i, t, params) + ", 0)";
    case Node::Arith: {
      std::string a = SqlValueOf(n.left, t, params);
      std::string b = SqlValueOf(n.right, t, params);
      // in double, as on the record buffer, dividing too
      return "(CAST(" + a + " AS REAL) " + OpText(n.op) + " " + b + ")";
    }
  }
  return "NULL";
}

std::string FilterExpr::SqlCondition(std::size_t i, const TableFile& t, std::vector<SqlValue>& params) const {
  const Node& n = nodes_[i];
  switch (n.nodeClass) {
    case Node::FieldRef: {
      std::string c = Column(t, n.field);
      switch (n.kind) {
        case ValueKind::String: return "(" + c + " <> '')";
        case ValueKind::Date:
        case ValueKind::Stamp: return "(" + c + " IS NOT NULL)";
        case ValueKind::Time: return "(" + SqlValueOf(i, t, params) + " <> '00:00:00.000')";
        default: return "(" + c + " <> 0)";
      }
    }
    case Node::Constant: return (n.kind == ValueKind::String ? !n.text.empty() : n.num != 0) ? "1" : "0";
    case Node::Compare: {
      if (n.op == ORVEX_FOP_NE || nodes_[n.left].kind == ValueKind::String) return SqlValueOf(i, t, params);
      std::string a = SqlValueOf(n.left, t, params);
      std::string b = SqlValueOf(n.right, t, params);
      return "(" + a + " " + OpText(n.op) + " " + b + ")";
    }
    case Node::Logic: {
      std::string e;
      SqlOperands(i, n.op, t, params, e);
      return "(" + e + ")";
    }
    case Node::Arith: return "(" + SqlValueOf(i, t, params) + " <> 0)";
  }
  return "0";
}

// A chain of one logical operator, written flat: the compiler nests them to
// the left, and SQLite's parser would otherwise nest as deep.
void FilterExpr::SqlOperands(std::size_t i, std::uint32_t op, const TableFile& t, std::vector<SqlValue>& params,
                             std::string& out) const {
  const Node& n = nodes_[i];
  for (std::size_t child : {n.left, n.right}) {
    const Node& c = nodes_[child];
    if (c.nodeClass == Node::Logic && c.op == op) {
      SqlOperands(child, op, t, params, out);
    } else {
      if (!out.empty()) out += std::string(" ") + OpText(op) + " ";
      out += SqlCondition(child, t, params);
    }
  }
}

bool FilterExpr::ToSql(const TableFile& t, std::string& sql, std::vector<SqlValue>& params) const {
  if (nodes_[0].depth > kMaxSqlDepth) return false;
  sql = SqlCondition(0, t, params);
  return true;
}

// ---------------------------------------------------------------- handles, statements

OrvexHandle NewFilterHandle() {
  static OrvexHandle last = 0;
  if (++last == 0) ++last;
  return last;
}

sqlite3_stmt* OwnStatements::Find(std::uint32_t key) const {
  auto it = map_.find(key);
  return it == map_.end() ? nullptr : it->second;
}

sqlite3_stmt* OwnStatements::Add(std::uint32_t key, sqlite3_stmt* st) {
  auto [it, added] = map_.emplace(key, st);
  if (!added) sqlite3_finalize(st);
  return it->second;
}

void OwnStatements::Clear() {
  for (auto& [key, st] : map_) sqlite3_finalize(st);
  map_.clear();
}

// ---------------------------------------------------------------- the cursor's filters

OrvexHandle TableCursor::AddFilter(std::uintptr_t clientData, std::uint16_t priority, const std::uint8_t* expression,
                                   OrvexFilterCallback callback) {
  if (!expression && !callback) Fail(ORVEX_ERR_INVALIDPARAM, "filter without expression or callback");
  if (expression && callback) Fail(ORVEX_ERR_INVALIDPARAM, "filter with both an expression and a callback");
  auto f = std::make_unique<Filter>();
  if (expression) f->expr = std::make_unique<FilterExpr>(expression, t_->Fields());
  f->callback = callback;
  f->clientData = clientData;
  f->priority = priority;
  f->handle = NewFilterHandle();
  filters_.push_back(std::move(f));
  return filters_.back()->handle;
}

std::vector<std::unique_ptr<Filter>>::iterator TableCursor::FindFilter(OrvexHandle h) {
  auto it = std::find_if(filters_.begin(), filters_.end(), [&](const auto& f) { return f->handle == h; });
  if (it == filters_.end()) Fail(ORVEX_ERR_INVALIDHANDLE, "filter " + std::to_string(h));
  return it;
}

void TableCursor::DropFilter(OrvexHandle h) {
  auto it = FindFilter(h);
  bool wasActive = (*it)->active;
  filters_.erase(it);
  if (wasActive) FiltersChanged();
}

void TableCursor::SetFilterActive(OrvexHandle h, bool active) {
  Filter& f = **FindFilter(h);
  if (f.active == active) return;
  f.active = active;
  FiltersChanged();
}

// What the reads need of the active filters: one SQL condition for the
// expressions SQLite can test, the rest to test on the records fetched, and
// the callbacks. What was read ahead under the old filters is read again
// from the cursor's place.
void TableCursor::FiltersChanged() {
  filterQueries_.Clear();
  filterSql_.clear();
  filterParams_.clear();
  residual_.clear();
  callbacks_.clear();
  expressions_ = false;
  for (const auto& f : filters_) {
    if (!f->active) continue;
    if (f->callback) {
      callbacks_.push_back(f.get());
      continue;
    }
    expressions_ = true;
    std::string sql;
    std::vector<SqlValue> params;
    bool pushed = f->expr->ToSql(*t_, sql, params) && filterParams_.size() + params.size() <= kMaxSqlParams;
    if (pushed) {
      try {
        sqlite3_finalize(t_->PrepareOwn("SELECT 1 FROM records WHERE " + sql));
      } catch (const Error&) {
        pushed = false;  // beyond what SQLite takes: tested on the records instead
      }
    }
    if (!pushed) {
      residual_.push_back(f->expr.get());
      continue;
    }
    filterSql_ += (filterSql_.empty() ? "" : " AND ") + sql;
    for (SqlValue& v : params) filterParams_.push_back(std::move(v));
  }
  blobFields_.clear();
  for (const Field& f : t_->Fields())
    if (f.IsBlob()) blobFields_.push_back(f.no);
  batch_.generation = spare_.generation = 0;
  countValid_ = false;
}

int TableCursor::BindFilter(sqlite3_stmt* st, int p) const {
  for (const SqlValue& v : filterParams_) Bind(st, p++, v);
  return p;
}

bool TableCursor::PassesResidual(const std::uint8_t* row) const {
  for (const FilterExpr* e : residual_)
    if (!e->Test(row)) return false;
  return true;
}

TableCursor::Verdict TableCursor::CallBack(const std::uint8_t* row) {
  // The callback gets a copy, so that nothing it does reaches the records
  // read ahead.
  scratch_.assign(row, row + t_->RecordSize());
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  } inside(inCallback_);
  for (const Filter* f : callbacks_) {
    std::uint16_t answer;
    try {
      answer = f->callback(f->clientData, scratch_.data());
    } catch (...) {
      abortDetail_ = "an exception escaped the filter callback";
      return Verdict::Abort;
    }
    for (std::uint16_t no : blobFields_) {
      const Field& field = FieldAt(no);
      auto* b = static_cast<Blob*>(TheHandles().Find(Load<std::uint32_t>(scratch_.data() + field.offset), Kind::Blob));
      if (b && b->cursor == Handle() && b->fieldNo == no) FreeBlob(scratch_.data(), no);
    }
    if (answer == ORVEX_FILTER_ABORT) {
      abortDetail_.clear();
      return Verdict::Abort;
    }
    if (answer == 0) return Verdict::Reject;
  }
  return Verdict::Accept;
}

// Current record and bookmark: the record is tested whole on its buffer.
void TableCursor::RequirePasses(Batch& b, std::size_t i) {
  if (!expressions_ && callbacks_.empty()) return;
  const std::uint8_t* row = Row(b, i);
  bool pass = true;
  for (const auto& f : filters_)
    if (f->active && f->expr && !f->expr->Test(row)) pass = false;
  if (pass && !callbacks_.empty()) {
    Verdict v = CallBack(row);
    if (v == Verdict::Abort) Fail(ORVEX_ERR_CALLBACKABORT, abortDetail_);
    pass = v == Verdict::Accept;
  }
  if (pass) return;
  anchor_ = RowBound(b, i);
  pos_ = Pos::Crack;
  crackDeleted_ = false;
  batch_.generation = 0;
  Fail(ORVEX_ERR_NOCURRREC);
}

// ---------------------------------------------------------------- reading through callbacks

void TableCursor::Next(std::uint8_t* rec) { Read(true, 1, rec); }

void TableCursor::Prior(std::uint8_t* rec) { Read(false, 1, rec); }

void TableCursor::Relative(std::int32_t offset, std::uint8_t* rec) {
  if (offset == 0) return Current(rec);
  auto steps = offset > 0 ? static_cast<std::uint32_t>(offset) : 0u - static_cast<std::uint32_t>(offset);
  Read(offset > 0, steps, rec);
}

// Each record reached is offered to the callbacks as it is reached; the
// expressions have chosen the records fetched already.
void TableCursor::Read(bool forward, std::uint32_t steps, std::uint8_t* rec) {
  if (callbacks_.empty()) {
    for (; steps > 1; --steps) forward ? NextRaw(nullptr) : PriorRaw(nullptr);
    return forward ? NextRaw(rec) : PriorRaw(rec);
  }
  Place before = SavePlace();
  while (steps > 0) {
    forward ? NextRaw(nullptr) : PriorRaw(nullptr);
    Verdict v = CallBack(Row(batch_, cur_));
    if (v == Verdict::Abort) {
      RestorePlace(before);
      Fail(ORVEX_ERR_CALLBACKABORT, abortDetail_);
    }
    if (v == Verdict::Accept) --steps;
  }
  if (rec) std::memcpy(rec, Row(batch_, cur_), t_->RecordSize());
}

TableCursor::Place TableCursor::SavePlace() {
  Place p;
  p.pos = pos_;
  p.crackDeleted = crackDeleted_;
  if (pos_ == Pos::On) {
    placeImage_.assign(Row(batch_, cur_), Row(batch_, cur_) + t_->RecordSize());
    p.id = batch_.ids[cur_];
    p.generation = batch_.generation;
  } else if (pos_ == Pos::Crack) {
    p.anchor = anchor_;
  }
  return p;
}

// Back where a stopped read began. On a record, the cursor holds that record
// alone, as read then: stale when the table changed since, so that the next
// read fetches again.
void TableCursor::RestorePlace(const Place& p) {
  pos_ = p.pos;
  crackDeleted_ = p.crackDeleted;
  if (p.pos == Pos::On) {
    std::uint32_t size = t_->RecordSize();
    if (spare_.data.size() < size) spare_.data.resize(size);
    if (spare_.ids.empty()) spare_.ids.resize(1);
    std::memcpy(spare_.data.data(), placeImage_.data(), size);
    spare_.ids[0] = p.id;
    spare_.n = 1;
    spare_.generation = p.generation;
    spare_.endAfter = spare_.endBefore = false;
    std::swap(batch_, spare_);
    cur_ = 0;
  } else if (p.pos == Pos::Crack) {
    anchor_ = p.anchor;
    batch_.n = 0;
  }
}

// With callbacks: the first match of an exact key search that they accept,
// fetched into spare_; its index there.
std::size_t TableCursor::FirstAccepted(const std::function<bool(const std::uint8_t*)>& matches) {
  std::size_t i = 0;
  for (;;) {
    if (i == spare_.n) {
      if (spare_.n == 0 || spare_.endAfter) Fail(ORVEX_ERR_RECNOTFOUND);
      Bound after = RowBound(spare_, i - 1);
      Fetch(true, Clamp(true, after), kMaxFilterBatch, spare_);
      if (spare_.n == 0) Fail(ORVEX_ERR_RECNOTFOUND);
      i = 0;
    }
    if (!matches(Row(spare_, i))) Fail(ORVEX_ERR_RECNOTFOUND);
    Verdict v = CallBack(Row(spare_, i));
    if (v == Verdict::Abort) Fail(ORVEX_ERR_CALLBACKABORT, abortDetail_);
    if (v == Verdict::Accept) return i;
    ++i;
  }
}

// A count that SQL alone cannot give: the records of the view, fetched a
// batch at a time, tested as reading them would.
std::uint32_t TableCursor::CountPassing() {
  Batch b;
  Bound from = Clamp(true, Bound());
  std::uint64_t n = 0;
  for (;;) {
    Fetch(true, from, kMaxFilterBatch, b);
    for (std::size_t i = 0; i < b.n; ++i) {
      if (callbacks_.empty()) {
        ++n;
        continue;
      }
      Verdict v = CallBack(Row(b, i));
      if (v == Verdict::Abort) Fail(ORVEX_ERR_CALLBACKABORT, abortDetail_);
      n += v == Verdict::Accept;
    }
    if (b.n == 0 || b.endAfter) break;
    from = Clamp(true, RowBound(b, b.n - 1));
  }
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, UINT32_MAX));
}

}  // namespace orvex
