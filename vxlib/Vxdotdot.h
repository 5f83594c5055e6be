// The button edit: the library's data-aware edit with a button at its right
// edge (TvxDBCustomCombo), the button itself (TvxComboDlgButton), and the
// published edit whose button raises a dialog event (TvxDBComboDlg). The
// class holds the keys every drop-down edit shares: Enter and Esc close a
// drop-down, Alt+Up and Alt+Down toggle it.
#pragma once
#include <memory>

#include "Buttons.h"
#include "Vxdbedit.h"

namespace vx {

FW_ENUM(TvxComboButtonStyle, cbsEllipsis, cbsDownArrow)
FW_ENUM(TvxDBLookupComboStyle, csDropDown, csDropDownList)

class TvxDBCustomCombo;

// Builds a button edit's panel and places it at the edit's right edge (the
// lookup combo, which is no button edit, repeats the same layout).
void vxCreateButtonPanel(fw::TWinControl* Edit, fw::TWinControl*& Panel);
void vxPlaceButtonPanel(fw::TCustomEdit* Edit, fw::TWinControl* Panel, fw::TControl* Button);
// The width every button edit's button takes.
int vxComboButtonWidth();

class TvxComboDlgButton : public fw::TSpeedButton {
  FW_CLASS(TvxComboDlgButton, fw::TSpeedButton)
public:
  using fw::TSpeedButton::TSpeedButton;

protected:
  // The owning edit draws the face; an ordinary face when it leaves it.
  void Paint() override;
};

class TvxDBCustomCombo : public TvxDBCustomEdit {
  FW_CLASS(TvxDBCustomCombo, TvxDBCustomEdit)
public:
  explicit TvxDBCustomCombo(fw::TComponent* AOwner);
  ~TvxDBCustomCombo() override;

  TvxComboButtonStyle ButtonStyle() const { return buttonStyle_; }
  void SetButtonStyle(TvxComboButtonStyle Value);
  TvxDBLookupComboStyle Style() const { return style_; }
  void SetStyle(TvxDBLookupComboStyle Value) { style_ = Value; }
  bool ShowButton() const { return panel_->Visible(); }
  fw::TWinControl* ButtonPanel() const { return panel_; }
  TvxComboDlgButton* Button() const { return button_; }
  fw::TNotifyEvent OnCustomDlg;

  bool GetShowButton() override;
  void SetShowButton(bool Value) override;
  bool Editable() override;
  fw::TRect GetClientEditRect() override;
  void Loaded() override;
  void Dispatch(fw::TMessage& Message) override;

  // The button's bitmap; none here.
  virtual fw::TBitmap* LoadComboGlyph() { return nullptr; }
  virtual void DrawButton(fw::TCanvas* Canvas, const fw::TRect& Rect, fw::TButtonState State,
                          fw::TControlState ControlState, bool& DefaultPaint);
  virtual bool MouseEditable();
  virtual bool IsDroppedDown() { return droppedDown_; }
  virtual void CloseUp(bool Accept);
  virtual void DropDown();

  void BtnClick(fw::TObject* Sender);

protected:
  void CreateParams(fw::TCreateParams& Params) override;
  void SetEditRect() override;
  void BoundsChanged() override;
  void KeyDown(fw::Word& Key, fw::TShiftState Shift) override;
  void KeyPress(fw::TChar& Key) override;
  int GetIconIndent() override { return panel_->Width(); }
  int GetIconLeft() override { return panel_->Left() - 1; }

  // Enter, Esc, Alt+Up and Alt+Down; a key it takes becomes 0.
  void HandleDropDownKeys(fw::Word& Key, fw::TShiftState Shift);
  // A press on an edit that does not place the caret opens or closes instead.
  void NonEditMouseDown(fw::TMessage& Message);
  void UpdateButtonPosition();
  void SetDroppedDown(bool Value) { droppedDown_ = Value; }

private:
  fw::TWinControl* panel_ = nullptr;
  TvxComboDlgButton* button_ = nullptr;
  TvxComboButtonStyle buttonStyle_ = cbsEllipsis;
  TvxDBLookupComboStyle style_ = csDropDown;
  bool droppedDown_ = false;
};

class TvxDBComboDlg : public TvxDBCustomCombo {
  FW_CLASS(TvxDBComboDlg, TvxDBCustomCombo)
public:
  using TvxDBCustomCombo::TvxDBCustomCombo;
};

}  // namespace vx
