#include "TableFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <optional>

#include "Chars.h"
#include "Config.h"
#include "Errors.h"
#include "Scope.h"

namespace orvex {

namespace {

constexpr int kApplicationId = 0x4F525658;  // "ORVX": our tables among SQLite files
// 2: case-insensitive keys in columns of their own; 1: in an index of the
// engine's collation, which other SQLite tools lack.
constexpr int kFormatVersion = 2;
constexpr const char* kFoldCollation = "ORVEX_NOCASE";
constexpr std::size_t kMaxFields = 1000;
constexpr std::size_t kMaxIndexes = 64;

template <int (*Compare)(std::string_view, std::string_view)>
int Collate(void*, int na, const void* a, int nb, const void* b) {
  return Compare(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)),
                 std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
}

// The collation of case-insensitive indexes follows the table's language driver.
void UseCaseRule(sqlite3* db, CaseRule rule) {
  sqlite3_create_collation_v2(db, kFoldCollation, SQLITE_UTF8, nullptr,
                              rule == CaseRule::Ascii ? Collate<AsciiFoldedCompare> : Collate<FoldedCompare>, nullptr);
}

void Configure(sqlite3* db) {
  sqlite3_extended_result_codes(db, 1);
  // A second at a time, so that a post held up by another writer can ask the user (Step).
  sqlite3_busy_timeout(db, 1000);
  // A double-quoted name that names no column is an error, never a text:
  // metadata naming a lost column must not read as that name's letters.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  // The engine keeps the folded keys itself; the triggers are for others.
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  UseCaseRule(db, CaseRule::Letters);
}

// Whether SQLite finds the file whole; asked when a failure could be the
// file's or the machine's.
bool Sound(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &st, nullptr) != SQLITE_OK) return false;
  bool ok = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) == SQLITE_TEXT &&
            std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") == 0;
  sqlite3_finalize(st);
  return ok;
}

[[noreturn]] void FailSql(sqlite3* db, int rc, const std::string& path, const std::string& name) {
  std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) Fail(ORVEX_ERR_KEYVIOL, name);
      break;
    case SQLITE_CORRUPT: Fail(ORVEX_ERR_CORRUPT, path);
    case SQLITE_NOTADB: Fail(ORVEX_ERR_NOTATABLE, path);
    // SQLite says "full" also when a damaged page sends it past the file's
    // limit, and a bare error when it cannot read a damaged header.
    case SQLITE_FULL: Fail(db && !Sound(db) ? ORVEX_ERR_CORRUPT : ORVEX_ERR_DISKFULL, path);
    case SQLITE_ERROR:
      if (db && rc == SQLITE_ERROR && !Sound(db)) Fail(ORVEX_ERR_CORRUPT, path);
      break;
    case SQLITE_IOERR: Fail(ORVEX_ERR_IO, path);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: Fail(ORVEX_ERR_BUSY, path);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN: Fail(ORVEX_ERR_ACCESS, path);
    case SQLITE_NOMEM: Fail(ORVEX_ERR_NOMEMORY);
  }
  Fail(ORVEX_ERR_INTERNAL, path + ": " + message);
}

void ExecRaw(sqlite3* db, const std::string& sql, const std::string& path) {
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) FailSql(db, rc, path, path);
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}




// A text of a fixed array: NUL-terminated within it, without control characters.
bool FixedText(const char* p, std::size_t size, std::string& out) {
  std::size_t n = strnlen(p, size);
  if (n == size) return false;
  out.assign(p, n);
  for (char c : out)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

[[noreturn]] void BadDesc(const std::string& what) { Fail(ORVEX_ERR_INVALIDDESC, what); }

std::vector<Field> BuildFields(std::uint16_t count, const OrvexFieldDesc* descs) {
  if (count == 0 || count > kMaxFields || !descs) BadDesc("field count");
  std::vector<Field> fields;
  bool autoInc = false;
  for (std::uint16_t i = 0; i < count; ++i) {
    const OrvexFieldDesc& d = descs[i];
    Field f;
    f.no = static_cast<std::uint16_t>(i + 1);
    if (!FixedText(d.name, sizeof d.name, f.name) || f.name.empty())
      BadDesc("field " + std::to_string(i + 1) + " name");
    for (const Field& g : fields)
      if (FoldedCompare(g.name, f.name) == 0) BadDesc("field " + f.name + " named twice");
    if (!IsKnownType(d.type)) BadDesc("field " + f.name + " type");
    f.type = d.type;
    if (d.required > 1) BadDesc("field " + f.name + " required flag");
    f.required = d.required != 0;
    switch (d.type) {
      case ORVEX_FT_STRING:
      case ORVEX_FT_BYTES:
      case ORVEX_FT_VARBYTES:
        if (d.size < 1 || d.size > 255) BadDesc("field " + f.name + " size");
        f.size = d.size;
        break;
      case ORVEX_FT_BCD:
        if (d.size < 1 || d.size > 32 || d.decimals > d.size) BadDesc("field " + f.name + " size");
        f.size = d.size;
        f.decimals = d.decimals;
        break;
      case ORVEX_FT_AUTOINC:
        if (autoInc) BadDesc("field " + f.name + ": a second auto-increment field");
        autoInc = true;
        break;
    }
    fields.push_back(std::move(f));
  }
  return fields;
}

std::vector<IndexDef> BuildIndexes(const std::vector<Field>& fields, std::uint16_t count,
                                   const OrvexIndexDesc* descs) {
  if (count > kMaxIndexes || (count && !descs)) BadDesc("index count");
  std::vector<IndexDef> indexes;
  for (std::uint16_t i = 0; i < count; ++i) {
    const OrvexIndexDesc& d = descs[i];
    IndexDef x;
    x.no = static_cast<std::uint16_t>(i + 1);
    std::string what = "index " + std::to_string(i + 1);
    if (!FixedText(d.name, sizeof d.name, x.name)) BadDesc(what + " name");
    if (d.primary > 1 || d.unique > 1 || d.descending > 1 || d.caseInsensitive > 1) BadDesc(what + " flags");
    x.primary = d.primary != 0;
    x.unique = d.unique != 0 || x.primary;
    x.descending = d.descending != 0;
    x.caseInsensitive = d.caseInsensitive != 0;
    if (x.name.empty() && !x.primary) BadDesc(what + ": a secondary index needs a name");
    for (const IndexDef& y : indexes) {
      if (x.primary && y.primary) BadDesc(what + ": a second primary index");
      if (!x.name.empty() && FoldedCompare(x.name, y.name) == 0) BadDesc("index " + x.name + " named twice");
    }
    if (d.fieldCount < 1 || d.fieldCount > ORVEX_MAX_INDEX_FIELDS) BadDesc(what + " field count");
    for (std::uint16_t k = 0; k < d.fieldCount; ++k) {
      std::uint16_t no = d.fields[k];
      if (no < 1 || no > fields.size()) BadDesc(what + " field number");
      const Field& f = fields[no - 1u];
      if (f.IsBlob()) BadDesc(what + ": blob field " + f.name);
      for (std::size_t e : x.fields)
        if (e == no - 1u) BadDesc(what + ": field " + f.name + " twice");
      x.fields.push_back(no - 1u);
      x.folds.push_back(x.caseInsensitive && f.IsString());
    }
    indexes.push_back(std::move(x));
  }
  return indexes;
}

// A check value of the descriptor as the field's value; Null when absent.
SqlValue CheckValue(const Field& f, std::uint16_t has, const std::uint8_t* value, std::uint32_t recordSize,
                    const std::string& what) {
  if (has > 1) BadDesc(what);
  if (!has) return {};
  if (f.IsBlob() || f.type == ORVEX_FT_BYTES || f.type == ORVEX_FT_VARBYTES) BadDesc(what);
  if (f.IsString() && !std::memchr(value, 0, 256)) BadDesc(what);
  std::vector<std::uint8_t> rec(recordSize, 0);
  std::memcpy(rec.data() + f.offset, value, std::min<std::uint32_t>(f.length, 256));
  SqlValue v;
  try {
    v = RecordToSql(f, rec.data());
  } catch (const Error&) {
    BadDesc(what);
  }
  if (v.kind == SqlValue::Null) BadDesc(what);
  return v;
}

std::vector<CheckDef> BuildChecks(const std::vector<Field>& fields, std::uint32_t recordSize, std::uint16_t count,
                                  const OrvexVchkDesc* descs) {
  if (count > fields.size() || (count && !descs)) BadDesc("validity check count");
  std::vector<CheckDef> checks;
  for (std::uint16_t i = 0; i < count; ++i) {
    CheckDef c;
    c.desc = descs[i];
    const OrvexVchkDesc& d = c.desc;
    std::string what = "validity check " + std::to_string(i + 1);
    if (d.fieldNo < 1 || d.fieldNo > fields.size()) BadDesc(what + " field number");
    c.field = d.fieldNo - 1u;
    const Field& f = fields[c.field];
    what = "validity check of " + f.name;
    for (const CheckDef& e : checks)
      if (e.field == c.field) BadDesc(what + ": twice");
    if (d.required > 1) BadDesc(what + " required flag");
    std::string picture;
    if (!FixedText(d.picture, sizeof d.picture, picture)) BadDesc(what + " picture");
    c.min = CheckValue(f, d.hasMin, d.minValue, recordSize, what + " minimum");
    c.max = CheckValue(f, d.hasMax, d.maxValue, recordSize, what + " maximum");
    CheckValue(f, d.hasDefault, d.defaultValue, recordSize, what + " default");
    if (c.min.kind != SqlValue::Null && c.max.kind != SqlValue::Null && CompareValues(c.min, c.max, false) > 0)
      BadDesc(what + ": minimum above maximum");
    checks.push_back(std::move(c));
  }
  std::sort(checks.begin(), checks.end(), [](const CheckDef& a, const CheckDef& b) { return a.field < b.field; });
  return checks;
}

std::string IndexFieldsText(const IndexDef& x) {
  std::string s;
  for (std::size_t f : x.fields) s += (s.empty() ? "" : ";") + std::to_string(f + 1);
  return s;
}

// The name the row id goes by in SQL: the auto-increment field, else the
// first of SQLite's names for it that no field takes; empty when all are.
std::string RowIdName(const std::vector<Field>& fields, int autoInc) {
  if (autoInc >= 0) return Quote(fields[static_cast<std::size_t>(autoInc)].name);
  for (const char* name : {"rowid", "_rowid_", "oid"}) {
    bool taken = false;
    for (const Field& f : fields) taken = taken || FoldedCompare(f.name, name) == 0;
    if (!taken) return name;
  }
  return {};
}

// The quoted column of each field's folded key (empty for fields that no
// case-insensitive index holds), named so that no field's name is taken.
std::vector<std::string> FoldColumns(const std::vector<Field>& fields, const std::vector<IndexDef>& indexes) {
  std::vector<std::string> out(fields.size());
  for (const IndexDef& x : indexes) {
    for (std::size_t k = 0; k < x.fields.size(); ++k) {
      std::size_t i = x.fields[k];
      if (!x.folds[k] || !out[i].empty()) continue;
      std::string name = "orvex_fold_" + std::to_string(i + 1);
      for (bool taken = true; taken;) {
        taken = false;
        for (const Field& f : fields) taken = taken || FoldedCompare(f.name, name) == 0;
        if (taken) name += '_';
      }
      out[i] = Quote(name);
    }
  }
  return out;
}

bool AnyFold(const IndexDef& x) { return std::find(x.folds.begin(), x.folds.end(), true) != x.folds.end(); }

// The SQLite index behind one of ours (none for the auto-increment field
// alone, which is the row id), over the folded keys where it folds case.
std::string IndexSql(const IndexDef& x, const std::vector<Field>& fields, const std::vector<std::string>& folds,
                     int autoInc) {
  if (x.fields.size() == 1 && static_cast<int>(x.fields[0]) == autoInc) return {};
  std::string sql = std::string("CREATE ") + (x.unique && !AnyFold(x) ? "UNIQUE " : "") + "INDEX orvex_index_" +
                    std::to_string(x.no) + " ON records(";
  for (std::size_t k = 0; k < x.fields.size(); ++k) {
    if (k) sql += ", ";
    sql += x.folds[k] ? folds[x.fields[k]] : Quote(fields[x.fields[k]].name);
  }
  return sql + ")";
}

// The triggers by which writers other than the engine note the rows whose
// folded keys they may have made wrong; none when nothing is folded.
std::vector<std::string> MarkerSql(const std::vector<Field>& fields, const std::vector<std::string>& folds,
                                   const std::string& rowid) {
  std::string watched;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (!folds[i].empty()) watched += (watched.empty() ? "" : ", ") + Quote(fields[i].name) + ", " + folds[i];
  if (watched.empty()) return {};
  std::string mark = " ON records BEGIN INSERT OR IGNORE INTO orvex_dirty VALUES(NEW." + rowid + "); END";
  return {"CREATE TRIGGER orvex_mark_insert AFTER INSERT" + mark,
          "CREATE TRIGGER orvex_mark_update AFTER UPDATE OF " + watched + mark};
}

// The file's first 100 bytes as SQLite lays them out. A file without
// SQLite's mark is not a table of ours; one with the mark and fields that
// SQLite could never have written is a damaged one, which SQLite itself
// would report as read-only or of an unknown format.
void CheckHeader(const std::string& path) {
  unsigned char h[100];
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(errno == ENOENT ? ORVEX_ERR_NOSUCHTABLE : ORVEX_ERR_ACCESS, path);
  ssize_t n = ::read(fd, h, sizeof h);
  ::close(fd);
  if (n != static_cast<ssize_t>(sizeof h) || std::memcmp(h, "SQLite format 3", 16) != 0) Fail(ORVEX_ERR_NOTATABLE, path);
  auto be32 = [&](int at) {
    return static_cast<std::uint32_t>(h[at]) << 24 | static_cast<std::uint32_t>(h[at + 1]) << 16 |
           static_cast<std::uint32_t>(h[at + 2]) << 8 | h[at + 3];
  };
  unsigned pageSize = static_cast<unsigned>(h[16]) << 8 | h[17];
  if (pageSize == 1) pageSize = 65536;
  bool ok = pageSize >= 512 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0;
  ok = ok && (h[18] == 1 || h[18] == 2) && (h[19] == 1 || h[19] == 2);
  ok = ok && h[21] == 64 && h[22] == 32 && h[23] == 32;
  ok = ok && be32(44) >= 1 && be32(44) <= 4 && be32(56) >= 1 && be32(56) <= 3;
  if (!ok) Fail(ORVEX_ERR_CORRUPT, path);
}

// One row of a metadata table. Each value must be of its type and range;
// anything else is damage.
class MetaRow {
public:
  MetaRow(sqlite3_stmt* st, const std::string& path) : st_(st), path_(path) {}
  std::int64_t Int(int col, std::int64_t lo, std::int64_t hi) const {
    if (sqlite3_column_type(st_, col) != SQLITE_INTEGER) Corrupt();
    std::int64_t v = sqlite3_column_int64(st_, col);
    if (v < lo || v > hi) Corrupt();
    return v;
  }
  std::string Text(int col, std::size_t maxBytes) const {
    if (sqlite3_column_type(st_, col) != SQLITE_TEXT) Corrupt();
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, col));
    auto n = static_cast<std::size_t>(sqlite3_column_bytes(st_, col));
    if (!p || n > maxBytes || std::memchr(p, 0, n)) Corrupt();
    return std::string(p, n);
  }
  // Into a fixed array of the descriptor, NUL-terminated.
  template <std::size_t N>
  void Text(int col, char (&dest)[N]) const {
    std::string t = Text(col, N - 1);
    std::memcpy(dest, t.c_str(), t.size() + 1);
  }
  std::uint16_t Word(int col, std::int64_t hi = 0xFFFF) const { return static_cast<std::uint16_t>(Int(col, 0, hi)); }
  [[noreturn]] void Corrupt() const { Fail(ORVEX_ERR_CORRUPT, path_); }

private:
  sqlite3_stmt* st_;
  const std::string& path_;
};

std::unordered_map<std::string, std::weak_ptr<TableFile>>& Registry() {
  static std::unordered_map<std::string, std::weak_ptr<TableFile>> registry;
  return registry;
}

std::string Canonical(const std::string& path) {
  char buf[PATH_MAX];
  if (!::realpath(path.c_str(), buf)) {
    if (errno == ENOENT || errno == ENOTDIR) Fail(ORVEX_ERR_NOSUCHTABLE, path);
    Fail(ORVEX_ERR_ACCESS, path);
  }
  return buf;
}

}  // namespace

void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

void RemoveSidecars(const std::string& path) {
  for (const char* s : {"-wal", "-shm", "-journal"}) ::unlink((path + s).c_str());
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Quote(const std::string& name) {
  std::string q = "\"";
  for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

const char* DriverName(Format f) { return f == Format::Kalmure ? "KALMURE" : "ZENTOR"; }
const char* Extension(Format f) { return f == Format::Kalmure ? ".db" : ".dbf"; }

Format FormatOfDriver(const char* driverType) {
  std::string d;
  if (!FixedText(driverType, 32, d)) Fail(ORVEX_ERR_UNKNOWNTYPE);
  if (FoldedCompare(d, "KALMURE") == 0) return Format::Kalmure;
  if (FoldedCompare(d, "ZENTOR") == 0) return Format::Zentor;
  Fail(ORVEX_ERR_UNKNOWNTYPE, d);
}

TablePath ResolveTable(const std::string& directory, const char* tableName, const char* driverType) {
  std::string name;
  if (!tableName || !FixedText(tableName, 261, name) || name.empty()) Fail(ORVEX_ERR_INVALIDPARAM, "table name");
  std::size_t slash = name.rfind('/');
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  if (file.empty()) Fail(ORVEX_ERR_INVALIDPARAM, name);
  std::size_t dot = file.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
  TablePath t;
  if (driverType && *driverType)
    t.format = FormatOfDriver(driverType);
  else
    t.format = FoldedCompare(ext, ".dbf") == 0 ? Format::Zentor : Format::Kalmure;
  if (ext.empty()) {
    name += Extension(t.format);
    file += Extension(t.format);
  }
  t.name = file;
  t.path = name[0] == '/' ? name : directory + "/" + name;
  return t;
}

// ---------------------------------------------------------------- TableLock

TableLock::TableLock(const std::string& path, Mode mode) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    if (errno == ENOENT || errno == ENOTDIR) Fail(ORVEX_ERR_NOSUCHTABLE, path);
    Fail(ORVEX_ERR_ACCESS, path);
  }
  auto refuse = [&](OrvexResult code) {
    ::close(fd_);
    fd_ = -1;
    Fail(code, path);
  };
  if (mode == Sole) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) refuse(ORVEX_ERR_TABLEINUSE);
    return;
  }
  if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) refuse(ORVEX_ERR_TABLEINUSE);
  if (mode == Exclusive && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) refuse(ORVEX_ERR_EXCLREFUSED);
}

TableLock::~TableLock() {
  if (fd_ >= 0) ::close(fd_);
}

// ---------------------------------------------------------------- TableFile

TableFile::TableFile(const TablePath& table)
    : path_(table.path), name_(table.name), format_(table.format), pid_(::getpid()) {}

TableFile::~TableFile() {
  for (auto& [sql, st] : statements_) sqlite3_finalize(st);
  if (db_) sqlite3_close_v2(db_);
}

std::shared_ptr<TableFile> TableFile::Open(const TablePath& table) {
  std::string key = Canonical(table.path);
  struct stat st {};
  ::stat(key.c_str(), &st);
  auto& registry = Registry();
  if (auto it = registry.find(key); it != registry.end()) {
    // A connection carried into a forked child is not the child's to use, nor
    // one to a file that another has since replaced under the same name.
    if (auto live = it->second.lock();
        live && live->pid_ == ::getpid() && live->dev_ == st.st_dev && live->ino_ == st.st_ino) {
      if (live->format_ != table.format) Fail(ORVEX_ERR_NOTATABLE, table.path);
      return live;
    }
  }
  std::shared_ptr<TableFile> t(new TableFile(table));
  t->dev_ = st.st_dev;
  t->ino_ = st.st_ino;
  t->Load();
  for (auto it = registry.begin(); it != registry.end();) it = it->second.expired() ? registry.erase(it) : ++it;
  registry[key] = t;
  return t;
}

void TableFile::NotifyChanged(const std::string& path) {
  char buf[PATH_MAX];
  if (!::realpath(path.c_str(), buf)) return;
  auto& registry = Registry();
  auto it = registry.find(buf);
  if (it == registry.end()) return;
  if (auto live = it->second.lock(); live && live->pid_ == ::getpid()) live->Changed();
}

void TableFile::Load() {
  if (!Exists(path_)) Fail(ORVEX_ERR_NOSUCHTABLE, path_);
  CheckHeader(path_);
  int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) SqlFail(rc);
  Configure(db_);
  writable_ = sqlite3_db_readonly(db_, "main") == 0;
  auto pragmaInt = [&](const char* sql) {
    sqlite3_stmt* st = Prepare(sql);
    StmtUse use(st);
    return Step(st) ? sqlite3_column_int64(st, 0) : 0;
  };
  if (pragmaInt("PRAGMA application_id") != kApplicationId) Fail(ORVEX_ERR_NOTATABLE, path_);
  std::int64_t version = pragmaInt("PRAGMA user_version");
  if (version != 1 && version != kFormatVersion) Fail(ORVEX_ERR_NOTATABLE, path_);
  Exec("PRAGMA synchronous=FULL");
  try {
    LoadMetadata();
  } catch (const Error& e) {
    if (e.Code() == ORVEX_ERR_INTERNAL || e.Code() == ORVEX_ERR_INVALIDDESC) Fail(ORVEX_ERR_CORRUPT, path_);
    throw;
  }
  rowid_ = RowIdName(fields_, autoInc_);
  if (rowid_.empty()) Fail(ORVEX_ERR_CORRUPT, path_);
  selectList_ = rowid_;
  for (std::size_t i = 0; i < fields_.size(); ++i)
    selectList_ += ", " + (fields_[i].IsBlob() ? "(" + columns_[i] + " IS NULL)" : columns_[i]);
  try {
    Prepare("SELECT " + selectList_ + " FROM records");
  } catch (const Error&) {
    Fail(ORVEX_ERR_CORRUPT, path_);
  }
  foldColumns_ = FoldColumns(fields_, indexes_);
  folding_ = std::any_of(foldColumns_.begin(), foldColumns_.end(), [](const std::string& c) { return !c.empty(); });

  // Triggers that are not ours may miss rows: fold every key again.
  bool markersInPlace = true;
  if (version == kFormatVersion) {
    try {
      for (const std::string& fold : foldColumns_)
        if (!fold.empty()) Prepare("SELECT " + fold + " FROM records");
      Prepare("SELECT row FROM orvex_dirty");
    } catch (const Error&) {
      Fail(ORVEX_ERR_CORRUPT, path_);
    }
    std::vector<std::string> markers = MarkerSql(fields_, foldColumns_, rowid_);
    sqlite3_stmt* st = Prepare(
        "SELECT sql FROM sqlite_schema WHERE type = 'trigger' AND name IN ('orvex_mark_insert', 'orvex_mark_update')");
    StmtUse use(st);
    std::vector<std::string> found;
    while (Step(st))
      found.push_back(sqlite3_column_type(st, 0) == SQLITE_TEXT
                          ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0))
                          : "");
    std::sort(markers.begin(), markers.end());
    std::sort(found.begin(), found.end());
    markersInPlace = found == markers;
  }
  if (version != kFormatVersion || !markersInPlace) {
    if (writable_) Upgrade();
    else byCollation_ = true;
  }
  SetKeyColumns();
  if (!writable_ && Stale()) {
    byCollation_ = true;
    SetKeyColumns();
  }
  Poll();
  dataVersion_ = DataVersion();
}

void TableFile::SetKeyColumns() {
  keyColumns_ = columns_;
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (!foldColumns_[i].empty())
      keyColumns_[i] = byCollation_ ? columns_[i] + " COLLATE " + kFoldCollation : foldColumns_[i];
}

// To this format from the first, or with the triggers put back: the folded
// keys' columns and indexes, the triggers, and every key folded again.
void TableFile::Upgrade() {
  Exec("BEGIN IMMEDIATE");
  fw::TScopeFail undo([&] { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); });
  sqlite3_stmt* st = Prepare("PRAGMA user_version");
  std::int64_t version = 0;
  {
    StmtUse use(st);
    if (Step(st)) version = sqlite3_column_int64(st, 0);
  }
  if (version == 1) {
    for (const std::string& fold : foldColumns_)
      if (!fold.empty()) Exec("ALTER TABLE records ADD COLUMN " + fold + " TEXT");
    Exec("CREATE TABLE orvex_dirty(row INTEGER PRIMARY KEY)");
    for (const IndexDef& x : indexes_) {
      if (!AnyFold(x)) continue;
      Exec("DROP INDEX IF EXISTS orvex_index_" + std::to_string(x.no));
      Exec(IndexSql(x, fields_, foldColumns_, autoInc_));
    }
    Exec("PRAGMA user_version=" + std::to_string(kFormatVersion));
  }
  Exec("DROP TRIGGER IF EXISTS orvex_mark_insert");
  Exec("DROP TRIGGER IF EXISTS orvex_mark_update");
  for (const std::string& sql : MarkerSql(fields_, foldColumns_, rowid_)) Exec(sql);
  if (folding_) Exec("INSERT OR IGNORE INTO orvex_dirty SELECT " + rowid_ + " FROM records");
  Refold();
  Exec("COMMIT");
}

bool TableFile::Stale() {
  if (!folding_ || byCollation_) return false;
  sqlite3_stmt* st = Prepare("SELECT 1 FROM orvex_dirty LIMIT 1");
  StmtUse use(st);
  return Step(st);
}

// Inside a write transaction: the folded keys of the rows other writers noted.
void TableFile::Refold() {
  if (!Stale()) return;
  std::vector<std::size_t> folded;
  std::string read = "SELECT d.row", write;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (foldColumns_[i].empty()) continue;
    folded.push_back(i);
    read += ", records." + columns_[i];
    write += (write.empty() ? "" : ", ") + foldColumns_[i] + " = ?";
  }
  read += " FROM orvex_dirty AS d JOIN records ON records." + rowid_ + " = d.row";
  std::vector<std::pair<std::int64_t, std::vector<SqlValue>>> rows;
  {
    sqlite3_stmt* st = Prepare(read);
    StmtUse use(st);
    while (Step(st)) {
      std::vector<SqlValue> keys;
      for (std::size_t k = 0; k < folded.size(); ++k) {
        int col = static_cast<int>(k + 1);
        const char* text = sqlite3_column_type(st, col) == SQLITE_TEXT
                               ? reinterpret_cast<const char*>(sqlite3_column_text(st, col))
                               : nullptr;
        keys.push_back(text && *text ? SqlValue::OfText(FoldKey(text, caseRule_)) : SqlValue());
      }
      rows.emplace_back(sqlite3_column_int64(st, 0), std::move(keys));
    }
  }
  sqlite3_stmt* st = Prepare("UPDATE records SET " + write + " WHERE " + rowid_ + " = ?");
  for (const auto& [id, keys] : rows) {
    StmtUse use(st);
    int p = 1;
    for (const SqlValue& k : keys) Bind(st, p++, k);
    sqlite3_bind_int64(st, p, id);
    Step(st);
  }
  Exec("DELETE FROM orvex_dirty");
}

SqlValue TableFile::Folded(const SqlValue& v) const {
  if (byCollation_ || v.kind != SqlValue::Text) return v;
  return SqlValue::OfText(FoldKey(v.s, caseRule_));
}

void TableFile::LoadMetadata() {
  // The language driver came later: tables made before have none.
  bool hasFormat = false, hasProtected = false, hasLangDriver = false;
  {
    sqlite3_stmt* st = Prepare("SELECT key, value FROM orvex_table");
    StmtUse use(st);
    while (Step(st)) {
      MetaRow row(st, path_);
      std::string key = row.Text(0, 32);
      if (key == "format" && !hasFormat) {
        if (row.Text(1, 32) != DriverName(format_)) Fail(ORVEX_ERR_NOTATABLE, path_);
        hasFormat = true;
      } else if (key == "protected" && !hasProtected) {
        protected_ = row.Word(1);
        hasProtected = true;
      } else if (key == "langdriver" && !hasLangDriver) {
        const LangDriver* ld = FindLangDriver(row.Text(1, 64).c_str());
        if (!ld) Fail(ORVEX_ERR_UNKNOWNLD, path_);
        caseRule_ = ld->rule;
        hasLangDriver = true;
      } else {
        row.Corrupt();
      }
    }
  }
  if (!hasFormat || !hasProtected) Fail(ORVEX_ERR_CORRUPT, path_);
  UseCaseRule(db_, caseRule_);

  // Rows numbered 1, 2, ... in their first column, at most max of them.
  auto numbered = [&](const char* sql, std::size_t max, auto&& each) {
    sqlite3_stmt* st = Prepare(sql);
    StmtUse use(st);
    for (std::int64_t n = 1; Step(st); ++n) {
      MetaRow row(st, path_);
      if (n > static_cast<std::int64_t>(max) || row.Int(0, 1, static_cast<std::int64_t>(max)) != n) row.Corrupt();
      each(row);
    }
  };
  std::vector<OrvexFieldDesc> fd;
  numbered("SELECT field_no, name, type, size, decimals, required FROM orvex_fields ORDER BY field_no", kMaxFields,
           [&](const MetaRow& row) {
             OrvexFieldDesc d{};
             row.Text(1, d.name);
             d.type = row.Word(2);
             d.size = row.Word(3);
             d.decimals = row.Word(4);
             d.required = row.Word(5, 1);
             fd.push_back(d);
           });
  fields_ = BuildFields(static_cast<std::uint16_t>(fd.size()), fd.data());
  recordSize_ = LayOut(fields_);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    columns_.push_back(Quote(fields_[i].name));
    if (fields_[i].type == ORVEX_FT_AUTOINC) autoInc_ = static_cast<int>(i);
  }

  std::vector<OrvexIndexDesc> xd;
  numbered("SELECT index_no, name, fields, is_primary, is_unique, descending, case_insensitive FROM orvex_indexes "
           "ORDER BY index_no",
           kMaxIndexes, [&](const MetaRow& row) {
             OrvexIndexDesc d{};
             row.Text(1, d.name);
             // Field numbers separated by ";"
             std::string list = row.Text(2, ORVEX_MAX_INDEX_FIELDS * 6);
             for (const char* p = list.c_str(); *p;) {
               char* end;
               long no = std::strtol(p, &end, 10);
               if (end == p || d.fieldCount >= ORVEX_MAX_INDEX_FIELDS || no < 1 || no > 0xFFFF) row.Corrupt();
               if (*end && (*end != ';' || !end[1])) row.Corrupt();
               d.fields[d.fieldCount++] = static_cast<std::uint16_t>(no);
               p = *end ? end + 1 : end;
             }
             d.primary = row.Word(3, 1);
             d.unique = row.Word(4, 1);
             d.descending = row.Word(5, 1);
             d.caseInsensitive = row.Word(6, 1);
             xd.push_back(d);
           });
  indexes_ = BuildIndexes(fields_, static_cast<std::uint16_t>(xd.size()), xd.data());

  std::vector<OrvexVchkDesc> cd;
  {
    sqlite3_stmt* st = Prepare(
        "SELECT field_no, required, min_value, max_value, default_value, picture FROM orvex_checks ORDER BY field_no");
    StmtUse use(st);
    std::vector<std::uint8_t> rec(recordSize_);
    while (Step(st)) {
      MetaRow row(st, path_);
      OrvexVchkDesc d{};
      d.fieldNo = static_cast<std::uint16_t>(row.Int(0, 1, static_cast<std::int64_t>(fields_.size())));
      const Field& f = fields_[d.fieldNo - 1u];
      d.required = row.Word(1, 1);
      std::uint16_t* has[] = {&d.hasMin, &d.hasMax, &d.hasDefault};
      std::uint8_t* value[] = {d.minValue, d.maxValue, d.defaultValue};
      for (int k = 0; k < 3; ++k) {
        if (sqlite3_column_type(st, 2 + k) == SQLITE_NULL) continue;
        if (f.IsBlob()) row.Corrupt();
        ColumnToRecord(st, 2 + k, f, rec.data(), path_);
        if (f.IsString() && !std::memchr(rec.data() + f.offset, 0, 256)) row.Corrupt();
        std::memcpy(value[k], rec.data() + f.offset, std::min<std::uint32_t>(f.length, 256));
        *has[k] = 1;
      }
      row.Text(5, d.picture);
      cd.push_back(d);
    }
  }
  checks_ = BuildChecks(fields_, recordSize_, static_cast<std::uint16_t>(cd.size()), cd.data());
}

void TableFile::Create(const TablePath& table, const OrvexTableDesc& desc, std::uint16_t fieldCount,
                       const OrvexFieldDesc* fieldDescs, std::uint16_t indexCount, const OrvexIndexDesc* indexDescs,
                       std::uint16_t vchkCount, const OrvexVchkDesc* vchkDescs, bool overwrite) {
  std::vector<Field> fields = BuildFields(fieldCount, fieldDescs);
  std::uint32_t recordSize = LayOut(fields);
  std::vector<IndexDef> indexes = BuildIndexes(fields, indexCount, indexDescs);
  std::vector<CheckDef> checks = BuildChecks(fields, recordSize, vchkCount, vchkDescs);
  int autoInc = -1;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].type == ORVEX_FT_AUTOINC) autoInc = static_cast<int>(i);

  std::string dir = DirectoryOf(table.path);
  if (!IsDirectory(dir)) Fail(ORVEX_ERR_DIRNOTFOUND, dir);
  std::optional<TableLock> old;
  if (Exists(table.path)) {
    if (!overwrite) Fail(ORVEX_ERR_FILEEXISTS, table.path);
    old.emplace(table.path, TableLock::Sole);
  }

  // Built aside and renamed into place, so the table appears whole or not at all.
  std::string temp = table.path + ".creating";
  ::unlink(temp.c_str());
  RemoveSidecars(temp);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  struct Closer {
    sqlite3*& db;
    std::string temp;
    bool keep = false;
    ~Closer() {
      sqlite3_close_v2(db);
      if (!keep) {
        ::unlink(temp.c_str());
        RemoveSidecars(temp);
      }
    }
  } closer{db, temp};
  if (rc != SQLITE_OK) FailSql(db, rc, table.path, table.path);
  Configure(db);
  auto exec = [&](const std::string& sql) { ExecRaw(db, sql, table.path); };
  auto insert = [&](const std::string& sql, const std::vector<SqlValue>& values) {
    sqlite3_stmt* st = nullptr;
    int r = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (r != SQLITE_OK) FailSql(db, r, table.path, table.path);
    for (std::size_t i = 0; i < values.size(); ++i) Bind(st, static_cast<int>(i + 1), values[i]);
    r = sqlite3_step(st);
    sqlite3_finalize(st);
    if (r != SQLITE_DONE) FailSql(db, r, table.path, table.path);
  };

  NewTableSettings settings = SettingsForNewTable(DriverName(table.format));
  UseCaseRule(db, settings.langDriver->rule);
  exec("PRAGMA page_size=" + std::to_string(settings.pageSize));
  exec("PRAGMA application_id=" + std::to_string(kApplicationId));
  exec("PRAGMA user_version=" + std::to_string(kFormatVersion));
  exec("BEGIN");
  exec("CREATE TABLE orvex_table(key TEXT PRIMARY KEY, value)");
  exec("CREATE TABLE orvex_fields(field_no INTEGER PRIMARY KEY, name TEXT NOT NULL, type INTEGER NOT NULL, "
       "size INTEGER NOT NULL, decimals INTEGER NOT NULL, required INTEGER NOT NULL)");
  exec("CREATE TABLE orvex_indexes(index_no INTEGER PRIMARY KEY, name TEXT NOT NULL, fields TEXT NOT NULL, "
       "is_primary INTEGER NOT NULL, is_unique INTEGER NOT NULL, descending INTEGER NOT NULL, "
       "case_insensitive INTEGER NOT NULL)");
  exec("CREATE TABLE orvex_checks(field_no INTEGER PRIMARY KEY, required INTEGER NOT NULL, min_value, max_value, "
       "default_value, picture TEXT NOT NULL)");
  insert("INSERT INTO orvex_table VALUES('format', ?)", {SqlValue::OfText(DriverName(table.format))});
  insert("INSERT INTO orvex_table VALUES('protected', ?)", {SqlValue::OfInt(desc.protectedFlag)});
  insert("INSERT INTO orvex_table VALUES('langdriver', ?)", {SqlValue::OfText(settings.langDriver->name)});
  std::string columns;
  for (const Field& f : fields) {
    insert("INSERT INTO orvex_fields VALUES(?, ?, ?, ?, ?, ?)",
           {SqlValue::OfInt(f.no), SqlValue::OfText(f.name), SqlValue::OfInt(f.type), SqlValue::OfInt(f.size),
            SqlValue::OfInt(f.decimals), SqlValue::OfInt(f.required)});
    columns += (columns.empty() ? "" : ", ") + Quote(f.name) + " " + ColumnType(f.type);
    if (f.type == ORVEX_FT_AUTOINC) columns += " PRIMARY KEY AUTOINCREMENT";
  }
  for (const IndexDef& x : indexes)
    insert("INSERT INTO orvex_indexes VALUES(?, ?, ?, ?, ?, ?, ?)",
           {SqlValue::OfInt(x.no), SqlValue::OfText(x.name), SqlValue::OfText(IndexFieldsText(x)),
            SqlValue::OfInt(x.primary), SqlValue::OfInt(x.unique), SqlValue::OfInt(x.descending),
            SqlValue::OfInt(x.caseInsensitive)});
  for (const CheckDef& c : checks) {
    const Field& f = fields[c.field];
    std::vector<std::uint8_t> rec(recordSize, 0);
    SqlValue def;
    if (c.desc.hasDefault) {
      std::memcpy(rec.data() + f.offset, c.desc.defaultValue, std::min<std::uint32_t>(f.length, 256));
      def = RecordToSql(f, rec.data());
    }
    insert("INSERT INTO orvex_checks VALUES(?, ?, ?, ?, ?, ?)",
           {SqlValue::OfInt(c.desc.fieldNo), SqlValue::OfInt(c.desc.required), c.min, c.max, def,
            SqlValue::OfText(c.desc.picture)});
  }
  std::vector<std::string> folds = FoldColumns(fields, indexes);
  for (const std::string& fold : folds)
    if (!fold.empty()) columns += ", " + fold + " TEXT";
  exec("CREATE TABLE records(" + columns + ")");
  exec("CREATE TABLE orvex_dirty(row INTEGER PRIMARY KEY)");
  for (const IndexDef& x : indexes) {
    std::string sql = IndexSql(x, fields, folds, autoInc);
    if (!sql.empty()) exec(sql);
  }
  for (const std::string& sql : MarkerSql(fields, folds, RowIdName(fields, autoInc))) exec(sql);
  exec("COMMIT");
  exec("PRAGMA journal_mode=WAL");
  sqlite3_close_v2(db);
  db = nullptr;

  RemoveSidecars(table.path);
  if (::rename(temp.c_str(), table.path.c_str()) != 0) Fail(ORVEX_ERR_ACCESS, table.path);
  closer.keep = true;
  SyncDirectory(dir);
}

void TableFile::Delete(const TablePath& table) {
  if (!Exists(table.path)) Fail(ORVEX_ERR_NOSUCHTABLE, table.path);
  TableLock lock(table.path, TableLock::Sole);
  if (::unlink(table.path.c_str()) != 0) Fail(ORVEX_ERR_ACCESS, table.path);
  RemoveSidecars(table.path);
  SyncDirectory(DirectoryOf(table.path));
}

unsigned TableFile::DataVersion() const {
  unsigned v = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &v);
  return v;
}

void TableFile::Changed() {
  ++generation_;
  dataVersion_ = DataVersion();
}

// The pager's data version moves when a read of this connection finds the
// file changed by someone else (and at our own commits, which Changed has
// taken in already), at no cost of its own.
void TableFile::Refresh() {
  unsigned v = DataVersion();
  if (v != dataVersion_) {
    dataVersion_ = v;
    ++generation_;
  }
}

void TableFile::Poll() {
  sqlite3_stmt* st = Prepare("PRAGMA data_version");
  StmtUse use(st);
  if (Step(st)) {
    std::int64_t v = sqlite3_column_int64(st, 0);
    if (v != fileVersion_) {
      fileVersion_ = v;
      ++generation_;
    }
  }
}

TableFile::ReadTransaction::ReadTransaction(TableFile& t) : t_(t) {
  if (t_.readDepth_ == 0) {
    auto begin = [&] {
      if (!t_.begin_) t_.begin_ = t_.Prepare("BEGIN");
      sqlite3_stmt* st = t_.begin_;
      StmtUse use(st);
      t_.Step(st);
    };
    auto end = [&] {
      if (!t_.commit_) t_.commit_ = t_.Prepare("COMMIT");
      sqlite3_stmt* st = t_.commit_;
      StmtUse use(st);
      sqlite3_step(st);
    };
    begin();
    fw::TScopeFail undo(end);
    if (t_.Stale()) {
      end();
      if (t_.writable_) {
        WriteTransaction write(t_);
        write.Commit();
      } else {
        t_.byCollation_ = true;
        t_.SetKeyColumns();
        t_.Changed();
      }
      begin();
    }
  }
  ++t_.readDepth_;
}

TableFile::ReadTransaction::~ReadTransaction() {
  if (--t_.readDepth_ == 0) {
    if (!t_.commit_) t_.commit_ = t_.Prepare("COMMIT");
    sqlite3_stmt* st = t_.commit_;
    StmtUse use(st);
    sqlite3_step(st);
    t_.Refresh();
  }
}

TableFile::WriteTransaction::WriteTransaction(TableFile& t) : t_(t) {
  sqlite3_stmt* st = t_.Prepare("BEGIN IMMEDIATE");  // where a post waits for another writer
  {
    StmtUse use(st);
    t_.Step(st);
  }
  fw::TScopeFail undo([&] { sqlite3_exec(t_.db_, "ROLLBACK", nullptr, nullptr, nullptr); });
  t_.Refold();
}

TableFile::WriteTransaction::~WriteTransaction() {
  if (!done_) sqlite3_exec(t_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TableFile::WriteTransaction::Commit() {
  sqlite3_stmt* st = t_.Prepare("COMMIT");
  {
    StmtUse use(st);
    t_.Step(st);
  }
  done_ = true;
  t_.Changed();
}

sqlite3_stmt* TableFile::Prepare(const std::string& sql) {
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  if (rc != SQLITE_OK) SqlFail(rc);
  statements_.emplace(sql, st);
  return st;
}

sqlite3_stmt* TableFile::PrepareOwn(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  if (rc != SQLITE_OK) SqlFail(rc);
  return st;
}

void TableFile::Exec(const std::string& sql) { ExecRaw(db_, sql, path_); }

void TableFile::SqlFail(int rc) const { FailSql(db_, rc, path_, name_); }

bool TableFile::Step(sqlite3_stmt* st) const {
  for (int waits = 1;; ++waits) {
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // Another writer holds the file: a read, or a write outside a transaction,
    // may go again; whether it does is the engine's, or the user's, to say.
    bool writing = !sqlite3_stmt_readonly(st);
    if ((rc & 0xFF) != SQLITE_BUSY || (writing && !sqlite3_get_autocommit(db_))) SqlFail(rc);
    sqlite3_reset(st);
    if (!RetryBusy(path_, waits, writing)) SqlFail(rc);
  }
}

void TableFile::SetProtectedFlag(std::uint16_t flag) {
  if (flag == protected_) return;
  sqlite3_stmt* st = Prepare("UPDATE orvex_table SET value = ? WHERE key = 'protected'");
  StmtUse use(st);
  sqlite3_bind_int(st, 1, flag);
  Step(st);
  protected_ = flag;
}

void TableFile::Pack(bool rebuildIndexes) {
  if (rebuildIndexes) Exec("REINDEX records");
  Exec("VACUUM");
  Exec("PRAGMA wal_checkpoint(TRUNCATE)");
  Changed();
}

void TableFile::Empty() {
  Exec("DELETE FROM records");
  if (folding_ && !byCollation_) Exec("DELETE FROM orvex_dirty");
  Changed();
}

}  // namespace orvex
