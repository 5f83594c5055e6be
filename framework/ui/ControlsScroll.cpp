// Scroll bars that their control owns, and the repainting of parts of a
// window: InvalidateRect, ValidateRect, ScrollWindow, UpdateWindow.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "Controls.h"
#include "Forms.h"
#include "QtControls.h"
#include "Scope.h"

namespace fw {

// ---------------------------------------------------------------- owned scroll bars

TOwnedScrollBar::TOwnedScrollBar(Qt::Orientation o, TWinControl* control, QAbstractScrollArea* area)
    : QScrollBar(o), control_(control), area_(area) {
  setRange(0, 0);
  setPageStep(1);
  // Qt's menu of the bar would move it behind the control's back.
  setContextMenuPolicy(Qt::NoContextMenu);
  installEventFilter(this);
  QObject::connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { Action(action); });
  QObject::connect(this, &QAbstractSlider::sliderReleased, this, [this] { Released(); });
}

QSize TOwnedScrollBar::sizeHint() const {
  QSize s = QScrollBar::sizeHint();
  if (orientation() == Qt::Vertical) return {GetSystemMetrics(SM_CXVSCROLL), s.height()};
  return {s.width(), GetSystemMetrics(SM_CYHSCROLL)};
}

void TOwnedScrollBar::SetRange(int min, int max) {
  TRestoreScope syncing(syncing_, true);
  bool shown = max > min;
  setRange(min, shown ? max : min);
  pos_ = std::clamp(pos_, min, std::max(min, max));
  if (!isSliderDown()) setValue(pos_);
  Qt::ScrollBarPolicy policy = shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (orientation() == Qt::Vertical) area_->setVerticalScrollBarPolicy(policy);
  else area_->setHorizontalScrollBarPolicy(policy);
}

void TOwnedScrollBar::SetPos(int pos) {
  TRestoreScope syncing(syncing_, true);
  pos_ = std::clamp(pos, minimum(), maximum());
  // A thumb held by the mouse stays under it; it goes to pos_ when let go.
  if (!isSliderDown()) setValue(pos_);
}

void TOwnedScrollBar::Send(int code, int pos) {
  unsigned msg = orientation() == Qt::Vertical ? WM_VSCROLL : WM_HSCROLL;
  WPARAM w = static_cast<WPARAM>(code & 0xFFFF) | (static_cast<WPARAM>(static_cast<std::uint32_t>(pos)) << 16);
  TWinControl* c = control_;
  Guarded(c, [&] { c->Perform(msg, w, 0); });
}

void TOwnedScrollBar::Action(int action) {
  if (syncing_ || !control_) return;
  int proposed = sliderPosition();
  if (action == SliderMove && isSliderDown()) {
    Send(SB_THUMBTRACK, proposed);
    return;
  }
  // The bar stays where the control has it; the control decides.
  auto alive = control_->LifeToken();
  {
    TRestoreScope syncing(syncing_, true);
    setSliderPosition(pos_);
  }
  int code = -1, times = 1;
  switch (action) {
    case SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case SliderSingleStepSub: code = SB_LINEUP; break;
    case SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case SliderPageStepSub: code = SB_PAGEUP; break;
    case SliderToMinimum: code = SB_TOP; break;
    case SliderToMaximum: code = SB_BOTTOM; break;
    case SliderMove:  // the wheel over the bar: so many lines
      code = proposed > pos_ ? SB_LINEDOWN : SB_LINEUP;
      times = std::abs(proposed - pos_) / std::max(1, singleStep());
      break;
    default: return;
  }
  if (action != SliderMove) stepping_ = true;
  for (int i = 0; i < times && *alive; ++i) Send(code, 0);
  if (!*alive) return;
  TRestoreScope syncing(syncing_, true);
  setSliderPosition(pos_);
}

void TOwnedScrollBar::Released() {
  if (syncing_ || !control_) return;
  auto alive = control_->LifeToken();
  Send(SB_THUMBPOSITION, sliderPosition());
  if (*alive) Send(SB_ENDSCROLL, 0);
  if (!*alive) return;
  TRestoreScope syncing(syncing_, true);
  setSliderPosition(pos_);
  setValue(pos_);
}

bool TOwnedScrollBar::eventFilter(QObject* o, QEvent* e) {
  if (o == this && e->type() == QEvent::MouseButtonRelease && stepping_) {
    stepping_ = false;
    bool handled = QScrollBar::eventFilter(o, e);
    if (control_) Send(SB_ENDSCROLL, 0);
    return handled;
  }
  return QScrollBar::eventFilter(o, e);
}

void OwnScrollBars(QAbstractScrollArea* Area, TWinControl* Control) {
  Area->setVerticalScrollBar(new TOwnedScrollBar(Qt::Vertical, Control, Area));
  Area->setHorizontalScrollBar(new TOwnedScrollBar(Qt::Horizontal, Control, Area));
  // The area hands its old bars' steps on; a bar of ours has no page.
  Area->verticalScrollBar()->setPageStep(1);
  Area->horizontalScrollBar()->setPageStep(1);
  Area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

namespace {

QScrollBar* BarOf(HWND Wnd, int Bar) {
  TWinControl* c = FindControl(Wnd);
  auto* area = c ? dynamic_cast<QAbstractScrollArea*>(WidgetOf(c)) : nullptr;
  if (!area) return nullptr;
  return Bar == SB_VERT ? area->verticalScrollBar() : Bar == SB_HORZ ? area->horizontalScrollBar() : nullptr;
}

}  // namespace

bool SetScrollRange(HWND Wnd, int Bar, int Min, int Max, bool) {
  QScrollBar* sb = BarOf(Wnd, Bar);
  if (!sb) return false;
  if (auto* owned = dynamic_cast<TOwnedScrollBar*>(sb)) {
    owned->SetRange(Min, Max);
  } else {
    sb->setRange(Min, std::max(Min, Max));
  }
  return true;
}

int SetScrollPos(HWND Wnd, int Bar, int Pos, bool) {
  QScrollBar* sb = BarOf(Wnd, Bar);
  if (!sb) return 0;
  if (auto* owned = dynamic_cast<TOwnedScrollBar*>(sb)) {
    int old = owned->Pos();
    owned->SetPos(Pos);
    return old;
  }
  int old = sb->value();
  sb->setValue(Pos);
  return old;
}

int GetScrollPos(HWND Wnd, int Bar) {
  QScrollBar* sb = BarOf(Wnd, Bar);
  if (!sb) return 0;
  if (auto* owned = dynamic_cast<TOwnedScrollBar*>(sb)) return owned->Pos();
  return sb->value();
}

// ---------------------------------------------------------------- repainting parts

namespace {

// The widget that shows Wnd's client area and where the client area starts in it.
QWidget* ClientOf(HWND Wnd, TPoint& offset) {
  TWinControl* c = FindControl(Wnd);
  QWidget* w = c ? ClientWidgetOf(c) : nullptr;
  offset = w && w == WidgetOf(c) ? c->ClientOffset() : TPoint{};
  return w;
}

QRect ClientRectIn(HWND Wnd, const TRect* Rect, TPoint offset) {
  TRect r = Rect ? *Rect : FindControl(Wnd)->ClientRect();
  return QRect(r.Left + offset.X, r.Top + offset.Y, r.Width(), r.Height());
}

}  // namespace

bool InvalidateRect(HWND Wnd, const TRect* Rect, bool) {
  TPoint off;
  QWidget* w = ClientOf(Wnd, off);
  if (!w) return false;
  QRect r = ClientRectIn(Wnd, Rect, off);
  if (r.isEmpty()) return true;
  TControlBridge::OfControl(FindControl(Wnd))->Invalidated(QRegion(r));
  w->update(r);
  return true;
}

bool ValidateRect(HWND Wnd, const TRect* Rect) {
  TPoint off;
  QWidget* w = ClientOf(Wnd, off);
  if (!w) return false;
  TControlBridge* b = TControlBridge::OfControl(FindControl(Wnd));
  if (!b->Painting()) b->Validate(QRegion(ClientRectIn(Wnd, Rect, off)));
  return true;
}

bool ScrollWindow(HWND Wnd, int DX, int DY, const TRect* Rect, const TRect* ClipRect) {
  TPoint off;
  QWidget* w = ClientOf(Wnd, off);
  if (!w) return false;
  if (!Rect && !ClipRect && off.X == 0 && off.Y == 0) {
    w->scroll(DX, DY);
    return true;
  }
  QRect r = ClientRectIn(Wnd, Rect, off);
  if (ClipRect) r &= ClientRectIn(Wnd, ClipRect, off);
  if (r.isEmpty()) return true;
  w->scroll(DX, DY, r);
  return true;
}

bool UpdateWindow(HWND Wnd) {
  TWinControl* c = FindControl(Wnd);
  if (!c) return false;
  // What waits to be painted is painted by the window's update request.
  if (QWidget* w = WidgetOf(c); w && w->isVisible())
    QCoreApplication::sendPostedEvents(w->window(), QEvent::UpdateRequest);
  return true;
}

}  // namespace fw
