// The grid's in-place editor and the hooks that drive it.
#include <algorithm>

#include "Forms.h"
#include "Grids.h"
#include "Scope.h"
#include "Services.h"

namespace fw {

FW_IMPLEMENT_CLASS(TInplaceEdit)

// ---------------------------------------------------------------- TInplaceEdit

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
  SetParentCtl3D(false);
  SetCtl3D(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
  SetAutoSize(false);
  SetVisible(false);
}

void TInplaceEdit::CreateParams(TCreateParams& Params) {
  TCustomMaskEdit::CreateParams(Params);
  Params.Style &= ~WS_TABSTOP;
}

bool TInplaceEdit::EditCanModify() { return grid_ && grid_->CanEditModify(); }

void TInplaceEdit::UpdateContents() {
  if (!grid_) return;
  TRestoreScope updating(updating_, true);
  int col = grid_->Col(), row = grid_->Row();
  SetEditMask(grid_->GetEditMask(col, row));
  SetText(grid_->GetEditText(col, row));
  SetMaxLength(grid_->GetEditLimit());
  SetModified(false);
}

void TInplaceEdit::Deselect() {
  int len = static_cast<int>(CharLength(Text()));
  Perform(EM_SETSEL, static_cast<WPARAM>(len), len);
}

void TInplaceEdit::Move(const TRect& Loc) {
  SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
  SetVisible(true);
  if (grid_ && grid_->Focused() && CanFocus()) SetFocus();
}

bool TInplaceEdit::PosEqual(const TRect& R) const { return BoundsRect() == R; }

void TInplaceEdit::UpdateLoc(const TRect& Loc) {
  if (IsRectEmpty(Loc)) {
    Hide();
    return;
  }
  SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
}

void TInplaceEdit::Hide() {
  if (!Visible()) return;
  // The grid takes the focus before the editor goes, so that it never leaves the grid.
  TCustomForm* form = GetParentForm(this);
  bool hadFocus = Focused() || (form && form->ActiveControl() == this);
  if (hadFocus && grid_ && grid_->CanFocus()) grid_->SetFocus();
  SetVisible(false);
}

TRect TInplaceEdit::TextRect() const {
  TRect r;
  const_cast<TInplaceEdit*>(this)->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TInplaceEdit::BoundsChanged() {
  TCustomMaskEdit::BoundsChanged();
  // The text stands where the grid writes a cell's text (the line edit keeps
  // a margin of its own on the left).
  TRect r = Rect(0, 2, std::max(0, Width() - 2), Height());
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TInplaceEdit::Change() {
  TCustomMaskEdit::Change();
  if (!updating_ && grid_) grid_->UpdateText();
}

void TInplaceEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (!grid_) return TCustomMaskEdit::KeyDown(Key, Shift);
  auto toGrid = [&] {
    grid_->KeyDown(Key, Shift);
    Key = 0;
  };
  bool forward = grid_->Options().Contains(goAlwaysShowEditor);
  bool ctrl = Shift.Contains(ssCtrl);
  int start = 0, end = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  int len = static_cast<int>(CharLength(Text()));
  bool leftSide = start == 0 && (end == 0 || end == len);
  bool rightSide = (start == 0 || end == start) && end == len;
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: toGrid(); break;
    case VK_INSERT:
      if (Shift.Empty()) toGrid();
      else if (Shift == TShiftState{ssShift} && !grid_->CanEditModify()) Key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (forward && (ctrl || leftSide)) toGrid();
      break;
    case VK_RIGHT:
    case VK_END:
      if (forward && (ctrl || rightSide)) toGrid();
      break;
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) toGrid();
      break;
    case VK_DELETE:
      if (ctrl) toGrid();
      else if (!grid_->CanEditModify()) Key = 0;
      break;
    case VK_F2:
      Deselect();
      Key = 0;
      break;
    default: break;
  }
  if (Key == 0) return;
  // The grid's handler hears the keys the editor keeps as well.
  if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, Key, Shift);
  if (Key != 0) TCustomMaskEdit::KeyDown(Key, Shift);
}

void TInplaceEdit::KeyPress(TChar& Key) {
  if (!grid_) return TCustomMaskEdit::KeyPress(Key);
  auto alive = LifeToken();
  grid_->KeyPress(Key);
  if (!*alive) return;
  if (Key >= 32 && Key != 127 && !grid_->CanEditAcceptKey(Key)) {
    Key = 0;
    MessageBeep(0);
  }
  switch (Key) {
    case 0: return;
    case 9:
    case 27: Key = 0; return;
    case 13: {
      // With the editor always shown Enter selects all, or none.
      int start = 0, end = 0;
      Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      if (start == 0 && end == static_cast<int>(CharLength(Text()))) Deselect();
      else SelectAll();
      Key = 0;
      return;
    }
    case 8:
    case 22:  // Ctrl+V
    case 24:  // Ctrl+X
    case 26:  // Ctrl+Z
      if (!grid_->CanEditModify()) Key = 0;
      break;
    default:
      if (Key >= 32 && !grid_->CanEditModify()) Key = 0;
      break;
  }
  if (Key != 0) TCustomMaskEdit::KeyPress(Key);
}

void TInplaceEdit::WMPaste(TMessage& Message) {
  if (grid_ && !grid_->CanEditModify()) return;
  TCustomMaskEdit::WMPaste(Message);
}

void TInplaceEdit::WMCut(TMessage& Message) {
  if (grid_ && !grid_->CanEditModify()) return;
  TCustomMaskEdit::WMCut(Message);
}

void TInplaceEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomMaskEdit::Dispatch(Message);
    // Enter and Esc are the grid's, and Tab when the grid moves by it.
    Message.Result |= DLGC_WANTALLKEYS;
    if (grid_ && grid_->Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
    return;
  }
  TCustomMaskEdit::Dispatch(Message);
}

// ---------------------------------------------------------------- the grid's editor hooks

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() {
  return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && editorMode_ && HandleAllocated() &&
         !ComponentState().Contains(csDesigning) && (options_.Contains(goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGrid::CanEditAcceptKey(TChar) { return true; }

bool TCustomGrid::CanEditModify() { return true; }

int TCustomGrid::GetEditLimit() { return 0; }

std::string TCustomGrid::GetEditMask(int, int) { return std::string(); }

std::string TCustomGrid::GetEditText(int, int) { return std::string(); }

void TCustomGrid::SetEditText(int, int, const std::string&) {}

void TCustomGrid::SetEditorMode(bool v) {
  if (!v) return HideEditor();
  ShowEditor();
  if (inplaceEdit_ && inplaceEdit_->Visible()) inplaceEdit_->Deselect();
}

void TCustomGrid::ShowEditor() {
  editorMode_ = true;
  UpdateEdit();
}

void TCustomGrid::HideEditor() {
  editorMode_ = false;
  HideEdit();
}

void TCustomGrid::HideEdit() {
  if (!inplaceEdit_ || !inplaceEdit_->Visible()) return;
  UpdateText();
  inplaceCol_ = inplaceRow_ = -1;
  inplaceEdit_->Hide();
}

void TCustomGrid::ShowEditorChar(TChar Ch) {
  ShowEditor();
  if (!inplaceEdit_ || !inplaceEdit_->Visible()) return;
  // The character takes the place of the cell's text.
  inplaceEdit_->SelectAll();
  inplaceEdit_->Perform(WM_CHAR, Ch, 0);
}

void TCustomGrid::InvalidateEditor() {
  inplaceCol_ = inplaceRow_ = -1;
  UpdateEdit();
}

void TCustomGrid::UpdateEdit() {
  if (!CanEditShow()) return;
  if (!inplaceEdit_) {
    inplaceEdit_ = CreateEditor();
    inplaceEdit_->SetGrid(this);
    inplaceEdit_->SetParent(this);
    inplaceCol_ = inplaceRow_ = -1;
  }
  if (inplaceCol_ != current_.X || inplaceRow_ != current_.Y) {
    // The text for the cell it leaves goes on first.
    UpdateText();
    inplaceCol_ = current_.X;
    inplaceRow_ = current_.Y;
    inplaceEdit_->UpdateContents();
    passedText_ = inplaceEdit_->Text();
    inplaceEdit_->SelectAll();
  }
  TRect r = CellRect(current_.X, current_.Y);
  if (IsRectEmpty(r)) inplaceEdit_->UpdateLoc(r);
  else if (CanEditShow()) inplaceEdit_->Move(r);
}

void TCustomGrid::UpdateText() {
  if (!inplaceEdit_ || inplaceCol_ < 0 || inplaceRow_ < 0) return;
  std::string text = inplaceEdit_->Text();
  if (text == passedText_) return;
  passedText_ = text;
  SetEditText(inplaceCol_, inplaceRow_, text);
}

}  // namespace fw
