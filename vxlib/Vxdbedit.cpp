#include "Vxdbedit.h"

#include <algorithm>

#include "Dialogs.h"
#include "Fields.h"
#include "Scope.h"
#include "Services.h"
#include "Text.h"
#include "Vxcommon.h"
#include "Vxsystem.h"
#include "Vxtable.h"

namespace vx {

using namespace fw;

namespace {

int CharCount(const std::string& s) { return static_cast<int>(CharLength(s)); }

int CountOf(const std::string& s, char c) { return static_cast<int>(std::count(s.begin(), s.end(), c)); }

bool EndsWith(const std::string& s, char c) { return !s.empty() && s.back() == c; }

std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + IntToStr(v); }

// The edit's view of its dataset-backed picture: the dataset and the field name.
TDataSet* BackingDataSet(const TCustomMaskEdit* Edit, std::string& FieldName) {
  auto* e = dynamic_cast<const TvxDBCustomEdit*>(Edit);
  if (!e || !e->DataSource() || !e->DataSource()->DataSet() || e->DataField().empty()) return nullptr;
  FieldName = e->DataField();
  return e->DataSource()->DataSet();
}

}  // namespace

// ---------------------------------------------------------------- TvxDBPicture

FW_PUBLISH(TvxDBPicture) {
  c.Property("PictureMask", &TvxDBPicture::PictureMask, &TvxDBPicture::SetPictureMask);
  c.Property("AutoFill", &TvxDBPicture::AutoFill, &TvxDBPicture::SetAutoFill).Default(true);
  c.Property("AllowInvalidExit", &TvxDBPicture::AllowInvalidExit, &TvxDBPicture::SetAllowInvalidExit).Default(false);
}

bool TvxDBPicture::DataSetBacked() const {
  std::string field;
  return BackingDataSet(owner_, field) != nullptr;
}

std::string TvxDBPicture::PictureMask() const {
  std::string field;
  TDataSet* ds = BackingDataSet(owner_, field);
  if (!ds) return mask_;
  std::string picture;
  bool autoFill, useInGrid;
  vxPictureByField(ds, field, true, picture, autoFill, useInGrid);
  return picture;
}

void TvxDBPicture::SetPictureMask(const std::string& Value) {
  std::string field;
  if (TDataSet* ds = BackingDataSet(owner_, field)) {
    if (!vxKalPictureMask(ds, field).empty()) {
      MessageDlg("Picture mask already defined in Kalmure table. ", mtWarning, {mbOK}, 0);
      return;
    }
    mask_ = Value;
    vxSetPictureMask(ds, field, Value, autoFill_, true, true, false, false);
  } else {
    mask_ = Value;
  }
  Changed();
}

bool TvxDBPicture::AutoFill() const {
  std::string field;
  if (TDataSet* ds = BackingDataSet(owner_, field)) {
    std::string picture;
    bool autoFill, useInGrid;
    vxPictureByField(ds, field, true, picture, autoFill, useInGrid);
    if (!picture.empty()) return autoFill;
  }
  return autoFill_;
}

void TvxDBPicture::SetAutoFill(bool Value) {
  autoFill_ = Value;
  std::string field;
  if (TDataSet* ds = BackingDataSet(owner_, field)) vxSetPictureMask(ds, field, "", Value, true, false, true, false);
  Changed();
}

bool TvxDBPicture::AllowInvalidExit() const { return DataSetBacked() ? false : allowInvalidExit_; }

void TvxDBPicture::SetAllowInvalidExit(bool Value) {
  if (DataSetBacked()) return;
  allowInvalidExit_ = Value;
}

void TvxDBPicture::SetOwnValues(const std::string& Mask, bool AutoFill, bool AllowInvalidExit) {
  mask_ = Mask;
  autoFill_ = AutoFill;
  allowInvalidExit_ = AllowInvalidExit;
}

void TvxDBPicture::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TvxDBPicture*>(Source)) {
    mask_ = p->PictureMask();
    autoFill_ = p->AutoFill();
    return;
  }
  TPersistent::Assign(Source);
}

void TvxDBPicture::Changed() {
  if (owner_ && owner_->ComponentState().Contains(csDesigning) && !owner_->ComponentState().Contains(csWriting))
    vxDataModuleChanged(owner_);
}

// ---------------------------------------------------------------- TvxCustomMaskEdit

FW_PUBLISH(TvxCustomMaskEdit) { c.Event("OnCheckValue", &TvxCustomMaskEdit::OnCheckValue); }

TvxCustomMaskEdit::TvxCustomMaskEdit(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), picture_(std::make_unique<TvxDBPicture>(this)) {}

TvxCustomMaskEdit::~TvxCustomMaskEdit() = default;

void TvxCustomMaskEdit::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  if (HandleAllocated()) RecreateWnd();
}

void TvxCustomMaskEdit::SetShowVertScrollBar(bool v) {
  if (v == showVertScrollBar_) return;
  showVertScrollBar_ = v;
  if (HandleAllocated()) RecreateWnd();
}

void TvxCustomMaskEdit::SetWantReturns(bool v) {
  if (v == wantReturns_) return;
  wantReturns_ = v;
  if (HandleAllocated()) RecreateWnd();
}

bool TvxCustomMaskEdit::HavePictureMask() const { return usePictureMask_ && !picture_->PictureMask().empty(); }

bool TvxCustomMaskEdit::IsValidPictureMask() const {
  return TvxPictureValidator(picture_->PictureMask(), picture_->AutoFill()).isSyntaxError();
}

bool TvxCustomMaskEdit::IsValidPictureValue(const std::string& S) {
  bool valid = true;
  const std::string mask = picture_->PictureMask();
  if (!S.empty() && !mask.empty()) {
    std::string s = S;
    valid = TvxPictureValidator(mask, picture_->AutoFill()).Picture(s, false) == prComplete;
  }
  DoOnCheckValue(valid);
  return valid;
}

void TvxCustomMaskEdit::ApplyMask() {
  std::string s = Text();
  const bool autoFill = picture_->AutoFill();
  TvxPictureValidator(picture_->PictureMask(), autoFill).Picture(s, autoFill);
  SetText(s);
}

void TvxCustomMaskEdit::DoOnCheckValue(bool Valid) {
  if (OnCheckValue) OnCheckValue(this, Valid);
}

void TvxCustomMaskEdit::CreateParams(TCreateParams& Params) {
  TCustomMaskEdit::CreateParams(Params);
  Params.Style &= ~(ES_WANTRETURN | ES_AUTOVSCROLL);
  if (BorderStyle() == bsNone || wordWrap_) Params.Style |= ES_MULTILINE;
  if (wordWrap_) Params.Style = (Params.Style & ~ES_AUTOHSCROLL) | ES_AUTOVSCROLL;
  if (wantReturns_) Params.Style |= ES_WANTRETURN;
  if (showVertScrollBar_) Params.Style |= WS_VSCROLL;
}

void TvxCustomMaskEdit::CreateWnd() {
  TCustomMaskEdit::CreateWnd();
  SetEditRect();
}

void TvxCustomMaskEdit::BoundsChanged() {
  TCustomMaskEdit::BoundsChanged();
  if (HandleAllocated()) SetEditRect();
}

void TvxCustomMaskEdit::SetEditRect() {
  const int inset = BorderStyle() == bsNone ? 2 : 0;
  TRect r{inset, inset, ClientWidth() - 1, ClientHeight() + 1};
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TvxCustomMaskEdit::KeyPress(TChar& Key) {
  TCustomMaskEdit::KeyPress(Key);
  keyAccepted_ = false;
  if (HavePictureMask()) {
    if (Key == 8) {
      EnableEdit();
      if (OnCheckValue && !TCustomEdit::ReadOnly()) {
        TChars t = Utf8ToChars(Text());
        const int caret = std::clamp(SelStart(), 0, static_cast<int>(t.size()));
        if (caret > 0) t.erase(static_cast<std::size_t>(caret - 1), 1);
        IsValidPictureValue(CharsToUtf8(t));
      }
      return;
    }
    if (Key < 32) return;

    const TChars text = Utf8ToChars(Text());
    const int oldLen = static_cast<int>(text.size());
    const int caret = std::clamp(SelStart(), 0, oldLen);
    const int selLen = std::clamp(SelLength(), 0, oldLen - caret);
    TChars prospective = text.substr(0, static_cast<std::size_t>(caret));
    prospective += Key;
    prospective += text.substr(static_cast<std::size_t>(caret + selLen));
    const int proLen = static_cast<int>(prospective.size());
    if (MaxLength() > 0 && proLen > MaxLength() && proLen > oldLen) return;

    std::string s = CharsToUtf8(prospective);
    const bool autoFill = picture_->AutoFill();
    const TvxPicResult result = TvxPictureValidator(picture_->PictureMask(), autoFill).Picture(s, autoFill);
    const bool allSelected = selLen >= oldLen;
    bool valid = true, beeped = false;
    switch (result) {
      case prComplete:
      case prIncomplete: {
        EnableEdit();
        if (!TCustomEdit::ReadOnly()) {
          const int newLen = CharCount(s);
          const bool moveByGrowth = result == prComplete ? newLen > oldLen : selLen == 0;
          SetText(s);
          SetSelStart(allSelected ? newLen : moveByGrowth ? caret + newLen - oldLen : caret + 1);
          Key = 0;
          keyAccepted_ = true;
        }
        valid = result == prComplete;
        break;
      }
      case prError:
        if (caret + selLen < oldLen) {
          valid = false;  // typed inside the text: the window takes it
        } else {
          Key = 0;
          MessageBeep(0);
          beeped = true;
        }
        break;
      default:
        break;
    }
    if (!beeped && !TCustomEdit::ReadOnly()) DoOnCheckValue(valid);
    return;
  }
  if (Key == 13 && !wantReturns_) Key = 0;
}

void TvxCustomMaskEdit::KeyUp(Word& Key, TShiftState Shift) {
  TCustomMaskEdit::KeyUp(Key, Shift);
  if (Key == VK_DELETE && OnCheckValue) IsValidPictureValue(Text());
}

void TvxCustomMaskEdit::DoExit() {
  TCustomMaskEdit::DoExit();
  exitRefused_ = false;
  if (HavePictureMask() && Modified() && !IsValidPictureValue(Text()) && !picture_->AllowInvalidExit()) {
    SelectAll();
    SetFocus();
    TCustomEdit::SetModified(true);
    MessageBeep(0);
    exitRefused_ = true;
  }
}

// ---------------------------------------------------------------- TvxDBCustomEdit

FW_PUBLISH(TvxDBCustomEdit) {}

TvxDBCustomEdit::TvxDBCustomEdit(TComponent* AOwner)
    : TvxCustomMaskEdit(AOwner), dataLink_(std::make_unique<TFieldDataLink>()) {
  dataLink_->SetControl(this);
  dataLink_->OnDataChange = [this](TObject*) { DataChange(); };
  dataLink_->OnEditingChange = [this](TObject*) { EditingChange(); };
  dataLink_->OnUpdateData = [this](TObject*) { UpdateData(); };
  // Nothing is typed until the record is being edited (or, unbound, until
  // the edit is loaded or a key is typed).
  TCustomEdit::SetReadOnly(true);
  SetUsePictureMask(true);
  autoFillDate_ = true;
}

TvxDBCustomEdit::~TvxDBCustomEdit() {
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnEditingChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->SetDataSource(nullptr);
}

TDataSource* TvxDBCustomEdit::DataSource() const {
  TDataSource* s = dataLink_->DataSource();
  return dynamic_cast<TvxDataSource*>(s) ? s : nullptr;
}

void TvxDBCustomEdit::SetDataSource(TDataSource* Value) {
  if (Value && !dynamic_cast<TvxDataSource*>(Value)) Value = nullptr;
  dataLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TvxDBCustomEdit::SetDataField(const std::string& Value) {
  if (!ComponentState().Contains(csDesigning)) {
    TField* f = Field();
    if (f && f->DataType() == ftString && MaxLength() == f->Size()) SetMaxLength(0);
  }
  dataLink_->SetFieldName(Value);
}

void TvxDBCustomEdit::SetReadOnly(bool Value) {
  dataLink_->SetReadOnly(Value);
  TCustomEdit::SetReadOnly(Value || (Field() && !dataLink_->Editing()));
}

void TvxDBCustomEdit::Loaded() {
  TvxCustomMaskEdit::Loaded();
  TField* f = Field();
  if (f && f->DataType() == ftString && MaxLength() == f->Size()) SetMaxLength(0);
  if (!DataSource() && !ReadOnly()) MakeEditable();
}

void TvxDBCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TvxCustomMaskEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && dataLink_ && AComponent == dataLink_->DataSource()) SetDataSource(nullptr);
}

IvxEditGrid* TvxDBCustomEdit::Grid() const { return dynamic_cast<IvxEditGrid*>(Parent()); }

bool TvxDBCustomEdit::IsMemo() const {
  TField* f = Field();
  return f && (f->DataType() == ftMemo || f->DataType() == ftFmtMemo);
}

TvxEditDataType TvxDBCustomEdit::DataKind() const {
  TField* f = Field();
  if (!f) return unboundDataType_;
  switch (f->DataType()) {
    case ftDate: return vxEdtDate;
    case ftTime: return vxEdtTime;
    case ftDateTime: return vxEdtDateTime;
    default: return vxDefault;
  }
}

void TvxDBCustomEdit::MakeEditable() { TCustomEdit::SetReadOnly(false); }

void TvxDBCustomEdit::SetPicture(const TvxDBPicture* Value) {
  Picture()->Assign(Value);
  TField* f = Field();
  SetEditMask(HavePictureMask() || !f ? "" : f->EditMask());
  std::string field;
  if (TDataSet* ds = BackingDataSet(this, field))
    vxSetPictureMask(ds, field, Value->PictureMask(), Value->AutoFill(), true, true, true, false);
}

bool TvxDBCustomEdit::EditCanModify() {
  TField* f = Field();
  if (!f) return true;
  if (dataLink_->Edit()) return true;
  // A calculated or lookup field takes no edit of its own: the field and its dataset decide.
  return vxisNonPhysicalField(f) && !f->ReadOnly() && f->DataSet()->CanModify();
}

void TvxDBCustomEdit::Reset() {
  if (Field())
    dataLink_->Reset();
  else
    SetText(savedText_);
  SelectAll();
  TCustomEdit::SetModified(false);
  if (OnCheckValue) IsValidPictureValue(Text());
}

void TvxDBCustomEdit::SetModified(bool Value) {
  TField* f = Field();
  if (Value && (ReadOnly() || (f && f->ReadOnly()))) return;
  TCustomEdit::SetModified(Value);
  if (Value) dataLink_->Modified();
}

void TvxDBCustomEdit::Change() {
  TvxCustomMaskEdit::Change();
  if (!Field()) TCustomEdit::SetModified(true);
}

// ---- the data link

void TvxDBCustomEdit::DataChange() {
  TField* f = Field();
  if (!f) {
    alignment_ = taLeftJustify;
    SetEditMask("");
    SetText(ComponentState().Contains(csDesigning) ? Name() : std::string());
    return;
  }
  if (alignment_ != f->Alignment()) {
    SetText("");
    alignment_ = f->Alignment();
  }
  if (!HavePictureMask()) SetEditMask(f->EditMask());
  if (!ComponentState().Contains(csDesigning) && f->DataType() == ftString && MaxLength() == 0)
    SetMaxLength(f->Size());
  if ((focused_ || IsMemo()) && dataLink_->CanModify())
    SetText(IsMemo() ? f->AsString() : f->Text());
  else
    SetText(f->DisplayText());
}

void TvxDBCustomEdit::EditingChange() { TCustomEdit::SetReadOnly(!dataLink_->Editing()); }

void TvxDBCustomEdit::UpdateData() {
  if (ReadOnly()) return;
  TField* f = Field();
  TDataSet* ds = dataLink_->DataSet();
  const std::string text = GetStoredText();
  if (!Picture()->PictureMask().empty() && vxGetValidateWithMask(ds)) {
    if (!IsValidPictureValue(text)) {
      if (TvxInvalidValueEvent handler = vxGetOnInvalidValue(ds))
        handler(ds, f);
      else
        throw EDBEditError("Invalid input value for " + f->DisplayName() + ". Press Esc to abandon the change.");
    }
  } else {
    ValidateEdit();
  }
  if (!Modified()) return;
  if (IsMemo())
    f->SetAsString(text);
  else if (dataLink_->Editing() || vxisNonPhysicalField(f))
    f->SetText(text);
}

// ---- focus

void TvxDBCustomEdit::SetFocusedState(bool Value) {
  if (focused_ == Value) return;
  focused_ = Value;
  if (Field())
    dataLink_->Reset();  // the edit text while focused, the display text after
  else if (Value)
    savedText_ = Text();
}

void TvxDBCustomEdit::CMEnter(TMessage& Message) {
  SetFocusedState(true);
  if (AutoSelect() && !ControlState().Contains(csLButtonDown)) SelectAll();
  TvxCustomMaskEdit::Dispatch(Message);
  if (!Editable()) Invalidate();
}

void TvxDBCustomEdit::DoEnter() {
  TvxCustomMaskEdit::DoEnter();
  if (IvxEditGrid* g = Grid(); g && g->IsDataGrid()) SelectAll();
  if (!Field()) TCustomEdit::SetModified(false);
}

void TvxDBCustomEdit::CMExit(TMessage& Message) {
  const bool modified = Modified();
  {
    // The form keeps the focus here; the text stays as typed.
    TScopeFail keepText([&] {
      SelectAll();
      TCustomEdit::SetModified(modified);
    });
    dataLink_->UpdateRecord();
  }
  TvxCustomMaskEdit::Dispatch(Message);
  if (!ExitRefused()) {
    SetFocusedState(false);
    SetSelStart(0);
  }
  if (!Editable()) Invalidate();
}

// ---- keys

void TvxDBCustomEdit::EnableEdit() { dataLink_->Edit(); }

void TvxDBCustomEdit::KeyPress(TChar& Key) {
  const bool printable = Key >= 32 && Key != 127;
  if (printable || Key == 8) {
    TDataSource* source = DataSource();
    if (ReadOnly() && source && !source->AutoEdit()) {
      Key = 0;
      return;
    }
    TField* f = Field();
    if (!f) {
      if (ReadOnly()) {
        Key = 0;
        return;
      }
      MakeEditable();
    } else if (vxisNonPhysicalField(f) && !ReadOnly()) {
      if (f->ReadOnly() || !f->DataSet()->CanModify()) {
        Key = 0;
        return;
      }
      f->DataSet()->Edit();
      MakeEditable();
    }
  }

  if (Key == ' ' && autoFillDate_ && (!HavePictureMask() || !Picture()->AutoFill())) {
    EnableEdit();
    if (DoAutoFillDate()) {
      Key = 0;
      if (OnCheckValue) IsValidPictureValue(Text());
      return;
    }
  }

  TvxCustomMaskEdit::KeyPress(Key);
  if (Key == 0) {
    if (KeyAccepted()) SetModified(true);
    return;
  }
  if (Key >= 32 && Key != 127 && Field() && !Field()->IsValidChar(Key)) {
    MessageBeep(0);
    Key = 0;
    return;
  }
  IvxEditGrid* grid = Grid();
  if (Key == 8 || Key == 22 || Key == 24 || (Key >= 32 && Key != 127)) {
    dataLink_->Edit();
    SetModified(true);
    if (!Editable()) Key = 0;
  } else if (Key == 9) {
    if (grid) Key = 0;
  } else if (Key == 13) {
    if (WantReturns()) {
      dataLink_->Edit();
      SetModified(true);
    } else if (grid) {
      Key = 0;
    }
  } else if (Key == 27) {
    Reset();
    Invalidate();
    Key = 0;
    if (grid) grid->GridControl()->SetFocus();
  }
}

void TvxDBCustomEdit::KeyDown(Word& Key, TShiftState Shift) {
  IvxEditGrid* grid = Grid();
  const int length = CharCount(Text());
  const int selStart = SelStart(), selLength = SelLength();
  if (grid && !(IsMemo() && selLength > 0 && selLength < length)) {
    auto toGrid = [&] {
      grid->GridControl()->SetFocus();
      grid->GridKeyDown(Key, Shift);
      Key = 0;
    };
    const bool editable = Editable();
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool atEnd = selStart == length && selLength == 0;
    const bool atStart = selStart == 0 && (selLength == 0 || selLength == length || (IsMasked() && selLength == 1));
    switch (Key) {
      case VK_ESCAPE:
        if (!Modified()) toGrid();
        break;
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
        if (!Shift.Contains(ssAlt)) toGrid();
        break;
      case VK_END:
      case VK_RIGHT:
        if (!editable || (grid->AlwaysShowEditor() && (ctrl || atEnd))) toGrid();
        break;
      case VK_HOME:
      case VK_LEFT:
        if (!editable || (grid->AlwaysShowEditor() && (ctrl || atStart))) toGrid();
        break;
      case VK_INSERT:
        if (!Shift.Contains(ssShift)) toGrid();
        break;
      case VK_DELETE:
        if (ctrl) toGrid();
        break;
      case VK_F2:
        grid->GridOnKeyDown(Key, Shift);
        if (Key == VK_F2) {
          if (editable) SetSelStart(SelStart() + SelLength());
          Key = 0;
          return;
        }
        break;
      default:
        break;
    }
    if (Key != 0) grid->GridOnKeyDown(Key, Shift);
  }
  TvxCustomMaskEdit::KeyDown(Key, Shift);
  if (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) {
    if (Field()) {
      dataLink_->Edit();
      SetModified(true);
    } else if (!ReadOnly()) {
      MakeEditable();
    }
  }
}

void TvxDBCustomEdit::CNKeyDown(TMessage& Message) {
  const Word key = Message.CharCode();
  const TShiftState shift = KeyDataToShiftState(Message.KeyData());
  if (WantReturns() && key == VK_RETURN && !shift.Contains(ssCtrl)) {
    Message.Result = 0;  // the edit keeps it
    return;
  }
  IvxEditGrid* grid = Grid();
  if (grid && (key == VK_RETURN || (key == VK_TAB && grid->TabsMove()))) {
    Word k = key;
    grid->GridControl()->SetFocus();
    grid->GridKeyDown(k, shift);
    Message.Result = 1;
    return;
  }
  TvxCustomMaskEdit::CNKeyDown(Message);
}

// ---- date and time from the clock

bool TvxDBCustomEdit::DoAutoFillDate() {
  const TvxEditDataType kind = DataKind();
  if (kind == vxDefault) return false;
  const std::string text = Text();
  const int length = CharCount(text);
  const int selStart = SelStart(), selLength = SelLength();
  const bool allSelected = selLength >= length;
  if (!allSelected && selStart < length) return false;
  if (ReadOnly()) {
    MessageBeep(0);
    return false;
  }
  if (TCustomEdit::ReadOnly()) return false;

  const TDateTime now = Now();
  Word year, month, day, hour, min, sec, msec;
  DecodeDate(now, year, month, day);
  DecodeTime(now, hour, min, sec, msec);
  const char ds = DateSeparator, ts = TimeSeparator;
  std::string s = allSelected ? std::string() : text;
  auto finish = [&] {
    SetText(s);
    SetSelStart(CharCount(s));
    SetModified(true);
    return true;
  };

  TvxDateTimeSelection part;
  if (kind == vxEdtTime) {
    part = vxGetTimeCursorPosition(CharCount(s), s);
  } else if (allSelected) {
    static constexpr TvxDateTimeSelection firstPart[] = {vxdsMonth, vxdsDay, vxdsYear};  // MDY, DMY, YMD
    part = firstPart[vxGetDateOrder(ShortDateFormat)];
  } else {
    if (CountOf(s, ds) < 2 && !EndsWith(s, ds)) {
      s += ds;
      return finish();
    }
    part = vxGetDateTimeCursorPosition(CharCount(s), s, false);
  }
  const bool dateComplete = CountOf(s, ds) >= 2 && !EndsWith(s, ds);
  if (part < vxdsHour && (dateComplete || kind == vxEdtTime)) part = vxdsHour;

  if (part <= vxdsYear) {
    const std::string lower = LowerCase(ShortDateFormat);
    if (part == vxdsDay)
      s += lower.find("dd") != std::string::npos ? TwoDigits(day) : IntToStr(day);
    else if (part == vxdsMonth)
      s += lower.find("mm") != std::string::npos ? TwoDigits(month) : IntToStr(month);
    else
      s += ShortDateFormat.find("yyyy") != std::string::npos ? IntToStr(year) : TwoDigits(year % 100);
    if (!EndsWith(s, ds) && CountOf(s, ds) < 2) s += ds;
    return finish();
  }

  if (kind == vxEdtDate) return false;
  bool timeOpen;
  if (!TimeAMString.empty()) {
    const std::string lower = AnsiLowerCase(s);
    auto holds = [&](const std::string& designator) {
      return !designator.empty() &&
             lower.find(AnsiLowerCase(designator.substr(0, CharOffset(designator, 1)))) != std::string::npos;
    };
    timeOpen = !holds(TimeAMString) && !holds(TimePMString);
  } else {
    timeOpen = !(CountOf(s, ts) >= 2 && !EndsWith(s, ts));
  }
  if (!timeOpen) return false;
  // The seconds come before the morning or afternoon mark: "h:mm: AM" is no time.
  if (CountOf(s, ts) >= 2 && part == vxdsSecond && !EndsWith(s, ts)) part = vxdsAMPM;
  switch (part) {
    case vxdsHour:
      if (kind == vxEdtDateTime && !EndsWith(s, ' ')) {
        s += ' ';
        break;
      }
      s += IntToStr(TimeAMString.empty() ? hour : (hour % 12 == 0 ? 12 : hour % 12));
      s += ts;
      break;
    case vxdsMinute:
      if (!EndsWith(s, ts)) {
        s += ts;
        break;
      }
      s += TwoDigits(min);
      s += ts;
      break;
    case vxdsSecond:
      s += TwoDigits(sec);
      break;
    default:
      if (!EndsWith(s, ' ')) s += ' ';
      s += hour < 12 ? "AM" : "PM";
      break;
  }
  return finish();
}

// ---- paste and cut

void TvxDBCustomEdit::WMPaste(TMessage& Message) {
  if (!Field() && ReadOnly()) return;
  if (Field())
    dataLink_->Edit();
  else
    MakeEditable();
  TvxCustomMaskEdit::WMPaste(Message);
  SetModified(true);
  // The picture rewrites what was pasted (case, filled-in literals); the
  // caret keeps its place in the text.
  const int pasted = CharCount(Text());
  const int caret = SelStart();
  ApplyMask();
  if (SelLength() == 0) SetSelStart(caret + CharCount(Text()) - pasted);
  if (OnCheckValue) IsValidPictureValue(Text());
}

void TvxDBCustomEdit::WMCut(TMessage& Message) {
  if (Field()) dataLink_->Edit();
  TvxCustomMaskEdit::WMCut(Message);
  SetModified(true);
  if (OnCheckValue) IsValidPictureValue(Text());
}

// ---- painting

void TvxDBCustomEdit::ShowText(TCanvas* Canvas, const TRect& Rect, int X, int Y, const std::string& Text) {
  Canvas->TextRect(Rect, X, Y, Text);
}

void TvxDBCustomEdit::FontChanged() {
  TvxCustomMaskEdit::FontChanged();
  if (HandleAllocated()) SetEditRect();
}

void TvxDBCustomEdit::WMPaint(TMessage& Message) {
  IvxEditGrid* grid = Grid();
  const bool copy = ControlState().Contains(csPaintCopy);
  if ((focused_ || alignment_ == taLeftJustify) && Editable() && !(grid && grid->GridFocused()) && !copy) {
    TvxCustomMaskEdit::WMPaint(Message);
    return;
  }
  PaintSelf();
}

void TvxDBCustomEdit::PaintSelf() {
  if (!canvas_) {
    canvas_ = std::make_unique<TControlCanvas>();
    canvas_->SetControl(this);
  }
  TCanvas* c = canvas_.get();
  IvxEditGrid* grid = Grid();
  const bool copy = ControlState().Contains(csPaintCopy);
  const bool inDataGrid = grid && grid->IsDataGrid();
  const bool gridFocused = grid && grid->GridFocused();
  c->SetFont(Font());
  if (!Enabled() && Color() != clInactiveCaption)
    c->Font()->SetColor(clInactiveCaption);
  else if (inDataGrid)
    c->Font()->SetColor(grid->GridFontColor());

  TRect r = ClientRect();
  if (BorderStyle() == bsSingle && (!Ctl3D() || (inDataGrid && !copy))) {
    c->Brush()->SetColor(clWindowFrame);
    c->FrameRect(r);
    InflateRect(r, -1, -1);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);

  std::string text = Text();
  TField* f = Field();
  if (f && IsMemo()) text = f->AsString();
  if (copy && f && !GetFieldMapText(text)) text = f->DisplayText();
  if (PasswordChar() != 0) text = CharsToUtf8(TChars(CharLength(text), PasswordChar()));

  const bool selected = !copy && (gridFocused || (focused_ && !Editable()));
  if (selected) {
    c->Brush()->SetColor(clHighlight);
    c->Font()->SetColor(clHighlightText);
  }
  const int d = gridFocused ? (BorderStyle() == bsSingle ? 3 : 2) : textMargin_;
  const int right = GetShowButton() ? GetIconLeft() : r.Right;
  int x = r.Left + d + 1;
  if (alignment_ == taRightJustify)
    x = right - d - c->TextWidth(text);
  else if (alignment_ == taCenter)
    x = r.Left + (right - r.Left - c->TextWidth(text)) / 2;
  if (WordWrap() || text.find_first_of("\r\n") != std::string::npos)
    vxWriteTextLines(c, r, x - r.Left, alignment_, text, d);
  else
    ShowText(c, r, x, r.Top + d, text);
  if (selected) c->DrawFocusRect(r);
}

// ---- messages

void TvxDBCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_ENTER: return CMEnter(Message);
    case CM_EXIT: return CMExit(Message);
    case CM_GETDATALINK: Message.Result = reinterpret_cast<LRESULT>(dataLink_.get()); return;
    case WM_VSCROLL:
      if (Grid() && !Focused()) SetFocus();
      break;
    default: break;
  }
  TvxCustomMaskEdit::Dispatch(Message);
}

// ---------------------------------------------------------------- TvxDBEdit

FW_PUBLISH(TvxDBEdit) {
  c.Property("AutoFillDate", &TvxDBEdit::AutoFillDate, &TvxDBEdit::SetAutoFillDate).Default(true);
  c.Property("DataField", &TvxDBEdit::DataField, &TvxDBEdit::SetDataField);
  c.Property("DataSource", &TvxDBEdit::DataSource, &TvxDBEdit::SetDataSource);
  c.Property("Picture", &TvxDBEdit::Picture, &TvxDBEdit::SetPicture)
      .Stored(false);  // written by the edit itself when it is not dataset-backed
  c.Property("ReadOnly", &TvxDBEdit::ReadOnly, &TvxDBEdit::SetReadOnly).Default(false);
  c.Property("ShowVertScrollBar", &TvxDBEdit::ShowVertScrollBar, &TvxDBEdit::SetShowVertScrollBar).Default(false);
  c.Property("UnboundDataType", &TvxDBEdit::UnboundDataType, &TvxDBEdit::SetUnboundDataType).Default(vxDefault);
  c.Property("UsePictureMask", &TvxDBEdit::UsePictureMask, &TvxDBEdit::SetUsePictureMask).Default(true);
  c.Property("WantReturns", &TvxDBEdit::WantReturns, &TvxDBEdit::SetWantReturns).Default(false);
  c.Property("WordWrap", &TvxDBEdit::WordWrap, &TvxDBEdit::SetWordWrap).Default(false);
}

}  // namespace vx
