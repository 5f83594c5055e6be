// Databases and cursors. A table cursor reads the records of its table in
// the order of its current index (the row id breaks ties, so the order is
// total) a batch at a time, and keeps its place as a key rather than a row
// number, so that changes by other cursors never lose it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Filter.h"
#include "Handles.h"
#include "TableFile.h"

namespace orvex {

class SqlSession;

class Database : public Object {
public:
  explicit Database(std::string directory, std::string defaultDriver = {})
      : Object(Kind::Database), directory_(std::move(directory)), defaultDriver_(std::move(defaultDriver)) {}
  const std::string& Directory() const { return directory_; }
  // The driver of a table named without an extension; empty: KALMURE.
  const std::string& DefaultDriver() const { return defaultDriver_; }
  // Its statements' connection, made at the first statement.
  std::shared_ptr<SqlSession>& Sql() { return sql_; }

private:
  std::string directory_;
  std::string defaultDriver_;
  std::shared_ptr<SqlSession> sql_;
};

class TableCursor;
class RecordCursor;

class Cursor : public Object {
public:
  Cursor() : Object(Kind::Cursor) {}
  virtual void SetToBegin() = 0;
  virtual void SetToEnd() = 0;
  // rec may be NULL: the cursor moves without reading.
  virtual void Next(std::uint8_t* rec) = 0;
  virtual void Prior(std::uint8_t* rec) = 0;
  virtual void Current(std::uint8_t* rec) = 0;
  virtual void Relative(std::int32_t offset, std::uint8_t* rec);
  virtual std::uint32_t Count() = 0;
  virtual void Props(OrvexCursorProps& props) = 0;
  virtual TableCursor* AsTable() { return nullptr; }
  virtual RecordCursor* AsRecords() { return nullptr; }
};

// A cursor over fixed records the engine made (table list, validity checks).
class ListCursor : public Cursor {
public:
  ListCursor(std::uint32_t recordSize, std::vector<std::string> records)
      : recordSize_(recordSize), records_(std::move(records)) {}
  void SetToBegin() override { pos_ = -1; }
  void SetToEnd() override { pos_ = static_cast<long>(records_.size()); }
  void Next(std::uint8_t* rec) override;
  void Prior(std::uint8_t* rec) override;
  void Current(std::uint8_t* rec) override;
  std::uint32_t Count() override { return static_cast<std::uint32_t>(records_.size()); }
  void Props(OrvexCursorProps& props) override;

private:
  std::uint32_t recordSize_;
  std::vector<std::string> records_;
  long pos_ = -1;
};

class Blob : public Object {
public:
  Blob(OrvexHandle owner, std::uint16_t field) : Object(Kind::Blob), cursor(owner), fieldNo(field) {}
  OrvexHandle cursor;
  std::uint16_t fieldNo;
  std::int64_t rowid = 0;
  bool writable = false;
  bool modified = false;
  std::string data;
};

// A cursor of records with fields: a table's or an answer's.
class RecordCursor : public Cursor {
public:
  ~RecordCursor() override;
  RecordCursor* AsRecords() override { return this; }

  virtual const std::vector<Field>& Fields() const = 0;
  const Field& FieldAt(std::uint16_t fieldNo) const;  // checks the number

  virtual void InitRecord(std::uint8_t* rec) const = 0;
  virtual void Insert(std::uint8_t* rec) = 0;
  virtual void Modify(std::uint8_t* rec) = 0;
  virtual void Delete() = 0;
  virtual void ForceReread() = 0;

  virtual void GetBookmark(std::uint8_t* bookmark) = 0;
  virtual void SetToBookmark(const std::uint8_t* bookmark) = 0;
  virtual int CompareBookmarks(const std::uint8_t* a, const std::uint8_t* b) = 0;
  // The current record's number in the cursor's view, from 1.
  virtual std::uint32_t SeqNo() = 0;

  // Record filters (section 7 of the interface); a cursor must not be moved
  // or changed while one of its callbacks runs.
  virtual OrvexHandle AddFilter(std::uintptr_t clientData, std::uint16_t priority, const std::uint8_t* expression,
                                OrvexFilterCallback callback) = 0;
  virtual void DropFilter(OrvexHandle filter) = 0;
  virtual void SetFilterActive(OrvexHandle filter, bool active) = 0;
  virtual bool InCallback() const = 0;

  // Blobs open on record buffers: the buffer's field value holds the blob's
  // handle; the cursor frees those still open when it goes.
  virtual void OpenBlob(std::uint8_t* rec, std::uint16_t fieldNo, bool writable);
  virtual Blob& FindBlob(const std::uint8_t* rec, std::uint16_t fieldNo);
  virtual void FreeBlob(std::uint8_t* rec, std::uint16_t fieldNo);

protected:
  // The content of a blob field of the stored record rowid.
  virtual std::string LoadBlob(std::int64_t rowid, const Field& f) = 0;
  virtual bool BlobsWritable() const = 0;
  // The blob of the buffer's field when it is one this cursor opened and
  // changed, else nullptr.
  Blob* ChangedBlob(const std::uint8_t* rec, const Field& f) const;

private:
  std::vector<OrvexHandle> blobs_;
};

class TableCursor : public RecordCursor {
public:
  TableCursor(std::shared_ptr<TableFile> table, bool readOnly, bool exclusive);
  TableCursor* AsTable() override { return this; }

  TableFile& Table() { return *t_; }
  bool Exclusive() const { return exclusive_; }
  bool ReadOnly() const { return readOnly_; }
  void SetLock(std::unique_ptr<TableLock> lock) { lock_ = std::move(lock); }
  const std::vector<Field>& Fields() const override { return t_->Fields(); }

  void SetToBegin() override;
  void SetToEnd() override;
  void Next(std::uint8_t* rec) override;
  void Prior(std::uint8_t* rec) override;
  void Current(std::uint8_t* rec) override;
  void Relative(std::int32_t offset, std::uint8_t* rec) override;
  std::uint32_t Count() override;
  void Props(OrvexCursorProps& props) override;

  // Filters (Filter.cpp). While one of its callbacks runs, the cursor must
  // not be moved or changed.
  OrvexHandle AddFilter(std::uintptr_t clientData, std::uint16_t priority, const std::uint8_t* expression,
                        OrvexFilterCallback callback) override;
  void DropFilter(OrvexHandle filter) override;
  void SetFilterActive(OrvexHandle filter, bool active) override;
  bool InCallback() const override { return inCallback_ > 0; }

  void InitRecord(std::uint8_t* rec) const override;
  void Insert(std::uint8_t* rec) override;
  void Modify(std::uint8_t* rec) override;
  void Delete() override;
  void Empty();
  void Pack(bool rebuildIndexes);
  void ForceReread() override;

  void GetBookmark(std::uint8_t* bookmark) override;
  void SetToBookmark(const std::uint8_t* bookmark) override;
  int CompareBookmarks(const std::uint8_t* a, const std::uint8_t* b) override;

  // nullptr: the natural order.
  void SwitchToIndex(const IndexDef* index, bool stayOnCurrent);
  const IndexDef* FindIndex(const char* name) const;  // "" or NULL: primary, else natural order
  const IndexDef* FindIndexForFields(const std::vector<std::uint16_t>& fieldNos) const;
  void SetToKey(bool exact, std::uint16_t fieldCount, std::uint16_t partialLength, const std::uint8_t* key);
  void SetRange(std::uint16_t startFields, std::uint16_t startPartial, bool startInclusive,
                const std::uint8_t* start, std::uint16_t endFields, std::uint16_t endPartial, bool endInclusive,
                const std::uint8_t* end);
  void ResetRange();
  std::uint32_t SeqNo() override;

protected:
  std::string LoadBlob(std::int64_t rowid, const Field& f) override;
  bool BlobsWritable() const override { return !readOnly_; }

private:
  // A place in the cursor's order: the leading key values (all of them and
  // the row id for a record), and whether the record or records equal to it
  // count when reading from it.
  struct Bound {
    bool set = false;
    std::vector<SqlValue> values;
    bool hasRowid = false;
    std::int64_t rowid = 0;
    bool inclusive = true;
  };
  // Records read ahead, contiguous in the cursor's order.
  struct Batch {
    std::uint64_t generation = 0;
    std::size_t n = 0;
    std::vector<std::uint8_t> data;
    std::vector<std::int64_t> ids;
    bool endAfter = false, endBefore = false;  // no records beyond, as of generation
  };
  enum class Pos { Bof, Eof, On, Crack };
  enum class Tail { None, Cmp, NotNull, IsNull, RowCmp };
  enum class Verdict { Reject, Accept, Abort };
  // Where a read began, to return to when a callback stops it.
  struct Place {
    Pos pos = Pos::Bof;
    bool crackDeleted = false;
    Bound anchor;
    std::int64_t id = 0;
    std::uint64_t generation = 0;
  };

  std::size_t KeyCount() const { return index_ ? index_->fields.size() : 0; }
  bool Folds(std::size_t k) const { return index_ && index_->folds[k]; }
  bool Descending() const { return index_ && index_->descending; }
  bool BatchValid() const { return batch_.n > 0 && batch_.generation == t_->Generation(); }
  std::uint8_t* Row(Batch& b, std::size_t i) { return b.data.data() + i * t_->RecordSize(); }
  void Deliver(std::size_t i, std::uint8_t* rec);
  std::vector<SqlValue> KeyOf(const std::uint8_t* rec, std::size_t m) const;
  Bound RowBound(std::size_t i) { return RowBound(batch_, i); }
  Bound RowBound(Batch& b, std::size_t i);
  int CompareKey(const std::vector<SqlValue>& a, const std::vector<SqlValue>& b) const;
  Bound Clamp(bool forward, const Bound& from) const;
  bool InRange(const std::uint8_t* row) const;
  bool BeyondRange(bool forward, const std::uint8_t* row) const;

  template <typename Run>
  void Plan(bool forward, const Bound& b, Run&& run) const;
  std::string QuerySql(bool count, bool asc, std::size_t eq, Tail tail, const char* op) const;
  int BindPlanStep(sqlite3_stmt* st, const Bound& from, std::size_t eq, Tail tail, const SqlValue* v,
                   std::vector<SqlValue>& bound) const;
  // The statement of a query, prepared once (the table keeps it).
  sqlite3_stmt* Query(bool count, bool asc, std::size_t eq, Tail tail, const char* op);
  // Reads up to limit records from a place onwards (backwards: the records
  // before it, delivered in order); false when the records ran out.
  void Fetch(bool forward, const Bound& from, std::size_t limit, Batch& out);
  // Records after a place (forward) or before it, in the cursor's order.
  std::uint64_t CountFrom(bool forward, const Bound& from);
  void Refill(bool forward, const Bound& from);
  bool ReadRow(std::int64_t rowid, Batch& out);
  void AppendRow(sqlite3_stmt* st, Batch& out);
  void OnSingleRow(const std::uint8_t* image, std::int64_t rowid);
  void WriteRecord(std::uint8_t* rec, bool insert);
  void CheckFoldedUnique(const std::vector<SqlValue>& values, const Bound* old);
  Bound KeyBound(std::uint16_t fieldCount, std::uint16_t partialLength, const std::uint8_t* key, bool startSide,
                 bool inclusive, std::vector<SqlValue>* plain) const;
  std::int64_t BookmarkRow(const std::uint8_t* bookmark) const;
  // Without callbacks: next and prior as the fetched records give them.
  void NextRaw(std::uint8_t* rec);
  void PriorRaw(std::uint8_t* rec);

  // Filters (Filter.cpp)
  std::vector<std::unique_ptr<Filter>>::iterator FindFilter(OrvexHandle h);
  void FiltersChanged();
  int BindFilter(sqlite3_stmt* st, int p) const;
  bool PassesResidual(const std::uint8_t* row) const;
  Verdict CallBack(const std::uint8_t* row);
  // Fails with ORVEX_ERR_NOCURRREC, the cursor between the record's
  // neighbours, when the record at i of b does not pass.
  void RequirePasses(Batch& b, std::size_t i);
  void Read(bool forward, std::uint32_t steps, std::uint8_t* rec);
  Place SavePlace();
  void RestorePlace(const Place& p);
  std::size_t FirstAccepted(const std::function<bool(const std::uint8_t*)>& matches);
  std::uint32_t CountPassing();

  std::shared_ptr<TableFile> t_;
  std::unique_ptr<TableLock> lock_;
  bool readOnly_, exclusive_;
  const IndexDef* index_ = nullptr;
  Bound rangeStart_, rangeEnd_;
  Pos pos_ = Pos::Bof;
  Bound anchor_;     // of a crack: where reading goes on from
  std::size_t cur_ = 0;  // On: the record in the batch; Crack: the next one
  bool crackDeleted_ = false;  // the crack is where another cursor deleted our record
  Batch batch_, spare_;
  std::size_t nextLimit_;
  std::unordered_map<std::uint32_t, sqlite3_stmt*> queries_;
  bool countValid_ = false;
  std::uint64_t countGeneration_ = 0;
  std::uint32_t count_ = 0;

  std::vector<std::unique_ptr<Filter>> filters_;
  bool expressions_ = false;  // any active expression filter
  std::string filterSql_;     // the active expressions SQLite tests
  std::vector<SqlValue> filterParams_;
  std::vector<const FilterExpr*> residual_;  // and those tested on the records
  std::vector<const Filter*> callbacks_;
  std::vector<std::uint16_t> blobFields_;
  std::vector<std::uint8_t> scratch_, placeImage_;
  int inCallback_ = 0;
  std::string abortDetail_;
  OwnStatements filterQueries_;  // after the filters: their values are bound in them
};

}  // namespace orvex
