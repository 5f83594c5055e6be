// The SQL of a database: one SQLite connection of its own (an empty
// in-memory main database), to which the database's table files are
// attached as statements name them. Each attached table gets a view named
// after it, which shows its fields and nothing else, and triggers that keep
// the rules a post keeps. An authorizer lets statements reach the records
// of those tables and nothing else.
#pragma once
#include <sys/types.h>
#include <time.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "OrvexApi.h"
#include "TableFile.h"

namespace orvex {

class AnswerCursor;

// Every letter folded as the core folds it: names that FoldedCompare calls
// equal have the same key.
std::string NameKey(std::string_view s);

// The directory answers and other temporary tables go to.
void SetPrivateDirectory(const std::string& dir);
std::string PrivateDirectory();

class SqlSession {
public:
  struct Table {
    int id = 0;
    std::string schema;  // the attached database's name
    std::string view;    // the name statements use
    TablePath path;
    std::shared_ptr<TableFile> file;  // its fields, indexes and checks
    dev_t dev = 0;
    ino_t ino = 0;
    std::uint64_t lastUse = 0;
  };
  using TableRef = std::shared_ptr<Table>;

  // defaultDriver: the driver of a table named without an extension ("": KALMURE).
  SqlSession(std::string directory, std::string defaultDriver);
  ~SqlSession();
  SqlSession(const SqlSession&) = delete;
  SqlSession& operator=(const SqlSession&) = delete;

  sqlite3* Db() const { return db_; }
  const std::string& Directory() const { return directory_; }

  // The table files of the directory by the names statements may use: the
  // file name, and the name without extension (of the default driver's
  // table when two share it); keys folded (FoldKey).
  struct Names {
    std::map<std::string, std::string> files;  // folded name -> file name
  };
  const Names& TableNames();

  // The attached table of a file of the directory, attached when need be.
  // A table replaced on disk since it was attached is attached again when
  // nothing holds it, else refused as in use. The name is a copy: one
  // taken from TableNames would go when attaching reads the directory again.
  TableRef Use(std::string fileName);
  // The table of an attached database's name, or nullptr.
  Table* BySchema(const std::string& schema) const;
  // True when the file is still the one attached.
  static bool Unchanged(const Table& t);

  // Prepares a statement of the user's; failures answer the engine's code.
  sqlite3_stmt* Prepare(const std::string& sql);
  // Steps a statement. When another writer holds a file, a statement that
  // has given nothing yet starts again for as long as the engine's busy
  // question says so (outside a transaction, for a write); file names the
  // table it asks about.
  int Step(sqlite3_stmt* st, const std::string& file, bool started);
  // Fails with the engine's code for the connection's last error.
  [[noreturn]] void Fail(int rc) const;

  // Transactions: statements between Begin and End share one.
  void Begin(std::uint16_t isolation);
  void End(bool commit);
  bool InTransaction() const;
  std::uint16_t Isolation() const { return isolation_; }

  // Answers still reading from the connection. They are read to the end
  // before the connection writes or ends a transaction, so that no read
  // holds an old view of a file the connection is about to write.
  void AddReader(AnswerCursor* a) { readers_.insert(a); }
  void RemoveReader(AnswerCursor* a) { readers_.erase(a); }
  void FinishReaders();

  // Before a write outside a transaction: the folded keys that other
  // programs left stale are made right, as the table's own connection makes
  // them before it writes, so that uniqueness is judged on them.
  void Refold(const Table& t);

  // After a statement wrote a table: the process's cursors are told at once
  // outside a transaction, at the commit inside one.
  void Wrote(const Table& t);

private:
  // Runs SQL of the engine's own, which the authorizer lets pass.
  void Internal(const std::string& sql);
  void Attach(Table& t);
  std::string UniqueChecks(const Table& t, bool update) const;
  void Detach(Table& t);
  const Table* ById(int id) const;
  void MakeRoom();
  static int Authorize(void* self, int action, const char* a, const char* b, const char* db, const char* inner);
  OrvexResult CheckRow(int argc, sqlite3_value** argv, std::string& detail) const;
  static void Check(sqlite3_context* ctx, int argc, sqlite3_value** argv);
  static void Fold(sqlite3_context* ctx, int argc, sqlite3_value** argv);

  std::string directory_;
  std::string defaultDriver_;
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> conn_{nullptr, sqlite3_close_v2};
  sqlite3* db_ = nullptr;
  bool internal_ = false;
  std::string refusal_;
  int nextId_ = 1;
  std::uint64_t clock_ = 0;
  std::map<std::string, TableRef> tables_;  // by file name
  std::set<AnswerCursor*> readers_;
  std::set<std::string> pendingWrites_;  // paths written in the transaction
  Names names_;  // the directory's, as it was at namesTime_
  bool namesValid_ = false;
  ino_t namesIno_ = 0;
  timespec namesTime_{};
  std::uint16_t isolation_ = 0;
};

}  // namespace orvex
