#include "Table.h"

#include <algorithm>
#include <cstring>

#include "Chars.h"
#include "EngineLib.h"
#include "Fields.h"
#include "Scope.h"
#include "Text.h"

namespace fw {

FW_PUBLISH(TTable) {
  c.Property("Exclusive", &TTable::Exclusive, &TTable::SetExclusive).Default(0);
  c.Property("IndexFieldNames", &TTable::IndexFieldNames, &TTable::SetIndexFieldNames);
  c.Property("IndexName", &TTable::IndexName, &TTable::SetIndexName);
  c.Property("MasterFields", &TTable::MasterFields, &TTable::SetMasterFields);
  c.Property("MasterSource", &TTable::MasterSource, &TTable::SetMasterSource);
  c.Property("ReadOnly", &TTable::ReadOnly, &TTable::SetReadOnly).Default(0);
  c.Property("TableName", &TTable::TableName, &TTable::SetTableName);
  c.Property("TableType", &TTable::TableType, &TTable::SetTableType).Default(ttDefault);
}

// Follows the master's current record for a detail table.
class TTable::TMasterLink : public TDataLink {
public:
  explicit TMasterLink(TTable* table) : table_(table) {}

protected:
  void ActiveChanged() override { table_->MasterChanged(); }
  void RecordChanged(TField* Field) override {
    if (DataSource()->State() == dsSetKey) return;
    if (Field) {
      bool isMasterField = false;
      for (TField* f : DataSet()->GetFieldList(table_->masterFields_)) isMasterField = isMasterField || f == Field;
      if (!isMasterField) return;
    }
    table_->MasterChanged();
  }

private:
  TTable* table_;
};

TTable::TTable(TComponent* AOwner)
    : TDBDataSet(AOwner), indexDefs_(std::make_unique<TIndexDefs>(this)),
      masterLink_(std::make_unique<TMasterLink>(this)) {}

TTable::~TTable() = default;

void TTable::BeforeDestruction() {
  masterLink_->SetDataSource(nullptr);
  TDBDataSet::BeforeDestruction();
}

void TTable::Notification(TComponent* AComponent, TOperation Operation) {
  TDBDataSet::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == masterLink_->DataSource())
    masterLink_->SetDataSource(nullptr);
}

// ---------------------------------------------------------------- properties

void TTable::SetTableName(const std::string& Value) {
  if (Value == tableName_) return;
  CheckInactive();
  tableName_ = Value;
  indexDefs_->SetUpdated(false);
  DataEvent(dePropertyChange, 0);
}

void TTable::SetTableType(TTableType Value) {
  CheckInactive();
  tableType_ = Value;
}

void TTable::SetExclusive(bool Value) {
  CheckInactive();
  exclusive_ = Value;
}

void TTable::SetReadOnly(bool Value) {
  CheckInactive();
  readOnly_ = Value;
}

const char* TTable::DriverType() const {
  switch (tableType_) {
    case ttKalmure: return "KALMURE";
    case ttZentor: return "ZENTOR";
    default: return "";
  }
}

void TTable::WithTableHold(TDBFlag Flag, const std::function<void()>& Action) {
  SetDBFlag(Flag, true);
  TScopeExit drop([&] { SetDBFlag(Flag, false); });
  Action();
}

// ---------------------------------------------------------------- the cursor

hOrvexCursor TTable::CreateHandle() {
  if (tableName_.empty()) DatabaseError("Missing TableName property", this);
  hOrvexCursor c = 0;
  std::string name = AnsiToNative(tableName_, 260);
  Check(Engine().OpenTable(DBHandle(), name.c_str(), DriverType(), indexName_.c_str(),
                           readOnly_ ? ORVEX_OPEN_READONLY : ORVEX_OPEN_READWRITE,
                           exclusive_ ? ORVEX_SHARE_EXCLUSIVE : ORVEX_SHARE_SHARED, &c));
  return c;
}

void TTable::PrepareCursor() {
  TDBDataSet::PrepareCursor();
  for (TKeyBuffer& b : keyBuffers_) ClearKeyBuffer(b);
  if (!indexFieldNames_.empty()) {
    std::vector<std::uint16_t> nos = FieldNosOf(indexFieldNames_);
    Check(Engine().SwitchToIndexForFields(Handle(), static_cast<std::uint16_t>(nos.size()), nos.data(), 0));
    GetCursorInfo();
  }
  ReadIndexInfo();
  // A detail opens already limited to its master's record.
  if (masterLink_->Active() && !masterFields_.empty()) SetMasterRange();
}

void TTable::InternalClose() {
  TDBDataSet::InternalClose();
  indexFieldNos_.clear();
  indexOptions_ = {};
  for (TKeyBuffer& b : keyBuffers_) b = TKeyBuffer{};
}

std::vector<std::uint16_t> TTable::FieldNosOf(const std::string& FieldNames) const {
  std::vector<std::uint16_t> nos;
  std::size_t pos = 0;
  while (pos <= FieldNames.size()) {
    std::size_t sep = FieldNames.find(';', pos);
    if (sep == std::string::npos) sep = FieldNames.size();
    std::string name = Trim(FieldNames.substr(pos, sep - pos));
    pos = sep + 1;
    if (name.empty()) continue;
    int found = 0;
    for (int i = 1; i <= CursorProps().fieldCount && !found; ++i)
      if (AnsiSameText(FieldDesc(i).name, name)) found = i;
    if (!found) DatabaseError("Field '" + name + "' not found", this);
    nos.push_back(static_cast<std::uint16_t>(found));
  }
  return nos;
}

void TTable::ReadIndexInfo() {
  indexFieldNos_.clear();
  indexOptions_ = {};
  const OrvexCursorProps& p = CursorProps();
  if (p.indexCount == 0 || p.indexNo == 0) return;
  std::vector<OrvexIndexDesc> descs(p.indexCount);
  Check(Engine().GetIndexDescs(Handle(), p.indexCount, descs.data()));
  for (const OrvexIndexDesc& d : descs) {
    if (d.indexNo != p.indexNo) continue;
    for (int i = 0; i < d.fieldCount; ++i) indexFieldNos_.push_back(d.fields[i]);
    if (d.primary) indexOptions_.Include(ixPrimary);
    if (d.unique || d.primary) indexOptions_.Include(ixUnique);
    if (d.descending) indexOptions_.Include(ixDescending);
    if (d.caseInsensitive) indexOptions_.Include(ixCaseInsensitive);
  }
}

TField* TTable::IndexFields(int Index) const {
  if (Index < 0 || Index >= IndexFieldCount()) DatabaseError("Index field index out of range", this);
  int no = indexFieldNos_[static_cast<std::size_t>(Index)];
  for (int i = 0; i < FieldCount(); ++i)
    if (Fields(i)->FieldNo() == no) return Fields(i);
  DatabaseError("No field for index field " + std::to_string(no), this);
}

void TTable::SwitchIndex(bool ByFields) {
  CheckBrowseMode();
  UpdateCursorPos();
  if (ByFields && !indexFieldNames_.empty()) {
    std::vector<std::uint16_t> nos = FieldNosOf(indexFieldNames_);
    Check(Engine().SwitchToIndexForFields(Handle(), static_cast<std::uint16_t>(nos.size()), nos.data(), 1));
  } else {
    Check(Engine().SwitchToIndex(Handle(), indexName_.c_str(), 1));
  }
  CursorMoved();
  // The engine drops the range with the index.
  ClearKeyBuffer(keyBuffers_[kiCurRangeStart]);
  ClearKeyBuffer(keyBuffers_[kiCurRangeEnd]);
  GetCursorInfo();
  ReadIndexInfo();
  if (masterLink_->Active() && !masterFields_.empty()) {
    SetMasterRange();
    First();
  } else {
    Resync({});
  }
}

void TTable::SetIndexName(const std::string& Value) {
  if (Value == indexName_ && indexFieldNames_.empty()) return;
  indexName_ = Value;
  indexFieldNames_.clear();
  if (Active()) SwitchIndex(false);
}

void TTable::SetIndexFieldNames(const std::string& Value) {
  if (Value == indexFieldNames_) return;
  indexFieldNames_ = Value;
  indexName_.clear();
  if (Active()) SwitchIndex(!Value.empty());
}

void TTable::UpdateIndexDefs() {
  auto read = [this](hOrvexCursor c) {
    OrvexCursorProps p{};
    Check(Engine().GetCursorProps(c, &p));
    std::vector<OrvexFieldDesc> fields(p.fieldCount);
    if (p.fieldCount) Check(Engine().GetFieldDescs(c, p.fieldCount, fields.data()));
    std::vector<OrvexIndexDesc> descs(p.indexCount);
    if (p.indexCount) Check(Engine().GetIndexDescs(c, p.indexCount, descs.data()));
    indexDefs_->Clear();
    for (const OrvexIndexDesc& d : descs) {
      std::string names;
      for (int i = 0; i < d.fieldCount; ++i) {
        if (i) names += ";";
        int no = d.fields[i];
        if (no >= 1 && no <= static_cast<int>(fields.size())) names += NativeToAnsi(fields[static_cast<std::size_t>(no - 1)].name);
      }
      TIndexOptions o;
      if (d.primary) o.Include(ixPrimary);
      if (d.unique || d.primary) o.Include(ixUnique);
      if (d.descending) o.Include(ixDescending);
      if (d.caseInsensitive) o.Include(ixCaseInsensitive);
      indexDefs_->Add(NativeToAnsi(d.name), names, o);
    }
  };
  if (Handle()) {
    read(Handle());
    return;
  }
  WithTableHold(dbfIndexList, [&] {
    hOrvexCursor c = CreateHandle();
    TScopeExit close([&] { Engine().CloseCursor(&c); });
    read(c);
  });
}

// ---------------------------------------------------------------- key buffers

void TTable::ClearKeyBuffer(TKeyBuffer& Buffer) {
  // Every field blank: key buffers take no defaults.
  Buffer.Data.assign(static_cast<std::size_t>(std::max(RecordBufferSize(), GetRecordSize())), 0);
  for (int i = 1; i <= CursorProps().fieldCount; ++i) Buffer.Data[FieldDesc(i).blankOffset] = 1;
  Buffer.FieldCount = 0;
}

bool TTable::HasKeyValue(const TKeyBuffer& Buffer) const {
  if (Buffer.Data.empty()) return false;
  int count = SearchFieldCount(Buffer);
  for (int i = 0; i < count; ++i)
    if (!Buffer.Data[FieldDesc(indexFieldNos_[static_cast<std::size_t>(i)]).blankOffset]) return true;
  return false;
}

int TTable::SearchFieldCount(const TKeyBuffer& Buffer) const {
  int n = IndexFieldCount();
  return Buffer.FieldCount > 0 && Buffer.FieldCount < n ? Buffer.FieldCount : n;
}

std::uint8_t* TTable::GetKeyRecord() {
  TKeyBuffer& b = keyBuffers_[keyIndex_];
  return b.Data.empty() ? nullptr : b.Data.data();
}

void TTable::SetKeyBuffer(TKeyIndex Index, bool Clear) {
  CheckBrowseMode();
  if (IndexFieldCount() == 0) DatabaseError("No index currently active", this);
  keyIndex_ = Index;
  TKeyBuffer& b = keyBuffers_[Index];
  if (b.Data.empty() || Clear) ClearKeyBuffer(b);
  savedKey_ = b;
  SetState(dsSetKey);
  DataEvent(deDataSetChange, 0);
}

void TTable::PostKeyBuffer(bool Commit) {
  if (!Commit) keyBuffers_[keyIndex_] = savedKey_;
}

void TTable::SetKey() { SetKeyBuffer(kiLookup, true); }
void TTable::EditKey() { SetKeyBuffer(kiLookup, false); }

int TTable::KeyFieldCount() const {
  TKeyIndex i = State() == dsSetKey ? keyIndex_ : kiLookup;
  return keyBuffers_[i].FieldCount;
}

void TTable::SetKeyFieldCount(int Value) {
  TKeyIndex i = State() == dsSetKey ? keyIndex_ : kiLookup;
  keyBuffers_[i].FieldCount = std::max(0, Value);
}

bool TTable::GotoKey() {
  CheckBrowseMode();
  TKeyBuffer& b = keyBuffers_[kiLookup];
  if (b.Data.empty()) return false;
  CursorPosChanged();
  CursorMoved();
  OrvexResult r = Engine().SetToKey(Handle(), ORVEX_KEY_EXACT, static_cast<std::uint16_t>(SearchFieldCount(b)), 0,
                                    b.Data.data());
  if (r == ORVEX_ERR_RECNOTFOUND) return false;
  Check(r);
  // The cursor stands before the match: step onto it.
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(GetRecordSize()));
  Check(Engine().GetNextRecord(Handle(), 0, scratch.data(), nullptr));
  Resync({rmExact, rmCenter});
  return true;
}

void TTable::GotoNearest() {
  CheckBrowseMode();
  TKeyBuffer& b = keyBuffers_[kiLookup];
  if (b.Data.empty()) return;
  CursorPosChanged();
  CursorMoved();
  Check(Engine().SetToKey(Handle(), ORVEX_KEY_NEAREST, static_cast<std::uint16_t>(SearchFieldCount(b)), 0,
                          b.Data.data()));
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(GetRecordSize()));
  OrvexResult r = Engine().GetNextRecord(Handle(), 0, scratch.data(), nullptr);
  if (r != ORVEX_ERR_EOF) Check(r);
  // Past every key: the last record is the nearest.
  Resync({rmCenter});
}

bool TTable::FindKey(const std::vector<Variant>& KeyValues) {
  SetKey();
  for (std::size_t i = 0; i < KeyValues.size(); ++i) IndexFields(static_cast<int>(i))->SetValue(KeyValues[i]);
  SetKeyFieldCount(static_cast<int>(KeyValues.size()));
  return GotoKey();
}

void TTable::FindNearest(const std::vector<Variant>& KeyValues) {
  SetKey();
  for (std::size_t i = 0; i < KeyValues.size(); ++i) IndexFields(static_cast<int>(i))->SetValue(KeyValues[i]);
  SetKeyFieldCount(static_cast<int>(KeyValues.size()));
  GotoNearest();
}

namespace {

// Whether a key search compares Key with Field as the scan would: a text
// with a text, whole numbers with whole numbers, numbers with a float.
// Dates, BCD and texts against numbers are left to the scan.
bool KeyFitsIndex(const TField* Field, const Variant& Key) {
  const TVarType t = VarType(Key);
  switch (Field->DataType()) {
    case ftString: return true;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return VarTypeIsInteger(t);
    case ftFloat:
    case ftCurrency: return VarTypeIsInteger(t) || t == varDouble || t == varSingle || t == varCurrency;
    case ftBoolean: return t == varBoolean;
    default: return false;
  }
}

}  // namespace

bool TTable::LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                          TLocateOptions Options) {
  const std::size_t n = Fields.size();
  const bool partial = Options.Contains(loPartialKey);
  bool texts = false;
  bool byIndex = Handle() != 0 && n > 0 && n <= static_cast<std::size_t>(IndexFieldCount());
  for (std::size_t i = 0; byIndex && i < n; ++i) {
    const bool text = Fields[i]->DataType() == ftString;
    texts = texts || text;
    byIndex = IndexFields(static_cast<int>(i)) == Fields[i] && !VarIsNull(Keys[i]) && !VarIsEmpty(Keys[i]) &&
              KeyFitsIndex(Fields[i], Keys[i]) && !(text && partial && i + 1 < n);
  }
  if (byIndex && texts) byIndex = indexOptions_.Contains(ixCaseInsensitive) == Options.Contains(loCaseInsensitive);
  if (!byIndex) return TDBDataSet::LocateRecord(Fields, Keys, Options);

  std::size_t count = n;
  std::uint16_t partialLength = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (Fields[i]->DataType() != ftString) continue;
    const std::size_t chars = CharLength(VarToStr(Keys[i]));
    // A text longer than its field is in no record.
    if (chars > static_cast<std::size_t>(Fields[i]->Size())) return false;
    if (partial && i + 1 == n) {
      if (chars == 0)
        --count;  // an empty beginning: any text
      else
        partialLength = static_cast<std::uint16_t>(chars);
    }
  }
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(GetRecordSize()));
  // The cursor moves by the engine's entries from here on.
  TScopeExit moved([this] { CursorMoved(); });
  if (count == 0) {
    InternalFirst();
    OrvexResult r = Engine().GetNextRecord(Handle(), 0, scratch.data(), nullptr);
    if (r == ORVEX_ERR_EOF) return false;
    Check(r);
    return true;
  }
  TKeyBuffer& key = keyBuffers_[kiLookup];
  ClearKeyBuffer(key);
  {
    TRestoreScope<TKeyIndex> index(keyIndex_, kiLookup);
    TDataSetState old = SetTempState(dsSetKey);
    TScopeExit restore([&] { RestoreState(old); });
    for (std::size_t i = 0; i < count; ++i) {
      if (Fields[i]->DataType() == ftString)
        Fields[i]->SetAsString(VarToStr(Keys[i]));
      else
        Fields[i]->SetValue(Keys[i]);
    }
  }
  OrvexResult r =
      Engine().SetToKey(Handle(), ORVEX_KEY_EXACT, static_cast<std::uint16_t>(count), partialLength, key.Data.data());
  if (r == ORVEX_ERR_RECNOTFOUND) return false;
  Check(r);
  // The cursor stands before the match: step onto it.
  Check(Engine().GetNextRecord(Handle(), 0, scratch.data(), nullptr));
  return true;
}

// ---------------------------------------------------------------- ranges

void TTable::SetRangeStart() { SetKeyBuffer(kiRangeStart, true); }
void TTable::SetRangeEnd() { SetKeyBuffer(kiRangeEnd, true); }
void TTable::EditRangeStart() { SetKeyBuffer(kiRangeStart, false); }
void TTable::EditRangeEnd() { SetKeyBuffer(kiRangeEnd, false); }

void TTable::ApplyCursorRange() {
  const TKeyBuffer& s = keyBuffers_[kiCurRangeStart];
  const TKeyBuffer& e = keyBuffers_[kiCurRangeEnd];
  bool hasStart = HasKeyValue(s), hasEnd = HasKeyValue(e);
  CursorMoved();
  if (!hasStart && !hasEnd) {
    Check(Engine().ResetRange(Handle()));
    return;
  }
  Check(Engine().SetRange(Handle(), static_cast<std::uint16_t>(hasStart ? SearchFieldCount(s) : 0), 0, 1,
                          hasStart ? s.Data.data() : nullptr,
                          static_cast<std::uint16_t>(hasEnd ? SearchFieldCount(e) : 0), 0, 1,
                          hasEnd ? e.Data.data() : nullptr));
}

void TTable::ApplyRange() {
  CheckBrowseMode();
  for (TKeyIndex i : {kiRangeStart, kiRangeEnd})
    if (keyBuffers_[i].Data.empty()) ClearKeyBuffer(keyBuffers_[i]);
  keyBuffers_[kiCurRangeStart] = keyBuffers_[kiRangeStart];
  keyBuffers_[kiCurRangeEnd] = keyBuffers_[kiRangeEnd];
  CursorPosChanged();
  ApplyCursorRange();
  First();
}

void TTable::SetRange(const std::vector<Variant>& StartValues, const std::vector<Variant>& EndValues) {
  SetRangeStart();
  for (std::size_t i = 0; i < StartValues.size(); ++i) IndexFields(static_cast<int>(i))->SetValue(StartValues[i]);
  SetKeyFieldCount(static_cast<int>(StartValues.size()));
  SetRangeEnd();
  for (std::size_t i = 0; i < EndValues.size(); ++i) IndexFields(static_cast<int>(i))->SetValue(EndValues[i]);
  SetKeyFieldCount(static_cast<int>(EndValues.size()));
  ApplyRange();
}

void TTable::CancelRange() {
  CheckBrowseMode();
  UpdateCursorPos();
  ClearKeyBuffer(keyBuffers_[kiCurRangeStart]);
  ClearKeyBuffer(keyBuffers_[kiCurRangeEnd]);
  CursorMoved();
  Check(Engine().ResetRange(Handle()));
  Resync({});
}

// ---------------------------------------------------------------- master and detail

TDataSource* TTable::MasterSource() const { return masterLink_->DataSource(); }

void TTable::SetMasterSource(TDataSource* Value) {
  if (Value && Value->DataSet() == this) DatabaseError("Circular datalinks are not allowed", this);
  if (TDataSource* old = masterLink_->DataSource()) old->RemoveFreeNotification(this);
  if (Value) Value->FreeNotification(this);
  masterLink_->SetDataSource(Value);
  if (!Value && Active() && !masterFields_.empty()) CancelRange();
}

void TTable::SetMasterFields(const std::string& Value) {
  if (Value == masterFields_) return;
  masterFields_ = Value;
  MasterChanged();
}

void TTable::SetMasterRange() {
  TDataSet* master = masterLink_->DataSet();
  std::vector<TField*> masterFields = master->GetFieldList(masterFields_);
  if (static_cast<int>(masterFields.size()) > IndexFieldCount())
    DatabaseError("The index has fewer fields than MasterFields", this);
  TKeyBuffer& s = keyBuffers_[kiCurRangeStart];
  ClearKeyBuffer(s);
  // Fields read and write the key buffer only in dsSetKey.
  TKeyIndex savedIndex = keyIndex_;
  keyIndex_ = kiCurRangeStart;
  TDataSetState old = SetTempState(dsSetKey);
  {
    TScopeExit restore([&] {
      RestoreState(old);
      keyIndex_ = savedIndex;
    });
    for (std::size_t i = 0; i < masterFields.size(); ++i)
      IndexFields(static_cast<int>(i))->SetValue(master->IsEmpty() ? Null() : masterFields[i]->Value());
  }
  s.FieldCount = static_cast<int>(masterFields.size());
  keyBuffers_[kiCurRangeEnd] = s;
  const TKeyBuffer& e = keyBuffers_[kiCurRangeEnd];
  // A master without a record, or with blank keys, has no details.
  CursorMoved();
  Check(Engine().SetRange(Handle(), static_cast<std::uint16_t>(s.FieldCount), 0, 1, s.Data.data(),
                          static_cast<std::uint16_t>(e.FieldCount), 0, 1, e.Data.data()));
  CursorPosChanged();
}

void TTable::MasterChanged() {
  if (!Active() || masterFields_.empty() || ComponentState().Contains(csDestroying)) return;
  if (!masterLink_->Active()) {
    CancelRange();
    return;
  }
  CheckBrowseMode();
  SetMasterRange();
  First();
}

// ---------------------------------------------------------------- the table file

void TTable::CreateTable(const std::vector<std::pair<std::string, std::string>>& Pictures) {
  CheckInactive();
  if (tableName_.empty()) DatabaseError("Missing TableName property", this);
  TFieldDefs* defs = FieldDefs();
  std::vector<OrvexFieldDesc> fields(static_cast<std::size_t>(defs->Count()));
  for (int i = 0; i < defs->Count(); ++i) {
    TFieldDef* d = defs->Items(i);
    OrvexFieldDesc& f = fields[static_cast<std::size_t>(i)];
    f = OrvexFieldDesc{};
    f.fieldNo = static_cast<std::uint16_t>(i + 1);
    std::string name = AnsiToNative(d->Name(), sizeof f.name - 1);
    std::memcpy(f.name, name.c_str(), name.size() + 1);
    f.type = static_cast<std::uint16_t>(d->DataType());
    if (d->DataType() == ftBCD) {
      f.size = 32;
      f.decimals = static_cast<std::uint16_t>(d->Size());
    } else {
      f.size = static_cast<std::uint16_t>(d->Size());
    }
    f.required = d->Required() ? 1 : 0;
  }
  std::vector<OrvexIndexDesc> indexes(static_cast<std::size_t>(indexDefs_->Count()));
  for (int i = 0; i < indexDefs_->Count(); ++i) {
    TIndexDef* d = indexDefs_->Items(i);
    OrvexIndexDesc& x = indexes[static_cast<std::size_t>(i)];
    x = OrvexIndexDesc{};
    std::string name = AnsiToNative(d->Name(), sizeof x.name - 1);
    std::memcpy(x.name, name.c_str(), name.size() + 1);
    std::size_t pos = 0;
    const std::string& names = d->Fields();
    while (pos <= names.size() && x.fieldCount < ORVEX_MAX_INDEX_FIELDS) {
      std::size_t sep = names.find(';', pos);
      if (sep == std::string::npos) sep = names.size();
      std::string n = Trim(names.substr(pos, sep - pos));
      pos = sep + 1;
      if (n.empty()) continue;
      int no = defs->IndexOf(n);
      if (no < 0) DatabaseError("Field '" + n + "' not found", this);
      x.fields[x.fieldCount++] = static_cast<std::uint16_t>(no + 1);
    }
    x.primary = d->Options().Contains(ixPrimary);
    x.unique = d->Options().Contains(ixUnique) || x.primary;
    x.descending = d->Options().Contains(ixDescending);
    x.caseInsensitive = d->Options().Contains(ixCaseInsensitive);
  }
  std::vector<OrvexVchkDesc> checks(Pictures.size());
  for (std::size_t i = 0; i < Pictures.size(); ++i) {
    OrvexVchkDesc& c = checks[i];
    c = OrvexVchkDesc{};
    int no = defs->IndexOf(Pictures[i].first);
    if (no < 0) DatabaseError("Field '" + Pictures[i].first + "' not found", this);
    c.fieldNo = static_cast<std::uint16_t>(no + 1);
    std::string picture = AnsiToNative(Pictures[i].second, sizeof c.picture - 1);
    std::memcpy(c.picture, picture.c_str(), picture.size() + 1);
  }
  OrvexTableDesc table{};
  std::string name = AnsiToNative(tableName_, sizeof table.name - 1);
  std::memcpy(table.name, name.c_str(), name.size() + 1);
  std::strncpy(table.driverType, DriverType(), sizeof table.driverType - 1);
  WithTableHold(dbfTable, [&] {
    Check(Engine().CreateTable(DBHandle(), &table, static_cast<std::uint16_t>(fields.size()), fields.data(),
                               static_cast<std::uint16_t>(indexes.size()), indexes.empty() ? nullptr : indexes.data(),
                               static_cast<std::uint16_t>(checks.size()), checks.empty() ? nullptr : checks.data(),
                               1));
  });
}

void TTable::EmptyTable() {
  if (Active()) {
    CheckBrowseMode();
    CursorMoved();
    Check(Engine().EmptyTable(DBHandle(), Handle(), nullptr, nullptr));
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  WithTableHold(dbfTable, [&] {
    std::string name = AnsiToNative(tableName_, 260);
    Check(Engine().EmptyTable(DBHandle(), 0, name.c_str(), DriverType()));
  });
}

void TTable::DeleteTable() {
  CheckInactive();
  WithTableHold(dbfTable, [&] {
    std::string name = AnsiToNative(tableName_, 260);
    Check(Engine().DeleteTable(DBHandle(), name.c_str(), DriverType()));
  });
}

}  // namespace fw
