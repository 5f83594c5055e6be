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

namespace orvex {

namespace {

constexpr int kApplicationId = 0x4F525658;  // "ORVX": our tables among SQLite files
constexpr int kFormatVersion = 1;
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
  UseCaseRule(db, CaseRule::Letters);
}

[[noreturn]] void FailSql(sqlite3* db, int rc, const std::string& path, const std::string& name) {
  switch (rc & 0xFF) {
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) Fail(ORVEX_ERR_KEYVIOL, name);
      break;
    case SQLITE_CORRUPT: Fail(ORVEX_ERR_CORRUPT, path);
    case SQLITE_NOTADB: Fail(ORVEX_ERR_NOTATABLE, path);
    case SQLITE_FULL: Fail(ORVEX_ERR_DISKFULL, path);
    case SQLITE_IOERR: Fail(ORVEX_ERR_IO, path);
    case SQLITE_BUSY:
    case SQLITE_LOCKED: Fail(ORVEX_ERR_BUSY, path);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN: Fail(ORVEX_ERR_ACCESS, path);
    case SQLITE_NOMEM: Fail(ORVEX_ERR_NOMEMORY);
  }
  Fail(ORVEX_ERR_INTERNAL, path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
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

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

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

// The SQLite index behind one of ours; none for the auto-increment field
// alone, which is the row id.
std::string IndexSql(const IndexDef& x, const std::vector<Field>& fields, int autoInc) {
  if (x.fields.size() == 1 && static_cast<int>(x.fields[0]) == autoInc) return {};
  std::string sql = std::string("CREATE ") + (x.unique ? "UNIQUE " : "") + "INDEX orvex_index_" +
                    std::to_string(x.no) + " ON records(";
  for (std::size_t k = 0; k < x.fields.size(); ++k) {
    if (k) sql += ", ";
    sql += Quote(fields[x.fields[k]].name);
    if (x.folds[k]) sql += std::string(" COLLATE ") + kFoldCollation;
  }
  return sql + ")";
}

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
  auto& registry = Registry();
  if (auto it = registry.find(key); it != registry.end()) {
    // A connection carried into a forked child is not the child's to use.
    if (auto live = it->second.lock(); live && live->pid_ == ::getpid()) {
      if (live->format_ != table.format) Fail(ORVEX_ERR_NOTATABLE, table.path);
      return live;
    }
  }
  std::shared_ptr<TableFile> t(new TableFile(table));
  t->Load();
  for (auto it = registry.begin(); it != registry.end();) it = it->second.expired() ? registry.erase(it) : ++it;
  registry[key] = t;
  return t;
}

void TableFile::Load() {
  if (!Exists(path_)) Fail(ORVEX_ERR_NOSUCHTABLE, path_);
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
  if (pragmaInt("PRAGMA user_version") != kFormatVersion) Fail(ORVEX_ERR_NOTATABLE, path_);
  Exec("PRAGMA synchronous=FULL");
  try {
    std::string format;
    {
      sqlite3_stmt* st = Prepare("SELECT key, value FROM orvex_table");
      StmtUse use(st);
      while (Step(st)) {
        std::string key = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        if (key == "format") format = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        if (key == "protected") protected_ = static_cast<std::uint16_t>(sqlite3_column_int(st, 1));
        if (key == "langdriver") {
          const LangDriver* ld = FindLangDriver(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
          if (!ld) Fail(ORVEX_ERR_UNKNOWNLD, path_);
          caseRule_ = ld->rule;
        }
      }
    }
    UseCaseRule(db_, caseRule_);
    if (format != DriverName(format_)) Fail(ORVEX_ERR_NOTATABLE, path_);

    std::vector<OrvexFieldDesc> fd;
    {
      sqlite3_stmt* st = Prepare("SELECT field_no, name, type, size, decimals, required FROM orvex_fields ORDER BY field_no");
      StmtUse use(st);
      while (Step(st)) {
        OrvexFieldDesc d{};
        if (sqlite3_column_int(st, 0) != static_cast<int>(fd.size() + 1)) Fail(ORVEX_ERR_CORRUPT, path_);
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        if (!name || std::strlen(name) >= sizeof d.name) Fail(ORVEX_ERR_CORRUPT, path_);
        std::strcpy(d.name, name);
        d.type = static_cast<std::uint16_t>(sqlite3_column_int(st, 2));
        d.size = static_cast<std::uint16_t>(sqlite3_column_int(st, 3));
        d.decimals = static_cast<std::uint16_t>(sqlite3_column_int(st, 4));
        d.required = static_cast<std::uint16_t>(sqlite3_column_int(st, 5));
        fd.push_back(d);
      }
    }
    fields_ = BuildFields(static_cast<std::uint16_t>(fd.size()), fd.data());
    recordSize_ = LayOut(fields_);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      columns_.push_back(Quote(fields_[i].name));
      if (fields_[i].type == ORVEX_FT_AUTOINC) autoInc_ = static_cast<int>(i);
    }

    std::vector<OrvexIndexDesc> xd;
    {
      sqlite3_stmt* st = Prepare(
          "SELECT index_no, name, fields, is_primary, is_unique, descending, case_insensitive FROM orvex_indexes "
          "ORDER BY index_no");
      StmtUse use(st);
      while (Step(st)) {
        OrvexIndexDesc d{};
        if (sqlite3_column_int(st, 0) != static_cast<int>(xd.size() + 1)) Fail(ORVEX_ERR_CORRUPT, path_);
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        const char* list = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
        if (!name || !list || std::strlen(name) >= sizeof d.name) Fail(ORVEX_ERR_CORRUPT, path_);
        std::strcpy(d.name, name);
        for (const char* p = list; *p;) {
          char* end;
          long no = std::strtol(p, &end, 10);
          if (end == p || d.fieldCount >= ORVEX_MAX_INDEX_FIELDS || no < 1 || no > 0xFFFF) Fail(ORVEX_ERR_CORRUPT, path_);
          d.fields[d.fieldCount++] = static_cast<std::uint16_t>(no);
          p = *end == ';' ? end + 1 : end;
          if (*end && *end != ';') Fail(ORVEX_ERR_CORRUPT, path_);
        }
        d.primary = static_cast<std::uint16_t>(sqlite3_column_int(st, 3));
        d.unique = static_cast<std::uint16_t>(sqlite3_column_int(st, 4));
        d.descending = static_cast<std::uint16_t>(sqlite3_column_int(st, 5));
        d.caseInsensitive = static_cast<std::uint16_t>(sqlite3_column_int(st, 6));
        xd.push_back(d);
      }
    }
    indexes_ = BuildIndexes(fields_, static_cast<std::uint16_t>(xd.size()), xd.data());

    std::vector<OrvexVchkDesc> cd;
    {
      sqlite3_stmt* st = Prepare(
          "SELECT field_no, required, min_value, max_value, default_value, picture FROM orvex_checks ORDER BY field_no");
      StmtUse use(st);
      std::vector<std::uint8_t> rec(recordSize_);
      while (Step(st)) {
        OrvexVchkDesc d{};
        int no = sqlite3_column_int(st, 0);
        if (no < 1 || no > static_cast<int>(fields_.size())) Fail(ORVEX_ERR_CORRUPT, path_);
        const Field& f = fields_[static_cast<std::size_t>(no - 1)];
        d.fieldNo = static_cast<std::uint16_t>(no);
        d.required = static_cast<std::uint16_t>(sqlite3_column_int(st, 1));
        std::uint16_t* has[] = {&d.hasMin, &d.hasMax, &d.hasDefault};
        std::uint8_t* value[] = {d.minValue, d.maxValue, d.defaultValue};
        for (int k = 0; k < 3; ++k) {
          if (sqlite3_column_type(st, 2 + k) == SQLITE_NULL) continue;
          if (f.IsBlob()) Fail(ORVEX_ERR_CORRUPT, path_);
          ColumnToRecord(st, 2 + k, f, rec.data(), path_);
          if (f.IsString() && !std::memchr(rec.data() + f.offset, 0, 256)) Fail(ORVEX_ERR_CORRUPT, path_);
          std::memcpy(value[k], rec.data() + f.offset, std::min<std::uint32_t>(f.length, 256));
          *has[k] = 1;
        }
        const char* picture = reinterpret_cast<const char*>(sqlite3_column_text(st, 5));
        if (!picture || std::strlen(picture) >= sizeof d.picture) Fail(ORVEX_ERR_CORRUPT, path_);
        std::strcpy(d.picture, picture);
        cd.push_back(d);
      }
    }
    checks_ = BuildChecks(fields_, recordSize_, static_cast<std::uint16_t>(cd.size()), cd.data());
  } catch (const Error& e) {
    if (e.Code() == ORVEX_ERR_INTERNAL || e.Code() == ORVEX_ERR_INVALIDDESC) Fail(ORVEX_ERR_CORRUPT, path_);
    throw;
  }

  if (autoInc_ >= 0) {
    rowid_ = columns_[static_cast<std::size_t>(autoInc_)];
  } else {
    for (const char* name : {"rowid", "_rowid_", "oid"}) {
      bool taken = false;
      for (const Field& f : fields_) taken = taken || FoldedCompare(f.name, name) == 0;
      if (!taken) {
        rowid_ = name;
        break;
      }
    }
    if (rowid_.empty()) Fail(ORVEX_ERR_CORRUPT, path_);
  }
  selectList_ = rowid_;
  for (std::size_t i = 0; i < fields_.size(); ++i)
    selectList_ += ", " + (fields_[i].IsBlob() ? "(" + columns_[i] + " IS NULL)" : columns_[i]);
  try {
    Prepare("SELECT " + selectList_ + " FROM records");
  } catch (const Error&) {
    Fail(ORVEX_ERR_CORRUPT, path_);
  }
  Poll();
  dataVersion_ = DataVersion();
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
  exec("CREATE TABLE records(" + columns + ")");
  for (const IndexDef& x : indexes) {
    std::string sql = IndexSql(x, fields, autoInc);
    if (!sql.empty()) exec(sql);
  }
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
  if (t_.readDepth_++ == 0) {
    if (!t_.begin_) t_.begin_ = t_.Prepare("BEGIN");
    sqlite3_stmt* st = t_.begin_;
    StmtUse use(st);
    t_.Step(st);
  }
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
  Changed();
}

}  // namespace orvex
