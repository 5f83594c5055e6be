#include "Vxlocate.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Chars.h"
#include "DateTime.h"
#include "Dialogs.h"
#include "Fields.h"
#include "NuboDataSet.h"
#include "Scope.h"
#include "Table.h"
#include "Text.h"
#include "Vxcommon.h"
#include "Vxengine.h"
#include "Vxintl.h"
#include "Vxstr.h"
#include "Vxsystem.h"

using namespace fw;

namespace vx {

FW_PUBLISH(TvxLocateDialog) {
  c.Property("Caption", &TvxLocateDialog::Caption, &TvxLocateDialog::SetCaption);
  c.Property("DataSource", &TvxLocateDialog::DataSource, &TvxLocateDialog::SetDataSource);
  c.Property("SearchField", &TvxLocateDialog::SearchField, &TvxLocateDialog::SetSearchField);
  c.Property("MatchType", &TvxLocateDialog::MatchType, &TvxLocateDialog::SetMatchType).Default(mtPartialMatchStart);
  c.Property("CaseSensitive", &TvxLocateDialog::CaseSensitive, &TvxLocateDialog::SetCaseSensitive).Default(0);
  c.Property("SortFields", &TvxLocateDialog::SortFields, &TvxLocateDialog::SetSortFields).Default(fsSortByFieldName);
  c.Property("DefaultButton", &TvxLocateDialog::DefaultButton, &TvxLocateDialog::SetDefaultButton).Default(dbFindNext);
  c.Property("FieldSelection", &TvxLocateDialog::FieldSelection, &TvxLocateDialog::SetFieldSelection)
      .Default(fsAllFields);
  c.Property("ShowMessages", &TvxLocateDialog::ShowMessages, &TvxLocateDialog::SetShowMessages).Default(1);
  c.Event("OnInitDialog", &TvxLocateDialog::OnInitDialog);
}

FW_PUBLISH(TvxLocateDlg) {
  c.Field("FieldValueGroup", &TvxLocateDlg::FieldValueGroup);
  c.Field("SearchValue", &TvxLocateDlg::SearchValue);
  c.Field("SearchTypeGroup", &TvxLocateDlg::SearchTypeGroup);
  c.Field("CaseSensitiveCheckBox", &TvxLocateDlg::CaseSensitiveCheckBox);
  c.Field("SeparatorPanel", &TvxLocateDlg::SeparatorPanel);
  c.Field("ExactMatchBtn", &TvxLocateDlg::ExactMatchBtn);
  c.Field("PartialMatchStartBtn", &TvxLocateDlg::PartialMatchStartBtn);
  c.Field("PartialMatchAnyBtn", &TvxLocateDlg::PartialMatchAnyBtn);
  c.Field("FieldsGroup", &TvxLocateDlg::FieldsGroup);
  c.Field("FieldNameComboBox", &TvxLocateDlg::FieldNameComboBox);
  c.Field("FirstButton", &TvxLocateDlg::FirstButton);
  c.Field("NextButton", &TvxLocateDlg::NextButton);
  c.Method("FormShow", &TvxLocateDlg::FormShow);
  c.Method("FirstButtonClick", &TvxLocateDlg::FirstButtonClick);
  c.Method("NextButtonClick", &TvxLocateDlg::NextButtonClick);
  c.Method("FieldNameComboBoxChange", &TvxLocateDlg::FieldNameComboBoxChange);
  c.Method("FieldNameComboBoxEnter", &TvxLocateDlg::FieldNameComboBoxEnter);
  c.Method("FieldNameComboBoxExit", &TvxLocateDlg::FieldNameComboBoxExit);
  c.Method("FieldNameComboBoxKeyDown", &TvxLocateDlg::FieldNameComboBoxKeyDown);
}

// ---------------------------------------------------------------- vxFindMatch

namespace {

bool IsMemo(const TField* Field) { return Field->DataType() == ftMemo || Field->DataType() == ftFmtMemo; }

bool IsFloat(TFieldType Type) { return Type == ftFloat || Type == ftCurrency || Type == ftBCD; }

// A value's text as the search compares it: numbers in decimal and by the
// float-to-text, Booleans "True"/"False", a date-time by its date.
struct TValueText {
  std::string Text;
  double Number = 0;  // float, currency and BCD fields
};

TValueText NativeText(TFieldType Type, const std::uint8_t* Value) {
  TValueText v;
  auto get = [Value](auto x) {
    std::memcpy(&x, Value, sizeof x);
    return x;
  };
  switch (Type) {
    case ftString: v.Text = NativeToAnsi(reinterpret_cast<const char*>(Value)); break;
    case ftSmallint: v.Text = IntToStr(get(std::int16_t{})); break;
    case ftWord: v.Text = IntToStr(get(std::uint16_t{})); break;
    case ftInteger:
    case ftAutoInc: v.Text = IntToStr(get(std::int32_t{})); break;
    case ftBoolean: v.Text = get(std::uint16_t{}) ? "True" : "False"; break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      v.Number = get(double{});
      v.Text = FloatToStr(v.Number);
      break;
    case ftDate: v.Text = DateToStr(TimeStampToDateTime(TTimeStamp{0, get(std::int32_t{})})); break;
    case ftTime: v.Text = TimeToStr(TimeStampToDateTime(TTimeStamp{get(std::int32_t{}), DateDelta})); break;
    case ftDateTime: v.Text = DateToStr(TimeStampToDateTime(MSecsToTimeStamp(get(double{})))); break;
    default: break;
  }
  return v;
}

// The current record's field, read the way the scan reads the engine's.
TValueText FieldText(TField* Field) {
  if (IsMemo(Field) || vxisNonPhysicalField(Field) || Field->IsBlob()) return {Field->AsString()};
  std::vector<std::uint8_t> native(static_cast<std::size_t>(std::max(Field->DataSize(), 8)) + 1, 0);
  if (!Field->GetData(native.data())) return {};
  return NativeText(Field->DataType(), native.data());
}

class TMatcher {
public:
  TMatcher(TField* Field, bool CaseSensitive, TvxLocateMatchType MatchType, const std::string& Value)
      : caseSensitive_(CaseSensitive), matchType_(MatchType), memo_(IsMemo(Field)),
        floatExact_(MatchType == mtExactMatch && IsFloat(Field->DataType()) && !Value.empty()) {
    std::string v = memo_ ? CharsToUtf8(Copy(Utf8ToChars(Value), 1, 255)) : Value;
    value_ = caseSensitive_ ? v : AnsiUpperCase(v);
    if (floatExact_ && vxStrToFloat(Value)) {
      numeric_ = true;
      number_ = StrToFloat(Value);
    }
  }

  bool Matches(const TValueText& v) const {
    if (floatExact_) return numeric_ && !v.Text.empty() && v.Number == number_;
    const std::string text = caseSensitive_ ? v.Text : AnsiUpperCase(v.Text);
    switch (matchType_) {
      case mtExactMatch: return text == value_;
      case mtPartialMatchStart: return !value_.empty() && text.compare(0, value_.size(), value_) == 0;
      default: return !value_.empty() && text.find(value_) != std::string::npos;
    }
  }

private:
  bool caseSensitive_;
  TvxLocateMatchType matchType_;
  bool memo_;
  bool floatExact_;
  bool numeric_ = false;
  double number_ = 0;
  std::string value_;
};

// The index shortcut: a verdict, or nothing for the scan to go on (then
// StopAtMiss says the scan may stop at the first record that does not match).
enum class TShortcut { Scan, Found, NotFound };

TShortcut ByIndex(TTable* Table, TField* Field, bool FromBeginning, bool CaseSensitive, TvxLocateMatchType MatchType,
                  const std::string& Value, const TMatcher& Matcher, bool& StopAtMiss) {
  Table->IndexDefs()->Update();
  if (Table->IndexFieldCount() == 0 ||
      AnsiUpperCase(Table->IndexFields(0)->FieldName()) != AnsiUpperCase(Field->FieldName()))
    return TShortcut::Scan;
  const bool indexCaseSensitive = !Table->IndexOptions().Contains(ixCaseInsensitive);
  const bool isString = Field->DataType() == ftString;
  // A key the field cannot hold is no key: the scan compares texts instead.
  if (!vxFieldIsValidValue(Field, Value) || (isString && CharLength(Value) > static_cast<std::size_t>(Field->Size())))
    return TShortcut::Scan;
  const std::string current = FieldText(Field).Text;
  if (MatchType == mtExactMatch) {
    if (Field->DataType() == ftBoolean || (current == Value && !FromBeginning) ||
        (isString && indexCaseSensitive != CaseSensitive))
      return TShortcut::Scan;
    return Table->FindKey({Variant(Value)}) ? TShortcut::Found : TShortcut::NotFound;
  }
  // A descending index holds the matches before the value: only the scan finds them.
  if (MatchType != mtPartialMatchStart || !isString || indexCaseSensitive != CaseSensitive ||
      Table->IndexOptions().Contains(ixDescending))
    return TShortcut::Scan;
  StopAtMiss = true;
  if (!FromBeginning && Matcher.Matches({current})) return TShortcut::Scan;
  if (!FromBeginning) {
    const int order = CaseSensitive ? CompareStr(Value, current) : AnsiCompareText(Value, current);
    if (order < 0) return TShortcut::NotFound;
  }
  const TBookmark start = Table->GetBookmark();
  Table->FindNearest({Variant(Value)});
  if (Matcher.Matches(FieldText(Field))) return TShortcut::Found;
  Table->GotoBookmark(start);
  return TShortcut::NotFound;
}

}  // namespace

bool vxFindMatch(bool FromBeginning, TDataSet* DataSet, const std::string& FieldName, bool CaseSensitive,
                 TvxLocateMatchType MatchType, const std::string& Value) {
  if (!DataSet->Active()) return false;
  DataSet->CheckBrowseMode();
  TField* field = DataSet->FindField(FieldName);
  if (!field) {
    MessageDlg("Field " + FieldName + " not found.", mtWarning, {mbOK}, 0);
    return false;
  }
  if (DataSet->IsEmpty()) return false;
  const TMatcher matcher(field, CaseSensitive, MatchType, Value);
  bool stopAtMiss = false;
  auto* table = dynamic_cast<TTable*>(DataSet);
  if (table && !IsMemo(field) && !vxIsTableQuery(DataSet)) {
    switch (ByIndex(table, field, FromBeginning, CaseSensitive, MatchType, Value, matcher, stopAtMiss)) {
      case TShortcut::Found: return true;
      case TShortcut::NotFound: return false;
      case TShortcut::Scan: break;
    }
  }

  const TBookmark start = DataSet->GetBookmark();
  THourGlassScope hourGlass;
  auto* engineSet = dynamic_cast<TNuboDataSet*>(DataSet);
  const bool nonPhysical = vxisNonPhysicalField(field);
  // Records come from the engine's cursor straight into a buffer of ours,
  // except where only the dataset knows the value.
  const bool raw = engineSet && !IsMemo(field) && !nonPhysical && !field->IsBlob();
  if (nonPhysical) DataSet->DisableControls();
  TScopeExit enable([&] {
    if (nonPhysical) DataSet->EnableControls();
  });
  bool found = false;
  bool back = true;  // to the starting record when nothing matched
  {
    TScopeFail restore([&] {
      if (back) DataSet->GotoBookmark(start);
    });
    if (FromBeginning) {
      DataSet->First();
      found = matcher.Matches(FieldText(field));
    }
    DataSet->CursorPosChanged();
    DataSet->UpdateCursorPos();
    if (raw) {
      engineSet->CursorMoved();  // the scan reads on through the engine itself
      const hOrvexCursor cursorHandle = engineSet->Handle();
      const OrvexFieldDesc& desc = engineSet->FieldDesc(field->FieldNo());
      const auto fieldNo = static_cast<std::uint16_t>(field->FieldNo());
      std::vector<std::uint8_t> record(engineSet->CursorProps().recordSize + ORVEX_BOOKMARK_SIZE);
      std::vector<std::uint8_t> value(std::max<std::size_t>(desc.length, 8) + 1);
      const TFieldType type = field->DataType();
      while (!found) {
        const OrvexResult r = NuboGetNextRecord(cursorHandle, 0, record.data(), nullptr);
        if (r != ORVEX_OK) {
          // A read that a filter callback stopped raises its error, from where the search began.
          if (r == ORVEX_ERR_CALLBACKABORT) {
            back = false;
            DataSet->GotoBookmark(start);
            CheckCallbackAbort(r);
          }
          break;
        }
        std::uint16_t blank = 0;
        Check(NuboGetField(cursorHandle, fieldNo, record.data(), value.data(), &blank));
        if (type == ftBCD && !blank) {
          double d = 0;
          Check(NuboBcdToFloat(value.data(), &d));
          std::memcpy(value.data(), &d, sizeof d);
        }
        found = matcher.Matches(blank ? TValueText{} : NativeText(type, value.data()));
        if (found) DataSet->Resync({rmExact, rmCenter});
        if (!found && stopAtMiss) break;
      }
    } else {
      while (!found) {
        DataSet->Next();
        if (DataSet->Eof()) break;
        found = matcher.Matches(FieldText(field));
        if (!found && stopAtMiss) break;
      }
    }
  }
  if (!found) DataSet->GotoBookmark(start);
  return found;
}

// ---------------------------------------------------------------- TvxLocateDialog

TvxLocateDialog::TvxLocateDialog(TComponent* AOwner)
    : TComponent(AOwner), DataLink_(std::make_unique<TDataLink>()) {}

TvxLocateDialog::~TvxLocateDialog() { DataLink_->SetDataSource(nullptr); }

void TvxLocateDialog::SetDataSource(TDataSource* Value) {
  DataLink_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
}

void TvxLocateDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && DataLink_ && AComponent == DataSource()) SetDataSource(nullptr);
}

TDataSet* TvxLocateDialog::DataSet() const { return DataSource() ? DataSource()->DataSet() : nullptr; }

bool TvxLocateDialog::Execute() {
  TDataSet* dataSet = DataSet();
  if (!dataSet || !dataSet->Active()) {
    MessageDlg("DataSource does not reference an active DataSet", mtError, {mbOK}, 0);
    return false;
  }
  std::unique_ptr<TvxLocateDlg> form(NewForm<TvxLocateDlg>(nullptr));
  TRestoreScope<TvxLocateDlg*> shown(Form_, form.get());
  form->LocateDialog = this;
  form->DataSet = dataSet;
  TStrings* items = form->FieldNameComboBox->Items();
  form->FieldNameComboBox->SetSorted(SortFields_ == fsSortByFieldName);
  for (int i = 0; i < dataSet->FieldCount(); ++i) {
    TField* f = dataSet->Fields(i);
    if (!vxValidFilterableFieldType(f->DataType())) continue;
    if (FieldSelection_ == fsVisibleFields && !f->Visible()) continue;
    items->Add(strReplaceChar(f->DisplayLabel(), '~', ' '));
  }
  form->FirstButton->SetDefault(DefaultButton_ == dbFindFirst);
  form->NextButton->SetDefault(DefaultButton_ == dbFindNext);
  if (TField* f = dataSet->FindField(SearchField_)) {
    form->SearchValue->SetText(FieldValue_);
    form->FieldNameComboBox->SetItemIndex(items->IndexOf(strReplaceChar(f->DisplayLabel(), '~', ' ')));
  } else {
    form->SearchValue->SetText("");
  }
  form->CaseSensitiveCheckBox->SetChecked(CaseSensitive_);
  form->SetMatchType(MatchType_);
  form->SetCaption(Caption_);
  const bool result = form->ShowModal() == mrOk;
  MatchType_ = form->MatchType();
  CaseSensitive_ = form->CaseSensitiveCheckBox->Checked();
  FieldValue_ = form->SearchValue->Text();
  SearchField_ = form->FieldName();
  return result;
}

bool TvxLocateDialog::Find(bool FromBeginning) {
  TDataSet* dataSet = DataSet();
  if (!dataSet || !dataSet->Active()) {
    MessageDlg("DataSource does not refer to an active table!", mtWarning, {mbOK}, 0);
    return false;
  }
  if (FieldValue_.empty()) {
    DefaultButton_ = FromBeginning ? dbFindFirst : dbFindNext;
    return Execute();
  }
  if (vxFindMatch(FromBeginning, dataSet, SearchField_, CaseSensitive_, MatchType_, FieldValue_)) return true;
  if (ShowMessages_)
    MessageDlg(vxInternational()->UserMessages()->LocateNoMoreMatches(), mtInformation, {mbOK}, 0);
  return false;
}

bool TvxLocateDialog::FindFirst() { return Find(true); }

bool TvxLocateDialog::FindNext() { return Find(false); }

// ---------------------------------------------------------------- TvxLocateDlg

TvxLocateDlg::TvxLocateDlg(TComponent* AOwner) : TForm(AOwner) {}

TvxLocateDlg::~TvxLocateDlg() = default;

void TvxLocateDlg::AfterConstruction() {
  TForm::AfterConstruction();
  const int ppi = Screen->PixelsPerInch();
  CancelButton = vxCreateCommonButton(this, bkCancel);
  CancelButton->SetName("CancelButton");
  CancelButton->SetTabOrder(5);
  CancelButton->SetWidth(ppi * 72 / 96);
  CancelButton->SetHeight(ppi * 27 / 96);
  CancelButton->SetTop(NextButton->Top());
  CancelButton->SetLeft(FieldsGroup->Left() + FieldsGroup->Width() - 1 - CancelButton->Width());
  CancelButton->SetVisible(true);
}

std::string TvxLocateDlg::FieldName() const {
  const std::string label = FieldNameComboBox->Text();
  if (!DataSet || label.empty()) return {};
  for (bool physical : {true, false}) {
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
      TField* f = DataSet->Fields(i);
      if (vxisNonPhysicalField(f) == physical) continue;
      if (strReplaceChar(f->DisplayLabel(), '~', ' ') == label) return f->FieldName();
    }
  }
  return {};
}

TvxLocateMatchType TvxLocateDlg::MatchType() const {
  if (ExactMatchBtn->Checked()) return mtExactMatch;
  if (PartialMatchAnyBtn->Checked()) return mtPartialMatchAny;
  return mtPartialMatchStart;
}

void TvxLocateDlg::SetMatchType(TvxLocateMatchType Value) {
  ExactMatchBtn->SetChecked(Value == mtExactMatch);
  PartialMatchStartBtn->SetChecked(Value == mtPartialMatchStart);
  PartialMatchAnyBtn->SetChecked(Value == mtPartialMatchAny);
}

void TvxLocateDlg::FormShow(TObject*) {
  const TvxLocateDialogIntl* t = vxInternational()->LocateDialog();
  FieldValueGroup->SetCaption(t->FieldValueLabel());
  SearchTypeGroup->SetCaption(t->SearchTypeLabel());
  FieldsGroup->SetCaption(t->FieldsLabel());
  CaseSensitiveCheckBox->SetCaption(t->CaseSensitiveLabel());
  ExactMatchBtn->SetCaption(t->MatchExactLabel());
  PartialMatchStartBtn->SetCaption(t->MatchStartLabel());
  PartialMatchAnyBtn->SetCaption(t->MatchAnyLabel());
  FirstButton->SetCaption(t->BtnFirst());
  NextButton->SetCaption(t->BtnNext());
  CancelButton->SetCaption(t->BtnCancel());
  SearchValue->SetHint(t->FieldValueHint());
  CaseSensitiveCheckBox->SetHint(t->CaseSensitiveHint());
  ExactMatchBtn->SetHint(t->MatchExactHint());
  PartialMatchStartBtn->SetHint(t->MatchStartHint());
  PartialMatchAnyBtn->SetHint(t->MatchAnyHint());
  FirstButton->SetHint(t->BtnFirstHint());
  NextButton->SetHint(t->BtnNextHint());
  FieldNameComboBox->SetHint(t->FieldNameHint());
  Font()->SetStyle(vxInternational()->DialogFontStyle());
  LastFieldIndex_ = FieldNameComboBox->ItemIndex();
  if (LocateDialog && LocateDialog->OnInitDialog) LocateDialog->OnInitDialog(this);
}

void TvxLocateDlg::Search(bool FromBeginning) {
  if (DataSet && vxFindMatch(FromBeginning, DataSet, FieldName(), CaseSensitiveCheckBox->Checked(), MatchType(),
                             SearchValue->Text())) {
    SetModalResult(mrOk);
    return;
  }
  const TvxUserMessagesIntl* m = vxInternational()->UserMessages();
  MessageDlg(FromBeginning ? m->LocateNoMatches() : m->LocateNoMoreMatches(), mtInformation, {mbOK}, 0);
}

void TvxLocateDlg::FirstButtonClick(TObject*) { Search(true); }

void TvxLocateDlg::NextButtonClick(TObject*) { Search(false); }

void TvxLocateDlg::FieldNameComboBoxChange(TObject*) {
  // Picking the same field again keeps the value typed.
  if (FieldNameComboBox->ItemIndex() != LastFieldIndex_) SearchValue->SetText("");
  LastFieldIndex_ = FieldNameComboBox->ItemIndex();
  if (!FieldNameComboBox->DroppedDown()) SearchValue->SetFocus();
}

void TvxLocateDlg::FieldNameComboBoxEnter(TObject*) { NextButton->SetDefault(false); }

void TvxLocateDlg::FieldNameComboBoxExit(TObject*) {
  NextButton->SetDefault(!LocateDialog || LocateDialog->DefaultButton() == dbFindNext);
}

void TvxLocateDlg::FieldNameComboBoxKeyDown(TObject*, Word& Key, TShiftState) {
  if (Key != VK_RETURN || !FieldNameComboBox->DroppedDown()) return;
  FieldNameComboBox->SetDroppedDown(false);
  SearchValue->SetFocus();
  Key = 0;
}

}  // namespace vx
