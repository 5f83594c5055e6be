#include "LstBtns.h"

#include <algorithm>

#include "Forms.h"

using namespace fw;

namespace dbx {

// ---------------------------------------------------------------- TPopupListBox

FW_IMPLEMENT_CLASS(TPopupListBox)

TPopupListBox::TPopupListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
  SetVisible(false);
  SetTabStop(false);
}

void TPopupListBox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  Params.Style = (Params.Style & ~WS_CHILD) | WS_POPUP | WS_BORDER;
  Params.ExStyle = (Params.ExStyle & ~WS_EX_CLIENTEDGE) | WS_EX_TOOLWINDOW;
}

// The release that ends a press handed over from the button, or a click on
// an entry: inside the rows it picks the entry.
void TPopupListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  TCustomListBox::MouseUp(Button, Shift, X, Y);
  if (!*alive || Button != mbLeft) return;
  if (auto* button = dynamic_cast<TListButton*>(Owner())) button->CloseUp(PtInRect(ClientRect(), {X, Y}));
}

// ---------------------------------------------------------------- TListButton

FW_PUBLISH(TListButton) {
  c.Property("AutoWidth", &TListButton::AutoWidth, &TListButton::SetAutoWidth).Default(false);
  c.Property("DropAlign", &TListButton::DropAlign, &TListButton::SetDropAlign).Default(daLeft);
  c.Property("Glyph", &TListButton::Glyph, &TListButton::SetGlyph);
  c.Property("ItemIndex", &TListButton::ItemIndex, &TListButton::SetItemIndex).Default(-1);
  c.Property("Items", &TListButton::Items, &TListButton::SetItems);
  c.Property("ListWidth", &TListButton::ListWidth, &TListButton::SetListWidth).Default(100);
  c.Property("MaxListWidth", &TListButton::MaxListWidth, &TListButton::SetMaxListWidth).Default(0);
  c.Property("MinListWidth", &TListButton::MinListWidth, &TListButton::SetMinListWidth).Default(0);
  c.Property("Sorted", &TListButton::Sorted, &TListButton::SetSorted).Default(true);
  c.Event("OnAccept", &TListButton::OnAccept);
  c.Event("OnCancel", &TListButton::OnCancel);
  c.Event("OnDrop", &TListButton::OnDrop);
}

TListButton::TListButton(TComponent* AOwner)
    : TCustomControl(AOwner), glyph_(std::make_unique<TBitmap>()), list_(new TPopupListBox(this)) {
  // The click is the button's own: it must not close the list that its press dropped.
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque} - TControlStyle{csClickEvents});
  SetColor(clBtnFace);
  SetBounds(Left(), Top(), 17, 17);
  LoadSystemBitmap(glyph_.get(), OBM_COMBO);
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
  list_->SetStyle(lbOwnerDrawFixed);
  list_->SetSorted(true);
  list_->SetParent(this);
}

TListButton::~TListButton() = default;

void TListButton::SetGlyph(const TBitmap* v) {
  glyph_->Assign(v);
  glyph_->SetTransparent(true);
}

void TListButton::SetListWidth(int v) {
  listWidth_ = v;
  autoWidth_ = false;
}

bool TListButton::ListVisible() const { return list_->Visible(); }

void TListButton::SetPressed(bool v) {
  if (v == pressed_) return;
  pressed_ = v;
  Invalidate();
}

bool TListButton::PointerInside() const { return PtInRect(ClientRect(), ScreenToClient(GetCursorPos())); }

// ---- painting

void TListButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(clBtnFace);
  if (pressed_)
    DrawEdge(c, r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_FLAT);
  else
    DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  if (glyph_->Empty()) return;
  int offset = pressed_ ? 1 : 0;
  // Centred, rounded toward zero as integer division does.
  int x = (r.Width() - glyph_->Width()) / 2 + offset;
  int y = (r.Height() - glyph_->Height()) / 2 + offset;
  c->Brush()->SetColor(clBtnFace);
  c->Font()->SetColor(clBtnText);
  c->Draw(x, y, glyph_.get());
}

// ---- the list

TRect TListButton::DropRect() {
  TCanvas* c = list_->Canvas();
  c->SetFont(Font());
  int count = Items()->Count();
  int rows = std::clamp(count, 1, 8);
  int width = listWidth_;
  if (autoWidth_) {
    width = minListWidth_;
    int bar = count > 8 ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    for (int i = 0; i < count; ++i) {
      int w = c->TextWidth(Items()->Strings(i)) + 5 + bar;
      if (maxListWidth_ > 0) w = std::min(w, maxListWidth_);
      width = std::max(width, w);
    }
  }
  int row = c->TextHeight("A");
  int height = row * rows + 2;
  TPoint topLeft = ClientToScreen({0, 0});
  TPoint bottomRight = ClientToScreen({Width(), Height()});
  int top = bottomRight.Y - 1;
  if (top + height > Screen->Height()) top = topLeft.Y - height + 1;
  int left = dropAlign_ == daRight ? bottomRight.X - width : topLeft.X;
  list_->SetItemHeight(row);
  return Bounds(left, top, width, height);
}

void TListButton::DropDown() {
  if (ListVisible()) return;
  bool canDrop = true;
  if (OnDrop) OnDrop(this, canDrop);
  if (!canDrop) return;
  list_->SetFont(Font());
  TRect r = DropRect();
  SetWindowPos(list_->Handle(), HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (CanFocus()) SetFocus();
}

void TListButton::HideList() {
  if (!ListVisible()) return;
  SetWindowPos(list_->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER | SWP_HIDEWINDOW);
}

void TListButton::CloseUp(bool Accept) {
  if (!ListVisible()) return;
  HideList();
  if (Accept && ItemIndex() >= 0) {
    if (OnAccept) OnAccept(this);
  } else if (OnCancel) {
    OnCancel(this);
  }
}

void TListButton::Click() {
  if (ListVisible()) return CloseUp(false);
  DropDown();
  if (!ListVisible()) TCustomControl::Click();
}

// ---- mouse

void TListButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != mbLeft) return;
  if (ListVisible()) {
    SetMouseCapture(false);
    return CloseUp(false);
  }
  DropDown();
  if (!*alive) return;
  int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  if (GetKeyState(primary) < 0 && PointerInside()) {
    SetMouseCapture(true);
    tracking_ = true;
    SetPressed(true);
  } else {
    SetMouseCapture(false);
  }
}

void TListButton::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (!tracking_) return;
  SetPressed(PtInRect(ClientRect(), {X, Y}));
  if (!ListVisible()) return;
  // Onto the list: the list takes the press over, so that a release on an
  // entry picks it.
  TPoint p = list_->ScreenToClient(ClientToScreen({X, Y}));
  if (!PtInRect(list_->ClientRect(), p)) return;
  Perform(WM_LBUTTONUP, 0, MakeLParam(X, Y));
  list_->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(p.X, p.Y));
}

void TListButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = LifeToken();
  bool wasPressed = pressed_;
  if (tracking_) {
    tracking_ = false;
    SetMouseCapture(false);
    SetPressed(false);
    if (wasPressed && !ListVisible()) Click();
    if (!*alive) return;
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

// ---- keys, focus and cancel mode

void TListButton::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | (ListVisible() ? DLGC_WANTALLKEYS : 0);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
      if (!ListVisible()) break;
      if (Message.Msg == WM_KEYDOWN && (Message.CharCode() == VK_RETURN || Message.CharCode() == VK_ESCAPE)) {
        CloseUp(Message.CharCode() == VK_RETURN);
        Message.Result = 0;
        return;
      }
      list_->Perform(Message.Msg, Message.WParam, Message.LParam);
      return;
    case WM_KILLFOCUS:
      HideList();
      break;
    case WM_SETFOCUS:
      if (!ListVisible() && OnCancel) OnCancel(this);
      break;
    case CM_CANCELMODE: {
      auto* sender = reinterpret_cast<TControl*>(Message.LParam);
      if (sender != this && sender != list_) CloseUp(false);
      break;
    }
    default: break;
  }
  TCustomControl::WndProc(Message);
}

}  // namespace dbx
