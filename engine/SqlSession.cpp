#include "SqlSession.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Answers.h"
#include "Chars.h"
#include "Config.h"
#include "Errors.h"

namespace orvex {

namespace {

constexpr const char* kCheckFunction = "orvex_check";
constexpr const char* kFoldFunction = "orvex_fold";
constexpr const char* kFailPrefix = "orvex:";
constexpr int kMaxFunctionArgs = 120;  // SQLite takes at most 127
constexpr int kMaxLength = 256 * 1024 * 1024;

std::string& PrivateDirSetting() {
  static std::string dir;
  return dir;
}

int FoldCollate(void*, int na, const void* a, int nb, const void* b) {
  return FoldedCompare(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)),
                       std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
}

// UPPER and LOWER as the core maps case, for every letter.
template <fw::TChar (*Map)(fw::TChar)>
void MapCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  if (!p) return sqlite3_result_error_nomem(ctx);
  fw::TChars c = fw::Utf8ToChars(std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))));
  for (fw::TChar& ch : c) ch = Map(ch);
  std::string out = fw::CharsToUtf8(c);
  sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

bool IsTableFile(const std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  std::string_view ext = std::string_view(name).substr(dot);
  return FoldedCompare(ext, ".db") == 0 || FoldedCompare(ext, ".dbf") == 0;
}

// SELECT orvex_check(table, isUpdate, row-id check, first field, values...),
// in calls of at most kMaxFunctionArgs arguments.
std::string CheckCalls(int id, const TableFile& f, bool update) {
  constexpr std::size_t kChunk = kMaxFunctionArgs - 4;
  const std::string rowid = update ? "NEW." + f.RowId() + " IS OLD." + f.RowId() : "NEW." + f.RowId();
  const std::size_t n = f.Fields().size();
  std::string out;
  for (std::size_t i = 0; i < n; i += kChunk) {
    out += out.empty() ? "SELECT " : ", ";
    out += std::string(kCheckFunction) + "(" + std::to_string(id) + ", " + (update ? "1" : "0") + ", " +
           (i == 0 ? rowid : std::string("NULL")) + ", " + std::to_string(i + 1);
    for (std::size_t k = i; k < std::min(n, i + kChunk); ++k)
      out += ", " + (f.Fields()[k].IsBlob() ? "typeof(NEW." + f.Column(k) + ")" : "NEW." + f.Column(k));
    out += ")";
  }
  return out;
}

}  // namespace

std::string NameKey(std::string_view s) {
  bool ascii = std::all_of(s.begin(), s.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
  if (ascii) {
    std::string out(s);
    for (char& ch : out)
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    return out;
  }
  fw::TChars c = fw::Utf8ToChars(s);
  for (fw::TChar& ch : c) ch = fw::CharLower(ch);
  return fw::CharsToUtf8(c);
}

void SetPrivateDirectory(const std::string& dir) { PrivateDirSetting() = dir; }

std::string PrivateDirectory() {
  if (!PrivateDirSetting().empty()) return PrivateDirSetting();
  std::error_code ec;
  std::filesystem::path p = std::filesystem::temp_directory_path(ec);
  return ec ? std::string("/tmp") : p.string();
}

// ---------------------------------------------------------------- the connection

SqlSession::SqlSession(std::string directory, std::string defaultDriver)
    : directory_(std::move(directory)), defaultDriver_(std::move(defaultDriver)) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  conn_.reset(db);
  if (rc != SQLITE_OK) orvex::Fail(ORVEX_ERR_NOMEMORY, "SQL connection");
  db_ = db;
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, 1000);  // then the busy question, as for a table's own connection
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaxLength);
  sqlite3_create_collation_v2(db_, "ORVEX_NOCASE", SQLITE_UTF8, nullptr, FoldCollate, nullptr);
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  sqlite3_create_function_v2(db_, "upper", 1, flags, nullptr, MapCase<fw::CharUpper>, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db_, "lower", 1, flags, nullptr, MapCase<fw::CharLower>, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db_, kCheckFunction, -1, SQLITE_UTF8 | SQLITE_INNOCUOUS, this, Check, nullptr, nullptr,
                             nullptr);
  sqlite3_create_function_v2(db_, kFoldFunction, 3, flags, this, Fold, nullptr, nullptr, nullptr);
  sqlite3_set_authorizer(db_, Authorize, this);
  Internal("PRAGMA temp_store=MEMORY");
}

// Statements and answers hold the session, so none is left to finalize.
SqlSession::~SqlSession() = default;

void SqlSession::Internal(const std::string& sql) {
  internal_ = true;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  internal_ = false;
  if (rc != SQLITE_OK) Fail(rc);
}

sqlite3_stmt* SqlSession::Prepare(const std::string& sql) {
  refusal_.clear();
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st, &tail);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(st);
    Fail(rc);
  }
  if (!st) orvex::Fail(ORVEX_ERR_SQL, "the statement is empty");
  return st;
}

int SqlSession::Step(sqlite3_stmt* st, const std::string& file, bool started) {
  const bool writing = !sqlite3_stmt_readonly(st);
  for (int waits = 1;; ++waits) {
    int rc = sqlite3_step(st);
    if ((rc & 0xFF) != SQLITE_BUSY || started || (writing && InTransaction())) return rc;
    sqlite3_reset(st);
    if (!RetryBusy(file, waits, writing)) return rc;
  }
}

void SqlSession::Fail(int rc) const {
  const char* msg = sqlite3_errmsg(db_);
  std::string text = msg ? msg : sqlite3_errstr(rc);
  if (text.rfind(kFailPrefix, 0) == 0 && text.size() >= 11 && text[10] == ':') {
    auto code = static_cast<OrvexResult>(std::strtoul(text.substr(6, 4).c_str(), nullptr, 16));
    orvex::Fail(code, text.substr(11));
  }
  if (!refusal_.empty()) orvex::Fail(ORVEX_ERR_SQLREFUSED, refusal_);
  switch (rc & 0xFF) {
    case SQLITE_AUTH: orvex::Fail(ORVEX_ERR_SQLREFUSED, text);
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
        // "UNIQUE constraint failed: orvex_t1.records.Name": name the table by its file
        for (const auto& [name, t] : tables_)
          if (text.find(t->schema + ".") != std::string::npos) orvex::Fail(ORVEX_ERR_KEYVIOL, name);
        orvex::Fail(ORVEX_ERR_KEYVIOL, text);
      }
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: orvex::Fail(ORVEX_ERR_BUSY, text);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN: orvex::Fail(ORVEX_ERR_ACCESS, text);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: orvex::Fail(ORVEX_ERR_CORRUPT, text);
    case SQLITE_FULL: orvex::Fail(ORVEX_ERR_DISKFULL, text);
    case SQLITE_IOERR: orvex::Fail(ORVEX_ERR_IO, text);
    case SQLITE_NOMEM: orvex::Fail(ORVEX_ERR_NOMEMORY);
  }
  orvex::Fail(ORVEX_ERR_SQL, text);
}

// ---------------------------------------------------------------- tables

// The directory is read again only when it changed since (a file made,
// removed or renamed in it).
const SqlSession::Names& SqlSession::TableNames() {
  struct stat dirStat {};
  if (::stat(directory_.c_str(), &dirStat) != 0) orvex::Fail(ORVEX_ERR_DIRNOTFOUND, directory_);
  if (namesValid_ && dirStat.st_ino == namesIno_ && dirStat.st_mtim.tv_sec == namesTime_.tv_sec &&
      dirStat.st_mtim.tv_nsec == namesTime_.tv_nsec)
    return names_;
  Names n;
  DIR* d = ::opendir(directory_.c_str());
  if (!d) orvex::Fail(ORVEX_ERR_DIRNOTFOUND, directory_);
  std::map<std::string, int> bases;
  std::vector<std::string> files;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    struct stat st;
    if (!IsTableFile(name) || ::stat((directory_ + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
      continue;
    files.push_back(name);
  }
  ::closedir(d);
  std::sort(files.begin(), files.end());
  for (const std::string& f : files) {
    n.files.emplace(NameKey(f), f);
    ++bases[NameKey(f.substr(0, f.rfind('.')))];
  }
  // a name without extension is the table's whose extension is the
  // default driver's, as when a cursor opens it, or the only one of that name
  const std::string defaultExt = FoldedCompare(defaultDriver_, "ZENTOR") == 0 ? ".dbf" : ".db";
  for (const std::string& f : files) {
    std::size_t dot = f.rfind('.');
    std::string base = NameKey(f.substr(0, dot));
    if (bases[base] == 1 || NameKey(f.substr(dot)) == defaultExt) n.files.emplace(base, f);
  }
  names_ = std::move(n);
  namesValid_ = true;
  namesIno_ = dirStat.st_ino;
  namesTime_ = dirStat.st_mtim;
  return names_;
}

bool SqlSession::Unchanged(const Table& t) {
  struct stat st;
  return ::stat(t.path.path.c_str(), &st) == 0 && st.st_dev == t.dev && st.st_ino == t.ino;
}

SqlSession::TableRef SqlSession::Use(std::string fileName) {
  auto it = tables_.find(fileName);
  if (it != tables_.end()) {
    if (Unchanged(*it->second)) {
      it->second->lastUse = ++clock_;
      return it->second;
    }
    if (it->second.use_count() > 1 || InTransaction())
      orvex::Fail(ORVEX_ERR_TABLEINUSE, fileName + " was replaced while a statement uses it");
    Detach(*it->second);
    tables_.erase(it);
  }
  // SQLite attaches nothing inside a transaction: it has what it began with
  if (InTransaction())
    orvex::Fail(ORVEX_ERR_TOOMANYTABLES, fileName + " was not among the tables when the transaction began");
  auto t = std::make_shared<Table>();
  t->path = ResolveTable(directory_, fileName.c_str(), nullptr);
  t->file = TableFile::Open(t->path);
  struct stat st;
  if (::stat(t->path.path.c_str(), &st) != 0) orvex::Fail(ORVEX_ERR_NOSUCHTABLE, t->path.path);
  t->dev = st.st_dev;
  t->ino = st.st_ino;
  t->id = nextId_++;
  t->schema = "orvex_t" + std::to_string(t->id);
  // the name without extension when no other table of the directory has it
  const Names& names = TableNames();
  std::string base = fileName.substr(0, fileName.rfind('.'));
  auto b = names.files.find(NameKey(base));
  t->view = b != names.files.end() && b->second == fileName ? base : fileName;
  MakeRoom();
  Attach(*t);
  t->lastUse = ++clock_;
  tables_[fileName] = t;
  return t;
}

SqlSession::Table* SqlSession::BySchema(const std::string& schema) const {
  for (const auto& [name, t] : tables_)
    if (t->schema == schema) return t.get();
  return nullptr;
}

// SQLite attaches ten databases at most: the least recently used table that
// no statement holds makes way.
void SqlSession::MakeRoom() {
  if (static_cast<int>(tables_.size()) < sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, -1)) return;
  auto victim = tables_.end();
  for (auto it = tables_.begin(); it != tables_.end(); ++it)
    if (it->second.use_count() == 1 && (victim == tables_.end() || it->second->lastUse < victim->second->lastUse))
      victim = it;
  if (victim == tables_.end())
    orvex::Fail(ORVEX_ERR_TOOMANYTABLES, std::to_string(tables_.size()) + " tables are in use");
  Detach(*victim->second);
  tables_.erase(victim);
}

void SqlSession::Attach(Table& t) {
  sqlite3_stmt* st = nullptr;
  internal_ = true;
  std::string sql = "ATTACH DATABASE ? AS " + Quote(t.schema);
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_text(st, 1, t.path.path.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(st);
    rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
  }
  sqlite3_finalize(st);
  internal_ = false;
  if (rc != SQLITE_OK) Fail(rc);

  const TableFile& f = *t.file;
  std::string s = Quote(t.schema), columns;
  for (std::size_t i = 0; i < f.Fields().size(); ++i) columns += (i ? ", " : "") + f.Column(i);
  Internal("CREATE TEMP VIEW " + Quote(t.view) + " AS SELECT " + columns + " FROM " + s + ".records;" +
           "CREATE TEMP TRIGGER " + Quote(t.schema + "_insert") + " BEFORE INSERT ON " + s + ".records BEGIN " +
           CheckCalls(t.id, f, false) + "; " + UniqueChecks(t, false) + "END;" + "CREATE TEMP TRIGGER " +
           Quote(t.schema + "_update") + " BEFORE UPDATE OF " + columns + " ON " + s + ".records BEGIN " +
           CheckCalls(t.id, f, true) + "; " + UniqueChecks(t, true) + "END;" + "PRAGMA " + s + ".synchronous=FULL");
}

// A unique index that folds case is kept unique here, as a post keeps it:
// SQLite cannot, as other writers leave the folded keys to the engine. The
// rows a statement writes get their folded keys from the engine later (the
// file's own triggers note them), so a row still without one is compared by
// its field, folded here.
std::string SqlSession::UniqueChecks(const Table& t, bool update) const {
  const TableFile& f = *t.file;
  if (f.FoldsByCollation()) return {};
  const std::string s = Quote(t.schema), id = std::to_string(t.id);
  auto fold = [&](const std::string& row, std::size_t i) {
    return std::string(kFoldFunction) + "(" + id + ", " + std::to_string(i + 1) + ", " + row + "." + f.Column(i) + ")";
  };
  char code[16];
  std::snprintf(code, sizeof code, "%s%04X:", kFailPrefix, ORVEX_ERR_KEYVIOL);
  const std::string clash = SqlLiteral(SqlValue::OfText(code + f.Name()));
  std::string out;
  for (const IndexDef& x : f.Indexes()) {
    if (!x.unique || std::find(x.folds.begin(), x.folds.end(), true) == x.folds.end()) continue;
    std::string given, same, match;
    for (std::size_t k = 0; k < x.fields.size(); ++k) {
      std::size_t i = x.fields[k];
      const std::string c = f.Column(i), now = x.folds[k] ? fold("NEW", i) : "NEW." + c;
      // as a post: a blank never clashes
      given += " AND NEW." + c + " IS NOT NULL" + (f.Fields()[i].IsString() ? " AND NEW." + c + " <> ''" : "");
      same += (same.empty() ? "" : " AND ") + (x.folds[k] ? fold("OLD", i) : "OLD." + c) + " IS " + now;
      if (!x.folds[k]) match += " AND o." + c + " = " + now;
      else
        match += " AND (o." + f.FoldColumn(i) + " = " + now + " OR (o." + f.FoldColumn(i) + " IS NULL AND " +
                 fold("o", i) + " = " + now + "))";
    }
    out += "SELECT RAISE(ABORT, " + clash + ") WHERE 1" + given + " AND EXISTS (SELECT 1 FROM " + s +
           ".records AS o WHERE o." + f.RowId() + " IS NOT NEW." + f.RowId() + match + ")";
    // an update that leaves the key as it was passes, as a post does
    out += (update ? " AND NOT (" + same + ")" : std::string()) + "; ";
  }
  return out;
}

void SqlSession::Detach(Table& t) {
  std::string drop;
  for (const char* trigger : {"_insert", "_update"}) drop += "DROP TRIGGER IF EXISTS temp." + Quote(t.schema + trigger) + "; ";
  Internal("DROP VIEW IF EXISTS temp." + Quote(t.view) + "; " + drop + "DETACH DATABASE " + Quote(t.schema));
}

// orvex_fold(table, field, value): the folded key a table keeps for a value of
// a field, NULL for a blank one.
void SqlSession::Fold(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  auto* self = static_cast<SqlSession*>(sqlite3_user_data(ctx));
  const Table* t = argc == 3 ? self->ById(sqlite3_value_int(argv[0])) : nullptr;
  if (!t) return sqlite3_result_error(ctx, "orvex:2104:fold", -1);
  if (sqlite3_value_type(argv[2]) != SQLITE_TEXT || sqlite3_value_bytes(argv[2]) == 0)
    return sqlite3_result_null(ctx);
  try {
    SqlValue v = t->file->Folded(FromSqlite(argv[2]));
    sqlite3_result_text(ctx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(ctx);
  }
}

const SqlSession::Table* SqlSession::ById(int id) const {
  for (const auto& [name, t] : tables_)
    if (t->id == id) return t.get();
  return nullptr;
}

// The rules a post keeps, for a row about to be written: ORVEX_OK or the
// post's code, with the field in detail. On insert the row-id check is the
// new row id, -1 when the engine assigns it; on update whether it stays.
OrvexResult SqlSession::CheckRow(int argc, sqlite3_value** argv, std::string& detail) const {
  if (argc < 4) return ORVEX_ERR_INTERNAL;
  const Table* t = ById(sqlite3_value_int(argv[0]));
  if (!t) return ORVEX_ERR_INTERNAL;
  const TableFile& f = *t->file;
  bool update = sqlite3_value_int(argv[1]) != 0;
  if (sqlite3_value_type(argv[2]) != SQLITE_NULL &&
      (update ? sqlite3_value_int(argv[2]) == 0 : sqlite3_value_int64(argv[2]) != -1)) {
    detail = t->view + ": " +
             (f.AutoIncField() >= 0 ? f.Fields()[static_cast<std::size_t>(f.AutoIncField())].name
                                    : std::string("the record number")) +
             " is assigned by the engine";
    return ORVEX_ERR_FIELDREADONLY;
  }
  auto first = static_cast<std::size_t>(sqlite3_value_int(argv[3]));
  for (int a = 4; a < argc; ++a) {
    std::size_t i = first - 1 + static_cast<std::size_t>(a - 4);
    if (i >= f.Fields().size()) return ORVEX_ERR_INTERNAL;
    const Field& fd = f.Fields()[i];
    sqlite3_value* v = argv[a];
    detail = fd.name;
    bool blank;
    if (fd.IsBlob()) {
      // typeof() of the value: a blob field holds text or bytes
      std::string type = reinterpret_cast<const char*>(sqlite3_value_text(v));
      if (type != "null" && type != "text" && type != "blob") return ORVEX_ERR_OUTOFRANGE;
      blank = type == "null";
    } else {
      OrvexResult r = StoredValueFits(fd, v);
      if (r != ORVEX_OK) return r;
      blank = sqlite3_value_type(v) == SQLITE_NULL || (fd.IsString() && sqlite3_value_bytes(v) == 0);
    }
    if (fd.type == ORVEX_FT_AUTOINC) continue;
    const CheckDef* check = nullptr;
    for (const CheckDef& c : f.Checks())
      if (c.field == i) check = &c;
    if (blank) {
      if (fd.required || (check && check->desc.required)) return ORVEX_ERR_REQUIRED;
      continue;
    }
    if (!check || fd.IsBlob()) continue;
    SqlValue value = FromSqlite(v);
    if (check->min.kind != SqlValue::Null && CompareValues(value, check->min, false) < 0) return ORVEX_ERR_MINVAL;
    if (check->max.kind != SqlValue::Null && CompareValues(value, check->max, false) > 0) return ORVEX_ERR_MAXVAL;
  }
  return ORVEX_OK;
}

void SqlSession::Check(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  std::string detail;
  OrvexResult r;
  try {
    r = static_cast<const SqlSession*>(sqlite3_user_data(ctx))->CheckRow(argc, argv, detail);
  } catch (const std::bad_alloc&) {
    return sqlite3_result_error_nomem(ctx);
  }
  if (r == ORVEX_OK) return sqlite3_result_int(ctx, 1);
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%s%04X:", kFailPrefix, r);
  std::string msg = prefix + detail;
  sqlite3_result_error(ctx, msg.c_str(), static_cast<int>(msg.size()));
}

// ---------------------------------------------------------------- the authorizer

int SqlSession::Authorize(void* selfp, int action, const char* a, const char* b, const char* db, const char* inner) {
  auto* self = static_cast<SqlSession*>(selfp);
  if (self->internal_) return SQLITE_OK;
  auto ours = [&](const char* schema, const char* table) {
    return schema && table && std::strcmp(table, "records") == 0 && self->BySchema(schema) != nullptr;
  };
  auto view = [&](const char* schema, const char* table) {
    if (!schema || !table || std::strcmp(schema, "temp") != 0) return false;
    for (const auto& [name, t] : self->tables_)
      if (t->view == table) return true;
    return false;
  };
  auto refuse = [&](std::string why) {
    if (self->refusal_.empty()) self->refusal_ = std::move(why);
    return SQLITE_DENY;
  };
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE: return SQLITE_OK;
    case SQLITE_READ:
      if (ours(db, a) || view(db, a)) return SQLITE_OK;
      if (a && (std::strcmp(a, "json_each") == 0 || std::strcmp(a, "json_tree") == 0)) return SQLITE_OK;
      return refuse(std::string("the statement reads ") + (a ? a : "a table") +
                    ", which is not a table of the database");
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
      if (ours(db, a)) return SQLITE_OK;
      // the file's own triggers note the rows other writers change
      if (action == SQLITE_INSERT && db && self->BySchema(db) && a && std::strcmp(a, "orvex_dirty") == 0 && inner &&
          std::strncmp(inner, "orvex_mark_", 11) == 0)
        return SQLITE_OK;
      return refuse(std::string("the statement writes ") + (a ? a : "a table") +
                    ", which is not a table of the database");
    case SQLITE_FUNCTION: {
      // the engine's functions run only inside the engine's own triggers
      bool engines = b && sqlite3_strnicmp(b, "orvex_", 6) == 0;
      if (engines && inner && std::strncmp(inner, "orvex_t", 7) == 0) return SQLITE_OK;
      if (b && (engines || sqlite3_stricmp(b, "load_extension") == 0 || sqlite3_stricmp(b, "fts3_tokenizer") == 0))
        return refuse(std::string("the function ") + b + " is not allowed");
      return SQLITE_OK;
    }
    case SQLITE_PRAGMA: return refuse("PRAGMA is not allowed");
    default: return refuse("the statement is not a query or a write of records");
  }
}

// ---------------------------------------------------------------- transactions and writes

void SqlSession::FinishReaders() {
  std::vector<AnswerCursor*> readers(readers_.begin(), readers_.end());
  for (AnswerCursor* a : readers) a->Drain();
}

void SqlSession::Begin(std::uint16_t isolation) {
  if (isolation > 2) orvex::Fail(ORVEX_ERR_INVALIDPARAM, "isolation level");
  if (InTransaction()) orvex::Fail(ORVEX_ERR_INTRANSACTION);
  FinishReaders();
  // A transaction cannot attach: the directory's tables are attached now,
  // as many as SQLite takes, those in use already first.
  std::set<std::string> files;
  for (const auto& [key, file] : TableNames().files) files.insert(file);
  for (const std::string& file : files) {
    if (static_cast<int>(tables_.size()) >= sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, -1)) break;
    try {
      Use(file);
    } catch (const Error&) {
      // a file that is not a table of ours, or is held elsewhere: statements will say so
    }
  }
  for (const auto& [name, t] : tables_) Refold(*t);
  Internal("BEGIN");
  isolation_ = isolation;
  pendingWrites_.clear();
}

void SqlSession::End(bool commit) {
  if (!InTransaction()) orvex::Fail(ORVEX_ERR_NOTRANSACTION);
  FinishReaders();
  Internal(commit ? "COMMIT" : "ROLLBACK");
  std::set<std::string> written;
  written.swap(pendingWrites_);
  if (commit)
    for (const std::string& path : written) TableFile::NotifyChanged(path);
}

bool SqlSession::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

void SqlSession::Refold(const Table& t) {
  if (InTransaction() || !t.file->Writable()) return;
  TableFile::ReadTransaction read(*t.file);  // which folds what is stale first
}

void SqlSession::Wrote(const Table& t) {
  if (InTransaction())
    pendingWrites_.insert(t.path.path);
  else
    TableFile::NotifyChanged(t.path.path);
}

}  // namespace orvex
