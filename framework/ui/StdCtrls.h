// Standard controls: label, group box, push button, check box, radio
// button, edit, memo, list box and combo box.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "Strings.h"

namespace fw {

// TAlignment is the core's (Classes.h).
using TLeftRight = TAlignment;
FW_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
FW_ENUM(TEditCharCase, ecNormal, ecUpperCase, ecLowerCase)
FW_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
FW_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
FW_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable)
FW_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)
FW_ENUM(TOwnerDrawStateItem, odSelected, odGrayed, odDisabled, odChecked, odFocused)
using TOwnerDrawState = TFlags<TOwnerDrawStateItem>;
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// ---------------------------------------------------------------- label

class TCustomLabel : public TGraphicControl {
  FW_CLASS(TCustomLabel, TGraphicControl)
public:
  explicit TCustomLabel(TComponent* AOwner);

  // With AutoSize the label takes the size of its text (one line unless
  // WordWrap, which keeps the width and sets the height).
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // The control that the label's accelerator focuses.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* v);

  void Loaded() override;
  void Dispatch(TMessage& Message) override;

protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Draws (or with DT_CALCRECT measures) the caption in Rect.
  void DoDrawText(TRect& Rect, unsigned Flags);
  void AdjustBounds();

private:
  bool autoSize_ = true;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool transparent_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
  FW_CLASS(TLabel, TCustomLabel)
public:
  using TCustomLabel::TCustomLabel;
};

// ---------------------------------------------------------------- group box

class TCustomGroupBox : public TCustomControl {
  FW_CLASS(TCustomGroupBox, TCustomControl)
public:
  explicit TCustomGroupBox(TComponent* AOwner);

protected:
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void TextChanged() override;
  void WMPaint(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
};

class TGroupBox : public TCustomGroupBox {
  FW_CLASS(TGroupBox, TCustomGroupBox)
public:
  using TCustomGroupBox::TCustomGroupBox;
};

// ---------------------------------------------------------------- buttons

class TButtonControl : public TWinControl {
  FW_CLASS(TButtonControl, TWinControl)
public:
  explicit TButtonControl(TComponent* AOwner);
};

// A push button. Enter presses the default button (or the focused one),
// Esc the cancel button. A click sets the form's ModalResult to the
// button's, then runs OnClick.
class TButton : public TButtonControl {
  FW_CLASS(TButton, TButtonControl)
public:
  explicit TButton(TComponent* AOwner);

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int v) { modalResult_ = v; }
  void Click() override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void TextChanged() override;
  // The button that Enter presses now: the focused button, else the default one.
  bool Active() const { return active_; }
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMFocusChanged(TMessage& Message);

private:
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
  int modalResult_ = 0;
};

// Check box: Checked, State (with AllowGrayed), OnClick whenever the state
// changes (by the user or by the program).
class TCustomCheckBox : public TButtonControl {
  FW_CLASS(TCustomCheckBox, TButtonControl)
public:
  explicit TCustomCheckBox(TComponent* AOwner);

  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState v);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v);
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight v);
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  virtual void Toggle();
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void TextChanged() override;

private:
  void ApplyState();
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TLeftRight alignment_ = taRightJustify;
  bool applying_ = false;
};

class TCheckBox : public TCustomCheckBox {
  FW_CLASS(TCheckBox, TCustomCheckBox)
public:
  using TCustomCheckBox::TCustomCheckBox;
};

// Radio button: checking one unchecks the others of the same parent.
class TRadioButton : public TButtonControl {
  FW_CLASS(TRadioButton, TButtonControl)
public:
  explicit TRadioButton(TComponent* AOwner);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight v) { alignment_ = v; }
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void TextChanged() override;

private:
  bool checked_ = false;
  TLeftRight alignment_ = taRightJustify;
  bool applying_ = false;
};

// ---------------------------------------------------------------- edit

class TCustomEdit;

// The lines of a memo's text.
class TMemoStrings : public TStrings {
  FW_CLASS(TMemoStrings, TStrings)
public:
  explicit TMemoStrings(TCustomEdit* edit) : edit_(edit) {}
  int Count() const override;
  std::string Strings(int index) const override;
  void SetStrings(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  void SetText(const std::string& text) override;

private:
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  TCustomEdit* edit_;
};

// An edit control: one line, or several when its style has ES_MULTILINE.
//
// What a descendant can take over: WM_PASTE, WM_CUT, WM_COPY, WM_CLEAR and
// WM_UNDO (Ctrl+V, Ctrl+X, Ctrl+C and Ctrl+Z come as these messages too);
// the text rectangle (EM_SETRECTNP / EM_SETRECT with a TRect* in LParam,
// client coordinates); the painting (WM_PAINT: the widget paints when the
// message reaches DefaultHandler, a descendant may paint on its own canvas
// instead, for example while it has no focus). Child controls sit in the
// client area; the text rectangle narrows only where the text goes.
class TCustomEdit : public TWinControl {
  FW_CLASS(TCustomEdit, TWinControl)
public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  int MaxLength() const { return maxLength_; }  // characters; 0: no limit
  void SetMaxLength(int v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool v) { autoSelect_ = v; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase v);
  TChar PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(TChar v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  // Text typed in is kept to what the OEM code page holds; text is UTF-8
  // here, so it keeps every character.
  bool OEMConvert() const { return oemConvert_; }
  void SetOEMConvert(bool v) { oemConvert_ = v; }
  bool Modified() const;
  void SetModified(bool v);
  bool CanUndo() const;

  // Selection, in characters from 0.
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const;
  void SetSelText(const std::string& v);
  void SelectAll();
  void ClearSelection() { Perform(WM_CLEAR, 0, 0); }
  void CopyToClipboard() { Perform(WM_COPY, 0, 0); }
  void CutToClipboard() { Perform(WM_CUT, 0, 0); }
  void PasteFromClipboard() { Perform(WM_PASTE, 0, 0); }
  void Undo() { Perform(WM_UNDO, 0, 0); }
  void ClearUndo() { Perform(EM_EMPTYUNDOBUFFER, 0, 0); }
  void Clear() { SetText(std::string()); }

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  int ChildOffset() const override;

  TNotifyEvent OnChange;

protected:
  friend class TMemoStrings;
  virtual void Change();
  void CreateParams(TCreateParams& Params) override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  std::string GetText() const override;
  void ApplyWidgetState() override;
  void FontChanged() override;
  void DoEnter() override;
  // The height that fits the font, for AutoSize.
  void AdjustHeight();
  bool MultiLine() const;
  virtual void WMPaste(TMessage& Message);
  virtual void WMCut(TMessage& Message);
  void CMTextChanged(TMessage& Message);

private:
  void ApplyTextRect();
  void NativeChanged();

  int maxLength_ = 0;
  bool readOnly_ = false;
  bool autoSelect_ = true;
  bool autoSize_ = true;
  TBorderStyle borderStyle_ = bsSingle;
  TEditCharCase charCase_ = ecNormal;
  TChar passwordChar_ = 0;
  bool hideSelection_ = true;
  TAlignment alignment_ = taLeftJustify;
  bool oemConvert_ = false;
  bool modified_ = false;
  int selStart_ = 0, selLength_ = 0;
  bool hasTextRect_ = false;
  TRect textRect_;
  bool settingText_ = false;
  bool creating_ = false;
};

class TEdit : public TCustomEdit {
  FW_CLASS(TEdit, TCustomEdit)
public:
  using TCustomEdit::TCustomEdit;
};

class TCustomMemo : public TCustomEdit {
  FW_CLASS(TCustomMemo, TCustomEdit)
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;

  TStrings* Lines() const { return lines_.get(); }
  void SetLines(const TStrings* v) { lines_->Assign(v); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v);
  void DefaultHandler(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyPress(TChar& Key) override;

private:
  std::unique_ptr<TMemoStrings> lines_;
  bool wordWrap_ = true;
  TScrollStyle scrollBars_ = ssNone;
  bool wantTabs_ = false;
  bool wantReturns_ = true;
};

class TMemo : public TCustomMemo {
  FW_CLASS(TMemo, TCustomMemo)
public:
  using TCustomMemo::TCustomMemo;
};

// ---------------------------------------------------------------- list box

// The lines of a list or combo box, with an object each; added lines go
// where they sort (without regard to case) when Sorted. The control hears of
// each change, and of the end of every change or update.
class TControlStrings : public TStrings {
  FW_CLASS(TControlStrings, TStrings)
public:
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Strings(int index) const override;
  void SetStrings(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  int Add(const std::string& s) override { return AddObject(s, nullptr); }
  int AddObject(const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  bool Sorted() const { return sorted_; }
  void SetSorted(bool v);

  // Line Index was inserted or deleted; OnReset: the lines were cleared or
  // put in another order; OnUpdated: a change, or an update, has ended.
  std::function<void(int Index)> OnInserted, OnDeleted;
  std::function<void()> OnReset, OnUpdated;

protected:
  void SetUpdateState(bool updating) override;

private:
  struct Item {
    std::string Str;
    TObject* Obj = nullptr;
  };
  void Done();
  std::vector<Item> items_;
  bool sorted_ = false;
  bool pending_ = false;
};

// A list box: rows of one height (ItemHeight) unless lbOwnerDrawVariable,
// where OnMeasureItem gives each row's height. Owner-drawn rows are painted
// by OnDrawItem on the control's Canvas, which comes with the font and, for
// a selected row, the highlight colours set. The list scrolls by whole rows;
// TopIndex is the first row shown. With IntegralHeight (not for variable
// rows) the height keeps to whole rows.
//
// Child controls can lie over the rows. A press on the scroll bar sends the
// control WM_NCLBUTTONDOWN (HTVSCROLL) before the bar acts on it.
class TCustomListBox : public TCustomControl {
  FW_CLASS(TCustomListBox, TCustomControl)
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* Items() const { return items_.get(); }
  void SetItems(const TStrings* v) { items_->Assign(v); }
  int Count() const { return items_->Count(); }
  // The selected row (with MultiSelect the focused one); -1 for none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int v);
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int v);
  // The height of a row: the font's for lbStandard.
  int ItemHeight() const;
  void SetItemHeight(int v);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle v);
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool v);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool Selected(int Index) const;
  void SetSelected(int Index, bool v);
  int SelCount() const;
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool v) { items_->SetSorted(v); }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  void Clear() { items_->Clear(); }

  // The row's area in client coordinates (empty for a row outside the list);
  // rows above TopIndex lie above the client area.
  TRect ItemRect(int Index) const;
  // The row at a client point: with Existing -1 below the last row, else Count.
  int ItemAtPos(TPoint Pos, bool Existing) const;

  TRect GetClientRect() const override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void Loaded() override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

protected:
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  void Paint() override;
  void CreateParams(TCreateParams& Params) override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void FontChanged() override;
  // The top row changed: the list scrolled, or rows went from its end.
  virtual void Scrolled() {}

private:
  class TListWidget;
  int RowHeight(int Index) const;
  int RowsFrom(int Top, int Height) const;
  int MaxTopIndex() const;
  bool NeedsScrollBar() const;
  void Layout();
  void SelectByUser(int Index, TShiftState Shift);
  void MoveBy(int Rows, TShiftState Shift);
  void MakeVisible(int Index);
  int FindPrefix(int After, const std::string& Prefix) const;
  void Inserted(int Index);
  void Deleted(int Index);
  void Reset();
  void Updated();

  std::unique_ptr<TControlStrings> items_;
  std::vector<int> heights_;   // lbOwnerDrawVariable: measured rows
  std::vector<bool> selected_;  // MultiSelect
  int itemIndex_ = -1;
  int anchor_ = -1;
  int topIndex_ = 0;
  int itemHeight_ = 13;
  TListBoxStyle style_ = lbStandard;
  bool integralHeight_ = false;
  bool multiSelect_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  bool tracking_ = false;
  bool settingBounds_ = false;
  std::string search_;
  std::uint32_t searchTime_ = 0;
};

class TListBox : public TCustomListBox {
  FW_CLASS(TListBox, TCustomListBox)
public:
  using TCustomListBox::TCustomListBox;
};

// ---------------------------------------------------------------- combo box

// A combo box of style csDropDown (an edit with a list) or csDropDownList
// (a choice from the list only). OnChange: the user chose an item or typed.
class TCustomComboBox : public TWinControl {
  FW_CLASS(TCustomComboBox, TWinControl)
public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TComboBoxStyle Style() const { return style_; }
  // csDropDown and csDropDownList; another style raises EInvalidOperation.
  void SetStyle(TComboBoxStyle v);
  TStrings* Items() const { return items_.get(); }
  void SetItems(const TStrings* v) { items_->Assign(v); }
  int ItemIndex() const;
  void SetItemIndex(int v);
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool v) { items_->SetSorted(v); }
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int v);
  bool DroppedDown() const;
  void SetDroppedDown(bool v);
  void Clear();

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  TNotifyEvent OnChange;

protected:
  virtual void Change();
  std::string GetText() const override;
  TControlBridge* CreateWidget(const TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void ApplyWidgetState() override;

private:
  void Fill();
  std::unique_ptr<TControlStrings> items_;
  TComboBoxStyle style_ = csDropDown;
  int itemIndex_ = -1;
  int dropDownCount_ = 8;
  bool filling_ = false;
};

class TComboBox : public TCustomComboBox {
  FW_CLASS(TComboBox, TCustomComboBox)
public:
  using TCustomComboBox::TCustomComboBox;
};

}  // namespace fw
