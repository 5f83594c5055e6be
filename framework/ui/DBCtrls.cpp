#include "DBCtrls.h"

#include "Fields.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"

namespace fw {

namespace {

// Whether Text is one of the ";"-separated spellings of Values.
bool IsOneOf(const std::string& Text, const std::string& Values) {
  std::size_t start = 0;
  for (;;) {
    std::size_t end = Values.find(';', start);
    if (SameText(Text, Values.substr(start, end == std::string::npos ? std::string::npos : end - start)))
      return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

std::string FirstOf(const std::string& Values) { return Values.substr(0, Values.find(';')); }

}  // namespace

FW_PUBLISH(TDBCheckBox) {
  c.Property("DataField", &TDBCheckBox::DataField, &TDBCheckBox::SetDataField);
  c.Property("DataSource", &TDBCheckBox::DataSource, &TDBCheckBox::SetDataSource);
  c.Property("ReadOnly", &TDBCheckBox::ReadOnly, &TDBCheckBox::SetReadOnly).Default(false);
  c.Property("ValueChecked", &TDBCheckBox::ValueChecked, &TDBCheckBox::SetValueChecked);
  c.Property("ValueUnchecked", &TDBCheckBox::ValueUnchecked, &TDBCheckBox::SetValueUnchecked);
}

TDBCheckBox::TDBCheckBox(TComponent* AOwner)
    : TCustomCheckBox(AOwner), dataLink_(std::make_unique<TFieldDataLink>()) {
  dataLink_->SetControl(this);
  dataLink_->OnDataChange = [this](TObject*) { DataChange(); };
  dataLink_->OnUpdateData = [this](TObject*) { UpdateData(); };
}

TDBCheckBox::~TDBCheckBox() {
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->SetDataSource(nullptr);
}

void TDBCheckBox::SetDataSource(TDataSource* v) {
  dataLink_->SetDataSource(v);
  if (v) v->FreeNotification(this);
}

void TDBCheckBox::SetValueChecked(const std::string& v) {
  valueChecked_ = v;
  DataChange();
}

void TDBCheckBox::SetValueUnchecked(const std::string& v) {
  valueUnchecked_ = v;
  DataChange();
}

void TDBCheckBox::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomCheckBox::Notification(AComponent, Operation);
  if (Operation == opRemove && dataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

TCheckBoxState TDBCheckBox::FieldState() const {
  TField* f = Field();
  if (!f) return cbUnchecked;
  if (f->IsNull()) return cbGrayed;
  if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
  const std::string text = f->Text();
  if (IsOneOf(text, valueChecked_)) return cbChecked;
  if (IsOneOf(text, valueUnchecked_)) return cbUnchecked;
  return cbGrayed;
}

void TDBCheckBox::DataChange() { SetState(FieldState()); }

void TDBCheckBox::UpdateData() {
  TField* f = Field();
  if (State() == cbGrayed)
    f->Clear();
  else if (f->DataType() == ftBoolean)
    f->SetAsBoolean(Checked());
  else
    f->SetText(FirstOf(Checked() ? valueChecked_ : valueUnchecked_));
}

void TDBCheckBox::Toggle() {
  // Only a record that can be edited takes the click; the box shows the field again otherwise.
  if (!dataLink_->Edit()) return;
  TCustomCheckBox::Toggle();
  dataLink_->Modified();
}

void TDBCheckBox::KeyPress(TChar& Key) {
  TCustomCheckBox::KeyPress(Key);
  if (Key == 8 || Key == 32) {
    dataLink_->Edit();
  } else if (Key == 27) {
    dataLink_->Reset();
  }
}

bool FieldControlMessage(TWinControl* Control, TFieldDataLink* Link, TMessage& Message) {
  if (Message.Msg == CM_EXIT) {
    TScopeFail keepFocus([Control] { Control->SetFocus(); });
    Link->UpdateRecord();
  } else if (Message.Msg == CM_GETDATALINK) {
    Message.Result = reinterpret_cast<LRESULT>(Link);
    return true;
  }
  return false;
}

void TDBCheckBox::Dispatch(TMessage& Message) {
  if (!FieldControlMessage(this, dataLink_.get(), Message)) TCustomCheckBox::Dispatch(Message);
}

}  // namespace fw

// ---------------------------------------------------------------- memo

namespace fw {

FW_PUBLISH(TDBMemo) {
  c.Property("DataField", &TDBMemo::DataField, &TDBMemo::SetDataField);
  c.Property("DataSource", &TDBMemo::DataSource, &TDBMemo::SetDataSource);
  c.Property("ReadOnly", &TDBMemo::ReadOnly, &TDBMemo::SetReadOnly).Default(false);
}

TDBMemo::TDBMemo(TComponent* AOwner) : TCustomMemo(AOwner), dataLink_(std::make_unique<TFieldDataLink>()) {
  dataLink_->SetControl(this);
  dataLink_->OnDataChange = [this](TObject*) { DataChange(); };
  dataLink_->OnEditingChange = [this](TObject*) { EditingChange(); };
  dataLink_->OnUpdateData = [this](TObject*) { UpdateData(); };
  TCustomMemo::SetReadOnly(true);
}

TDBMemo::~TDBMemo() {
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnEditingChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->SetDataSource(nullptr);
}

void TDBMemo::SetDataSource(TDataSource* v) {
  dataLink_->SetDataSource(v);
  if (v) v->FreeNotification(this);
}

void TDBMemo::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomMemo::Notification(AComponent, Operation);
  if (Operation == opRemove && dataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

void TDBMemo::DataChange() {
  TRestoreScope loading(loading_, true);
  TField* f = Field();
  // A memo field's text is its content; its Text would be "(Memo)".
  SetText(!f ? std::string() : f->IsBlob() ? f->AsString() : f->Text());
  SetModified(false);
}

// The text can be typed into only while the record is edited.
void TDBMemo::EditingChange() { TCustomMemo::SetReadOnly(!dataLink_->Editing()); }

void TDBMemo::UpdateData() {
  TField* f = Field();
  if (!f) return;
  if (f->IsBlob()) f->SetAsString(Text());
  else f->SetText(Text());
}

void TDBMemo::Change() {
  if (!loading_) dataLink_->Modified();
  TCustomMemo::Change();
}

void TDBMemo::KeyDown(Word& Key, TShiftState Shift) {
  TCustomMemo::KeyDown(Key, Shift);
  if (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) dataLink_->Edit();
}

void TDBMemo::KeyPress(TChar& Key) {
  TCustomMemo::KeyPress(Key);
  TField* f = Field();
  if (Key >= 32 && f && !f->IsValidChar(Key)) {
    MessageBeep(0);
    Key = 0;
  }
  switch (Key) {
    case 8:
    case 9:
    case 10:
    case 13:
    case 22:
    case 24: dataLink_->Edit(); break;
    case 27: dataLink_->Reset(); break;
    default:
      if (Key >= 32) dataLink_->Edit();
      break;
  }
}

void TDBMemo::WMPaste(TMessage& Message) {
  dataLink_->Edit();
  TCustomMemo::WMPaste(Message);
}

void TDBMemo::WMCut(TMessage& Message) {
  dataLink_->Edit();
  TCustomMemo::WMCut(Message);
}

void TDBMemo::Dispatch(TMessage& Message) {
  if (!FieldControlMessage(this, dataLink_.get(), Message)) TCustomMemo::Dispatch(Message);
}

}  // namespace fw
