#include "Controls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_set>

#include "Exceptions.h"
#include "Forms.h"
#include "QtControls.h"

namespace fw {

namespace {

// Windows whose widget is made: the handles that SendMessage accepts.
// Registries that controls use up to the end of the process are never freed.
std::unordered_set<const TWinControl*>& LiveHandles() {
  static auto* handles = new std::unordered_set<const TWinControl*>;
  return *handles;
}

TControl*& CaptureControlRef() {
  static TControl* capture = nullptr;
  return capture;
}

QCursor ToQCursor(TCursor c) {
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

}  // namespace

QCursor CursorOf(TCursor c) { return ToQCursor(c); }

bool BridgePainting(const QWidget* w) {
  TControlBridge* b = TControlBridge::Of(w);
  return b && b->Painting();
}

// ---------------------------------------------------------------- drag and drop

// The drag under way: at most one at a time, as the mouse is one.
struct DragMachine {
  TControl* Source = nullptr;         // the control being dragged (pending or active)
  TDragObject* Object = nullptr;      // set once the drag has started
  std::unique_ptr<TDragObject> Owned; // the object made here when OnStartDrag gave none
  bool Active = false;
  TPoint Start;
  int Threshold = DragThreshold;
  bool CursorSet = false;

  static DragMachine& Get() {
    static auto* d = new DragMachine;
    return *d;
  }

  void Init(TControl* c, bool immediate, int threshold) {
    Source = c;
    Active = false;
    Object = nullptr;
    Threshold = threshold < 0 ? DragThreshold : threshold;
    Start = GetCursorPos();
    SetCaptureControl(c);
    if (immediate) Begin(Start);
  }

  void Begin(TPoint pos) {
    TControl* c = Source;
    auto alive = c->LifeToken();
    TDragObject* obj = nullptr;
    c->DoStartDrag(obj);
    if (!*alive || Source != c) return;
    if (!obj) {
      Owned = std::make_unique<TDragControlObject>(c);
      obj = Owned.get();
    }
    Object = obj;
    Active = true;
    To(pos);
  }

  LRESULT Send(TControl* target, TDragMessage msg, TPoint pos) {
    TDragRec rec{pos, Object, target};
    TMessage m{CM_DRAG, static_cast<WPARAM>(msg), reinterpret_cast<LPARAM>(&rec), 0};
    target->WindowProc(m);
    return m.Result;
  }

  void To(TPoint pos) {
    if (!Active || !Object) return;
    TControl* target = FindDragTarget(pos, false);
    if (target != Object->dragTarget_) {
      if (Object->dragTarget_) Send(Object->dragTarget_, dmDragLeave, pos);
      if (!Active) return;
      Object->dragTarget_ = target;
      Object->dragPos_ = pos;
      if (target) Send(target, dmDragEnter, pos);
      if (!Active) return;
    }
    Object->dragPos_ = pos;
    bool accepted = false;
    if (Object->dragTarget_) {
      Object->dragTargetPos_ = Object->dragTarget_->ScreenToClient(pos);
      accepted = Send(Object->dragTarget_, dmDragMove, pos) != 0;
    }
    if (!Active) return;
    TPoint tp = Object->dragTargetPos_;
    QCursor cur = ToQCursor(Object->GetDragCursor(accepted, tp.X, tp.Y));
    if (QGuiApplication::instance()) {
      if (CursorSet) QGuiApplication::changeOverrideCursor(cur);
      else QGuiApplication::setOverrideCursor(cur);
      CursorSet = true;
    }
  }

  void Done(bool drop) {
    if (!Source) return;
    if (!Active || !Object) {  // never started: nothing to tell
      Reset();
      return;
    }
    if (Object->cancelling_) return;
    TDragObject* obj = Object;
    std::unique_ptr<TDragObject> owned = std::move(Owned);
    obj->cancelling_ = true;
    obj->dropped_ = drop;
    TControl* target = obj->dragTarget_;
    TPoint pos = obj->dragPos_;
    TPoint targetPos = target ? obj->dragTargetPos_ : pos;
    Reset();
    std::exception_ptr failure;
    bool accepted = false;
    try {
      if (target) {
        // The target says once more whether it takes the drop.
        Object = obj;
        Active = true;
        accepted = Send(target, dmDragLeave, pos) != 0 && drop;
        Object = nullptr;
        Active = false;
        Send(target, accepted ? dmDragDrop : dmDragCancel, pos);
      }
    } catch (...) {
      Object = nullptr;
      Active = false;
      failure = std::current_exception();
    }
    try {
      obj->Finished(accepted ? target : nullptr, targetPos.X, targetPos.Y, accepted);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
  }

  void Reset() {
    if (GetCaptureControl() == Source) SetCaptureControl(nullptr);
    Source = nullptr;
    Object = nullptr;
    Active = false;
    Owned.reset();
    if (CursorSet && QGuiApplication::instance()) QGuiApplication::restoreOverrideCursor();
    CursorSet = false;
  }

  // The control or a target goes away.
  void Forget(TControl* c) {
    if (Object && Object->dragTarget_ == c) Object->dragTarget_ = nullptr;
    if (Source == c) Reset();
  }
};

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? crDrag : crNoDrop; }

void TDragObject::Finished(TObject*, int, int, bool) {}

void TDragControlObject::Finished(TObject* Target, int X, int Y, bool) {
  if (control_) control_->DoEndDrag(Target, X, Y);
}

void CancelDrag() { DragMachine::Get().Done(false); }

FW_IMPLEMENT_CLASS(TDragObject)
FW_IMPLEMENT_CLASS(TDragControlObject)

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
  c.Property("Height", &TControl::Height, &TControl::SetHeight);
  c.Property("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext).Default(0);
  c.Property("Hint", &TControl::Hint, &TControl::SetHint);
  c.Property("Left", &TControl::Left, &TControl::SetLeft);
  c.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  c.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  c.Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  c.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  c.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
  c.Property("Text", &TControl::Text, &TControl::SetText);
  c.Property("Top", &TControl::Top, &TControl::SetTop);
  c.Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  c.Property("Width", &TControl::Width, &TControl::SetWidth);
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
  Destroying();
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
  int off = parent_->ChildOffset();
  WidgetOf(this)->setGeometry(left_ + off, top_ + off, width_, height_);
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
  applyingParentFont_ = true;
  try {
    font_->Assign(parent_->Font());
  } catch (...) {
    applyingParentFont_ = false;
    throw;
  }
  applyingParentFont_ = false;
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
  WidgetOf(this)->setCursor(ToQCursor(cursor_));
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

TWinControl::~TWinControl() {
  Destroying();
  DestroyControls();
  DestroyHandle();
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
  return reinterpret_cast<HWND>(this);
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
  LiveHandles().insert(this);
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
  LiveHandles().erase(this);
  FreeWidget();
}

void TWinControl::DestroyWnd() {}

void TWinControl::RecreateWnd() {
  if (!bridge_ || recreating_) return;
  recreating_ = true;
  bool hadFocus = Focused();
  DestroyHandle();
  try {
    CreateHandle();
  } catch (...) {
    recreating_ = false;
    throw;
  }
  recreating_ = false;
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
  UpdateWidgetGeometry();
  ApplyWidgetState();
  WidgetOf(this)->setVisible(Visible());
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
  if (bridge_ && ClientWidgetOf(this) != WidgetOf(this)) return 0;
  return BorderExtent();
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
    int off = cw == WidgetOf(this) ? BorderExtent() : 0;
    QPoint g = cw->mapToGlobal(QPoint(off, off));
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
    DisableAlign();
    aligning_ = true;
    try {
      TRect r = GetClientRect();
      AdjustClientRect(r);
      AlignControls(AControl, r);
    } catch (...) {
      aligning_ = false;
      --alignLevel_;
      throw;
    }
    aligning_ = false;
    --alignLevel_;
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
  bool wasScaling = scaling_;
  scaling_ = true;
  try {
    for (TControl* c : controls_) c->ChangeScale(M, D);
    TControl::ChangeScale(M, D);
  } catch (...) {
    scaling_ = wasScaling;
    EnableAlign();
    throw;
  }
  scaling_ = wasScaling;
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
      // Alt and a letter: an accelerator of the form.
      TCustomForm* form = GetParentForm(this);
      if (form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) Message.Result = 1;
      return;
    }
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

TGraphicControl::~TGraphicControl() {
  Destroying();
  FreeWidget();
}

TCanvas* TGraphicControl::Canvas() const { return canvas_.get(); }

void TGraphicControl::CreateControlWidget() {
  if (bridge_ || !parent_ || !ClientWidgetOf(parent_)) return;
  auto* w = new TBridged<QWidget>(this, ClientWidgetOf(parent_));
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

TCustomControl::~TCustomControl() {
  Destroying();
  DestroyControls();
  DestroyHandle();
}

TCanvas* TCustomControl::Canvas() const { return canvas_.get(); }

void TCustomControl::WMPaint(TMessage&) { PaintWindow(); }

void TCustomControl::PaintWindow() {
  QWidget* w = ClientWidgetOf(this);
  if (!w || !BridgePainting(WidgetOf(this))) return Invalidate();
  QPainter p(w);
  PrepareClientPainter(p, this);
  TCanvasPainting painting(canvas_.get(), &p);
  Paint();
}

// ---------------------------------------------------------------- popup menu slot

FW_PUBLISH(TPopupMenu) {
  c.Property("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  c.Event("OnPopup", &TPopupMenu::OnPopup);
}

void TPopupMenu::Popup(int, int) {
  if (OnPopup) OnPopup(this);
}

// ---------------------------------------------------------------- window functions

TWinControl* FindControl(HWND Handle) {
  auto* c = reinterpret_cast<TWinControl*>(Handle);
  if (!c || !LiveHandles().count(c)) return nullptr;
  return c;
}

LRESULT SendMessage(HWND Wnd, unsigned Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* c = FindControl(Wnd);
  return c ? c->Perform(Msg, WParam, LParam) : 0;
}

HWND SetCapture(HWND Wnd) {
  HWND old = GetCapture();
  SetCaptureControl(FindControl(Wnd));
  return old;
}

bool ReleaseCapture() {
  SetCaptureControl(nullptr);
  return true;
}

HWND GetCapture() {
  TControl* c = CaptureControlRef();
  while (c && !dynamic_cast<TWinControl*>(c)) c = c->Parent();
  auto* w = static_cast<TWinControl*>(c);
  return w && w->HandleAllocated() ? reinterpret_cast<HWND>(w) : 0;
}

TControl* GetCaptureControl() { return CaptureControlRef(); }

void SetCaptureControl(TControl* Control) {
  TControl* old = CaptureControlRef();
  if (old == Control) return;
  CaptureControlRef() = Control;
}

bool GetScrollRange(HWND Wnd, int Bar, int* Min, int* Max) {
  int mn = 0, mx = 0;
  TWinControl* c = FindControl(Wnd);
  bool ok = c && c->GetScrollRangeOf(Bar, mn, mx);
  if (Min) *Min = mn;
  if (Max) *Max = mx;
  return ok;
}

HWND GetFocus() {
  QWidget* w = QApplication::focusWidget();
  while (w) {
    if (TControlBridge* b = TControlBridge::Of(w))
      if (auto* c = dynamic_cast<TWinControl*>(b->Control())) return reinterpret_cast<HWND>(c);
    w = w->parentWidget();
  }
  return 0;
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  TWinControl* top = nullptr;
  if (QApplication::instance()) {
    if (QWidget* w = QApplication::topLevelAt(QPoint(Pos.X, Pos.Y)))
      top = dynamic_cast<TWinControl*>(TControlBridge::ControlAt(w));
  }
  if (!top) return nullptr;
  TControl* found = top;
  for (;;) {
    auto* wc = dynamic_cast<TWinControl*>(found);
    if (!wc) break;
    TControl* child = wc->ControlAtPos(wc->ScreenToClient(Pos), AllowDisabled);
    if (!child) break;
    found = child;
  }
  return found;
}

TPoint GetCursorPos() {
  QPoint p = CurrentCursorPos();
  return {p.x(), p.y()};
}

bool IsAccel(TChar Key, const std::string& Caption) {
  TChars s = Utf8ToChars(Caption);
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != '&') continue;
    if (s[i + 1] == '&') {
      ++i;
      continue;
    }
    return CharUpper(s[i + 1]) == CharUpper(Key);
  }
  return false;
}

std::string StripHotkey(const std::string& Caption) {
  std::string r;
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&') {
      if (i + 1 < Caption.size() && Caption[i + 1] == '&') r += '&';
      if (i + 1 < Caption.size()) ++i;
      else continue;
      if (Caption[i] == '&') continue;
    }
    r += Caption[i];
  }
  return r;
}

}  // namespace fw
