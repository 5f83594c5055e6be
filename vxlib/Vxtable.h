// TvxTable, the library's table: the framework's table with the per-field
// property lines, picture masks checked before a record is posted (from the
// PictureMasks lines, or the pictures a native table stores, which win),
// query lines that make it a query's answer, filters, lookup fields, packing
// and index searches. TvxDataSource is the framework's data source under the
// library's name, for the library's controls.
//
// Query lines and a table name exclude each other: a non-empty TableName
// clears the query; non-empty query lines clear TableName, IndexFieldNames,
// MasterFields and MasterSource, and a query table clears its name again at
// each close. A first query word "query" (any case) runs the lines as QBE,
// joined by CR LF; anything else as SQL, joined by blanks.
//
// The pictures a native table stores are read at the first need (the first
// post, or the first request for a field's picture) and kept for the life of
// the object, also across a change of TableName.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DataSource.h"
#include "Params.h"
#include "Table.h"
#include "Vxcommon.h"
#include "Vxengine.h"

namespace vx {

class TvxTable;

using TvxTableFilterEvent = std::function<void(TvxTable* Table, bool& Accept)>;

class TvxTable : public fw::TTable, public TvxFilterHost, public TvxLookupHost {
  FW_CLASS(TvxTable, fw::TTable)
public:
  explicit TvxTable(fw::TComponent* AOwner);
  ~TvxTable() override;

  // ---- published
  fw::TStrings* LookupFields() const { return LookupFields_.get(); }
  void SetLookupFields(fw::TStrings* Value) { LookupFields_->Assign(Value); }
  fw::TStrings* LookupLinks() const { return LookupLinks_.get(); }
  void SetLookupLinks(fw::TStrings* Value) { LookupLinks_->Assign(Value); }
  fw::TStrings* ControlType() const { return ControlType_.get(); }
  void SetControlType(fw::TStrings* Value) { ControlType_->Assign(Value); }
  fw::TStrings* PictureMasks() const { return PictureMasks_.get(); }
  void SetPictureMasks(fw::TStrings* Value) { PictureMasks_->Assign(Value); }
  fw::TStrings* vxFilter() const { return vxFilter_.get(); }
  // Takes a copy; an open table filters by the new lines at once.
  void setFilterArray(fw::TStrings* Value);
  bool SyncSQLByRange() const { return SyncSQLByRange_; }
  void SetSyncSQLByRange(bool Value) { SyncSQLByRange_ = Value; }
  bool NarrowSearch() const { return NarrowSearch_; }
  void SetNarrowSearch(bool Value) { NarrowSearch_ = Value; }
  std::uint16_t NarrowSearchUpperChar() const { return NarrowSearchUpperChar_; }
  void SetNarrowSearchUpperChar(std::uint16_t Value) { NarrowSearchUpperChar_ = Value; }
  fw::TStrings* Query() const { return Query_.get(); }
  // Closes the table and takes a copy of Lines.
  void SetQuery(fw::TStrings* Lines);
  const std::string& GetTableName() const { return TableName(); }
  // A non-empty name clears the query lines.
  void SetTableName(const std::string& Value) override;
  bool ValidateWithMask() const { return ValidateWithMask_; }
  void SetValidateWithMask(bool Value) { ValidateWithMask_ = Value; }
  TvxInvalidValueEvent OnInvalidValue;
  const TvxTableFilterEvent& OnFilter() const { return OnFilter_; }
  void SetOnFilter(const TvxTableFilterEvent& Value);
  fw::TDataSetNotifyEvent OnFilterEscape;
  TvxOnFilterOptions OnFilterOptions() const override { return OnFilterOptions_; }
  // Switching the test off shows every record again: at once, or when the
  // engine's read that switched it off (Escape, OnFilter itself) is over.
  void SetOnFilterOptions(TvxOnFilterOptions Value) override;

  // ---- the kind of table
  // A native desktop table: TableType ttKalmure, or with the default type a
  // name whose lower case holds ".db" and ends in "b".
  bool IsKalmureTable() const;
  // TableType ttZentor, or a name with the extension ".DBF".
  bool IsZentorTable() const;
  bool isSequencableTable() const;

  // ---- pictures the native table stores
  // The field's picture (the field name compared exactly), or empty.
  std::string GetDBPicture(const std::string& FieldName);
  // Reads them once in the object's life; a closed table is opened for it.
  void DoInitKalMasks();

  // ---- queries
  // Runs the query lines; the engine's result, and the answer in Cursor.
  OrvexResult PerformQuery(hOrvexCursor& Cursor);
  const std::string& QueryLanguage() const { return QueryLanguage_; }

  // ---- packing
  // Packs a native or second-format table; False with the reason in Msg.
  // Exclusive, Active and the controls are as they were afterwards, also
  // when an exception passes through.
  bool Pack(std::string& Msg);
  int GetFilterCount();

  // Other objects register a flag that is set True when the table is freed.
  void AddDependentTablePtr(bool* P);
  void RemoveDependentTablePtr(bool* P);

  // ---- the state that searches and lookups keep on the table
  int SearchDepth() const { return SearchDepth_; }
  bool ExactRangeMode() const { return ExactRangeMode_; }
  void SetExactRangeMode(bool Value) { ExactRangeMode_ = Value; }
  bool IgnoreMaster() const { return IgnoreMaster_; }
  void SetIgnoreMaster(bool Value) { IgnoreMaster_ = Value; }
  const std::string& LinkLine() const { return LinkLine_; }
  void SetLinkLine(const std::string& Value) { LinkLine_ = Value; }
  bool LookedUp() const { return LookedUp_; }
  void SetLookedUp(bool Value) { LookedUp_ = Value; }
  bool Found() const { return Found_; }
  void SetFound(bool Value) { Found_ = Value; }

  // ---- lookup fields (the hidden tables go when the table closes)
  // Refreshes the hidden tables that are open.
  void RefreshLinks();
  void RemoveObsoleteLinks();
  bool SetLookupField(fw::TField* Field);

  // ---- filters
  // The filter lines joined: the first as it stands, each further one as " AND (" line ")".
  std::string FilterString() const;
  // Installs the joined lines as the expression filter and, with OnFilter,
  // the record callback; the result of the expression's installing.
  bool FilterActivate();
  // Filters by Text alone: the lines become Text. When Text does not compile
  // or the engine refuses it, says "Fail to set filter" and keeps the lines
  // and the filter in force.
  bool setFilter(const std::string& Text);
  // The value of a field in the record under test, while OnFilter runs.
  fw::TParam* vxFilterField(const std::string& FieldName);
  // The arrow again after the callback showed the hourglass.
  void ResetMouseCursor();

  bool HasOnFilter() const override { return static_cast<bool>(OnFilter_); }
  void DoOnFilter(bool& Accept) override { OnFilter_(this, Accept); }
  void DoOnFilterEscape() override {
    if (OnFilterEscape) OnFilterEscape(this);
  }

  // ---- searches and indexes
  // The searches raise the search depth while they run.
  // The incremental search (vxTableFindNearest).
  bool vxFindNearest(const std::string& Value, int FieldIndex);
  // True at once when the current record holds Value, else the locate search.
  bool vxFindRecord(const std::string& Value, const std::string& FieldName, TvxLocateMatchType MatchType,
                    bool CaseSensitive);
  // Whether the table is on a record with those leading key values (texts
  // compared without regard to case): on an SQL server by a range, in exact
  // range mode a range of those keys alone; elsewhere by FindKey. More values
  // than the index has fields is said in a message box.
  bool vxFindKey(const std::vector<fw::Variant>& KeyValues);
  // A range from the key values on, without end; the first record of it.
  void vxSetRangeStart(const std::vector<fw::Variant>& KeyValues);
  // CancelRange; on an SQL server, when the library allows, by reopening
  // the table with the same fields shown.
  void FastCancelRange();
  void ClearCurrentRangeBuffers();
  // A range from Table's values of this table's index fields.
  void SyncSQLTable(fw::TTable* Table);
  // Reads the index definitions when there are none or they are stale.
  void UpdateIndexes();
  // The fields of the index so named (case counts); without a name, the primary index's.
  std::string IndexToFields(const std::string& IndexName);
  // The first field of the current index; empty when none.
  std::string GetIndexFieldName();
  bool SetIndexFieldName(const std::string& Name);
  // A case-insensitive index begins with the current index's first field.
  bool isCaseInsensitiveIndex();
  // The first index whose fields begin with Fields, at a field's end, of
  // the case rule (and with ExactLength exactly Fields).
  bool FindFieldsToIndex(const std::string& Fields, bool CaseSensitive, std::string& IndexName, bool ExactLength);
  // The index for Fields: exact before prefix, case-insensitive before
  // case-sensitive; "?" when none.
  std::string FieldsToIndex(const std::string& Fields);
  std::string FieldstoIndexWithCase(const std::string& Fields, bool CaseSensitive);
  // Switches to the index for Fields (after the master's fields, for a
  // detail table); False when there is none.
  bool SetToIndexContainingField(const std::string& Fields);
  // The same for the field of a Selected list's first line.
  bool SetToIndexContainingFields(fw::TStrings* List);
  void vxChangeIndexName(const std::string& Name);
  void vxChangeIndex(fw::TIndexDef* IndexDef);
  bool IsValidField(const std::string& Name);

  bool IsSequenced() override;

protected:
  void CloseCursor() override;
  void DataEvent(fw::TDataEvent Event, std::intptr_t Info) override;
  void DoBeforePost() override;
  void DoOnCalcFields() override;
  int GetNextRecords() override;
  void InitFieldDefs() override;
  void OpenCursor(bool InfoQuery) override;
  hOrvexCursor CreateHandle() override;
  void PrepareCursor() override;

private:
  // The index fields of the current record read, lower-cased, as KeyValues' texts.
  bool CurrentRecordHasKeys(const std::vector<fw::Variant>& KeyValues);

  std::unique_ptr<fw::TStringList> LookupFields_;
  std::unique_ptr<fw::TStringList> LookupLinks_;
  std::unique_ptr<fw::TStringList> ControlType_;
  std::unique_ptr<fw::TStringList> vxFilter_;
  std::unique_ptr<fw::TStringList> Query_;
  std::unique_ptr<fw::TStringList> PictureMasks_;
  std::vector<bool*> DependentFlags_;
  hNuboFilter ExpressionFilter_ = 0;
  hNuboFilter CallbackFilter_ = 0;

  bool SyncSQLByRange_ = true;
  bool NarrowSearch_ = false;
  std::uint16_t NarrowSearchUpperChar_ = 255;
  bool ValidateWithMask_ = true;
  TvxTableFilterEvent OnFilter_;
  TvxOnFilterOptions OnFilterOptions_{ofoEnabled, ofoShowHourGlass};

  std::string QueryLanguage_;
  bool Sequencable_ = false;
  bool Preparing_ = false;
  std::unique_ptr<fw::TStringList> KalMasks_;  // field name TAB picture
  bool MasksUnread_ = true;
  int SearchDepth_ = 0;
  bool ExactRangeMode_ = false;
  bool IgnoreMaster_ = false;
  std::string LinkLine_;
  bool LookedUp_ = false;
  bool Found_ = false;
};

class TvxDataSource : public fw::TDataSource {
  FW_CLASS(TvxDataSource, fw::TDataSource)
public:
  using TDataSource::TDataSource;
};

}  // namespace vx
