#include "Statements.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <utility>

#include "Answers.h"
#include "Errors.h"
#include "Scope.h"
#include "SqlText.h"

namespace orvex {

namespace {

constexpr const char* kSource = "\"orvex_src\"";
constexpr std::size_t kMaxProcedureSize = 1024 * 1024;

bool HasPrefix(const std::string& folded, std::string_view prefix) { return folded.rfind(prefix, 0) == 0; }

// The field of a table by a name of the statement's, or -1.
int FieldIndex(const TableFile& f, const std::string& name) {
  std::string key = NameKey(name);
  for (std::size_t i = 0; i < f.Fields().size(); ++i)
    if (NameKey(f.Fields()[i].name) == key) return static_cast<int>(i);
  return -1;
}

// The SQL literal of a field's default, "NULL" when it has none.
std::string DefaultOf(const TableFile& f, std::size_t field) {
  for (const CheckDef& c : f.Checks()) {
    if (c.field != field || !c.desc.hasDefault) continue;
    const Field& fd = f.Fields()[field];
    std::vector<std::uint8_t> rec(f.RecordSize(), 0);
    std::memcpy(rec.data() + fd.offset, c.desc.defaultValue, std::min<std::uint32_t>(fd.length, 256));
    return SqlLiteral(RecordToSql(fd, rec.data()));
  }
  return "NULL";
}

// A table named in the statement: tokens first..last, and the table.
struct NameUse {
  std::size_t first, last;
  SqlSession::TableRef table;
};

class Planner {
public:
  Planner(SqlSession& s, const std::string& text, bool records)
      : s_(s), t_(text), main_(t_), live_(t_), records_(records) {}

  StatementPlan Run();

private:
  void CheckTokens();
  void FindVerb();
  void MapNames();
  const NameUse* UseAt(std::size_t i) const;
  // The alias after a table's name, or npos; bare aliases where allowed.
  std::size_t AliasAfter(std::size_t last, bool bareAllowed) const;
  void PlanWrite();
  void PlanInsertSource(const NameUse& use, std::size_t after);
  void PlanLive();
  std::string FieldList(const TableFile& f, const std::string& qualifier) const;

  SqlSession& s_;
  SqlTokens t_;
  SqlRewrite main_, live_;
  StatementPlan p_;
  std::size_t end_ = 0;       // the statement's tokens end here
  std::size_t verbAt_ = 0;
  std::vector<NameUse> uses_;
  bool records_;
};

StatementPlan Planner::Run() {
  CheckTokens();
  for (std::size_t i = 0; i < end_; ++i)
    if (t_.At(i).kind == SqlToken::Illegal) {
      // SQLite says what is wrong with it
      p_.sql = t_.Sql();
      return p_;
    }
  FindVerb();
  MapNames();
  if (end_ < t_.Size()) {
    main_.Replace(end_, t_.Size() - 1, "");
    live_.Replace(end_, t_.Size() - 1, "");
  }
  for (const NameUse& u : uses_) {
    main_.Replace(u.first, u.last, records_ ? Quote(u.table->schema) + ".records" : Quote(u.table->view));
    live_.Replace(u.first, u.last, Quote(u.table->view));
    if (std::find(p_.tables.begin(), p_.tables.end(), u.table) == p_.tables.end()) p_.tables.push_back(u.table);
  }
  if (p_.verb == StatementPlan::Insert || p_.verb == StatementPlan::Update || p_.verb == StatementPlan::Delete)
    PlanWrite();
  if (p_.verb == StatementPlan::Select) {
    p_.streamable = true;
    for (std::size_t i = 0; i < end_; ++i)
      if (t_.Is(i, "UNION") || t_.Is(i, "INTERSECT") || t_.Is(i, "EXCEPT")) p_.streamable = false;
    if (t_.Is(verbAt_, "SELECT")) PlanLive();
  }
  p_.sql = main_.Result();
  return p_;
}

void Planner::CheckTokens() {
  end_ = t_.Size();
  for (std::size_t i = 0; i < t_.Size(); ++i) {
    const SqlToken& k = t_.At(i);
    if (k.kind == SqlToken::Semicolon && end_ == t_.Size()) {
      end_ = i;
      continue;
    }
    if (i > end_ && k.kind != SqlToken::Space && k.kind != SqlToken::Semicolon)
      Fail(ORVEX_ERR_SQL, "one statement at a time: the text goes on after a \";\"");
    if (i >= end_) continue;
    // the engine's own names, but for its collation, which statements may use
    if (t_.IsName(i) && HasPrefix(NameKey(t_.Name(i)), "orvex_") && NameKey(t_.Name(i)) != "orvex_nocase")
      Fail(ORVEX_ERR_SQLREFUSED, "names beginning \"orvex_\" are the engine's: " + t_.Name(i));
    if (k.kind == SqlToken::Param && t_.Text(i)[0] != ':')
      Fail(ORVEX_ERR_SQLREFUSED, "parameters are written :name, not " + std::string(t_.Text(i)));
  }
}

// What a statement may be: a query or a write of records. The others are
// refused here, by name, before SQLite sees them.
void Planner::FindVerb() {
  std::size_t i = t_.Next(static_cast<std::size_t>(-1));
  if (i >= end_) Fail(ORVEX_ERR_SQL, "the statement is empty");
  struct Refusal {
    const char* words;
    const char* why;
  };
  static const Refusal refusals[] = {
      {"PRAGMA", "PRAGMA is not allowed"},
      {"ATTACH DETACH", "ATTACH and DETACH are not allowed: a statement reaches the database's tables"},
      {"BEGIN COMMIT END ROLLBACK SAVEPOINT RELEASE",
       "transactions are begun and ended through the database, not in SQL"},
      {"CREATE DROP ALTER REINDEX ANALYZE VACUUM",
       "statements that define, change or copy tables, indexes, views or triggers are not allowed"},
      {"EXPLAIN", "EXPLAIN is not allowed"},
  };
  for (const Refusal& r : refusals) {
    std::string_view words = r.words;
    for (std::size_t at = 0; at < words.size();) {
      std::size_t blank = std::min(words.find(' ', at), words.size());
      if (t_.Is(i, words.substr(at, blank - at))) Fail(ORVEX_ERR_SQLREFUSED, r.why);
      at = blank + 1;
    }
  }
  if (t_.Is(i, "WITH")) {
    int depth = t_.Depth(i);
    for (i = t_.Next(i); i < end_; i = t_.Next(i))
      if (t_.Depth(i) == depth && (t_.Is(i, "SELECT") || t_.Is(i, "VALUES") || t_.Is(i, "INSERT") ||
                                   t_.Is(i, "REPLACE") || t_.Is(i, "UPDATE") || t_.Is(i, "DELETE")))
        break;
    if (i >= end_) return;
  }
  verbAt_ = i;
  if (t_.Is(i, "SELECT") || t_.Is(i, "VALUES")) p_.verb = StatementPlan::Select;
  else if (t_.Is(i, "INSERT") || t_.Is(i, "REPLACE")) p_.verb = StatementPlan::Insert;
  else if (t_.Is(i, "UPDATE")) p_.verb = StatementPlan::Update;
  else if (t_.Is(i, "DELETE")) p_.verb = StatementPlan::Delete;
}

// Every name that names a table of the directory becomes the name of the
// table's view: GuestLst, "guestlst", "GuestLst.db", GuestLst.db.
void Planner::MapNames() {
  const SqlSession::Names names = s_.TableNames();  // a copy: attaching may read the directory again
  auto lookup = [&](const std::string& name) -> const std::string* {
    auto it = names.files.find(NameKey(name));
    return it == names.files.end() ? nullptr : &it->second;
  };
  for (std::size_t i = 0; i < end_; ++i) {
    if (!t_.IsName(i)) continue;
    std::size_t prev = t_.Prev(i);
    if (prev != std::string::npos && t_.IsPunct(prev, ".")) continue;  // a column or a schema's table
    if (t_.At(i).kind == SqlToken::Word) {
      std::string_view w = t_.Text(i);
      if (sqlite3_keyword_check(w.data(), static_cast<int>(w.size()))) continue;
    }
    std::size_t next = t_.Next(i);
    if (next < end_ && t_.IsPunct(next, ".")) {
      std::size_t ext = t_.Next(next);
      if (ext < end_ && t_.IsName(ext)) {
        std::string e = NameKey(t_.Name(ext));
        const std::string* file = (e == "db" || e == "dbf") ? lookup(t_.Name(i) + "." + t_.Name(ext)) : nullptr;
        if (file) {
          SqlSession::TableRef table = s_.Use(*file);
          // a field of that name makes it a column of the table named before the dot
          if (FieldIndex(*table->file, t_.Name(ext)) < 0) {
            uses_.push_back({i, ext, table});
            i = ext;
            continue;
          }
        }
      }
    }
    bool afterInto = prev != std::string::npos && t_.Is(prev, "INTO");
    if (next < end_ && t_.IsPunct(next, "(") && !afterInto) continue;  // a function
    if (const std::string* file = lookup(t_.Name(i))) uses_.push_back({i, i, s_.Use(*file)});
  }
}

const NameUse* Planner::UseAt(std::size_t i) const {
  for (const NameUse& u : uses_)
    if (u.first == i) return &u;
  return nullptr;
}

std::size_t Planner::AliasAfter(std::size_t last, bool bareAllowed) const {
  std::size_t a = t_.Next(last);
  if (a >= end_) return std::string::npos;
  if (t_.Is(a, "AS")) {
    std::size_t n = t_.Next(a);
    return n < end_ && t_.IsName(n) ? n : std::string::npos;
  }
  if (!bareAllowed || !t_.IsName(a)) return std::string::npos;
  if (t_.At(a).kind == SqlToken::Word) {
    std::string_view w = t_.Text(a);
    if (sqlite3_keyword_check(w.data(), static_cast<int>(w.size()))) return std::string::npos;
  }
  return a;
}

std::string Planner::FieldList(const TableFile& f, const std::string& qualifier) const {
  std::string out;
  for (std::size_t i = 0; i < f.Fields().size(); ++i)
    out += (i ? ", " : "") + (qualifier.empty() ? "" : qualifier + ".") + f.Column(i);
  return out;
}

// A write goes to the table's records, under the name the statement gives
// it, so that its qualifiers still work; the triggers keep its rules.
void Planner::PlanWrite() {
  std::size_t i = t_.Next(verbAt_);
  if (p_.verb != StatementPlan::Delete && t_.Is(i, "OR")) i = t_.Next(t_.Next(i));
  if (p_.verb == StatementPlan::Insert || p_.verb == StatementPlan::Delete) {
    if (!t_.Is(i, p_.verb == StatementPlan::Insert ? "INTO" : "FROM")) return;
    i = t_.Next(i);
  }
  const NameUse* use = UseAt(i);
  if (!use) return;  // not a table of the database: SQLite or the authorizer refuses it
  p_.target = use->table;
  std::size_t alias = AliasAfter(use->last, p_.verb != StatementPlan::Insert);
  std::string records = Quote(use->table->schema) + ".records";
  main_.Replace(use->first, use->last,
                alias == std::string::npos ? records + " AS " + Quote(use->table->view) : records);
  if (p_.verb == StatementPlan::Insert) PlanInsertSource(*use, alias == std::string::npos ? use->last : alias);
}

// INSERT names every field, so that the fields it leaves out take their
// defaults and the auto-increment field is assigned by the engine:
//   INSERT INTO t(a, c) <source>   becomes
//   INSERT INTO records AS t(all fields) WITH orvex_src(c1, c2) AS (<source>)
//     SELECT NULL, c1, <default of b>, c2 FROM orvex_src
void Planner::PlanInsertSource(const NameUse& use, std::size_t after) {
  const TableFile& f = *use.table->file;
  const std::size_t n = f.Fields().size();
  std::size_t k = t_.Next(after);
  std::vector<int> given;  // field of each source column
  std::string columns = "(" + FieldList(f, "") + ")";
  auto expressions = [&](bool fromSource) {
    std::string out;
    for (std::size_t field = 0; field < n; ++field) {
      std::string e;
      auto at = std::find(given.begin(), given.end(), static_cast<int>(field));
      if (static_cast<int>(field) == f.AutoIncField()) e = "NULL";
      else if (fromSource && at != given.end()) e = "c" + std::to_string(at - given.begin() + 1);
      else e = DefaultOf(f, field);
      out += (field ? ", " : "") + e;
    }
    return out;
  };
  if (t_.Is(k, "DEFAULT") && t_.Is(t_.Next(k), "VALUES")) {
    main_.Replace(k, t_.Next(k), columns + " VALUES(" + expressions(false) + ")");
    return;
  }
  std::size_t start = k;
  if (t_.IsPunct(k, "(")) {
    std::size_t close = k;
    for (std::size_t j = t_.Next(k); j < end_; j = t_.Next(j)) {
      if (t_.IsPunct(j, ")") && t_.Depth(j) == t_.Depth(k)) {
        close = j;
        break;
      }
      if (!t_.IsName(j)) continue;
      int field = FieldIndex(f, t_.Name(j));
      if (field < 0) Fail(ORVEX_ERR_SQL, "table " + use.table->view + " has no field named " + t_.Name(j));
      given.push_back(field);
    }
    if (close == k) return;  // SQLite says what is wrong
    main_.Replace(k, close, columns);
    start = t_.Next(close);
  } else {
    for (std::size_t field = 0; field < n; ++field) given.push_back(static_cast<int>(field));
    main_.InsertBefore(start, columns + " ");
  }
  if (start >= end_) return;
  // the source ends where an upsert or RETURNING begins
  std::size_t stop = end_;
  bool upsert = false;
  for (std::size_t j = start; j < end_; j = t_.Next(j)) {
    if (t_.Depth(j) != t_.Depth(start)) continue;
    if (t_.Is(j, "ON") && t_.Is(t_.Next(j), "CONFLICT")) {
      stop = j;
      upsert = true;
      break;
    }
    if (t_.Is(j, "RETURNING")) {
      stop = j;
      break;
    }
  }
  std::size_t last = t_.Prev(stop);
  if (last == std::string::npos || last < start) return;
  std::string names;
  for (std::size_t c = 0; c < given.size(); ++c) names += (c ? ", c" : "c") + std::to_string(c + 1);
  main_.InsertBefore(start, "WITH " + std::string(kSource) + "(" + names + ") AS (");
  main_.InsertBefore(last + 1, "\n) SELECT " + expressions(true) + " FROM " + kSource + (upsert ? " WHERE true" : "") +
                                   " ");
}

// A SELECT of one table's fields can be live: its statement then reads the
// table's records directly, with their row ids last.
void Planner::PlanLive() {
  int depth = t_.Depth(verbAt_);
  std::size_t list = t_.Next(verbAt_);
  if (t_.Is(list, "DISTINCT")) return;
  if (t_.Is(list, "ALL")) list = t_.Next(list);
  std::size_t from = end_;
  for (std::size_t j = list; j < end_; j = t_.Next(j)) {
    if (t_.Depth(j) != depth) continue;
    if (t_.Is(j, "FROM")) {
      from = j;
      break;
    }
    static const char* const aggregates[] = {"count", "sum", "avg", "min", "max", "total", "group_concat", "string_agg"};
    for (const char* a : aggregates)
      if (t_.Is(j, a) && t_.IsPunct(t_.Next(j), "(")) return;
  }
  if (from >= end_) return;
  for (std::size_t j = list; j < end_; j = t_.Next(j))
    if (t_.Is(j, "OVER")) return;
  const NameUse* use = UseAt(t_.Next(from));
  if (!use) return;
  std::size_t alias = AliasAfter(use->last, true);
  std::size_t rest = t_.Next(alias == std::string::npos ? use->last : alias);
  for (std::size_t j = rest; j < end_; j = t_.Next(j)) {
    if (t_.Depth(j) != depth) continue;
    static const char* const joins[] = {"JOIN", "NATURAL", "LEFT", "RIGHT", "FULL", "INNER", "CROSS", "GROUP",
                                        "HAVING", "WINDOW", "UNION", "INTERSECT", "EXCEPT"};
    for (const char* w : joins)
      if (t_.Is(j, w)) return;
    if (t_.IsPunct(j, ",")) return;
    if (t_.Is(j, "WHERE")) p_.liveWhere = true;
  }
  const TableFile& f = *use->table->file;
  std::string name = alias == std::string::npos ? Quote(use->table->view) : std::string(t_.Text(alias));
  std::string records = Quote(use->table->schema) + ".records";
  live_.Replace(use->first, use->last, alias == std::string::npos ? records + " AS " + name : records);
  // "*" and "t.*" name the fields, not every column of the records
  for (std::size_t j = list; j < from; j = t_.Next(j)) {
    if (t_.Depth(j) != depth || !t_.IsPunct(j, "*")) continue;
    std::size_t prev = t_.Prev(j);
    if (t_.IsPunct(prev, ".")) {
      std::size_t q = t_.Prev(prev);
      live_.Replace(q, j, FieldList(f, name));
    } else {
      live_.Replace(j, j, FieldList(f, name));
    }
  }
  live_.InsertBefore(from, ", " + name + "." + f.RowId() + " ");
  p_.liveSql = live_.Result();
  p_.liveTable = use->table;
}

bool IsProcedureFile(const std::string& name) {
  return name.size() > 4 && FoldedCompare(std::string_view(name).substr(name.size() - 4), ".sql") == 0;
}

}  // namespace

StatementPlan PlanStatement(SqlSession& session, const std::string& text, bool records) {
  return Planner(session, text, records).Run();
}

// ---------------------------------------------------------------- Statement

Statement::Statement(std::shared_ptr<SqlSession> session) : Object(Kind::Statement), session_(std::move(session)) {}

Statement::~Statement() { Release(); }

void Statement::Release() {
  if (st_) sqlite3_finalize(st_);
  st_ = nullptr;
}

void Statement::Compile() {
  Release();
  st_ = session_->Prepare(plan_.sql);
}

void Statement::Prepare(const std::string& text) { PrepareText(text, false); }

void Statement::PrepareEngineSql(const std::string& sql) { PrepareText(sql, true); }

void Statement::PrepareText(const std::string& text, bool engineSql) {
  Release();
  prepared_ = false;
  plan_ = StatementPlan();
  paramNames_.clear();
  paramValues_.clear();
  rowsAffected_ = -1;
  plan_ = PlanStatement(*session_, text, engineSql);
  Compile();
  if (sqlite3_stmt_isexplain(st_)) Fail(ORVEX_ERR_SQLREFUSED, "EXPLAIN is not allowed");
  int n = sqlite3_bind_parameter_count(st_);
  for (int i = 1; i <= n; ++i) {
    const char* name = sqlite3_bind_parameter_name(st_, i);
    std::string s = name && *name == ':' ? name + 1 : "";
    if (s.empty() || s.size() >= ORVEX_PARAM_NAME_SIZE)
      Fail(ORVEX_ERR_SQLREFUSED, "parameters are written :name, with at most 63 bytes of name");
    paramNames_.push_back(s);
  }
  paramValues_.resize(paramNames_.size());
  text_ = text;
  engineSql_ = engineSql;
  prepared_ = true;
}

void Statement::PrepareProcedure(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
    Fail(ORVEX_ERR_NOSUCHPROC, name);
  std::string path;
  for (const auto& [proc, file] : ProcedureFiles(session_->Directory()))
    if (NameKey(proc) == NameKey(name)) path = session_->Directory() + "/" + file;
  if (path.empty()) Fail(ORVEX_ERR_NOSUCHPROC, name);
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(ORVEX_ERR_ACCESS, path);
  std::string text;
  text.resize(kMaxProcedureSize + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxProcedureSize) Fail(ORVEX_ERR_SQL, path + ": a procedure is at most 1 MB");
  PrepareText(text, false);
}

std::uint16_t Statement::ParamCount() const {
  if (!prepared_) Fail(ORVEX_ERR_NOTPREPARED);
  return static_cast<std::uint16_t>(paramNames_.size());
}

const std::string& Statement::ParamName(std::uint16_t paramNo) const {
  if (paramNo < 1 || paramNo > Statement::ParamCount()) Fail(ORVEX_ERR_INVALIDPARAM, "parameter number");
  return paramNames_[paramNo - 1u];
}

void Statement::BindParam(std::uint16_t paramNo, std::uint16_t fieldType, std::uint32_t length,
                          const void* value) {
  if (paramNo < 1 || paramNo > Statement::ParamCount()) Fail(ORVEX_ERR_INVALIDPARAM, "parameter number");
  SqlValue& v = paramValues_[paramNo - 1u];
  const std::string& name = paramNames_[paramNo - 1u];
  if (!IsKnownType(fieldType)) Fail(ORVEX_ERR_INVALIDFIELDTYPE, name);
  if (!value) {
    v = SqlValue();
    return;
  }
  const auto* bytes = static_cast<const char*>(value);
  switch (fieldType) {
    case ORVEX_FT_STRING:
    case ORVEX_FT_MEMO:
    case ORVEX_FT_FMTMEMO: v = SqlValue::OfText(bytes); return;
    case ORVEX_FT_BYTES:
    case ORVEX_FT_BLOB:
    case ORVEX_FT_GRAPHIC: v = SqlValue::OfBlob(std::string(bytes, length)); return;
    default: break;
  }
  // the others as a field of that type holds them
  std::vector<Field> one(1);
  one[0].no = 1;
  one[0].name = name;
  one[0].type = fieldType;
  const auto* head = static_cast<const std::uint8_t*>(value);
  one[0].size = fieldType == ORVEX_FT_BCD ? head[0] : 255;
  one[0].decimals = fieldType == ORVEX_FT_BCD ? static_cast<std::uint16_t>(head[1] & 0x3F) : 0;
  if (fieldType == ORVEX_FT_BCD && (one[0].size < 1 || one[0].size > 64)) Fail(ORVEX_ERR_OUTOFRANGE, name);
  std::vector<std::uint8_t> rec(LayOut(one), 0);
  PutValue(one[0], rec.data(), value);
  v = RecordToSql(one[0], rec.data());
}

void Statement::BindAll(sqlite3_stmt* st) const {
  sqlite3_clear_bindings(st);
  for (std::size_t i = 0; i < paramValues_.size(); ++i) {
    // a copy of its own: the statement may outlive the values bound now
    const SqlValue& v = paramValues_[i];
    int at = static_cast<int>(i + 1);
    switch (v.kind) {
      case SqlValue::Text:
        sqlite3_bind_text(st, at, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
        break;
      case SqlValue::Blob:
        sqlite3_bind_blob(st, at, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
        break;
      default: Bind(st, at, v);
    }
  }
}

std::vector<const Field*> Statement::Origins(sqlite3_stmt* st, int columns) const {
  std::vector<const Field*> out;
  for (int i = 0; i < columns; ++i) {
    const char* db = sqlite3_column_database_name(st, i);
    const char* table = sqlite3_column_table_name(st, i);
    const char* column = sqlite3_column_origin_name(st, i);
    const Field* f = nullptr;
    SqlSession::Table* t = db ? session_->BySchema(db) : nullptr;
    if (t && table && column && std::strcmp(table, "records") == 0)
      for (const Field& fd : t->file->Fields())
        if (fd.name == column) f = &fd;
    out.push_back(f);
  }
  return out;
}

OrvexHandle Statement::Execute() {
  if (!prepared_) Fail(ORVEX_ERR_NOTPREPARED);
  // a table replaced on disk since the prepare is attached again
  for (const SqlSession::TableRef& t : plan_.tables)
    if (!SqlSession::Unchanged(*t)) {
      std::vector<SqlValue> values = paramValues_;
      PrepareText(text_, engineSql_);
      if (values.size() == paramValues_.size()) paramValues_ = values;
      break;
    }
  if (!st_) Compile();
  AnswerCursor::Holds holds;
  holds.tables = plan_.tables;
  for (const SqlSession::TableRef& t : plan_.tables)
    holds.locks.push_back(std::make_unique<TableLock>(t->path.path, TableLock::Shared));
  const bool reads = sqlite3_stmt_readonly(st_) != 0;
  const int columns = sqlite3_column_count(st_);
  // Answers still reading hold an older view of the files, which this
  // statement would share: they are read to their end first.
  session_->FinishReaders();
  if (!reads && plan_.target) session_->Refold(*plan_.target);

  if (columns > 0) {
    sqlite3_stmt* st = nullptr;
    std::optional<AnswerCursor::Live> live;
    int shown = columns;
    if (live_ && reads && !plan_.liveSql.empty()) {
      sqlite3_stmt* ls = session_->Prepare(plan_.liveSql);
      fw::TScopeFail drop([&] { sqlite3_finalize(ls); });
      shown = sqlite3_column_count(ls) - 1;
      std::vector<const Field*> origins = Origins(ls, shown);
      AnswerCursor::Live l;
      l.table = plan_.liveTable;
      l.where = plan_.liveWhere;
      const auto& tf = plan_.liveTable->file->Fields();
      bool all = shown == columns;
      for (int i = 0; all && i < shown; ++i) {
        std::string_view db = sqlite3_column_database_name(ls, i) ? sqlite3_column_database_name(ls, i) : "";
        all = origins[static_cast<std::size_t>(i)] && db == plan_.liveTable->schema;
        if (all) l.map.push_back(static_cast<std::size_t>(origins[static_cast<std::size_t>(i)] - tf.data()));
      }
      if (all) {
        st = ls;
        live = std::move(l);
      } else {
        sqlite3_finalize(ls);
        shown = columns;
      }
    }
    if (!st) {
      st = st_;
      st_ = nullptr;
    }
    fw::TScopeFail drop([&] { sqlite3_finalize(st); });
    BindAll(st);
    std::vector<const Field*> origins = Origins(st, shown);
    bool stream = reads && (live || plan_.streamable) &&
                  std::all_of(origins.begin(), origins.end(), [](const Field* f) { return f != nullptr; });
    // the answer owns the statement from here on and finalizes it when it fails
    sqlite3_stmt* owned = std::exchange(st, nullptr);
    auto answer = std::make_unique<AnswerCursor>(session_, owned, origins, stream, std::move(live), std::move(holds));
    rowsAffected_ = reads ? -1 : sqlite3_changes(session_->Db());
    if (!reads && plan_.target) session_->Wrote(*plan_.target);
    return TheHandles().Add(std::move(answer));
  }

  BindAll(st_);
  fw::TScopeExit reset([&] { sqlite3_reset(st_); });
  const std::string busy = plan_.target ? plan_.target->path.path : session_->Directory();
  int rc;
  while ((rc = session_->Step(st_, busy, false)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) session_->Fail(rc);
  rowsAffected_ = plan_.target ? sqlite3_changes(session_->Db()) : -1;
  if (plan_.target) session_->Wrote(*plan_.target);
  return 0;
}

std::vector<std::pair<std::string, std::string>> ProcedureFiles(const std::string& directory) {
  std::vector<std::pair<std::string, std::string>> out;
  DIR* d = ::opendir(directory.c_str());
  if (!d) Fail(ORVEX_ERR_DIRNOTFOUND, directory);
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    struct stat st;
    if (IsProcedureFile(name) && name.size() - 4 < 261 && ::stat((directory + "/" + name).c_str(), &st) == 0 &&
        S_ISREG(st.st_mode))
      out.emplace_back(name.substr(0, name.size() - 4), name);
  }
  ::closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace orvex
