#include "Controls.h"

#include <QCursor>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "Exceptions.h"
#include "Forms.h"
#include "Menus.h"
#include "QtControls.h"
#include "Scope.h"

namespace fw {

QCursor CursorOf(TCursor c) {
  switch (c) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS: return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE: return QCursor(Qt::SizeHorCursor);
    case crUpArrow: return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
    case crSQLWait: return QCursor(Qt::WaitCursor);
    case crDrag:
    case crMultiDrag: return QCursor(Qt::DragMoveCursor);
    case crNoDrop:
    case crNo: return QCursor(Qt::ForbiddenCursor);
    case crHSplit: return QCursor(Qt::SplitHCursor);
    case crVSplit: return QCursor(Qt::SplitVCursor);
    case crAppStart: return QCursor(Qt::BusyCursor);
    case crHelp: return QCursor(Qt::WhatsThisCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    default: return QCursor(Qt::ArrowCursor);
  }
}

bool BridgePainting(const QWidget* w) {
  TControlBridge* b = TControlBridge::Of(w);
  return b && b->Painting();
}

// ---------------------------------------------------------------- TControl

FW_PUBLISH(TControl) {
  c.Property("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  c.Property("Anchors", &TControl::Anchors, &TControl::SetAnchors)
      .Default(static_cast<std::int64_t>(TAnchors{akLeft, akTop}.ToBits()));
  c.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  c.Property("Color", &TControl::Color, &TControl::SetColor).SetTypeName("TColor");
  c.Property("Cursor", &TControl::Cursor, &TControl::SetCursor).SetTypeName("TCursor").Default(crDefault);
  c.Property("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor).SetTypeName("TCursor").Default(crDrag);
  c.Property("DragMode", &TControl::DragMode, &TControl::SetDragMode).Default(dmManual);
  c.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  c.Property("Font", &TControl::Font, &TControl::SetFont);
  c.Property("Height", &TControl::Height, &TControl::SetHeight).Range(MinFormCoordinate, MaxFormCoordinate);
  c.Property("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext).Default(0);
  c.Property("Hint", &TControl::Hint, &TControl::SetHint);
  c.Property("Left", &TControl::Left, &TControl::SetLeft).Range(MinFormCoordinate, MaxFormCoordinate);
  c.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  c.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  c.Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  c.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  c.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
  c.Property("Text", &TControl::Text, &TControl::SetText);
  c.Property("Top", &TControl::Top, &TControl::SetTop).Range(MinFormCoordinate, MaxFormCoordinate);
  c.Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  c.Property("Width", &TControl::Width, &TControl::SetWidth).Range(MinFormCoordinate, MaxFormCoordinate);
  c.Event("OnClick", &TControl::OnClick);
  c.Event("OnDblClick", &TControl::OnDblClick);
  c.Event("OnDragDrop", &TControl::OnDragDrop);
  c.Event("OnDragOver", &TControl::OnDragOver);
  c.Event("OnEndDrag", &TControl::OnEndDrag);
  c.Event("OnMouseDown", &TControl::OnMouseDown);
  c.Event("OnMouseMove", &TControl::OnMouseMove);
  c.Event("OnMouseUp", &TControl::OnMouseUp);
  c.Event("OnResize", &TControl::OnResize);
  c.Event("OnStartDrag", &TControl::OnStartDrag);
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  controlStyle_ = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  parentColor_ = true;
  font_->OnChange = [this](TObject*) { FontChangedEvent(); };
}

TControl::~TControl() {
  *alive_ = false;
  DragMachine::Get().Forget(this);
  if (CaptureControlRef() == this) CaptureControlRef() = nullptr;
  if (parent_) parent_->RemoveControl(this);
  FreeWidget();
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::SetParent(TWinControl* AParent) {
  if (parent_ == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetWidget(TControlBridge* w) { bridge_ = w; }

void TControl::FreeWidget() {
  if (!bridge_) return;
  TControlBridge* b = bridge_;
  QWidget* w = b->Self();
  bridge_ = nullptr;
  TControlCanvas::FreeHandles(this);
  b->Detach();
  if (WindowsAbandoned()) return;
  QObject::disconnect(w, nullptr, nullptr, nullptr);
  w->hide();
  // Inside an event Qt may still use the widget or its window: it goes once
  // the event is done.
  if (EventDepth() > 0) {
    if (w->parentWidget()) w->setParent(nullptr);
    w->deleteLater();
  } else {
    delete w;
  }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  bool sized = AWidth != width_ || AHeight != height_;
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (!parent_ || !parent_->aligning_) UpdateAnchorRules();
  UpdateWidgetGeometry();
  BoundsChanged();
  RequestAlign();
  if (sized) SizeChanged();
}

void TControl::SizeChanged() {
  if (!ComponentState().Contains(csLoading)) Resize();
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

TRect TControl::GetClientRect() const { return Rect(0, 0, width_, height_); }

void TControl::SetClientWidth(int v) { SetBounds(left_, top_, width_ - ClientWidth() + v, height_); }

void TControl::SetClientHeight(int v) { SetBounds(left_, top_, width_, height_ - ClientHeight() + v); }

TPoint TControl::ClientOrigin() const {
  if (!parent_) return {left_, top_};
  TPoint p = parent_->ClientOrigin();
  return {p.X + left_, p.Y + top_};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X - o.X, p.Y - o.Y};
}

void TControl::UpdateWidgetGeometry() {
  if (!bridge_ || !parent_) return;
  if (WidgetOf(this)->isWindow()) {  // a pop-up window: on the screen
    WidgetOf(this)->setGeometry(left_, top_, width_, height_);
    return;
  }
  TPoint off = parent_->ClientOffset();
  WidgetOf(this)->setGeometry(left_ + off.X, top_ + off.Y, width_, height_);
}

void TControl::SetAlign(TAlign v) {
  if (v == align_) return;
  TAlign old = align_;
  align_ = v;
  if (old == alNone || v == alNone) UpdateAnchorRules();
  RequestAlign();
}

void TControl::SetAnchors(TAnchors v) {
  if (v == anchors_) return;
  anchors_ = v;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  anchorRules_.valid = false;
  if (!parent_) return;
  TRect r = parent_->GetClientRect();
  parent_->AdjustClientRect(r);
  anchorRules_.left = left_ - r.Left;
  anchorRules_.top = top_ - r.Top;
  anchorRules_.right = r.Right - (left_ + width_);
  anchorRules_.bottom = r.Bottom - (top_ + height_);
  anchorRules_.width = r.Width();
  anchorRules_.height = r.Height();
  anchorRules_.valid = true;
}

void TControl::AnchorTo(int pw, int ph) {
  if (!anchorRules_.valid || align_ != alNone) return;
  if (anchors_ == TAnchors{akLeft, akTop}) return;
  TRect r = parent_->GetClientRect();
  parent_->AdjustClientRect(r);
  int l = left_, t = top_, w = width_, h = height_;
  bool hl = anchors_.Contains(akLeft), hr = anchors_.Contains(akRight);
  if (hl && hr) {
    l = r.Left + anchorRules_.left;
    w = pw - anchorRules_.left - anchorRules_.right;
  } else if (hr) {
    l = r.Left + pw - anchorRules_.right - w;
  } else if (!hl && anchorRules_.width > 0) {
    int centre = anchorRules_.left + w / 2;
    l = r.Left + MulDiv(centre, pw, anchorRules_.width) - w / 2;
  }
  bool vt = anchors_.Contains(akTop), vb = anchors_.Contains(akBottom);
  if (vt && vb) {
    t = r.Top + anchorRules_.top;
    h = ph - anchorRules_.top - anchorRules_.bottom;
  } else if (vb) {
    t = r.Top + ph - anchorRules_.bottom - h;
  } else if (!vt && anchorRules_.height > 0) {
    int centre = anchorRules_.top + h / 2;
    t = r.Top + MulDiv(centre, ph, anchorRules_.height) - h / 2;
  }
  SetBounds(l, t, w, h);
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (bridge_) WidgetOf(this)->setVisible(v);
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
  RequestAlign();
}

void TControl::Show() {
  if (parent_) parent_->Show();
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor v) {
  if (v == color_ && !parentColor_) return;
  color_ = v;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool v) {
  if (v == parentColor_) return;
  parentColor_ = v;
  if (v && parent_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool v) {
  if (v == parentFont_) return;
  parentFont_ = v;
  if (v && parent_) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChangedEvent() {
  if (!applyingParentFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

std::string TControl::GetText() const { return text_; }

void TControl::SetText(const std::string& v) {
  if (GetText() == v) return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(v.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool v) {
  parentShowHint_ = false;
  if (v == showHint_) return;
  showHint_ = v;
  ApplyWidgetState();
}

void TControl::SetParentShowHint(bool v) {
  parentShowHint_ = v;
  if (v && parent_) showHint_ = parent_->ShowHint();
  ApplyWidgetState();
}

void TControl::SetCursor(TCursor v) {
  if (v == cursor_) return;
  cursor_ = v;
  ApplyWidgetState();
}

void TControl::SetPopupMenu(TPopupMenu* v) {
  popupMenu_ = v;
  if (v) v->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Invalidate() {
  if (bridge_) WidgetOf(this)->update();
}

void TControl::Repaint() {
  if (bridge_) WidgetOf(this)->repaint();
}

void TControl::Update() {
  if (bridge_) WidgetOf(this)->repaint();
}

LRESULT TControl::Perform(unsigned Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  // A copy: the handler may free the control, and the procedure with it.
  TWndMethod proc = WindowProc;
  if (proc) proc(m);
  else WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST) {
    if (!controlStyle_.Contains(csDoubleClicks)) {
      switch (Message.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK: Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN; break;
        default: break;
      }
    }
    if (ApplyMouseDrag(Message)) return;
    switch (Message.Msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (dragMode_ == dmAutomatic) {
          BeginAutoDrag();
          return;
        }
        controlState_.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP: controlState_.Exclude(csLButtonDown); break;
      default: break;
    }
  }
  Dispatch(Message);
}

void TControl::BeginAutoDrag() { BeginDrag(true, -1); }

bool TControl::ApplyMouseDrag(TMessage& Message) {
  DragMachine& d = DragMachine::Get();
  if (d.Source != this) return false;
  TPoint screen = ClientToScreen({Message.XPos(), Message.YPos()});
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
      if (!d.Active) {
        if (!(Message.Keys() & MK_LBUTTON)) {
          d.Reset();
          return false;
        }
        if (std::abs(screen.X - d.Start.X) < d.Threshold && std::abs(screen.Y - d.Start.Y) < d.Threshold)
          return true;
        d.Begin(screen);
      } else {
        d.To(screen);
      }
      return true;
    case WM_LBUTTONUP:
      if (!d.Active) {
        d.Reset();  // a plain click
        return false;
      }
      d.Done(true);
      return true;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (d.Active) {
        d.Done(false);
        return true;
      }
      d.Reset();
      return false;
    default: return d.Active;
  }
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE: return WMMouseMove(Message);
    case WM_LBUTTONDOWN: return WMLButtonDown(Message);
    case WM_LBUTTONDBLCLK: return WMLButtonDblClk(Message);
    case WM_LBUTTONUP: return WMLButtonUp(Message);
    case WM_RBUTTONDOWN: return WMRButtonDown(Message);
    case WM_RBUTTONDBLCLK: return WMRButtonDblClk(Message);
    case WM_RBUTTONUP: return WMRButtonUp(Message);
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return WMMButtonDown(Message);
    case WM_MBUTTONUP: return WMMButtonUp(Message);
    case WM_SETTEXT: return WMSetText(Message);
    case WM_CONTEXTMENU: return WMContextMenu(Message);
    case WM_CANCELMODE:
      if (GetCaptureControl() == this) SetCaptureControl(nullptr);
      return DefaultHandler(Message);
    case CM_DRAG: return CMDrag(Message);
    case CM_PARENTFONTCHANGED: return CMParentFontChanged(Message);
    case CM_PARENTCOLORCHANGED: return CMParentColorChanged(Message);
    case CM_FONTCHANGED: return CMFontChanged(Message);
    case CM_COLORCHANGED: return CMColorChanged(Message);
    case CM_ENABLEDCHANGED: return CMEnabledChanged(Message);
    case CM_TEXTCHANGED: TextChanged(); return;
    case CM_PARENTSHOWHINTCHANGED:
      if (parentShowHint_ && parent_) {
        showHint_ = parent_->ShowHint();
        ApplyWidgetState();
      }
      return;
    default: DefaultHandler(Message);
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_SETTEXT) {
    const char* s = reinterpret_cast<const char*>(Message.LParam);
    text_ = s ? s : "";
    if (bridge_) WidgetOf(this)->update();
  }
}

void TControl::WMSetText(TMessage& Message) { DefaultHandler(Message); }

void TControl::SendCancelMode(TControl* Sender) {
  // A press inside a pop-up window belongs to the control that opened it.
  if (InsidePopupWindow(Sender)) return;
  TCustomForm* form = GetParentForm(this);
  if (form && form->ActiveControl() && form->ActiveControl() != Sender)
    form->ActiveControl()->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  MouseDown(Button, KeysToShiftState(Message.Keys()) + Shift, Message.XPos(), Message.YPos());
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  MouseUp(Button, KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

void TControl::WMMouseMove(TMessage& Message) {
  DefaultHandler(Message);
  if (!controlStyle_.Contains(csNoStdEvents))
    MouseMove(KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

void TControl::WMLButtonDown(TMessage& Message) {
  SendCancelMode(this);
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
  DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) DblClick();
  if (!*alive) return;
  DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (controlState_.Contains(csClicked)) {
    controlState_.Exclude(csClicked);
    if (PtInRect(GetClientRect(), {Message.XPos(), Message.YPos()})) Click();
    if (!*alive) return;
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TMessage& Message) {
  SendCancelMode(this);
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  DoMouseDown(Message, mbRight, {});
}

void TControl::WMRButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  DoMouseDown(Message, mbRight, {ssDouble});
}

void TControl::WMRButtonUp(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
  DoMouseUp(Message, mbRight);
  if (!*alive) return;
  // The right button's release asks for the context menu.
  TPoint p = ClientToScreen({Message.XPos(), Message.YPos()});
  Perform(WM_CONTEXTMENU, 0, MakeLParam(p.X, p.Y));
}

void TControl::WMMButtonDown(TMessage& Message) {
  SendCancelMode(this);
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  DoMouseDown(Message, mbMiddle, Message.Msg == WM_MBUTTONDBLCLK ? TShiftState{ssDouble} : TShiftState{});
}

void TControl::WMMButtonUp(TMessage& Message) {
  auto alive = alive_;
  DefaultHandler(Message);
  if (!*alive) return;
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
  DoMouseUp(Message, mbMiddle);
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result) return;
  // A control without a menu of its own shows its parent's.
  TPopupMenu* menu = popupMenu_;
  for (TControl* c = parent_; !menu && c; c = c->parent_) menu = c->popupMenu_;
  if (menu && menu->AutoPopup()) {
    menu->SetPopupComponent(this);
    menu->Popup(Message.XPos(), Message.YPos());
    Message.Result = 1;
    return;
  }
  DefaultHandler(Message);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool v) {
  if (v) SetCaptureControl(this);
  else if (GetCaptureControl() == this) SetCaptureControl(nullptr);
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
  DragMachine& d = DragMachine::Get();
  if (d.Source) return;
  d.Init(this, Immediate, Threshold);
}

void TControl::EndDrag(bool Drop) {
  if (DragMachine::Get().Source == this) DragMachine::Get().Done(Drop);
}

bool TControl::Dragging() const {
  const DragMachine& d = DragMachine::Get();
  return d.Source == this && d.Active;
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = false;
  if (OnDragOver) {
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
  }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::CMDrag(TMessage& Message) {
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  TObject* source = rec->Source;
  if (auto* dco = dynamic_cast<TDragControlObject*>(source)) source = dco->Control();
  TPoint p = ScreenToClient(rec->Pos);
  switch (static_cast<TDragMessage>(Message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
      TDragState state = Message.WParam == dmDragEnter   ? dsDragEnter
                         : Message.WParam == dmDragLeave ? dsDragLeave
                                                         : dsDragMove;
      bool accept = false;
      DragOver(source, p.X, p.Y, state, accept);
      Message.Result = accept ? 1 : 0;
      break;
    }
    case dmDragDrop: DragDrop(source, p.X, p.Y); break;
    default: break;
  }
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!parentFont_ || !parent_) return;
  TRestoreScope applying(applyingParentFont_, true);
  font_->Assign(parent_->Font());
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parentColor_ || !parent_) return;
  color_ = parent_->Color();
  Perform(CM_COLORCHANGED, 0, 0);
  parentColor_ = true;
}

void TControl::CMFontChanged(TMessage&) { FontChanged(); }

void TControl::CMColorChanged(TMessage&) { ColorChanged(); }

void TControl::CMEnabledChanged(TMessage&) { EnabledChanged(); }

void TControl::FontChanged() {
  ApplyWidgetState();
  Invalidate();
}

void TControl::ColorChanged() {
  ApplyWidgetState();
  Invalidate();
}

void TControl::EnabledChanged() {
  ApplyWidgetState();
  Invalidate();
}

void TControl::ApplyWidgetState() {
  if (!bridge_) return;
  WidgetOf(this)->setFont(font_->QtFont());
  WidgetOf(this)->setEnabled(enabled_);
  WidgetOf(this)->setCursor(CursorOf(cursor_));
  WidgetOf(this)->setToolTip(showHint_ ? ToQString(hint_) : QString());
  ApplyPaletteColors(WidgetOf(this), color_, font_->Color(), false);
}

void TControl::BringToFront() {
  if (!parent_) {
    if (bridge_) {
      WidgetOf(this)->raise();
      WidgetOf(this)->activateWindow();
    }
    return;
  }
  auto& v = parent_->controls_;
  v.erase(std::find(v.begin(), v.end(), this));
  v.push_back(this);
  if (bridge_) WidgetOf(this)->raise();
  parent_->Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) {
    if (bridge_) WidgetOf(this)->lower();
    return;
  }
  auto& v = parent_->controls_;
  v.erase(std::find(v.begin(), v.end(), this));
  v.insert(v.begin(), this);
  if (bridge_) WidgetOf(this)->lower();
  parent_->Invalidate();
}

void TControl::ChangeScale(int M, int D) {
  if (M == D) return;
  int l = MulDiv(left_, M, D), t = MulDiv(top_, M, D);
  int r = MulDiv(left_ + width_, M, D), b = MulDiv(top_ + height_, M, D);
  SetBounds(l, t, r - l, b - t);
  if (!parentFont_) {
    applyingParentFont_ = true;
    font_->SetHeight(MulDiv(font_->Height(), M, D));
    applyingParentFont_ = false;
  }
}

void TControl::Loaded() {
  TComponent::Loaded();
  UpdateAnchorRules();
}
// ---------------------------------------------------------------- canvas, graphic and custom controls

FW_IMPLEMENT_CLASS(TControlCanvas)

namespace {
std::vector<TControlCanvas*>& ControlCanvases() {
  static auto* all = new std::vector<TControlCanvas*>;
  return *all;
}

// A control's canvas draws on the control's client widget while it paints,
// and measures on it at any time.
class TControlDevice : public TCanvasDevice {
public:
  explicit TControlDevice(const TControlCanvas& canvas) : canvas_(canvas) {}

  QPaintDevice* MetricsDevice() override {
    if (QPaintDevice* d = TCanvasDevice::MetricsDevice()) return d;
    TControl* control = canvas_.Control();
    if (control && WidgetOf(control)) return ClientWidgetOf(control);
    return nullptr;
  }

protected:
  std::unique_ptr<QPainter> CreatePainter() override {
    // A window can be drawn on only while it paints.
    TControl* control = canvas_.Control();
    if (!control || !WidgetOf(control) || !BridgePainting(WidgetOf(control))) return nullptr;
    auto p = std::make_unique<QPainter>(ClientWidgetOf(control));
    PrepareClientPainter(*p, control);
    return p;
  }

private:
  const TControlCanvas& canvas_;
};
}  // namespace

TControlCanvas::TControlCanvas() : TCanvas(std::make_unique<TControlDevice>(*this)) { ControlCanvases().push_back(this); }

TControlCanvas::~TControlCanvas() {
  auto& v = ControlCanvases();
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void TControlCanvas::FreeHandles(TControl* Control) {
  for (TControlCanvas* c : ControlCanvases())
    if (c->control_ == Control) c->FreeHandle();
}

FW_IMPLEMENT_CLASS(TGraphicControl)

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::BeforeDestruction() {
  FreeWidget();
  TControl::BeforeDestruction();
}

TCanvas* TGraphicControl::Canvas() const { return canvas_.get(); }

void TGraphicControl::CreateControlWidget() {
  if (bridge_ || !parent_ || !ChildHostOf(parent_)) return;
  auto* w = new TBridged<QWidget>(this, ChildHostOf(parent_));
  SetWidget(w);
  UpdateWidgetGeometry();
  ApplyWidgetState();
  w->setVisible(Visible());
}

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) return WMPaint(Message);
  TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage&) {
  if (!bridge_ || !BridgePainting(WidgetOf(this))) return Invalidate();
  QPainter p(WidgetOf(this));
  TCanvasPainting painting(canvas_.get(), &p);
  Paint();
}

FW_IMPLEMENT_CLASS(TCustomControl)

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() = default;

TCanvas* TCustomControl::Canvas() const { return canvas_.get(); }

void TCustomControl::WMPaint(TMessage&) { PaintWindow(); }

void TCustomControl::PaintWindow() {
  QWidget* w = ClientWidgetOf(this);
  if (!w || !BridgePainting(WidgetOf(this))) return Invalidate();
  QPainter p(w);
  PrepareClientPainter(p, this);
  // The canvas's ClipRect is the part being repainted.
  QRegion region = bridge_->PaintRegion();
  if (w == WidgetOf(this)) {
    TPoint off = ClientOffset();
    region.translate(-off.X, -off.Y);
  }
  if (!region.isEmpty()) p.setClipRegion(region, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  TCanvasPainting painting(canvas_.get(), &p);
  Paint();
}

}  // namespace fw
