// TDataSet: the state machine of a dataset, its window of buffered records
// and its fields, over the cursor operations that a concrete dataset (an
// engine table, a query, an in-memory test set) implements.
//
// The order of the framework's calls, which descendants rely on when they
// override the protected operations:
//
//   Open:   DoBeforeOpen; OpenCursor(false) [CreateHandle ... InternalOpen:
//           field definitions, default fields, binding, PrepareCursor; then
//           the record window is allocated and filled by GetNextRecords];
//           state dsBrowse (links hear deUpdateState); DoAfterOpen.
//           A failure inside OpenCursor closes the cursor again (CloseCursor)
//           and passes on; the dataset stays inactive. An OpenCursor that
//           returns without a cursor (a statement that answered nothing)
//           leaves it inactive too, without DoAfterOpen.
//   Fetch:  every record read into the window has its calculated and look-up
//           fields computed (state dsCalcFields, DoOnCalcFields).
//   Edit:   DoBeforeEdit; InternalEdit; calculated fields; dsEdit;
//           deRecordChange; DoAfterEdit.
//   Insert: DoBeforeInsert; a blank record at the current position; dsInsert;
//           DoOnNewRecord; deDataSetChange; DoAfterInsert. Append does the
//           same after the last record.
//   Post:   UpdateRecord (links write their pending text); deCheckBrowseMode;
//           DoBeforePost; required fields checked; InternalPost (retried or
//           abandoned through OnPostError); dsBrowse; the window re-read
//           around the posted record; DoAfterPost. Anything that raises
//           before InternalPost succeeds leaves the dataset in dsEdit or
//           dsInsert with the edited values.
//   Cancel: deCheckBrowseMode; DoBeforeCancel; InternalCancel; dsBrowse; the
//           window re-read; DoAfterCancel.
//   Close:  DoBeforeClose; a pending edit is discarded; state dsInactive;
//           CloseCursor [InternalClose, then the handle]; DoAfterClose.
//           While the component is being destroyed the Before/After events
//           are not raised.
//
// Destruction: the dataset closes in BeforeDestruction, while the object is
// whole, so that the derived class's CloseCursor and InternalClose run.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Exceptions.h"
#include "FieldDefs.h"
#include "Variant.h"

namespace fw {

class TField;
class TStream;
class TDataSource;
class TDataLink;
class TDataSet;

FW_EXCEPTION(EDatabaseError, Exception)

// Raises EDatabaseError. The name of a named component leads the message,
// as in "GuestTable: Field 'Seat' not found".
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);

FW_ENUM(TDataSetState, dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter)

// What a dataset tells its data sources and links. Info carries a TField*
// (deFieldChange, deRecordChange), the scroll distance (deDataSetScroll) or a
// TField** (deFocusControl), as the framework passes a long integer.
enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
// Where a buffer stands: on a record, before the first, after the last, or
// a new record not yet posted.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

FW_ENUM(TResyncModeItem, rmExact, rmCenter)
using TResyncMode = TFlags<TResyncModeItem>;
FW_ENUM(TLocateOption, loCaseInsensitive, loPartialKey)
using TLocateOptions = TFlags<TLocateOption>;
FW_ENUM(TDataAction, daFail, daAbort, daRetry)
FW_ENUM(TBlobStreamMode, bmRead, bmWrite, bmReadWrite)

// A record position. A value: copies are independent, an empty one is nil.
struct TBookmark {
  std::vector<std::uint8_t> Data;
  bool IsNull() const { return Data.empty(); }
  explicit operator bool() const { return !Data.empty(); }
  bool operator==(const TBookmark&) const = default;
};

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;

class TDataSet : public TComponent {
  FW_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  // ---- opening and closing
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // ---- navigation
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by up to Distance records; returns how far it went.
  int MoveBy(int Distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return Active() && recordCount_ == 0 && state_ != dsInsert; }
  int RecordCount();
  // 1-based position of the current record; -1 when the dataset cannot tell.
  // The window's records are in the cursor's order, one after another, so a
  // dataset may keep their numbers with them.
  int RecNo();
  void SetRecNo(int value);
  // True when the dataset knows the record numbers of its records (RecNo and
  // RecordCount are exact, RecNo can be set).
  virtual bool IsSequenced();

  // ---- editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void Refresh();
  void Resync(TResyncMode Mode);
  // Ends an edit (posting it when modified, else cancelling) before an
  // operation that needs browse mode.
  void CheckBrowseMode();
  // Asks the links to write their pending changes into the record.
  void UpdateRecord();
  // Moves the cursor to the active record when a link has changed which
  // buffer is active, or the cursor has been moved underneath.
  void UpdateCursorPos();
  // Forgets where the cursor stands: the next navigation re-positions it.
  void CursorPosChanged() { currentRecord_ = -1; }
  virtual bool CanModify() const { return true; }
  bool Modified() const { return modified_; }
  void CheckActive() const;
  void CheckInactive() const;

  // ---- fields
  TField* FieldByName(const std::string& FieldName) const;  // raises when absent
  TField* FindField(const std::string& FieldName) const;    // without regard to case
  TField* Fields(int Index) const;
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TFieldDefs* FieldDefs() const { return fieldDefs_.get(); }
  // True while the fields were made from the definitions at the last open
  // (no persistent fields).
  bool DefaultFields() const { return defaultFields_; }
  // Fields listed by name, separated by ";"; raises on an unknown name.
  std::vector<TField*> GetFieldList(const std::string& FieldNames) const;

  // ---- bookmarks
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& Bookmark);
  void FreeBookmark(TBookmark& Bookmark) { Bookmark.Data.clear(); }
  // <0, 0, >0 by record order; a nil bookmark sorts first.
  virtual int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2);
  virtual bool BookmarkValid(const TBookmark& Bookmark);

  // ---- values by field name: one field gives its value, several
  // (";"-separated) an array of theirs.
  Variant FieldValues(const std::string& FieldNames) const;
  void SetFieldValues(const std::string& FieldNames, const Variant& Value);

  // ---- search. KeyValues holds one value per key field (an array for
  // several). A string field compares its text (partly with loPartialKey,
  // without regard to case with loCaseInsensitive); other fields compare
  // their value; Null matches a blank field. Locate makes the first matching
  // record current; Lookup leaves the current record and gives the result
  // fields' values, Null when nothing matches.
  bool Locate(const std::string& KeyFields, const Variant& KeyValues, TLocateOptions Options);
  Variant Lookup(const std::string& KeyFields, const Variant& KeyValues, const std::string& ResultFields);

  // ---- controls
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }

  // ---- the record window, for data links
  int BufferCount() const { return bufferCount_; }
  int ActiveRecord() const { return activeRecord_; }
  // Records in the window.
  int WindowRecordCount() const { return recordCount_; }

  // ---- field data, for fields: the value of Field in the record that the
  // state selects, in the field's native form (see TField::GetData).
  bool GetFieldData(TField* Field, void* Buffer);
  void SetFieldData(TField* Field, const void* Buffer);
  // The whole content of a blob field in the current record; false when
  // blank. Written content stays with the edited record until it is posted.
  bool GetBlobData(TField* Field, std::string& Data);
  void SetBlobData(TField* Field, const std::string& Data);
  // A stream over a blob field's content; writing needs dsEdit or dsInsert
  // and takes effect when the stream is freed.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);

  // ---- events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, OnNewRecord, OnCalcFields;
  TDataSetErrorEvent OnPostError;

protected:
  void BeforeDestruction() override;
  // ---- the framework's steps that descendants extend (call the inherited one)
  virtual void OpenCursor(bool InfoQuery);
  virtual void CloseCursor();
  // Reads the field definitions; opens the cursor for it when closed.
  virtual void InitFieldDefs();
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
  // Fills the window after the last buffered record; returns how many came.
  virtual int GetNextRecords();
  virtual int GetPriorRecords();
  virtual void DoBeforeOpen() { Raise(BeforeOpen); }
  virtual void DoAfterOpen() { Raise(AfterOpen); }
  virtual void DoBeforeClose() { Raise(BeforeClose); }
  virtual void DoAfterClose() { Raise(AfterClose); }
  virtual void DoBeforeInsert() { Raise(BeforeInsert); }
  virtual void DoAfterInsert() { Raise(AfterInsert); }
  virtual void DoBeforeEdit() { Raise(BeforeEdit); }
  virtual void DoAfterEdit() { Raise(AfterEdit); }
  virtual void DoBeforePost() { Raise(BeforePost); }
  virtual void DoAfterPost() { Raise(AfterPost); }
  virtual void DoBeforeCancel() { Raise(BeforeCancel); }
  virtual void DoAfterCancel() { Raise(AfterCancel); }
  virtual void DoBeforeDelete() { Raise(BeforeDelete); }
  virtual void DoAfterDelete() { Raise(AfterDelete); }
  virtual void DoOnNewRecord() { Raise(OnNewRecord); }
  virtual void DoOnCalcFields() { Raise(OnCalcFields); }

  // ---- the cursor of a concrete dataset
  virtual bool IsCursorOpen() const = 0;
  // Opens the cursor: field definitions (InternalInitFieldDefs), default
  // fields when there are no persistent ones (CreateFields), BindFields(true);
  // leaves the cursor before the first record.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  // Bytes the dataset needs in each record buffer (its record and bookmark).
  virtual int GetRecordSize() const = 0;
  // Reads the record after, before or at the cursor into Record and moves
  // the cursor there. DoCheck: raise on a cursor error instead of grError.
  virtual TGetResult GetRecord(std::uint8_t* Record, TGetMode GetMode, bool DoCheck) = 0;
  virtual void InternalFirst() = 0;  // before the first record
  virtual void InternalLast() = 0;   // after the last record
  virtual void InternalSetToRecord(const std::uint8_t* Record) = 0;
  virtual void InternalGotoBookmark(const TBookmark& Bookmark) = 0;
  virtual TBookmark GetBookmarkData(const std::uint8_t* Record) const = 0;
  virtual void SetBookmarkData(std::uint8_t* Record, const TBookmark& Bookmark) = 0;
  // A blank record: every field null.
  virtual void InternalInitRecord(std::uint8_t* Record) = 0;
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  // Writes the active record: a new one in dsInsert, else the current one;
  // leaves the cursor on it.
  virtual void InternalPost() = 0;
  virtual void InternalCancel() {}
  virtual void InternalDelete() = 0;
  virtual void InternalRefresh() {}
  virtual bool GetRecordFieldData(TField* Field, const std::uint8_t* Record, void* Buffer) = 0;
  virtual void SetRecordFieldData(TField* Field, std::uint8_t* Record, const void* Buffer) = 0;
  // The stored content of a blob field of Record (GetRecordFieldData with a
  // null buffer answers whether there is any).
  virtual bool GetRecordBlobData(TField* /*Field*/, const std::uint8_t* /*Record*/, std::string& /*Data*/) {
    return false;
  }
  // Blob contents written to the record being edited, by field number, for
  // InternalPost to store.
  const std::map<int, std::string>& PendingBlobs() const { return pendingBlobs_; }
  virtual int GetRecordCountInternal() { return -1; }
  virtual int GetRecNoInternal() { return -1; }
  virtual void SetRecNoInternal(int /*value*/) {}
  // The key buffer of a table in dsSetKey; nullptr for other datasets.
  virtual std::uint8_t* GetKeyRecord() { return nullptr; }
  // Ends dsSetKey: Commit keeps the key values set, else they are undone.
  virtual void PostKeyBuffer(bool /*Commit*/) {}
  virtual void UpdateIndexDefs() {}
  // Locate's search: puts the cursor on the first record, in the dataset's
  // order, whose Fields match Keys (one a field) and answers true; false
  // leaves the cursor anywhere. A dataset that can find it faster overrides
  // it with the same answer; this one reads the records from the first.
  virtual bool LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                            TLocateOptions Options);

  // ---- helpers for concrete datasets
  void CreateFields();
  void DestroyFields();
  // Binds every data field to its definition (raising for a field whose
  // definition is missing) and lays out the calculated fields.
  virtual void BindFields(bool Binding);
  // The record that field reads and writes go to in the current state;
  // nullptr when there is none (an empty or closed dataset).
  std::uint8_t* ActiveFieldRecord();
  std::uint8_t* ActiveBuffer();
  // The record buffer at a place of the window (0 to WindowRecordCount() - 1).
  std::uint8_t* WindowBuffer(int Index);
  // The record that a dsFilter state reads; set by a dataset that tests
  // records before it delivers them.
  void SetFilterRecord(std::uint8_t* Record) { filterRecord_ = Record; }
  // Computes the calculated and look-up fields of Record.
  void GetCalcFields(std::uint8_t* Record);
  TDataSetState SetTempState(TDataSetState Value);
  void RestoreState(TDataSetState Value);
  void SetState(TDataSetState Value);
  bool InternalOpenComplete() const { return internalOpenComplete_; }
  // Bytes of each record buffer: the dataset's record and the calculated fields.
  int RecordBufferSize() const { return recordSize_ + calcFieldsSize_; }
  void ClearBuffers();
  void Loaded() override;

private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  friend class TFieldDefs;
  friend class TIndexDefs;

  struct TRecordBuffer {
    std::vector<std::uint8_t> Bytes;
    TBookmarkFlag Flag = bfCurrent;
  };

  void Raise(const TDataSetNotifyEvent& e) {
    if (e && !ComponentState().Contains(csDestroying)) e(this);
  }
  void AddField(TField* Field);
  void RemoveField(TField* Field);
  void MoveField(TField* Field, int NewIndex);
  void AddDataSource(TDataSource* Source);
  void RemoveDataSource(TDataSource* Source);
  void UpdateBufferCount();
  void SetBufferCount(int Value);
  void SetLinkFirstRecords(int Delta);
  void AllocateBuffers();
  void FreeBuffers();
  bool FetchRecord(TRecordBuffer& Buffer, TGetMode Mode, bool DoCheck);
  bool GetNextRecord();
  bool GetPriorRecord();
  void SetCurrentRecord(int Index);
  void MoveBuffer(int CurIndex, int NewIndex);
  void ActivateBuffers();
  void InitRecord(TRecordBuffer& Buffer);
  void ClearCalcFields(std::uint8_t* Record);
  void CheckCanModify() const;
  void CheckRequiredFields();
  void BeginInsertAppend();
  void EndInsertAppend();
  void InternalCloseDataSet();
  void CalculateLookupFields();
  // The key values of Fields from a value (one field) or an array.
  std::vector<Variant> KeysOf(const std::vector<TField*>& Fields, const Variant& Values) const;
  // Finds the first record from the start that matches; leaves the cursor on
  // it and true, or the cursor unknown and false. The record found is in the
  // spare buffer.
  bool SearchRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys, TLocateOptions Options);

  TDataSetState state_ = dsInactive;
  bool bof_ = true;
  bool eof_ = true;
  bool modified_ = false;
  bool defaultFields_ = false;
  bool internalOpenComplete_ = false;
  std::unique_ptr<TFieldDefs> fieldDefs_;
  std::vector<TField*> fields_;
  std::vector<TDataSource*> dataSources_;
  std::vector<TRecordBuffer> buffers_;  // bufferCount_ + 1; the last is scratch
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;  // the buffer the cursor stands on; -1: unknown
  int recordSize_ = 0;
  int calcFieldsSize_ = 0;
  std::uint8_t* calcRecord_ = nullptr;
  std::uint8_t* filterRecord_ = nullptr;
  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;
  int tempStateDepth_ = 0;
  bool streamedActive_ = false;
  std::map<int, std::string> pendingBlobs_;
};

}  // namespace fw
