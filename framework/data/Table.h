// TTable: a dataset over one desktop table of a database, in the order of
// one of its indexes, with key search, ranges and master-detail links.
//
// Keys and ranges are edited in key buffers: SetKey (or SetRangeStart,
// SetRangeEnd) puts the table into dsSetKey, assignments to the index fields
// go into the buffer, and GotoKey (GotoNearest, ApplyRange) uses it. A
// search counts KeyFieldCount leading index fields, all of them when it is 0;
// FindKey and SetRange set it to the number of values given. A range side
// whose buffer holds no key value is open: a range end never set (or
// cleared) means no upper bound.
//
// A detail table (MasterSource, MasterFields) keeps a range on its current
// index whose leading fields equal the master's MasterFields in the master's
// current record; the range follows the master whenever it moves.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "DataSource.h"
#include "NuboDataSet.h"

namespace fw {

FW_ENUM(TTableType, ttDefault, ttKalmure, ttZentor)

class TTable : public TDBDataSet {
  FW_CLASS(TTable, TDBDataSet)
public:
  explicit TTable(TComponent* AOwner);
  ~TTable() override;

  const std::string& TableName() const { return tableName_; }
  virtual void SetTableName(const std::string& Value);
  TTableType TableType() const { return tableType_; }
  void SetTableType(TTableType Value);
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);

  // ---- indexes
  const std::string& IndexName() const { return indexName_; }
  void SetIndexName(const std::string& Value);
  // The current index by its fields, ";"-separated; exclusive with IndexName.
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const std::string& Value);
  int IndexFieldCount() const { return static_cast<int>(indexFieldNos_.size()); }
  TField* IndexFields(int Index) const;
  TIndexDefs* IndexDefs() const { return indexDefs_.get(); }
  // The options of the current index (primary, unique, descending, case
  // rule); empty in the natural order or while closed.
  TIndexOptions IndexOptions() const { return indexOptions_; }

  // ---- master and detail
  TDataSource* MasterSource() const;
  void SetMasterSource(TDataSource* Value);
  const std::string& MasterFields() const { return masterFields_; }
  void SetMasterFields(const std::string& Value);

  // ---- keys
  void SetKey();
  void EditKey();
  bool GotoKey();
  void GotoNearest();
  bool FindKey(const std::vector<Variant>& KeyValues);
  void FindNearest(const std::vector<Variant>& KeyValues);
  int KeyFieldCount() const;
  void SetKeyFieldCount(int Value);

  // ---- ranges
  void SetRangeStart();
  void SetRangeEnd();
  void EditRangeStart();
  void EditRangeEnd();
  void ApplyRange();
  void SetRange(const std::vector<Variant>& StartValues, const std::vector<Variant>& EndValues);
  void CancelRange();
  // Whether the range in force has an end.
  bool RangeEndSet() const { return HasKeyValue(keyBuffers_[kiCurRangeEnd]); }

  // ---- the table file
  // Creates the table from FieldDefs and IndexDefs, replacing one of that
  // name. Pictures (field name, picture) are stored as the fields' validity
  // checks, which the table's users match at posting.
  void CreateTable(const std::vector<std::pair<std::string, std::string>>& Pictures = {});
  void EmptyTable();
  void DeleteTable();

  // The engine's driver type for TableType ("" when taken from the name).
  const char* DriverType() const;

protected:
  void BeforeDestruction() override;
  hOrvexCursor CreateHandle() override;
  void PrepareCursor() override;
  void InternalClose() override;
  void UpdateIndexDefs() override;
  // Through the current index when its leading fields are the ones sought
  // (in their order) and its case rule is the options'; a partial key is
  // then a search on the leading characters of the last one. Else the scan.
  bool LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                    TLocateOptions Options) override;
  std::uint8_t* GetKeyRecord() override;
  void PostKeyBuffer(bool Commit) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  enum TKeyIndex { kiLookup, kiRangeStart, kiRangeEnd, kiCurRangeStart, kiCurRangeEnd, kiCount };
  struct TKeyBuffer {
    std::vector<std::uint8_t> Data;
    int FieldCount = 0;
  };
  class TMasterLink;
  friend class TMasterLink;

  void SetKeyBuffer(TKeyIndex Index, bool Clear);
  void ClearKeyBuffer(TKeyBuffer& Buffer);
  bool HasKeyValue(const TKeyBuffer& Buffer) const;
  int SearchFieldCount(const TKeyBuffer& Buffer) const;
  void ReadIndexInfo();
  void SwitchIndex(bool ByFields);
  std::vector<std::uint16_t> FieldNosOf(const std::string& FieldNames) const;
  void ApplyCursorRange();
  void MasterChanged();
  void SetMasterRange();
  void WithTableHold(TDBFlag Flag, const std::function<void()>& Action);

  std::string tableName_;
  TTableType tableType_ = ttDefault;
  bool exclusive_ = false;
  bool readOnly_ = false;
  std::string indexName_;
  std::string indexFieldNames_;
  std::vector<int> indexFieldNos_;
  TIndexOptions indexOptions_;
  std::unique_ptr<TIndexDefs> indexDefs_;
  std::unique_ptr<TMasterLink> masterLink_;
  std::string masterFields_;
  std::array<TKeyBuffer, kiCount> keyBuffers_;
  TKeyIndex keyIndex_ = kiLookup;
  TKeyBuffer savedKey_;
};

}  // namespace fw
