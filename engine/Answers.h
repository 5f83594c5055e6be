// The answers of statements. An answer reads its statement as its caller
// reads the answer, keeping what it read so that it can go back; past a
// size, or when it is kept as a table, the whole answer moves to a table
// file and the answer reads that through a table cursor of its own. A live
// answer posts its edits to the one table it shows, as that table's cursors
// post.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Cursor.h"
#include "SqlSession.h"

namespace orvex {

class AnswerCursor : public RecordCursor {
public:
  // What an answer holds of its database while it lives: its tables stay
  // attached and cannot be opened exclusively.
  struct Holds {
    std::vector<SqlSession::TableRef> tables;
    std::vector<std::unique_ptr<TableLock>> locks;
  };
  // The table a live answer posts to; answer field i is the table's field map[i].
  struct Live {
    SqlSession::TableRef table;
    std::vector<std::size_t> map;
    bool where = false;
  };

  // The answer of an executed statement, which it owns from here on.
  // origins[i] is the table field that column i shows, or nullptr. Streamed
  // (stream true, every origin set), the statement is read as the answer
  // is; else it is read whole here and each column typed by its values. The
  // statement of a live answer has the table's row id as its last column.
  AnswerCursor(std::shared_ptr<SqlSession> session, sqlite3_stmt* st, const std::vector<const Field*>& origins,
               bool stream, std::optional<Live> live, Holds holds);
  ~AnswerCursor() override;
  AnswerCursor(const AnswerCursor&) = delete;
  AnswerCursor& operator=(const AnswerCursor&) = delete;

  void SetToBegin() override;
  void SetToEnd() override;
  void Next(std::uint8_t* rec) override;
  void Prior(std::uint8_t* rec) override;
  void Current(std::uint8_t* rec) override;
  void Relative(std::int32_t offset, std::uint8_t* rec) override;
  std::uint32_t Count() override;
  void Props(OrvexCursorProps& props) override;

  const std::vector<Field>& Fields() const override { return fields_; }
  void InitRecord(std::uint8_t* rec) const override;
  void Insert(std::uint8_t* rec) override;
  void Modify(std::uint8_t* rec) override;
  void Delete() override;
  void ForceReread() override;
  void GetBookmark(std::uint8_t* bookmark) override;
  void SetToBookmark(const std::uint8_t* bookmark) override;
  int CompareBookmarks(const std::uint8_t* a, const std::uint8_t* b) override;
  std::uint32_t SeqNo() override;
  void OpenBlob(std::uint8_t* rec, std::uint16_t fieldNo, bool writable) override;
  Blob& FindBlob(const std::uint8_t* rec, std::uint16_t fieldNo) override;
  void FreeBlob(std::uint8_t* rec, std::uint16_t fieldNo) override;
  // Filters are the table file's: the answer moves there for its first.
  OrvexHandle AddFilter(std::uintptr_t clientData, std::uint16_t priority, const std::uint8_t* expression,
                        OrvexFilterCallback callback) override;
  void DropFilter(OrvexHandle filter) override;
  void SetFilterActive(OrvexHandle filter, bool active) override;
  bool InCallback() const override { return inner_ && inner_->InCallback(); }

  // Reads the statement to its end. A failure is kept for the next read.
  void Drain();
  // Writes the whole answer to the native table at target and reads that
  // from then on, read-only.
  void Keep(const TablePath& target);
  bool Kept() const { return kept_; }
  bool IsLive() const { return live_.has_value(); }
  bool LiveWithWhere() const { return live_ && live_->where; }
  const std::string& Directory() const { return session_->Directory(); }

protected:
  std::string LoadBlob(std::int64_t rowid, const Field& f) override;
  bool BlobsWritable() const override { return live_.has_value(); }

private:
  enum class Pos { Bof, On, Crack, Eof };

  // ---- reading the statement
  bool Fetch();
  void AppendColumns();
  void ReadWhole(const std::vector<const Field*>& origins);
  void Finish();
  [[noreturn]] void StepFailed(int rc);
  void ThrowPending();

  // ---- rows in memory
  std::string Pack(const std::uint8_t* rec, const std::vector<std::string>& blobs) const;
  void Unpack(std::size_t i, std::uint8_t* rec) const;
  std::string PackedBlob(std::size_t i, std::size_t field) const;
  void Deliver(std::size_t i, std::uint8_t* rec);
  bool Gone(std::size_t i) const { return gone_[i] != 0; }
  std::size_t RowCount() const { return gone_.size(); }

  // ---- the table file
  void ToFile();
  void WriteRow(TableFile& f, std::int64_t rowid, const std::uint8_t* rec,
                const std::vector<const std::string*>& blobs, bool insert);
  void OpenInner(std::shared_ptr<TableFile> file, bool readOnly);
  void CloseInner();
  TableCursor& In() const { return *inner_; }

  // ---- live posting
  TableCursor& Target() const;
  std::size_t CurrentRow();
  Blob* PendingBlob(const std::uint8_t* rec, const Field& f) const;
  void PostRow(std::uint8_t* rec, bool insert);

  std::shared_ptr<SqlSession> session_;
  sqlite3_stmt* st_ = nullptr;  // while reading the statement
  std::string busyFile_;        // the table a busy question names
  Holds holds_;
  std::vector<Field> fields_;
  std::uint32_t recordSize_ = 0;
  std::optional<Live> live_;

  std::vector<std::string> rows_;      // in memory: packed
  std::vector<std::uint8_t> gone_;     // deleted through a live answer
  std::vector<std::int64_t> source_;   // live: each row's row id in the table
  std::size_t bytes_ = 0;
  std::vector<std::uint8_t> scratch_;  // the last row fetched, as a record
  std::vector<std::string> scratchBlobs_;
  long scratchRow_ = -1;
  bool pending_ = false;  // a failure of a read to the end
  OrvexResult pendingCode_ = ORVEX_OK;
  std::string pendingDetail_;

  Pos pos_ = Pos::Bof;
  std::size_t cur_ = 0;  // On: the row; Crack: where Next goes on

  // the table file, once the answer is in one
  TableCursor* inner_ = nullptr;
  OrvexHandle innerHandle_ = 0;
  std::string reserved_;  // the name reserved for a temporary file
  TablePath store_;
  bool storeTemp_ = false;
  bool kept_ = false;

  OrvexHandle targetHandle_ = 0;  // live: a cursor on the table
};

// Copies the records of source from its position to its end into a new
// table of its fields at target; replace: one of that name is replaced.
void CopyRecords(RecordCursor& source, const TablePath& target, bool replace);

}  // namespace orvex
