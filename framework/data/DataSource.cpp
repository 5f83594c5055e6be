#include "DataSource.h"

#include <algorithm>

#include "Fields.h"
#include "Scope.h"

namespace fw {

FW_PUBLISH(TDataSource) {
  c.Property("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).Default(1);
  c.Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  c.Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).Default(1);
  c.Event("OnDataChange", &TDataSource::OnDataChange);
  c.Event("OnStateChange", &TDataSource::OnStateChange);
  c.Event("OnUpdateData", &TDataSource::OnUpdateData);
}
FW_IMPLEMENT_CLASS(TDataLink)
FW_IMPLEMENT_CLASS(TFieldDataLink)

// ---------------------------------------------------------------- TDataSource

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  while (!links_.empty()) links_.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == dataSet_) return;
  if (dataSet_) {
    dataSet_->RemoveDataSource(this);
    RemoveFreeNotification(dataSet_);
  }
  dataSet_ = Value;
  if (dataSet_) {
    dataSet_->FreeNotification(this);
    dataSet_->AddDataSource(this);
  }
  UpdateState();
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dataSet_) SetDataSet(nullptr);
}

void TDataSource::SetEnabled(bool Value) {
  enabled_ = Value;
  UpdateState();
}

void TDataSource::Edit() {
  if (autoEdit_ && state_ == dsBrowse) dataSet_->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* DataSet) const { return DataSet && DataSet == dataSet_; }

void TDataSource::AddDataLink(TDataLink* Link) {
  links_.push_back(Link);
  Link->dataSource_ = this;
  if (dataSet_) dataSet_->UpdateBufferCount();
  Link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* Link) {
  Link->dataSource_ = nullptr;
  auto it = std::find(links_.begin(), links_.end(), Link);
  if (it != links_.end()) links_.erase(it);
  Link->UpdateState();
  if (dataSet_ && !ComponentState().Contains(csDestroying)) dataSet_->UpdateBufferCount();
}

void TDataSource::UpdateState() {
  SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  TDataSetState prior = state_;
  state_ = Value;
  NotifyDataLinks(deUpdateState, 0);
  if (ComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive) DoDataChange(nullptr);
}

void TDataSource::DoDataChange(TField* Field) {
  if (OnDataChange) OnDataChange(this, Field);
}

void TDataSource::NotifyDataLinks(TDataEvent Event, std::intptr_t Info) {
  // A link may leave or join while it is told; tell each one still here once.
  std::vector<TDataLink*> links = links_;
  auto present = [this](TDataLink* l) { return std::find(links_.begin(), links_.end(), l) != links_.end(); };
  for (TDataLink* l : links)
    if (l->BufferCount() > 1 && present(l)) l->DataEvent(Event, Info);
  for (TDataLink* l : links)
    if (l->BufferCount() <= 1 && present(l)) l->DataEvent(Event, Info);
}

void TDataSource::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyDataLinks(Event, Info);
  switch (Event) {
    case deFieldChange:
      DoDataChange(reinterpret_cast<TField*>(Info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      DoDataChange(nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- TDataLink

TDataLink::~TDataLink() {
  if (dataSource_) dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == dataSource_) return;
  if (dataSource_) dataSource_->RemoveDataLink(this);
  if (Value) Value->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool Value) {
  if (readOnly_ == Value) return;
  readOnly_ = Value;
  UpdateState();
}

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  TScopeExit done([this] { updating_ = false; });
  UpdateData();
}

void TDataLink::SetBufferCount(int Value) {
  if (Value < 1) Value = 1;
  if (bufferCount_ == Value) return;
  bufferCount_ = Value;
  if (active_) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::RecordCount() const {
  if (!active_) return 0;
  if (dataSource_->State() == dsSetKey) return 1;
  int n = DataSet()->recordCount_ - firstRecord_;
  return std::clamp(n, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const {
  if (!active_) return 0;
  if (dataSource_->State() == dsSetKey) return 0;
  return DataSet()->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int Value) {
  if (!active_ || dataSource_->State() == dsSetKey) return;
  // Only the buffer that fields read from changes; the cursor follows at the
  // next navigation (UpdateCursorPos).
  TDataSet* ds = DataSet();
  int index = Value + firstRecord_;
  if (index < 0 || index >= std::max(ds->recordCount_, 1)) return;
  ds->activeRecord_ = index;
}

void TDataLink::UpdateRange() {
  TDataSet* ds = DataSet();
  int min = std::max(0, ds->activeRecord_ - bufferCount_ + 1);
  int max = std::min(std::max(0, ds->bufferCount_ - bufferCount_), ds->activeRecord_);
  firstRecord_ = std::clamp(firstRecord_, min, std::max(min, max));
}

void TDataLink::SetActive(bool Value) {
  if (active_ == Value) return;
  active_ = Value;
  if (Value) UpdateRange();
  else firstRecord_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (editing_ == Value) return;
  editing_ = Value;
  EditingChanged();
}

void TDataLink::UpdateState() {
  SetActive(dataSource_ && dataSource_->State() != dsInactive);
  TDataSetState s = dataSource_ ? dataSource_->State() : dsInactive;
  SetEditing((s == dsEdit || s == dsInsert || s == dsSetKey) && !readOnly_);
}

void TDataLink::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      // Info is how far the dataset's buffers moved under this link; the
      // link's part then follows the active record if it left it.
      int count = 0;
      if (dataSource_->State() != dsSetKey) {
        int active = DataSet()->activeRecord_;
        int first = firstRecord_ + static_cast<int>(Info);
        int last = first + bufferCount_ - 1;
        if (active > last) count = active - last;
        else if (active < first) count = active - first;
        firstRecord_ = first + count;
      }
      if (Event == deDataSetChange) DataSetChanged();
      else if (Event == deDataSetScroll) DataSetScrolled(count);
      else LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(Info));
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- TFieldDataLink

void TFieldDataLink::SetFieldName(const std::string& Value) {
  if (fieldName_ == Value) return;
  fieldName_ = Value;
  UpdateField();
}

void TFieldDataLink::SetField(TField* Value) {
  if (field_ == Value) return;
  field_ = Value;
  EditingChanged();
  RecordChanged(nullptr);
}

void TFieldDataLink::UpdateField() {
  SetField(nullptr);
  if (Active() && !fieldName_.empty()) SetField(DataSet()->FieldByName(fieldName_));
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ && field_->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return fieldEditing_;
}

void TFieldDataLink::SetFieldEditing(bool Value) {
  if (fieldEditing_ == Value) return;
  fieldEditing_ = Value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() { SetFieldEditing(TDataLink::Editing() && CanModify()); }

void TFieldDataLink::FocusControl(TField** FieldRef) {
  if (!FieldRef || !*FieldRef || *FieldRef != field_) return;
  auto* target = dynamic_cast<IFocusableControl*>(control_);
  if (target && target->CanFocus()) {
    *FieldRef = nullptr;  // the first control that takes the focus ends the search
    target->SetFocus();
  }
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* Field) {
  if (Field && Field != field_) return;
  if (OnDataChange) OnDataChange(this);
  modified_ = false;
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}

}  // namespace fw
