// Datasets over the engine: engine errors, the cursor dataset TNuboDataSet
// and TDBDataSet, which finds its database by name.
//
// Opening an engine dataset, after the steps of TDataSet::SetActive:
//   TDBDataSet::OpenCursor  holds the database open (SetDBFlag(dbfOpened))
//   TNuboDataSet::OpenCursor  CreateHandle (unless a handle is there), then
//   TDataSet::OpenCursor  InternalOpen: cursor properties and field
//     definitions from the cursor, default fields, BindFields, the cursor to
//     its beginning, PrepareCursor; then the first records are fetched
//     (GetNextRecords).
// Closing runs the other way: InternalClose, DestroyHandle, the database
// hold released.
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "DataSet.h"
#include "OrvexApi.h"

namespace fw {

class TDatabase;
class TSession;

// One error of the engine's report; the native code is a server's own
// number for it, 0 when no server gave one.
class TDBError {
public:
  TDBError(OrvexResult code, std::string message, int nativeError = 0)
      : errorCode_(code), message_(std::move(message)), nativeError_(nativeError) {}
  OrvexResult ErrorCode() const { return errorCode_; }
  int Category() const { return errorCode_ >> 8; }
  int SubCode() const { return errorCode_ & 0xFF; }
  const std::string& Message() const { return message_; }
  int NativeError() const { return nativeError_; }

private:
  OrvexResult errorCode_;
  std::string message_;
  int nativeError_;
};

// An engine call failed: the engine's code and its text, which names the
// file, field or index concerned. A report may stack several errors, the
// first being the one that stopped the call.
class EDBEngineError : public EDatabaseError {
  FW_CLASS(EDBEngineError, EDatabaseError)
public:
  explicit EDBEngineError(OrvexResult code);
  EDBEngineError(OrvexResult code, const std::string& message);
  // The message is the entries' messages, a line each.
  explicit EDBEngineError(std::vector<TDBError> errors);
  int ErrorCount() const { return static_cast<int>(errors_.size()); }
  const TDBError& Errors(int Index) const { return errors_.at(static_cast<std::size_t>(Index)); }
  OrvexResult ErrorCode() const { return errors_.empty() ? 0 : errors_[0].ErrorCode(); }

private:
  std::vector<TDBError> errors_;
};

// Raises EDBEngineError for a non-zero engine result. For
// ORVEX_ERR_CALLBACKABORT it raises instead the exception a filter callback
// kept, if one did.
void Check(OrvexResult Status);
// Check for a read whose other failures the caller handles itself: a read
// that a filter callback stopped still raises.
void CheckCallbackAbort(OrvexResult Status);

// An exception must not unwind through the engine's C entries: a filter
// callback that catches one keeps it here (one slot a thread), answers
// ORVEX_FILTER_ABORT, and Check raises it in the engine's caller.
void KeepCallbackException(std::exception_ptr E);

// The engine keeps text in UTF-8 as the program does: converting is cutting
// to the engine's limit, in whole characters (maxChars 0: no limit).
std::string AnsiToNative(std::string_view Text, std::size_t MaxChars = 0);
std::string NativeToAnsi(std::string_view Text);

class TNuboDataSet : public TDataSet {
  FW_CLASS(TNuboDataSet, TDataSet)
public:
  explicit TNuboDataSet(TComponent* AOwner);
  ~TNuboDataSet() override;

  hOrvexCursor Handle() const { return handle_; }
  virtual hOrvexDb DBHandle() const { return 0; }
  const OrvexCursorProps& CursorProps() const { return props_; }
  // The engine's descriptor of a field of the cursor (fieldNo from 1).
  const OrvexFieldDesc& FieldDesc(int FieldNo) const;
  bool CanModify() const override;
  bool IsSequenced() override;
  int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) override;
  bool BookmarkValid(const TBookmark& Bookmark) override;
  // The cursor was moved, or its view changed, behind the dataset's back
  // (by the dataset's own key searches, or by a caller reading through the
  // engine's entries): the record numbers it goes on from are not known.
  void CursorMoved() { cursorRecNo_ = -1; }
  // Whether the named fields (";"-separated) lead the cursor's current index
  // and that index's case rule is CaseInsensitive; False without an index.
  bool MapsToIndex(const std::string& Fields, bool CaseInsensitive) const;
  // Text from the program to the engine and back (see AnsiToNative).
  std::string Translate(std::string_view Text, bool ToEngine, std::size_t MaxChars = 0) const;

protected:
  // Makes the cursor; 0 when there is none to make (the open then fails).
  virtual hOrvexCursor CreateHandle() { return 0; }
  virtual void DestroyHandle();
  // Runs once the cursor and its fields are ready, before the first fetch.
  virtual void PrepareCursor() {}
  void SetHandle(hOrvexCursor Value) { handle_ = Value; }

  void OpenCursor(bool InfoQuery) override;
  void CloseCursor() override;
  bool IsCursorOpen() const override { return handle_ != 0 && InternalOpenComplete(); }
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  // The engine's record, its bookmark, its record number (0: not known).
  int GetRecordSize() const override {
    return static_cast<int>(props_.recordSize) + ORVEX_BOOKMARK_SIZE + static_cast<int>(sizeof(std::int32_t));
  }
  TGetResult GetRecord(std::uint8_t* Record, TGetMode GetMode, bool DoCheck) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalSetToRecord(const std::uint8_t* Record) override;
  void InternalGotoBookmark(const TBookmark& Bookmark) override;
  TBookmark GetBookmarkData(const std::uint8_t* Record) const override;
  void SetBookmarkData(std::uint8_t* Record, const TBookmark& Bookmark) override;
  void InternalInitRecord(std::uint8_t* Record) override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  bool GetRecordFieldData(TField* Field, const std::uint8_t* Record, void* Buffer) override;
  void SetRecordFieldData(TField* Field, std::uint8_t* Record, const void* Buffer) override;
  bool GetRecordBlobData(TField* Field, const std::uint8_t* Record, std::string& Data) override;
  int GetRecordCountInternal() override;
  int GetRecNoInternal() override;
  void SetRecNoInternal(int Value) override;
  // Reads the cursor's properties and field descriptors again.
  void GetCursorInfo();

private:
  void WritePendingBlobs(std::uint8_t* Record, bool Free);
  int RecNoOf(const std::uint8_t* Record) const;
  void SetRecNoOf(std::uint8_t* Record, int Value) const;

  hOrvexCursor handle_ = 0;
  OrvexCursorProps props_{};
  std::vector<OrvexFieldDesc> fieldDescs_;
  // The number of the record the cursor is on as it moves: 0 before the
  // first, -1 when not known (after a jump, until asked of the engine).
  int cursorRecNo_ = -1;
};

FW_ENUM(TDBFlag, dbfOpened, dbfPrepared, dbfExecSQL, dbfTable, dbfFieldList, dbfIndexList, dbfStoredProc,
        dbfExecProc, dbfProcDesc, dbfDatabase)
using TDBFlags = TFlags<TDBFlag>;

class TDBDataSet : public TNuboDataSet {
  FW_CLASS(TDBDataSet, TNuboDataSet)
public:
  explicit TDBDataSet(TComponent* AOwner);
  ~TDBDataSet() override;

  // A directory, or the DatabaseName of a TDatabase of the session.
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& Value);
  TDatabase* Database() const { return database_; }
  TSession* DBSession() const;
  hOrvexDb DBHandle() const override;
  // Holds the database open while any flag is set: the first flag opens it
  // (through the session), clearing the last releases it.
  void SetDBFlag(TDBFlag Flag, bool Value);
  TDBFlags DBFlags() const { return dbFlags_; }

protected:
  void OpenCursor(bool InfoQuery) override;
  void CloseCursor() override;

private:
  friend class TDatabase;
  std::string databaseName_;
  TDatabase* database_ = nullptr;
  TDBFlags dbFlags_;
};

}  // namespace fw
