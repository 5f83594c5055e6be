// The lookup controls: TvxDBLookupList, a grid over a lookup table whose row
// with the bound field's key is highlighted and whose picked row writes the
// key back; TvxPopupGrid, that list as the drop-down of TvxDBCustomLookupCombo,
// an edit bound to a field that searches the lookup table as the user types
// (after a pause while the list is open) and writes up to three keys.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "Buttons.h"
#include "DataSource.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "Vxdbigrd.h"
#include "Vxdotdot.h"
#include "Vxlocate.h"

namespace vx {

class TvxDBCustomLookupCombo;

FW_ENUM(TvxDBLookupListOption, loColLines, loRowLines, loTitles)
using TvxDBLookupListOptions = fw::TFlags<TvxDBLookupListOption>;
FW_ENUM(TvxSeqSearchOption, ssoEnabled, ssoCaseSensitive)
using TvxSeqSearchOptions = fw::TFlags<TvxSeqSearchOption>;
FW_ENUM(TvxCalcFieldType, cftUnknown, cftCalculated, cftNotCalculated)

using TNotifyCloseUpEvent =
    std::function<void(fw::TObject* Sender, fw::TDataSet* LookupTable, fw::TDataSet* FillTable, bool Modified)>;
using TNotInListEvent =
    std::function<void(fw::TObject* Sender, fw::TDataSet* LookupTable, const std::string& NewValue, bool& Accept)>;

// ---------------------------------------------------------------- the lookup list

class TvxDBLookupList : public TvxCustomDBGrid {
  FW_CLASS(TvxDBLookupList, TvxCustomDBGrid)
public:
  explicit TvxDBLookupList(fw::TComponent* AOwner);
  ~TvxDBLookupList() override;

  // ---- the bound field (the grid's own source is the lookup source)
  fw::TDataSource* DataSource() const { return fieldLink_->DataSource(); }
  void SetDataSource(fw::TDataSource* Value);
  const std::string& DataField() const { return fieldLink_->FieldName(); }
  void SetDataField(const std::string& Value);
  fw::TFieldDataLink* FieldLink() const { return fieldLink_.get(); }
  bool ReadOnly() const { return fieldLink_->ReadOnly(); }
  void SetReadOnly(bool Value) { fieldLink_->SetReadOnly(Value); }

  // ---- the lookup table
  fw::TDataSource* LookupSource() const { return lookupSource_; }
  void SetLookupSource(fw::TDataSource* Value);
  fw::TDataSet* LookupTable() const;
  // Nil unbinds it.
  void SetLookupTable(fw::TDataSet* Value);
  const std::string& LookupField() const { return lookupField_; }
  void SetLookupField(const std::string& Value);
  TvxDBLookupListOptions ListOptions() const { return listOptions_; }
  void SetListOptions(TvxDBLookupListOptions Value);

  // ---- the keys and what shows
  fw::TField* KeyField(int I) const { return I >= 0 && I < 3 ? keyFields_[I] : nullptr; }
  fw::TField* DisplayField() const { return displayField_; }
  int KeyCount() const { return keyCount_; }
  const std::string& Value() const { return value_[0]; }
  const std::string& Value2() const { return value_[1]; }
  const std::string& Value3() const { return value_[2]; }
  void SetValue2(const std::string& V) { value_[1] = V; }
  void SetValue3(const std::string& V) { value_[2] = V; }
  void ClearValues();
  void SetValue(const std::string& Value);
  const std::string& DisplayValue() const { return displayValue_; }
  void SetDisplayValue(const std::string& Value);
  int PickedRow() const { return pickedRow_; }
  void SetPickedRow(int Row) { pickedRow_ = Row; }
  bool Found() const { return found_; }

  // Resolves LookupField; RaiseOnMissing: a missing first key raises.
  void InitFields(bool RaiseOnMissing);
  void NewLayout();
  void DoLookup(bool Settle);
  void FastLookup();
  // The current row becomes the value (and OnClick).
  void ListClick();
  // The combo whose drop-down this is, or nullptr.
  TvxDBCustomLookupCombo* Combo() const { return combo_; }

  virtual bool CanEdit();
  fw::TNotifyEvent OnClick;

  void Loaded() override;
  void Dispatch(fw::TMessage& Message) override;
  void LinkActive(bool Active) override;
  void DataChanged() override;
  void Scroll(int Distance) override;

protected:
  void DefineFieldMap() override;
  void SetColumnAttributes() override;
  bool HighlightCell(int DataCol, int DataRow, const std::string& Value, fw::TGridDrawState State) override;
  void Paint() override;
  void CreateWnd() override;
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyPress(fw::TChar& Key) override;
  void MouseDown(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void MouseMove(fw::TShiftState Shift, int X, int Y) override;
  void MouseUp(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  bool CanGridAcceptKey(fw::Word Key, fw::TShiftState Shift) override;
  void WMVScroll(fw::TMessage& Message) override;
  void WMSize(fw::TMessage& Message) override;

  friend class TvxDBCustomLookupCombo;
  TvxDBCustomLookupCombo* combo_ = nullptr;
  // The combo is sizing its drop-down: size changes count though hidden.
  bool sizing_ = false;

private:
  void FieldDataChange();
  void FieldUpdateData();
  void LookupActiveChange();
  void StopTracking();
  void InvalidatePicked();
  bool ValuesMatch();

  std::unique_ptr<fw::TFieldDataLink> fieldLink_;
  fw::TDataSource* lookupSource_ = nullptr;
  std::string lookupField_;
  fw::TField* keyFields_[3] = {nullptr, nullptr, nullptr};
  fw::TField* displayField_ = nullptr;
  int keyCount_ = 0;
  std::string value_[3];
  std::string displayValue_;
  int pickedRow_ = -1;
  bool found_ = false;
  int nestedDataChange_ = 0;
  bool tracking_ = false;
  bool inKey_ = false;
  TvxDBLookupListOptions listOptions_;
};

class TvxPopupGrid : public TvxDBLookupList {
  FW_CLASS(TvxPopupGrid, TvxDBLookupList)
public:
  explicit TvxPopupGrid(fw::TComponent* AOwner);
  bool CanEdit() override;
  void LinkActive(bool Active) override;
  void Dispatch(fw::TMessage& Message) override;

protected:
  friend class TvxDBCustomLookupCombo;
  void CreateParams(fw::TCreateParams& Params) override;
  void CreateWnd() override;
  void MouseDown(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
};

// ---------------------------------------------------------------- the lookup combo

class TvxComboButton : public fw::TSpeedButton {
  FW_CLASS(TvxComboButton, fw::TSpeedButton)
public:
  using fw::TSpeedButton::TSpeedButton;

protected:
  void MouseDown(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void MouseMove(fw::TShiftState Shift, int X, int Y) override;
  void MouseUp(fw::TMouseButton Button, fw::TShiftState Shift, int X, int Y) override;
  void Paint() override;

private:
  // The press went on to the open list: the drag and the release follow it there.
  bool handedOver_ = false;
};

class TvxDBCustomLookupCombo : public fw::TCustomEdit {
  FW_CLASS(TvxDBCustomLookupCombo, fw::TCustomEdit)
public:
  explicit TvxDBCustomLookupCombo(fw::TComponent* AOwner);
  ~TvxDBCustomLookupCombo() override;

  // ---- binding
  fw::TDataSource* DataSource() const { return fieldLink_->DataSource(); }
  void SetDataSource(fw::TDataSource* Value);
  const std::string& DataField() const { return fieldLink_->FieldName(); }
  void SetDataField(const std::string& Value);
  fw::TField* Field() const { return fieldLink_->Field(); }
  fw::TFieldDataLink* FieldLink() const { return fieldLink_.get(); }
  bool ReadOnly() const { return fieldLink_->ReadOnly(); }
  void SetReadOnly(bool Value);
  fw::TDataSet* LookupTable() const { return list_->LookupTable(); }
  void SetLookupTable(fw::TDataSet* Value);
  fw::TDataSource* LookupSource() const { return list_->LookupSource(); }
  const std::string& LookupField() const { return list_->LookupField(); }
  void SetLookupField(const std::string& Value);

  // ---- look and behaviour
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int Value) { dropDownCount_ = Value; }
  int DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(int Value) { dropDownWidth_ = Value; }
  fw::TLeftRight DropDownAlignment() const { return dropDownAlignment_; }
  void SetDropDownAlignment(fw::TLeftRight Value) { dropDownAlignment_ = Value; }
  TvxDBLookupComboStyle Style() const { return style_; }
  void SetStyle(TvxDBLookupComboStyle Value) { style_ = Value; }
  TvxDBLookupListOptions Options() const { return list_->ListOptions(); }
  void SetOptions(TvxDBLookupListOptions Value) { list_->SetListOptions(Value); }
  fw::TStrings* Selected() const { return list_->Selected(); }
  void SetSelected(const fw::TStrings* Value) { list_->SetSelected(Value); }
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool Value) { autoDropDown_ = Value; }
  bool ShowButton() const { return panel_->Visible(); }
  void SetShowButton(bool Value);
  TvxSeqSearchOptions SeqSearchOptions() const { return seqSearchOptions_; }
  void SetSeqSearchOptions(TvxSeqSearchOptions Value) { seqSearchOptions_ = Value; }
  bool OrderByDisplay() const { return orderByDisplay_; }
  void SetOrderByDisplay(bool Value) { orderByDisplay_ = Value; }
  bool UseTFields() const { return list_->UseTFields(); }
  void SetUseTFields(bool Value) { list_->SetUseTFields(Value); }
  bool AllowClearKey() const { return allowClearKey_; }
  void SetAllowClearKey(bool Value) { allowClearKey_ = Value; }
  bool ShowMatchText() const { return showMatchText_; }
  void SetShowMatchText(bool Value) { showMatchText_ = Value; }
  fw::TNotifyEvent OnDropDown;
  TNotifyCloseUpEvent OnCloseUp;
  TNotInListEvent OnNotInList;

  // ---- values
  std::string Value();
  const std::string& Value2() const { return list_->Value2(); }
  const std::string& Value3() const { return list_->Value3(); }
  const std::string& LookupValue() const { return list_->Value(); }
  std::string DisplayValue() const { return Text(); }
  void SetDisplayValue(const std::string& Value);
  void SetValue(const std::string& Value);
  bool IsLookupRequired();

  // ---- parts
  TvxPopupGrid* List() const { return list_; }
  fw::TTimer* SearchTimer() const { return timer_; }
  TvxComboButton* Button() const { return button_; }
  fw::TWinControl* ButtonPanel() const { return panel_; }
  bool ListVisible() const;
  bool Found() const { return found_; }
  void SetFound(bool Value) { found_ = Value; }
  void SetLastTypedText(const std::string& Value) { lastTypedText_ = Value; }
  bool InChangeFromLink() const { return inChangeFromLink_; }

  bool Editable();
  bool MouseEditable();
  bool CanEdit();
  void EnableEdit();
  bool IsCalculated();

  // ---- the search
  bool UseSeqSearch();
  int GetSearchIndex();
  void UpdateSearchIndex(bool Immediate);
  void PerformSearch();
  void OnEditTimerEvent(fw::TObject* Sender);
  bool FindRecord(const std::string& Value, const std::string& FieldName, TvxLocateMatchType MatchType,
                  bool CaseSensitive);
  bool DoFindRecord(const std::string& Value, const std::string& FieldName, TvxLocateMatchType MatchType);
  const std::string& LastSearchText() const { return lastSearchText_; }

  virtual void DrawButton(fw::TCanvas* Canvas, const fw::TRect& Rect, fw::TButtonState State,
                          fw::TControlState ControlState, bool& DefaultPaint);
  virtual fw::TBitmap* LoadComboGlyph();
  virtual bool IsLookupDlg() { return false; }
  virtual void DropDown();
  virtual void CloseUp(bool Accept);

  void RedrawListGrid();
  void GridClick(fw::TObject* Sender);
  // Writes the keys through the link fields of a calculated data field.
  void VxChangeFromLink(fw::TDataSet* LookupTable, bool& Modified);
  void DataChange();
  void ButtonPressed();

  void Loaded() override;
  void Dispatch(fw::TMessage& Message) override;
  void WndProc(fw::TMessage& Message) override;

protected:
  friend class TvxDBLookupList;
  friend class TvxComboButton;
  void CreateParams(fw::TCreateParams& Params) override;
  void BoundsChanged() override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyUp(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyPress(fw::TChar& Key) override;
  void Change() override;
  void DoEnter() override;
  void CNKeyDown(fw::TMessage& Message) override;
  void WMPaint(fw::TMessage& Message) override;
  void Notification(fw::TComponent* AComponent, fw::TOperation Operation) override;
  IvxEditGrid* Grid() const;

private:
  void UpdateData();
  void EditingChange();
  void ActiveChange();
  void UpdateButtonPosition();
  void SetEditRect();
  void SaveEntry();
  void RestoreEntry();
  void EnsureSelected();
  int ListHeight(int Rows) const;
  void HideList();
  void SetListFocusedState();
  bool IsTableDetailOfSource();
  void HandToGrid(fw::Word& Key, fw::TShiftState Shift);
  void TakeCurrentRow();
  void MinimumHeight();
  // The text drawn by the combo itself: a list-only combo, a grid's cell, a copy.
  void PaintSelf();

  std::unique_ptr<fw::TFieldDataLink> fieldLink_;
  fw::TWinControl* panel_ = nullptr;
  TvxComboButton* button_ = nullptr;
  TvxPopupGrid* list_ = nullptr;
  fw::TTimer* timer_ = nullptr;
  std::unique_ptr<fw::TBitmap> glyph_;
  std::unique_ptr<fw::TControlCanvas> canvas_;
  int dropDownCount_ = 8;
  int dropDownWidth_ = 0;
  int rows_ = 0;
  fw::TLeftRight dropDownAlignment_ = fw::taLeftJustify;
  TvxDBLookupComboStyle style_ = csDropDown;
  bool autoDropDown_ = false;
  TvxSeqSearchOptions seqSearchOptions_{ssoEnabled};
  bool orderByDisplay_ = true;
  bool allowClearKey_ = false;
  bool showMatchText_ = false;
  unsigned searchDelay_ = 333;

  std::string lastSearchText_;
  std::string lastTypedText_;
  bool found_ = true;
  std::string searchField_;
  std::string savedText_;
  std::string savedValue_;
  TvxCalcFieldType calcType_ = cftUnknown;
  bool changing_ = false;
  bool inChangeFromLink_ = false;
  bool inNotInList_ = false;
  bool closing_ = false;
  bool immediateSearch_ = false;
  bool escHandOver_ = false;
};

class TvxDBLookupCombo : public TvxDBCustomLookupCombo {
  FW_CLASS(TvxDBLookupCombo, TvxDBCustomLookupCombo)
public:
  using TvxDBCustomLookupCombo::TvxDBCustomLookupCombo;
};

}  // namespace vx
