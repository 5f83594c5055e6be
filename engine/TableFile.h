// A desktop table's file: one SQLite database holding the records (table
// "records", a column a field, named as the field), the field descriptors,
// the indexes and the validity checks. One TableFile a file a process,
// shared by that process's cursors, with one connection and one statement
// cache; its change counter tells the cursors when what they read ahead is
// stale.
//
// Case-insensitive keys are kept so that the file needs nothing but SQLite:
// each string field that a case-insensitive index holds has a column of its
// folded key beside it (FoldKey: plain bytes in the engine's case-insensitive
// order), and the index holds that column. The engine writes the folded keys
// with the records, its connection firing no triggers; for every other
// writer two triggers note the rows it inserted or changed in the table
// "orvex_dirty", and the engine folds those rows' keys again before it next
// reads or writes. A case-insensitive unique index is therefore kept unique
// by the engine's posts, not by SQLite. Files of the first format (indexes
// in a collation of the engine's own) are brought to this one when opened
// writable, and read through that collation when not.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <sqlite3.h>

#include "OrvexApi.h"
#include "Values.h"

namespace orvex {

enum class Format { Kalmure, Zentor };

const char* DriverName(Format f);
const char* Extension(Format f);
// "KALMURE" or "ZENTOR" in any case; fails with ORVEX_ERR_UNKNOWNTYPE.
Format FormatOfDriver(const char* driverType);

// A table name resolved against a database's directory.
struct TablePath {
  std::string path;  // the file
  std::string name;  // its file name, with extension
  Format format;
};
TablePath ResolveTable(const std::string& directory, const char* tableName, const char* driverType);

struct IndexDef {
  std::uint16_t no = 0;
  std::string name;
  std::vector<std::size_t> fields;  // 0-based field positions
  bool primary = false, unique = false, descending = false, caseInsensitive = false;
  std::vector<bool> folds;  // per key field: compared with case folded
};

struct CheckDef {
  OrvexVchkDesc desc{};
  std::size_t field = 0;  // 0-based
  SqlValue min, max;
};

// flock(2) on the table file: shared for each cursor, exclusive for an
// exclusive cursor and for work that needs the table to itself. Being on
// the file's own open description, it is independent of SQLite's fcntl locks.
class TableLock {
public:
  enum Mode { Shared, Exclusive, Sole };  // Sole: exclusive, refused as "in use"
  TableLock(const std::string& path, Mode mode);
  ~TableLock();
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

private:
  int fd_ = -1;
};

class TableFile {
public:
  // The process's TableFile of an existing table file, opened when needed.
  static std::shared_ptr<TableFile> Open(const TablePath& table);
  static void Create(const TablePath& table, const OrvexTableDesc& desc, std::uint16_t fieldCount,
                     const OrvexFieldDesc* fields, std::uint16_t indexCount, const OrvexIndexDesc* indexes,
                     std::uint16_t vchkCount, const OrvexVchkDesc* vchks, bool overwrite);
  // Removes a table file with its journal files; it must not be open.
  static void Delete(const TablePath& table);
  // Tells the process's cursors of a file that another connection of the
  // process committed to it, so that their next read sees it.
  static void NotifyChanged(const std::string& path);

  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;
  ~TableFile();

  const std::string& Path() const { return path_; }
  const std::string& Name() const { return name_; }
  Format TableFormat() const { return format_; }
  bool Writable() const { return writable_; }
  const std::vector<Field>& Fields() const { return fields_; }
  const std::vector<IndexDef>& Indexes() const { return indexes_; }
  const std::vector<CheckDef>& Checks() const { return checks_; }
  std::uint32_t RecordSize() const { return recordSize_; }
  std::uint16_t ProtectedFlag() const { return protected_; }
  // How its case-insensitive indexes fold letters: the language driver it was made with.
  CaseRule Rule() const { return caseRule_; }
  int AutoIncField() const { return autoInc_; }
  // The SQL name of the row id, and the select list of a record: the row id,
  // then each field (for a blob, whether it is blank).
  const std::string& RowId() const { return rowid_; }
  const std::string& SelectList() const { return selectList_; }
  // Quoted column name of field i.
  const std::string& Column(std::size_t i) const { return columns_[i]; }
  // Field i as a case-insensitive index compares it, and a value of it as
  // bound against that.
  const std::string& FoldedColumn(std::size_t i) const { return keyColumns_[i]; }
  SqlValue Folded(const SqlValue& v) const;
  // The quoted column of field i's folded key; empty when it has none.
  const std::string& FoldColumn(std::size_t i) const { return foldColumns_[i]; }
  // Whether the folded keys are read through the engine's collation instead
  // of their columns (a file that cannot be written and lacks them).
  bool FoldsByCollation() const { return byCollation_; }

  // Changes committed since: bumped by each post in this process and, at
  // Refresh, by commits of other processes.
  std::uint64_t Generation() const { return generation_; }
  // After a commit of this process.
  void Changed();
  // Takes in what the connection's last read saw of other processes' commits.
  void Refresh();
  // Asks the file itself whether other processes committed (a read of its own).
  void Poll();
  // Reads inside share one snapshot and one round of file locks.
  class ReadTransaction {
  public:
    explicit ReadTransaction(TableFile& t);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

  private:
    TableFile& t_;
  };
  // A post's checks and writes as one transaction, which starts by folding
  // the keys that other writers left behind; rolled back unless committed.
  class WriteTransaction {
  public:
    explicit WriteTransaction(TableFile& t);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit();

  private:
    TableFile& t_;
    bool done_ = false;
  };

  sqlite3_stmt* Prepare(const std::string& sql);
  // A statement for the caller to finalize, kept out of the cache.
  sqlite3_stmt* PrepareOwn(const std::string& sql);
  void Exec(const std::string& sql);
  // Fails with the engine code for a SQLite result, naming the file.
  [[noreturn]] void SqlFail(int rc) const;
  // Steps a statement once; true with a row, false when done.
  bool Step(sqlite3_stmt* st) const;

  void SetProtectedFlag(std::uint16_t flag);
  // Reclaims free space (and rebuilds the indexes); the caller holds the
  // table to itself.
  void Pack(bool rebuildIndexes);
  void Empty();

private:
  explicit TableFile(const TablePath& table);
  void Load();
  void LoadMetadata();
  void Upgrade();
  void SetKeyColumns();
  // Whether other writers left rows whose keys are to be folded again.
  bool Stale();
  void Refold();
  unsigned DataVersion() const;

  std::string path_, name_;
  Format format_;
  int pid_;  // the process that opened the connection
  dev_t dev_ = 0;  // the file it opened
  ino_t ino_ = 0;
  sqlite3* db_ = nullptr;
  bool writable_ = true;
  std::vector<Field> fields_;
  std::vector<IndexDef> indexes_;
  std::vector<CheckDef> checks_;
  std::vector<std::string> columns_, foldColumns_, keyColumns_;
  bool folding_ = false, byCollation_ = false;
  std::string rowid_, selectList_;
  std::uint32_t recordSize_ = 0;
  std::uint16_t protected_ = 0;
  CaseRule caseRule_ = CaseRule::Letters;
  int autoInc_ = -1;
  std::uint64_t generation_ = 1;
  unsigned dataVersion_ = 0;
  std::int64_t fileVersion_ = 0;
  int readDepth_ = 0;
  sqlite3_stmt* begin_ = nullptr;  // kept in statements_
  sqlite3_stmt* commit_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

// Resets a statement when it goes out of scope, so that none stays active.
class StmtUse {
public:
  explicit StmtUse(sqlite3_stmt* st) : st_(st) {}
  ~StmtUse() { sqlite3_reset(st_); }
  StmtUse(const StmtUse&) = delete;
  StmtUse& operator=(const StmtUse&) = delete;
  sqlite3_stmt* get() const { return st_; }

private:
  sqlite3_stmt* st_;
};

std::string Quote(const std::string& name);

// The directory of a path; the directory's entries made durable; the journal
// files SQLite keeps beside a table file removed.
std::string DirectoryOf(const std::string& path);
void SyncDirectory(const std::string& dir);
void RemoveSidecars(const std::string& path);

}  // namespace orvex
