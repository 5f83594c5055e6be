#include "DataSet.h"

#include <algorithm>
#include <cstring>

#include "DataSource.h"
#include "Fields.h"
#include "Scope.h"
#include "Streams.h"
#include "DateTime.h"
#include "Text.h"

namespace fw {

FW_IMPLEMENT_CLASS(EDatabaseError)

FW_PUBLISH(TDataSet) {
  c.Property("Active", &TDataSet::Active, &TDataSet::SetActive).Default(0);
  c.Event("BeforeOpen", &TDataSet::BeforeOpen);
  c.Event("AfterOpen", &TDataSet::AfterOpen);
  c.Event("BeforeClose", &TDataSet::BeforeClose);
  c.Event("AfterClose", &TDataSet::AfterClose);
  c.Event("BeforeInsert", &TDataSet::BeforeInsert);
  c.Event("AfterInsert", &TDataSet::AfterInsert);
  c.Event("BeforeEdit", &TDataSet::BeforeEdit);
  c.Event("AfterEdit", &TDataSet::AfterEdit);
  c.Event("BeforePost", &TDataSet::BeforePost);
  c.Event("AfterPost", &TDataSet::AfterPost);
  c.Event("BeforeCancel", &TDataSet::BeforeCancel);
  c.Event("AfterCancel", &TDataSet::AfterCancel);
  c.Event("BeforeDelete", &TDataSet::BeforeDelete);
  c.Event("AfterDelete", &TDataSet::AfterDelete);
  c.Event("OnNewRecord", &TDataSet::OnNewRecord);
  c.Event("OnCalcFields", &TDataSet::OnCalcFields);
  c.Event("OnPostError", &TDataSet::OnPostError);
}

void DatabaseError(const std::string& message, const TComponent* component) {
  if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

namespace {
bool InEditModes(TDataSetState s) { return s == dsEdit || s == dsInsert; }
Variant ValuesOf(const std::vector<TField*>& fields);
}  // namespace

// ---------------------------------------------------------------- life

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner), fieldDefs_(std::make_unique<TFieldDefs>(this)) {}

void TDataSet::BeforeDestruction() {
  Close();
  TComponent::BeforeDestruction();
}

TDataSet::~TDataSet() {
  while (!dataSources_.empty()) dataSources_.back()->SetDataSet(nullptr);
  // Persistent fields belong to the form but cannot outlive their dataset.
  while (!fields_.empty()) delete fields_.back();
}

// ---------------------------------------------------------------- open and close

void TDataSet::SetActive(bool value) {
  if (ComponentState().Contains(csLoading)) {
    streamedActive_ = value;
    return;
  }
  if (value == Active()) return;
  if (value) {
    DoBeforeOpen();
    {
      TScopeFail close([this] { CloseCursor(); });
      OpenCursor(false);
    }
    // A statement that changed data and answered nothing leaves no cursor:
    // the dataset stays closed, and that is no failure.
    if (!IsCursorOpen()) {
      CloseCursor();
      return;
    }
    SetState(dsBrowse);
    DoAfterOpen();
  } else {
    DoBeforeClose();
    InternalCloseDataSet();
    DoAfterClose();
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (streamedActive_) {
    streamedActive_ = false;
    SetActive(true);
  }
}

void TDataSet::InternalCloseDataSet() {
  // Closing discards an edit in progress: the cursor gives up its lock.
  if (InEditModes(state_) && IsCursorOpen()) {
    try {
      InternalCancel();
    } catch (const EDatabaseError&) {
    }
  }
  pendingBlobs_.clear();
  SetState(dsInactive);
  CloseCursor();
}

void TDataSet::OpenCursor(bool InfoQuery) {
  if (InfoQuery) {
    InternalInitFieldDefs();
    return;
  }
  defaultFields_ = fields_.empty();
  {
    // The next open must not take fields made for this one as persistent.
    TScopeFail unbind([this] {
      BindFields(false);
      if (defaultFields_) DestroyFields();
    });
    InternalOpen();
  }
  internalOpenComplete_ = true;
  recordSize_ = GetRecordSize();
  bufferCount_ = 0;
  ClearBuffers();
  UpdateBufferCount();
}

void TDataSet::CloseCursor() {
  if (!internalOpenComplete_) return;
  internalOpenComplete_ = false;
  FreeBuffers();
  InternalClose();
}

void TDataSet::InitFieldDefs() {
  if (IsCursorOpen()) {
    InternalInitFieldDefs();
    return;
  }
  TScopeExit close([this] { CloseCursor(); });
  OpenCursor(true);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
}

// ---------------------------------------------------------------- state and events

void TDataSet::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  state_ = Value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
  TDataSetState old = state_;
  state_ = Value;
  ++tempStateDepth_;
  return old;
}

void TDataSet::RestoreState(TDataSetState Value) {
  state_ = Value;
  --tempStateDepth_;
}

void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deFieldChange) {
    auto* field = reinterpret_cast<TField*>(Info);
    if (field->FieldKind() == fkData) {
      if (InEditModes(state_) || state_ == dsSetKey) modified_ = true;
      if (state_ != dsSetKey && calcFieldsSize_ > 0) GetCalcFields(ActiveBuffer());
    }
  } else if (Event == dePropertyChange) {
    fieldDefs_->SetUpdated(false);
  }
  // Values set while calculating or filtering are the dataset's own business.
  if (tempStateDepth_ > 0) return;
  if (disableCount_ == 0) {
    std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* s : sources)
      if (std::find(dataSources_.begin(), dataSources_.end(), s) != dataSources_.end()) s->DataEvent(Event, Info);
  } else if ((Event == deUpdateState && state_ == dsInactive) || Event == deLayoutChange) {
    enableEvent_ = deLayoutChange;
  }
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ != 0) return;
  // Links hear once, at the last enable, whatever happened meanwhile.
  if (disableState_ != state_) DataEvent(deUpdateState, 0);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_, 0);
}

// ---------------------------------------------------------------- fields

void TDataSet::AddField(TField* Field) {
  if (std::find(fields_.begin(), fields_.end(), Field) == fields_.end()) fields_.push_back(Field);
  DataEvent(deFieldListChange, 0);
}

void TDataSet::RemoveField(TField* Field) {
  auto it = std::find(fields_.begin(), fields_.end(), Field);
  if (it == fields_.end()) return;
  fields_.erase(it);
  if (!ComponentState().Contains(csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::MoveField(TField* Field, int NewIndex) {
  auto it = std::find(fields_.begin(), fields_.end(), Field);
  if (it == fields_.end()) return;
  fields_.erase(it);
  NewIndex = std::clamp(NewIndex, 0, static_cast<int>(fields_.size()));
  fields_.insert(fields_.begin() + NewIndex, Field);
  DataEvent(deLayoutChange, 0);
}

TField* TDataSet::Fields(int Index) const {
  if (Index < 0 || Index >= FieldCount())
    DatabaseError("Field index out of range", this);
  return fields_[static_cast<std::size_t>(Index)];
}

TField* TDataSet::FindField(const std::string& FieldName) const {
  for (TField* f : fields_)
    if (AnsiSameText(f->FieldName(), FieldName)) return f;
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& FieldName) const {
  TField* f = FindField(FieldName);
  if (!f) DatabaseError("Field '" + FieldName + "' not found", this);
  return f;
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& FieldNames) const {
  std::vector<TField*> list;
  std::size_t pos = 0;
  while (pos <= FieldNames.size()) {
    std::size_t sep = FieldNames.find(';', pos);
    if (sep == std::string::npos) sep = FieldNames.size();
    std::string name = FieldNames.substr(pos, sep - pos);
    std::size_t b = name.find_first_not_of(' '), e = name.find_last_not_of(' ');
    if (b != std::string::npos) list.push_back(FieldByName(name.substr(b, e - b + 1)));
    pos = sep + 1;
  }
  return list;
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_->Count(); ++i) fieldDefs_->Items(i)->CreateField(this);
}

void TDataSet::DestroyFields() {
  while (!fields_.empty()) delete fields_.back();
}

void TDataSet::BindFields(bool Binding) {
  calcFieldsSize_ = 0;
  for (TField* f : fields_) {
    if (!Binding) {
      f->fieldNo_ = 0;
      f->calcOffset_ = -1;
      continue;
    }
    if (f->FieldKind() == fkData) {
      int i = fieldDefs_->IndexOf(f->FieldName());
      if (i < 0) DatabaseError("Field '" + f->FieldName() + "' not found", this);
      TFieldDef* def = fieldDefs_->Items(i);
      f->fieldNo_ = def->FieldNo();
    } else {
      f->fieldNo_ = -1;
      f->calcOffset_ = calcFieldsSize_;
      calcFieldsSize_ += f->DataSize() + 1;
    }
  }
}

// ---------------------------------------------------------------- field data

std::uint8_t* TDataSet::ActiveBuffer() {
  if (buffers_.empty() || activeRecord_ >= static_cast<int>(buffers_.size())) return nullptr;
  return buffers_[static_cast<std::size_t>(activeRecord_)].Bytes.data();
}

std::uint8_t* TDataSet::WindowBuffer(int Index) {
  if (Index < 0 || Index >= recordCount_) return nullptr;
  return buffers_[static_cast<std::size_t>(Index)].Bytes.data();
}

std::uint8_t* TDataSet::ActiveFieldRecord() {
  switch (state_) {
    case dsBrowse:
      return recordCount_ == 0 ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    case dsCalcFields:
      return calcRecord_;
    case dsFilter:
      return filterRecord_;
    case dsSetKey:
      return GetKeyRecord();
    default:
      return nullptr;
  }
}

bool TDataSet::GetFieldData(TField* Field, void* Buffer) {
  std::uint8_t* rec = ActiveFieldRecord();
  if (!rec) return false;
  if (Field->IsBlob()) {
    auto it = pendingBlobs_.find(Field->FieldNo());
    if (InEditModes(state_) && it != pendingBlobs_.end()) return !it->second.empty();
    return GetRecordFieldData(Field, rec, nullptr);
  }
  if (Field->FieldKind() != fkData) {
    if (Field->calcOffset_ < 0 || state_ == dsSetKey) return false;
    const std::uint8_t* p = rec + recordSize_ + Field->calcOffset_;
    if (!p[0]) return false;
    if (Buffer) std::memcpy(Buffer, p + 1, static_cast<std::size_t>(Field->DataSize()));
    return true;
  }
  return GetRecordFieldData(Field, rec, Buffer);
}

void TDataSet::SetFieldData(TField* Field, const void* Buffer) {
  if (Field->IsBlob()) {
    if (Buffer) DatabaseError("Field '" + Field->DisplayName() + "' has no native form", this);
    SetBlobData(Field, std::string());
    return;
  }
  bool calcState = state_ == dsCalcFields || state_ == dsFilter;
  if (!InEditModes(state_) && state_ != dsSetKey && !calcState)
    DatabaseError("Dataset not in edit or insert mode", this);
  if (Field->FieldKind() != fkData) {
    if (!calcState) DatabaseError("Field '" + Field->DisplayName() + "' cannot be modified", this);
  } else if (calcState) {
    DatabaseError("Field '" + Field->DisplayName() + "' cannot be modified", this);
  }
  std::uint8_t* rec = ActiveFieldRecord();
  if (!rec) DatabaseError("Dataset not in edit or insert mode", this);
  if (Field->FieldKind() != fkData) {
    if (Field->calcOffset_ < 0) return;
    std::uint8_t* p = rec + recordSize_ + Field->calcOffset_;
    p[0] = Buffer ? 1 : 0;
    if (Buffer) std::memcpy(p + 1, Buffer, static_cast<std::size_t>(Field->DataSize()));
    else std::memset(p + 1, 0, static_cast<std::size_t>(Field->DataSize()));
    return;
  }
  SetRecordFieldData(Field, rec, Buffer);
  if (!calcState) DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(Field));
}

bool TDataSet::GetBlobData(TField* Field, std::string& Data) {
  Data.clear();
  std::uint8_t* rec = ActiveFieldRecord();
  if (!rec) return false;
  auto it = pendingBlobs_.find(Field->FieldNo());
  if (InEditModes(state_) && it != pendingBlobs_.end()) {
    Data = it->second;
    return !Data.empty();
  }
  return GetRecordBlobData(Field, rec, Data) && !Data.empty();
}

void TDataSet::SetBlobData(TField* Field, const std::string& Data) {
  if (!InEditModes(state_)) DatabaseError("Dataset not in edit or insert mode", this);
  if (Field->FieldKind() != fkData) DatabaseError("Field '" + Field->DisplayName() + "' cannot be modified", this);
  pendingBlobs_[Field->FieldNo()] = Data;
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(Field));
}

namespace {

// The content in memory; a stream that was written to stores it into the
// record when it is freed.
class TBlobStream : public TMemoryStream {
public:
  TBlobStream(TDataSet* dataSet, TField* field, TBlobStreamMode mode) : dataSet_(dataSet), field_(field) {
    if (mode != bmRead && !(dataSet->State() == dsEdit || dataSet->State() == dsInsert))
      DatabaseError("Dataset not in edit or insert mode", dataSet);
    if (mode != bmWrite) {
      std::string data;
      dataSet->GetBlobData(field, data);
      buffer_ = std::move(data);
      Sync();
    }
    writable_ = mode != bmRead;
    modified_ = mode == bmWrite;
  }
  ~TBlobStream() override {
    if (!modified_) return;
    try {
      dataSet_->SetBlobData(field_, buffer_);
    } catch (const Exception&) {
      // The state was checked when the stream was made; what a listener
      // raises here has no caller to go to.
    }
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (!writable_) throw EStreamError("Cannot write to a read-only blob stream");
    modified_ = true;
    return TMemoryStream::Write(buffer, count);
  }
  void SetSize(std::int64_t newSize) override {
    if (!writable_) throw EStreamError("Cannot write to a read-only blob stream");
    modified_ = true;
    TMemoryStream::SetSize(newSize);
  }

private:
  TDataSet* dataSet_;
  TField* field_;
  bool writable_ = false;
  bool modified_ = false;
};

}  // namespace

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  return std::make_unique<TBlobStream>(this, Field, Mode);
}

void TDataSet::ClearCalcFields(std::uint8_t* Record) {
  if (calcFieldsSize_ > 0) std::memset(Record + recordSize_, 0, static_cast<std::size_t>(calcFieldsSize_));
}

void TDataSet::GetCalcFields(std::uint8_t* Record) {
  if (calcFieldsSize_ == 0 || !Record) return;
  std::uint8_t* saved = calcRecord_;
  calcRecord_ = Record;
  TDataSetState old = SetTempState(dsCalcFields);
  bool wasModified = modified_;
  TScopeExit restore([&] {
    RestoreState(old);
    calcRecord_ = saved;
    modified_ = wasModified;
  });
  ClearCalcFields(Record);
  CalculateLookupFields();
  DoOnCalcFields();
}

void TDataSet::CalculateLookupFields() {
  for (TField* f : fields_) {
    TDataSet* source = f->LookupDataSet();
    if (f->FieldKind() != fkLookup || !source || !source->Active() || f->KeyFields().empty()) continue;
    std::vector<TField*> keys = GetFieldList(f->KeyFields());
    bool blank = false;
    for (TField* k : keys) blank = blank || k->IsNull();
    if (!blank) f->SetValue(source->Lookup(f->LookupKeyFields(), ValuesOf(keys), f->LookupResultField()));
  }
}

// ---------------------------------------------------------------- the record window

void TDataSet::AllocateBuffers() {
  std::size_t size = static_cast<std::size_t>(recordSize_ + calcFieldsSize_);
  buffers_.resize(static_cast<std::size_t>(bufferCount_ + 1));
  for (auto& b : buffers_)
    if (b.Bytes.size() != size) b.Bytes.assign(size, 0);
}

void TDataSet::FreeBuffers() {
  buffers_.clear();
  bufferCount_ = 0;
  ClearBuffers();
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::UpdateBufferCount() {
  if (!internalOpenComplete_) return;
  int count = 1;
  for (TDataSource* s : dataSources_)
    for (TDataLink* l : s->links_) count = std::max(count, l->BufferCount());
  SetBufferCount(count);
}

void TDataSet::SetLinkFirstRecords(int Delta) {
  if (Delta == 0) return;
  for (TDataSource* s : dataSources_)
    for (TDataLink* l : s->links_)
      if (l->Active()) l->firstRecord_ += Delta;
}

void TDataSet::SetBufferCount(int Value) {
  if (Value == bufferCount_ && !buffers_.empty()) return;
  if (Value < bufferCount_ && recordCount_ > Value) {
    // Keep the active record: drop what lies before it first, then the tail.
    int drop = recordCount_ - Value;
    int front = std::min(drop, std::max(0, activeRecord_ - (Value - 1)));
    if (front > 0) {
      std::rotate(buffers_.begin(), buffers_.begin() + front, buffers_.begin() + recordCount_);
      activeRecord_ -= front;
      SetLinkFirstRecords(-front);
    }
    recordCount_ = Value;
    CursorPosChanged();
  }
  bufferCount_ = Value;
  AllocateBuffers();
  if (state_ == dsBrowse || state_ == dsInactive) {
    GetNextRecords();
    GetPriorRecords();
  }
}

void TDataSet::MoveBuffer(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  auto first = buffers_.begin();
  if (CurIndex < NewIndex) std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
  else std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
}

bool TDataSet::FetchRecord(TRecordBuffer& Buffer, TGetMode Mode, bool DoCheck) {
  if (GetRecord(Buffer.Bytes.data(), Mode, DoCheck) != grOK) return false;
  Buffer.Flag = bfCurrent;
  GetCalcFields(Buffer.Bytes.data());
  return true;
}

void TDataSet::SetCurrentRecord(int Index) {
  if (currentRecord_ == Index) return;
  TRecordBuffer& b = buffers_[static_cast<std::size_t>(Index)];
  switch (b.Flag) {
    case bfCurrent:
    case bfInserted:
      if (b.Flag == bfInserted && GetBookmarkData(b.Bytes.data()).IsNull()) InternalFirst();
      else InternalSetToRecord(b.Bytes.data());
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  currentRecord_ = Index;
}

bool TDataSet::GetNextRecord() {
  if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(recordCount_)];
  if (!FetchRecord(spare, gmNext, true)) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  } else {
    MoveBuffer(0, recordCount_);
    // The window slid: the active buffer index now names the next record,
    // so step back to stay on the same one.
    if (activeRecord_ > 0) --activeRecord_;
  }
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(recordCount_)];
  if (!FetchRecord(spare, gmPrior, true)) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    } else if (activeRecord_ < recordCount_ - 1) {
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
  return n;
}

// ---------------------------------------------------------------- navigation

void TDataSet::First() {
  CheckBrowseMode();
  ClearBuffers();
  TScopeExit atStart([this] {
    bof_ = true;
    DataEvent(deDataSetChange, 0);
  });
  InternalFirst();
  GetNextRecord();
  GetNextRecords();
}

void TDataSet::Last() {
  CheckBrowseMode();
  ClearBuffers();
  TScopeExit atEnd([this] {
    eof_ = true;
    DataEvent(deDataSetChange, 0);
  });
  InternalLast();
  GetPriorRecord();
  GetPriorRecords();
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  int result = 0;
  if ((Distance > 0 && !eof_) || (Distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    // How far the buffers moved under the links: each record that slides the
    // full window in from behind shifts every buffer index by one.
    int scrolled = 0;
    TScopeExit scroll([&] { DataEvent(deDataSetScroll, scrolled); });
    while (Distance > 0) {
      if (activeRecord_ < recordCount_ - 1) {
        ++activeRecord_;
      } else {
        bool full = recordCount_ == bufferCount_;
        if (!GetNextRecord()) {
          eof_ = true;
          break;
        }
        if (full) --scrolled;
        activeRecord_ = recordCount_ - 1;
      }
      --Distance;
      ++result;
    }
    while (Distance < 0) {
      if (activeRecord_ > 0) {
        --activeRecord_;
      } else {
        bool full = recordCount_ == bufferCount_;
        if (!GetPriorRecord()) {
          bof_ = true;
          break;
        }
        if (full) ++scrolled;
        activeRecord_ = 0;
      }
      ++Distance;
      --result;
    }
  }
  return result;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

void TDataSet::Resync(TResyncMode Mode) {
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(recordCount_)];
  if (Mode.Contains(rmExact)) {
    CursorPosChanged();
    if (!FetchRecord(spare, gmCurrent, true)) DatabaseError("Record not found or changed by another user", this);
  } else if (!FetchRecord(spare, gmCurrent, false) && !FetchRecord(spare, gmNext, false) &&
             !FetchRecord(spare, gmPrior, false)) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int count = Mode.Contains(rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  TScopeExit changed([this] { DataEvent(deDataSetChange, 0); });
  while (count > 0 && GetPriorRecord()) --count;
  GetNextRecords();
  GetPriorRecords();
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync({});
}

int TDataSet::RecordCount() {
  CheckActive();
  return GetRecordCountInternal();
}

int TDataSet::RecNo() {
  bool fetching = state_ == dsCalcFields || state_ == dsFilter;  // a record not yet in the window
  if (!Active() || (recordCount_ == 0 && !fetching)) return -1;
  return GetRecNoInternal();
}

void TDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  if (!IsSequenced()) return;
  SetRecNoInternal(value);
  Resync({rmCenter});
}

bool TDataSet::IsSequenced() { return false; }

// ---------------------------------------------------------------- editing

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (InEditModes(state_)) {
    UpdateRecord();
    if (modified_) Post();
    else Cancel();
  } else if (state_ == dsSetKey) {
    Post();
  }
}

void TDataSet::UpdateRecord() {
  if (!InEditModes(state_) && state_ != dsSetKey) DatabaseError("Dataset not in edit or insert mode", this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::InitRecord(TRecordBuffer& Buffer) {
  InternalInitRecord(Buffer.Bytes.data());
  ClearCalcFields(Buffer.Bytes.data());
  Buffer.Flag = bfInserted;
}

void TDataSet::Edit() {
  if (InEditModes(state_)) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  UpdateCursorPos();
  InternalEdit();
  pendingBlobs_.clear();
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  pendingBlobs_.clear();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  {
    // A failing OnNewRecord abandons the new record.
    TScopeFail abandon([this] { Cancel(); });
    DoOnNewRecord();
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark before;
  if (recordCount_ > 0) {
    UpdateCursorPos();
    before = GetBookmarkData(ActiveBuffer());
  }
  MoveBuffer(recordCount_, activeRecord_);
  InternalInsert();
  TRecordBuffer& b = buffers_[static_cast<std::size_t>(activeRecord_)];
  InitRecord(b);
  // The new record stands before the one it displaced; with nothing there,
  // the cursor will go to the start.
  SetBookmarkData(b.Bytes.data(), before);
  if (recordCount_ == 0) {
    recordCount_ = 1;
    activeRecord_ = 0;
    bof_ = false;
    eof_ = false;
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  }
  CursorPosChanged();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer& b = buffers_[0];
  InitRecord(b);
  b.Flag = bfEOF;
  recordCount_ = 1;
  activeRecord_ = 0;
  bof_ = false;
  eof_ = false;
  currentRecord_ = -1;
  GetPriorRecords();
  InternalInsert();
  InternalLast();
  currentRecord_ = -1;
  EndInsertAppend();
}

void TDataSet::CheckRequiredFields() {
  for (TField* f : fields_)
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
      f->FocusControl();
      DatabaseError("Field '" + f->DisplayName() + "' must have a value", this);
    }
}

void TDataSet::Post() {
  UpdateRecord();
  if (!InEditModes(state_)) {
    if (state_ == dsSetKey) {
      DataEvent(deCheckBrowseMode, 0);
      PostKeyBuffer(true);
      SetState(dsBrowse);
      DataEvent(deDataSetChange, 0);
    }
    return;
  }
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckRequiredFields();
  for (;;) {
    try {
      UpdateCursorPos();
      InternalPost();
      break;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      if (OnPostError) OnPostError(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
  pendingBlobs_.clear();
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (!InEditModes(state_)) {
    if (state_ == dsSetKey) {
      PostKeyBuffer(false);
      SetState(dsBrowse);
      DataEvent(deDataSetChange, 0);
    }
    return;
  }
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  bool wasInsert = state_ == dsInsert;
  InternalCancel();
  pendingBlobs_.clear();
  if (wasInsert) {
    // The new record leaves the window; the cursor goes to the record that
    // takes its place.
    TRecordBuffer& b = buffers_[static_cast<std::size_t>(activeRecord_)];
    TBookmarkFlag flag = b.Flag;
    TBookmark next = GetBookmarkData(b.Bytes.data());
    MoveBuffer(activeRecord_, recordCount_);
    --recordCount_;
    CursorPosChanged();
    if (recordCount_ == 0) {
      if (flag == bfInserted && !next.IsNull()) InternalGotoBookmark(next);
      else InternalFirst();
    } else {
      activeRecord_ = std::min(activeRecord_, recordCount_ - 1);
      if (flag == bfInserted && !next.IsNull()) InternalGotoBookmark(next);
      else UpdateCursorPos();
    }
  }
  SetState(dsBrowse);
  if (recordCount_ > 0 || wasInsert) Resync({});
  DoAfterCancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  UpdateCursorPos();
  InternalDelete();
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
}

// ---------------------------------------------------------------- bookmarks

TBookmark TDataSet::GetBookmark() {
  if (!Active() || recordCount_ == 0 || state_ == dsInsert) return {};
  const TRecordBuffer& b = buffers_[static_cast<std::size_t>(activeRecord_)];
  if (b.Flag != bfCurrent) return {};
  return GetBookmarkData(b.Bytes.data());
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
  if (Bookmark.IsNull()) return;
  CheckBrowseMode();
  InternalGotoBookmark(Bookmark);
  Resync({rmExact, rmCenter});
}

int TDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
  if (Bookmark1.IsNull() || Bookmark2.IsNull()) return static_cast<int>(Bookmark2.IsNull()) - static_cast<int>(Bookmark1.IsNull());
  return Bookmark1.Data < Bookmark2.Data ? -1 : (Bookmark2.Data < Bookmark1.Data ? 1 : 0);
}

bool TDataSet::BookmarkValid(const TBookmark& Bookmark) { return !Bookmark.IsNull(); }

// ---------------------------------------------------------------- search

namespace {

bool IsTextType(TFieldType t) {
  return t == ftString || t == ftMemo || t == ftFmtMemo || t == ftUnknown;
}

bool FieldMatches(TField* field, const Variant& key, TLocateOptions options) {
  if (VarIsNull(key) || VarIsEmpty(key)) return field->IsNull();
  if (IsTextType(field->DataType())) {
    std::string value = field->AsString();
    std::string k = VarToStr(key);
    if (options.Contains(loCaseInsensitive)) {
      value = AnsiUpperCase(value);
      k = AnsiUpperCase(k);
    }
    if (options.Contains(loPartialKey)) return value.compare(0, k.size(), k) == 0;
    return value == k;
  }
  if (field->IsNull()) return false;
  try {
    return field->Value() == key;
  } catch (const EVariantError&) {
    return false;  // a key that is not a value of the field's type matches nothing
  }
}

Variant ValuesOf(const std::vector<TField*>& fields) {
  if (fields.size() == 1) return fields[0]->Value();
  std::vector<Variant> items;
  for (TField* f : fields) items.push_back(f->Value());
  return Variant::MakeArray(std::move(items));
}

}  // namespace

Variant TDataSet::FieldValues(const std::string& FieldNames) const { return ValuesOf(GetFieldList(FieldNames)); }

void TDataSet::SetFieldValues(const std::string& FieldNames, const Variant& Value) {
  std::vector<TField*> fields = GetFieldList(FieldNames);
  if (fields.size() == 1) {
    fields[0]->SetValue(Value);
    return;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(Value[static_cast<int>(i)]);
}

std::vector<Variant> TDataSet::KeysOf(const std::vector<TField*>& Fields, const Variant& Values) const {
  std::vector<Variant> keys;
  if (Fields.size() == 1 && !VarIsArray(Values)) {
    keys.push_back(Values);
    return keys;
  }
  if (!VarIsArray(Values) || Values.ArrayCount() != static_cast<int>(Fields.size()))
    DatabaseError("Wrong number of key values", this);
  for (int i = 0; i < Values.ArrayCount(); ++i) keys.push_back(Values[i]);
  return keys;
}

bool TDataSet::SearchRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                            TLocateOptions Options) {
  TRecordBuffer& spare = buffers_[static_cast<std::size_t>(recordCount_)];
  CursorPosChanged();
  InternalFirst();
  TRestoreScope filter(filterRecord_, spare.Bytes.data());
  bool found = false;
  while (!found && FetchRecord(spare, gmNext, true)) {
    TDataSetState old = SetTempState(dsFilter);
    TScopeExit restore([&] { RestoreState(old); });
    found = true;
    for (std::size_t i = 0; i < Fields.size() && found; ++i) found = FieldMatches(Fields[i], Keys[i], Options);
  }
  return found;
}

bool TDataSet::LocateRecord(const std::vector<TField*>& Fields, const std::vector<Variant>& Keys,
                            TLocateOptions Options) {
  return SearchRecord(Fields, Keys, Options);
}

bool TDataSet::Locate(const std::string& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  std::vector<TField*> fields = GetFieldList(KeyFields);
  std::vector<Variant> keys = KeysOf(fields, KeyValues);
  CursorPosChanged();
  if (!LocateRecord(fields, keys, Options)) {
    CursorPosChanged();
    return false;
  }
  Resync({rmExact, rmCenter});
  return true;
}

Variant TDataSet::Lookup(const std::string& KeyFields, const Variant& KeyValues, const std::string& ResultFields) {
  CheckBrowseMode();
  std::vector<TField*> fields = GetFieldList(KeyFields);
  std::vector<TField*> results = GetFieldList(ResultFields);
  Variant result = Null();
  if (SearchRecord(fields, KeysOf(fields, KeyValues), {})) {
    TRecordBuffer& spare = buffers_[static_cast<std::size_t>(recordCount_)];
    TRestoreScope filter(filterRecord_, spare.Bytes.data());
    TDataSetState old = SetTempState(dsFilter);
    TScopeExit restore([&] { RestoreState(old); });
    result = ValuesOf(results);
  }
  // The current record stays; the cursor goes back to it at the next move.
  CursorPosChanged();
  return result;
}

// ---------------------------------------------------------------- data sources

void TDataSet::AddDataSource(TDataSource* Source) {
  dataSources_.push_back(Source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  auto it = std::find(dataSources_.begin(), dataSources_.end(), Source);
  if (it != dataSources_.end()) dataSources_.erase(it);
  if (!ComponentState().Contains(csDestroying)) UpdateBufferCount();
}

}  // namespace fw
