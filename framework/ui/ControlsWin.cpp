#include "Controls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "Forms.h"
#include "Menus.h"
#include "QtControls.h"
#include "Scope.h"

namespace fw {

// ---------------------------------------------------------------- TWinControl

FW_PUBLISH(TWinControl) {
  c.Property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D);
  c.Property("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D).Default(true);
  c.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  c.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  c.Event("OnEnter", &TWinControl::OnEnter);
  c.Event("OnExit", &TWinControl::OnExit);
  c.Event("OnKeyDown", &TWinControl::OnKeyDown);
  c.Event("OnKeyPress", &TWinControl::OnKeyPress);
  c.Event("OnKeyUp", &TWinControl::OnKeyUp);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() = default;

void TWinControl::BeforeDestruction() {
  DestroyControls();
  DestroyHandle();
  TControl::BeforeDestruction();
}

void TWinControl::DestroyControls() {
  // Children first, newest first; each leaves its parent before it goes.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    delete c;
  }
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (bridge_) return;
  if (parent_) parent_->HandleNeeded();
  else if (!dynamic_cast<TCustomForm*>(this))
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  if (!bridge_) CreateHandle();
}

void TWinControl::CreateHandle() {
  if (bridge_) return;
  EnsureQtApplication();
  CreateWnd();
  if (!handle_) handle_ = AllocateWindowHandle(this);
  CreateChildHandles();
}

void TWinControl::CreateChildHandles() {
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
    else if (!c->bridge_) c->CreateControlWidget();
  }
  // Windowed controls stay above the others, each group in its z-order.
  for (TControl* c : controls_)
    if (!dynamic_cast<TWinControl*>(c) && c->bridge_) WidgetOf(c)->raise();
  for (TControl* c : controls_)
    if (dynamic_cast<TWinControl*>(c) && c->bridge_) WidgetOf(c)->raise();
}

void TWinControl::DestroyHandle() {
  if (!bridge_) return;
  for (TControl* c : controls_) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    else c->FreeWidget();
  }
  DestroyWnd();
  ForgetPopupWindow(this);
  ReleaseWindowHandle(handle_);
  handle_ = 0;
  FreeWidget();
}

void TWinControl::DestroyWnd() {}

void TWinControl::RecreateWnd() {
  if (!bridge_ || recreating_) return;
  bool hadFocus = Focused();
  {
    TRestoreScope recreating(recreating_, true);
    DestroyHandle();
    CreateHandle();
  }
  if (hadFocus && bridge_) WidgetOf(this)->setFocus(Qt::OtherFocusReason);
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = text_;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (TabStop()) Params.Style |= WS_TABSTOP;
  if (!Enabled()) Params.Style |= WS_DISABLED;
  Params.X = Left();
  Params.Y = Top();
  Params.Width = Width();
  Params.Height = Height();
  Params.WndParent = parent_;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  params_ = p;
  CreateWindowHandle(p);
  // The handle is good from here on, for what the rest of the creation sends.
  if (!handle_) handle_ = AllocateWindowHandle(this);
  UpdateWidgetGeometry();
  ApplyWidgetState();
  WidgetOf(this)->setVisible(Visible());
  if (IsPopup()) MakePopupWindow(this);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) { SetWidget(CreateWidget(Params)); }

TControlBridge* TWinControl::CreateWidget(const TCreateParams&) {
  return new TBridged<QWidget>(this, ParentWidgetOf(this));
}

int TWinControl::BorderExtent() const {
  TCreateParams p;
  const_cast<TWinControl*>(this)->CreateParams(p);
  int b = 0;
  if (p.ExStyle & WS_EX_CLIENTEDGE) b += 2;
  if (p.Style & WS_BORDER) b += 1;
  return b;
}

int TWinControl::ChildOffset() const {
  if (bridge_ && ChildHostOf(this) != WidgetOf(this)) return 0;
  return BorderExtent();
}

TPoint TWinControl::ClientOffset() const {
  int b = ChildOffset();
  return {b, b};
}

TRect TWinControl::GetClientRect() const {
  int b = BorderExtent();
  TCreateParams p;
  const_cast<TWinControl*>(this)->CreateParams(p);
  int w = Width() - 2 * b, h = Height() - 2 * b;
  if (p.Style & WS_VSCROLL) w -= GetSystemMetrics(SM_CXVSCROLL);
  if (p.Style & WS_HSCROLL) h -= GetSystemMetrics(SM_CYHSCROLL);
  return Rect(0, 0, std::max(w, 0), std::max(h, 0));
}

TPoint TWinControl::ClientOrigin() const {
  if (QWidget* cw = ClientWidgetOf(this); cw && cw->isVisible()) {
    TPoint off = cw == WidgetOf(this) ? ClientOffset() : TPoint{};
    QPoint g = cw->mapToGlobal(QPoint(off.X, off.Y));
    return {g.x(), g.y()};
  }
  TPoint p = parent_ ? parent_->ClientOrigin() : TPoint{0, 0};
  int b = BorderExtent();
  return {p.X + Left() + b, p.Y + Top() + b};
}

void TWinControl::SizeChanged() { Perform(WM_SIZE, 0, MakeLParam(ClientWidth(), ClientHeight())); }

void TWinControl::WMSize(TMessage& Message) {
  DefaultHandler(Message);
  // Anchored children keep their distances to the new client edges.
  TRect r = GetClientRect();
  AdjustClientRect(r);
  if (!scaling_)
    for (TControl* c : std::vector<TControl*>(controls_)) c->AnchorTo(r.Width(), r.Height());
  Realign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::InsertControl(TControl* AControl) {
  auto* asWin = dynamic_cast<TWinControl*>(AControl);
  if (AControl == this || (asWin && asWin->ContainsControl(this)))
    throw EInvalidOperation("A control cannot have itself as its parent");
  controls_.push_back(AControl);
  AControl->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) tabList_.push_back(w);
  AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
  AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    w->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
    if (bridge_) w->CreateHandle();
  } else if (bridge_) {
    AControl->CreateControlWidget();
  }
  if (bridge_) {
    // Windowed controls stay above the others.
    if (auto* w = dynamic_cast<TWinControl*>(AControl); w && w->bridge_) WidgetOf(w)->raise();
    else if (AControl->bridge_) {
      WidgetOf(AControl)->raise();
      for (TControl* c : controls_)
        if (dynamic_cast<TWinControl*>(c) && c->bridge_) WidgetOf(c)->raise();
    }
  }
  AControl->UpdateAnchorRules();
  AlignControl(AControl);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    w->RemoveFocus(true);
    w->DestroyHandle();
  } else {
    AControl->FreeWidget();
  }
  TControl* cap = GetCaptureControl();
  if (cap && (cap == AControl || (dynamic_cast<TWinControl*>(AControl) &&
                                  static_cast<TWinControl*>(AControl)->ContainsControl(cap))))
    SetCaptureControl(nullptr);
  controls_.erase(std::find(controls_.begin(), controls_.end(), AControl));
  auto t = std::find(tabList_.begin(), tabList_.end(), AControl);
  if (t != tabList_.end()) tabList_.erase(t);
  AControl->parent_ = nullptr;
  if (!ComponentState().Contains(csDestroying)) Realign();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* c = Control; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled) const {
  auto hit = [&](TControl* c) {
    return c->Visible() && (AllowDisabled || c->Enabled()) && PtInRect(c->BoundsRect(), Pos);
  };
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (dynamic_cast<TWinControl*>(*it) && hit(*it)) return *it;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (!dynamic_cast<TWinControl*>(*it) && hit(*it)) return *it;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
    c->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
  if (--alignLevel_ == 0 && alignNeeded_) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(csDestroying)) return;
  if (alignLevel_ > 0 || aligning_ || ComponentState().Contains(csLoading)) {
    alignNeeded_ = true;
    return;
  }
  for (int pass = 0; pass < 8; ++pass) {
    alignNeeded_ = false;
    {
      DisableAlign();
      // Not EnableAlign: the pass itself is the realignment.
      TScopeExit alignLevel([this] { --alignLevel_; });
      TRestoreScope aligning(aligning_, true);
      TRect r = GetClientRect();
      AdjustClientRect(r);
      AlignControls(AControl, r);
    }
    if (!alignNeeded_) break;
    AControl = nullptr;
  }
  alignNeeded_ = false;
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  auto insertBefore = [](TControl* c1, TControl* c2, TAlign a) {
    switch (a) {
      case alTop: return c1->Top() < c2->Top();
      case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
      case alLeft: return c1->Left() < c2->Left();
      case alRight: return c1->Left() + c1->Width() >= c2->Left() + c2->Width();
      default: return false;
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    if (AControl && AControl->Visible() && AControl->Align() == a) list.push_back(AControl);
    for (TControl* c : controls_) {
      if (c == AControl || c->Align() != a || !c->Visible()) continue;
      std::size_t j = 0;
      while (j < list.size() && !insertBefore(c, list[j], a)) ++j;
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
    }
    for (TControl* c : list) {
      int w = Rect.Width(), h = Rect.Height();
      if (w < 0 || a == alLeft || a == alRight) w = c->Width();
      if (h < 0 || a == alTop || a == alBottom) h = c->Height();
      int l = Rect.Left, t = Rect.Top;
      switch (a) {
        case alTop: Rect.Top += h; break;
        case alBottom:
          Rect.Bottom -= h;
          t = Rect.Bottom;
          break;
        case alLeft: Rect.Left += w; break;
        case alRight:
          Rect.Right -= w;
          l = Rect.Right;
          break;
        default: break;
      }
      c->SetBounds(l, t, w, h);
    }
  }
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& v = parent_->tabList_;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (v < 0 || v > static_cast<int>(list.size())) v = static_cast<int>(list.size());
  list.insert(list.begin() + v, this);
}

void TWinControl::SetTabStop(bool v) {
  if (v == tabStop_) return;
  tabStop_ = v;
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

bool TWinControl::CanFocus() const {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (const TControl* c = this; c && c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (bridge_) {
    WidgetOf(this)->setFocus(Qt::OtherFocusReason);
  }
}

bool TWinControl::Focused() const { return bridge_ && QApplication::focusWidget() == WidgetOf(this); }

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int start = found == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c == CurControl && found != list.end()) break;
    if (c->CanFocus() && (!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this)) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (c) c->SetFocus();
}

void TWinControl::SelectFirst() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return;
  TWinControl* c = FindNextControl(nullptr, true, true, false);
  if (!c) c = FindNextControl(nullptr, true, false, false);
  if (c) form->SetActiveControl(c);
}

void TWinControl::SetCtl3D(bool v) {
  parentCtl3D_ = false;
  if (v == ctl3D_) return;
  ctl3D_ = v;
  if (bridge_) RecreateWnd();
  for (TControl* c : controls_) c->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool v) {
  if (v == parentCtl3D_) return;
  parentCtl3D_ = v;
  if (v) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::CMParentCtl3DChanged(TMessage&) {
  if (!parentCtl3D_ || !parent_) return;
  bool v = parent_->Ctl3D();
  if (v != ctl3D_) {
    ctl3D_ = v;
    if (bridge_) RecreateWnd();
    for (TControl* c : controls_) c->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
  }
}

void TWinControl::SetBorderWidth(int v) {
  if (v == borderWidth_) return;
  borderWidth_ = v;
  Realign();
  Invalidate();
}

bool TWinControl::GetScrollRangeOf(int Bar, int& Min, int& Max) const {
  Min = Max = 0;
  auto* area = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this));
  if (!area) return false;
  QScrollBar* sb = Bar == SB_VERT ? area->verticalScrollBar() : area->horizontalScrollBar();
  if (sb->maximum() > sb->minimum()) {
    Min = sb->minimum();
    Max = sb->maximum() + sb->pageStep() - 1;
  }
  return true;
}

void TWinControl::SetVisible(bool v) {
  if (v == Visible()) return;
  if (!v && parent_) RemoveFocus(false);
  TControl::SetVisible(v);
}

void TWinControl::SetEnabled(bool v) {
  if (v == Enabled()) return;
  if (!v && parent_) RemoveFocus(false);
  TControl::SetEnabled(v);
}

bool TWinControl::TakeClickFocus() {
  // A pop-up window leaves the focus with the control that opened it.
  if (IsPopup()) return true;
  // A native control takes the focus when clicked; when the focus stays
  // where it was (its exit refused) the press does nothing more.
  if (clickFocus_ && bridge_ && !Focused() && CanFocus()) {
    SetFocus();
    if (!Focused() && bridge_ && WidgetOf(this)->window()->isActiveWindow()) return false;
  }
  return true;
}

void TWinControl::RemoveFocus(bool Removing) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, Removing);
}

void TWinControl::Invalidate() {
  if (QWidget* w = ClientWidgetOf(this)) w->update();
  if (bridge_) WidgetOf(this)->update();
}

void TWinControl::Repaint() {
  if (QWidget* w = ClientWidgetOf(this)) w->repaint();
}

void TWinControl::Update() {
  if (QWidget* w = ClientWidgetOf(this)) w->repaint();
}

void TWinControl::ChangeScale(int M, int D) {
  if (M == D) return;
  DisableAlign();
  {
    // Realigning may raise: on the normal path it runs outside the scope.
    TScopeFail enableAlign([this] { EnableAlign(); });
    TRestoreScope scaling(scaling_, true);
    for (TControl* c : controls_) c->ChangeScale(M, D);
    TControl::ChangeScale(M, D);
  }
  for (TControl* c : controls_) c->UpdateAnchorRules();
  EnableAlign();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

void TWinControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_KEYFIRST && Message.Msg <= WM_KEYLAST && DragMachine::Get().Active) {
    if (Message.Msg == WM_KEYDOWN && Message.CharCode() == VK_ESCAPE) CancelDrag();
    return;
  }
  if (Message.Msg == WM_CANCELMODE) {
    TControl* cap = GetCaptureControl();
    if (cap && cap != this && cap->Parent() == this) cap->Perform(WM_CANCELMODE, 0, 0);
  }
  TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: return WMSetFocus(Message);
    case WM_KILLFOCUS: return WMKillFocus(Message);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return WMKeyDown(Message);
    case WM_KEYUP:
    case WM_SYSKEYUP: return WMKeyUp(Message);
    case WM_CHAR: return WMChar(Message);
    case WM_PAINT: return WMPaint(Message);
    case WM_SIZE: return WMSize(Message);
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: return CNKeyDown(Message);
    case CN_CHAR: return CNChar(Message);
    case CN_SYSCHAR: {
      // Alt and a letter: an accelerator of the form's controls, else of its menu bar.
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) Message.Result = 1;
      else if (!ComponentState().Contains(csDesigning) && IsMenuChar(this, Message)) Message.Result = 1;
      return;
    }
    case CN_KEYUP:
      if (!ComponentState().Contains(csDesigning)) MenuKeyUp(this, Message);
      return TControl::Dispatch(Message);
    case CM_ENTER: return CMEnter(Message);
    case CM_EXIT: return CMExit(Message);
    case CM_DIALOGKEY: return CMDialogKey(Message);
    case CM_DIALOGCHAR: return CMDialogChar(Message);
    case CM_CHILDKEY: return CMChildKey(Message);
    case CM_FOCUSCHANGED: return CMFocusChanged(Message);
    case CM_PARENTCTL3DCHANGED: return CMParentCtl3DChanged(Message);
    case CM_FONTCHANGED:
      TControl::Dispatch(Message);
      for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
      return;
    case CM_COLORCHANGED:
      TControl::Dispatch(Message);
      for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
      return;
    case CM_SHOWHINTCHANGED:
      for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
      return;
    default: TControl::Dispatch(Message);
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETTEXT: {
      const char* s = reinterpret_cast<const char*>(Message.LParam);
      text_ = s ? s : "";
      return;
    }
    case WM_GETDLGCODE: return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      if (!TakeClickFocus()) return;
      break;
    default: break;
  }
  if (bridge_) bridge_->DefaultHandling(Message);
}

void TWinControl::ApplyWidgetState() {
  TControl::ApplyWidgetState();
}

void TWinControl::WMSetFocus(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && !form->SetFocusedControl(this)) return;
  DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TMessage& Message) {
  if (ControlState().Contains(csFocusing)) return;
  DefaultHandler(Message);
}

// The form sees a key first when it previews keys; a handler that sets the
// key to 0 has taken it.
bool TWinControl::DoKey(TMessage& Message, bool (TWinControl::*pass)(TMessage&),
                        void (TWinControl::*handler)(Word&, TShiftState)) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && (form->*pass)(Message)) return true;
  if (!ControlStyle().Contains(csNoStdEvents)) {
    Word key = Message.CharCode();
    (this->*handler)(key, KeyDataToShiftState(Message.KeyData()));
    Message.SetCharCode(key);
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyDown(TMessage& Message) { return DoKey(Message, &TWinControl::DoKeyDown, &TWinControl::KeyDown); }

bool TWinControl::DoKeyUp(TMessage& Message) { return DoKey(Message, &TWinControl::DoKeyUp, &TWinControl::KeyUp); }

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message)) return true;
  if (!ControlStyle().Contains(csNoStdEvents)) {
    TChar ch = static_cast<TChar>(Message.WParam);
    KeyPress(ch);
    Message.WParam = ch;
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(TChar& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

void TWinControl::WMPaint(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::CNKeyDown(TMessage& Message) {
  Message.Result = 1;
  if (!ComponentState().Contains(csDesigning)) {
    if (IsMenuKey(this, Message)) return;
    if (Perform(CM_CHILDKEY, Message.CharCode(), reinterpret_cast<LPARAM>(this)) != 0) return;
    LRESULT mask = 0;
    switch (Message.CharCode()) {
      case VK_TAB: mask = DLGC_WANTTAB; break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN: mask = DLGC_WANTARROWS; break;
      case VK_RETURN:
      case VK_EXECUTE:
      case VK_ESCAPE:
      case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
      default: break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.CharCode(), 0) == 0 &&
        (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGKEY, Message.CharCode(), Message.KeyData()) != 0) return;
    }
  }
  Message.Result = 0;
}

void TWinControl::CNChar(TMessage& Message) {
  Message.Result = 1;
  if (!ComponentState().Contains(csDesigning)) {
    if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.KeyData()) != 0) return;
    }
  }
  Message.Result = 0;
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }

void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMChildKey(TMessage& Message) {
  if (parent_) parent_->WindowProc(Message);
}

void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }

}  // namespace fw
