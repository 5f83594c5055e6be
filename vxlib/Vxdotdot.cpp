#include "Vxdotdot.h"

#include <algorithm>

#include "Forms.h"
#include "Messages.h"
#include "Scope.h"
#include "Vxcommon.h"

namespace vx {

using namespace fw;

int vxComboButtonWidth() { return std::max(GetSystemMetrics(SM_CXVSCROLL), 15); }

void vxCreateButtonPanel(TWinControl* Edit, TWinControl*& Panel) {
  Panel = new TWinControl(Edit);
  Panel->SetParent(Edit);
  Panel->SetBounds(0, 0, std::max(GetSystemMetrics(SM_CXVSCROLL) + 4, 17), 17);
  // Copies of the edit in repeated rows paint the button too.
  Panel->SetControlStyle(Panel->ControlStyle() + TControlStyle{csReplicatable});
}

void vxPlaceButtonPanel(TCustomEdit* Edit, TWinControl* Panel, TControl* Button) {
  const int width = Button->Width();
  const bool sunken = Edit->BorderStyle() == bsSingle && Edit->Ctl3D();
  Panel->SetBounds(Edit->Width() - width - (sunken ? 4 : 0), 0, width, Edit->ClientHeight());
  if (Edit->BorderStyle() != bsNone)
    Button->SetBounds(Button->Left(), 0, width, Panel->Height());
  else
    Button->SetBounds(Button->Left(), -1, width, Panel->Height() + 1);
}

// ---------------------------------------------------------------- TvxComboDlgButton

FW_IMPLEMENT_CLASS(TvxComboDlgButton)

void TvxComboDlgButton::Paint() {
  const TRect r{0, 0, ClientWidth(), ClientHeight()};
  bool defaultPaint = true;
  TControl* panel = Parent();
  if (auto* edit = dynamic_cast<TvxDBCustomCombo*>(panel ? panel->Parent() : nullptr))
    edit->DrawButton(Canvas(), r, State(), edit->ControlState(), defaultPaint);
  if (defaultPaint) TSpeedButton::Paint();
}

// ---------------------------------------------------------------- TvxDBCustomCombo

FW_PUBLISH(TvxDBCustomCombo) {}

TvxDBCustomCombo::TvxDBCustomCombo(TComponent* AOwner) : TvxDBCustomEdit(AOwner) {
  vxCreateButtonPanel(this, panel_);
  button_ = new TvxComboDlgButton(panel_);
  button_->SetParent(panel_);
  button_->SetBounds(0, 0, panel_->Width(), panel_->Height());
  button_->SetWidth(vxComboButtonWidth());
  button_->SetControlStyle(button_->ControlStyle() + TControlStyle{csReplicatable});
  button_->OnClick = [this](TObject* Sender) { BtnClick(Sender); };
}

TvxDBCustomCombo::~TvxDBCustomCombo() = default;

void TvxDBCustomCombo::SetButtonStyle(TvxComboButtonStyle Value) {
  if (buttonStyle_ == Value) return;
  buttonStyle_ = Value;
  if (TBitmap* glyph = LoadComboGlyph()) button_->SetGlyph(glyph);
  button_->Invalidate();
}

bool TvxDBCustomCombo::GetShowButton() { return ShowButton(); }

void TvxDBCustomCombo::SetShowButton(bool Value) {
  panel_->SetVisible(Value);
  if (!ComponentState().Contains(csLoading) && HandleAllocated()) SetEditRect();
  Invalidate();
}

bool TvxDBCustomCombo::Editable() { return style_ != csDropDownList || IsDroppedDown(); }

bool TvxDBCustomCombo::MouseEditable() { return style_ != csDropDownList; }

TRect TvxDBCustomCombo::GetClientEditRect() {
  TRect r = ClientRect();
  if (GetShowButton()) r.Right = panel_->Left();
  return r;
}

void TvxDBCustomCombo::CloseUp(bool Accept) {
  if (Accept) SetModified(true);
}

void TvxDBCustomCombo::DropDown() {
  if (!OnCustomDlg) return;
  droppedDown_ = true;
  Invalidate();
  TScopeExit done([this] {
    Invalidate();
    droppedDown_ = false;
  });
  if (DataSource() && DataSource()->DataSet()) EnableEdit();
  OnCustomDlg(this);
}

void TvxDBCustomCombo::BtnClick(TObject*) {
  if (IsDroppedDown()) {
    CloseUp(true);
    return;
  }
  if (CanFocus()) SetFocus();
  if (Focused()) DropDown();
}

// ---- layout

void TvxDBCustomCombo::CreateParams(TCreateParams& Params) {
  TvxDBCustomEdit::CreateParams(Params);
  Params.Style &= ~(ES_WANTRETURN | ES_AUTOVSCROLL);
  Params.Style |= WS_CLIPCHILDREN;
}

void TvxDBCustomCombo::UpdateButtonPosition() {
  vxPlaceButtonPanel(this, panel_, button_);
  if (HandleAllocated()) SetEditRect();
}

void TvxDBCustomCombo::SetEditRect() {
  const int inset = BorderStyle() == bsNone ? 2 : 0;
  TRect r{inset, inset, GetShowButton() ? panel_->Left() - 2 : ClientWidth() - 2, ClientHeight() + 1};
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TvxDBCustomCombo::BoundsChanged() {
  TvxDBCustomEdit::BoundsChanged();
  UpdateButtonPosition();
}

void TvxDBCustomCombo::Loaded() {
  button_->SetWidth(vxComboButtonWidth());
  if (Parent() || Owner()) UpdateButtonPosition();
  TvxDBCustomEdit::Loaded();
}

// ---- keys

void TvxDBCustomCombo::HandleDropDownKeys(Word& Key, TShiftState Shift) {
  const bool alt = Shift.Contains(ssAlt);
  switch (Key) {
    case VK_RETURN:
    case VK_ESCAPE:
      if (IsDroppedDown() && !alt) {
        CloseUp(Key == VK_RETURN);
        Key = 0;
      }
      break;
    case VK_UP:
    case VK_DOWN:
      if (alt) {
        if (IsDroppedDown())
          CloseUp(true);
        else
          DropDown();
        Key = 0;
      }
      break;
    default: break;
  }
}

void TvxDBCustomCombo::KeyDown(Word& Key, TShiftState Shift) {
  if (GetKeyState(VK_MENU) < 0) Shift.Include(ssAlt);
  HandleDropDownKeys(Key, Shift);
  if (Key == 0) return;
  TvxDBCustomEdit::KeyDown(Key, Shift);
  if (vxIsValidChar(Key) && !Editable()) Key = 0;
}

void TvxDBCustomCombo::KeyPress(TChar& Key) {
  if (Key == 9 && IsMasked()) {
    Key = 0;
    return;
  }
  TvxDBCustomEdit::KeyPress(Key);
}

// ---- mouse

void TvxDBCustomCombo::NonEditMouseDown(TMessage& Message) {
  if (!Grid() && CanFocus()) SetFocus();
  if (IsDroppedDown())
    CloseUp(true);
  else
    DropDown();
  TShiftState shift = KeysToShiftState(Message.Keys());
  if (Message.Msg == WM_LBUTTONDBLCLK && ControlStyle().Contains(csDoubleClicks)) shift.Include(ssDouble);
  MouseDown(mbLeft, shift, Message.XPos(), Message.YPos());
}

void TvxDBCustomCombo::DrawButton(TCanvas* Canvas, const TRect& Rect, TButtonState State,
                                  TControlState ControlState, bool& DefaultPaint) {
  DefaultPaint = false;
  if (buttonStyle_ == cbsDownArrow)
    vxDrawDropDownArrow(Canvas, Rect, State, Enabled(), ControlState);
  else
    vxDrawEllipsis(Canvas, Rect, State, Enabled(), ControlState);
}

void TvxDBCustomCombo::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!MouseEditable()) return NonEditMouseDown(Message);
      break;
    case WM_LBUTTONUP:
      if (!MouseEditable() && GetCaptureControl() == this) SetCaptureControl(nullptr);
      break;
    case CM_ENABLEDCHANGED:
      TvxDBCustomEdit::Dispatch(Message);
      button_->SetEnabled(Enabled());
      return;
    default: break;
  }
  TvxDBCustomEdit::Dispatch(Message);
}

// ---------------------------------------------------------------- TvxDBComboDlg

FW_PUBLISH(TvxDBComboDlg) {
  c.Property("AutoFillDate", &TvxDBComboDlg::AutoFillDate, &TvxDBComboDlg::SetAutoFillDate).Default(true);
  c.Property("ButtonStyle", &TvxDBComboDlg::ButtonStyle, &TvxDBComboDlg::SetButtonStyle).Default(cbsEllipsis);
  c.Property("DataField", &TvxDBComboDlg::DataField, &TvxDBComboDlg::SetDataField);
  c.Property("DataSource", &TvxDBComboDlg::DataSource, &TvxDBComboDlg::SetDataSource);
  c.Property("Picture", &TvxDBComboDlg::Picture, &TvxDBComboDlg::SetPicture).Stored(false);
  c.Property("ReadOnly", &TvxDBComboDlg::ReadOnly, &TvxDBComboDlg::SetReadOnly).Default(false);
  c.Property("ShowButton", &TvxDBComboDlg::ShowButton, &TvxDBComboDlg::SetShowButton).Default(true);
  c.Property("Style", &TvxDBComboDlg::Style, &TvxDBComboDlg::SetStyle).Default(csDropDown);
  c.Property("UnboundDataType", &TvxDBComboDlg::UnboundDataType, &TvxDBComboDlg::SetUnboundDataType)
      .Default(vxDefault);
  c.Property("UsePictureMask", &TvxDBComboDlg::UsePictureMask, &TvxDBComboDlg::SetUsePictureMask).Default(true);
  c.Event("OnCustomDlg", static_cast<TNotifyEvent TvxDBComboDlg::*>(&TvxDBComboDlg::OnCustomDlg));
}

}  // namespace vx
