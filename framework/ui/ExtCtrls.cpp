#include "ExtCtrls.h"

#include <QTimer>
#include <algorithm>
#include <map>

#include "Forms.h"
#include "QtControls.h"

namespace fw {

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(psSolid);
  --Rect.Bottom;
  --Rect.Right;
  for (; Width > 0; --Width) {
    Canvas->Pen()->SetColor(TopColor);
    Canvas->Polyline({{Rect.Left, Rect.Bottom}, {Rect.Left, Rect.Top}, {Rect.Right, Rect.Top}});
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->Polyline({{Rect.Right, Rect.Top}, {Rect.Right, Rect.Bottom}, {Rect.Left - 1, Rect.Bottom}});
    InflateRect(Rect, -1, -1);
  }
  ++Rect.Bottom;
  ++Rect.Right;
}

// ---------------------------------------------------------------- panel

FW_PUBLISH(TCustomPanel) {
  c.Property("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
  c.Property("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  c.Property("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
  c.Property("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  c.Property("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
  c.Property("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
  c.Property("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint).Default(true);
}

FW_IMPLEMENT_CLASS(TPanel)

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                   csReplicatable});
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel v) {
  bevelInner_ = v;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TPanelBevel v) {
  bevelOuter_ = v;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int v) {
  bevelWidth_ = v;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
  Realign();
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  int size = BorderWidth();
  if (bevelOuter_ != bvNone) size += bevelWidth_;
  if (bevelInner_ != bvNone) size += bevelWidth_;
  InflateRect(Rect, -size, -size);
}

void TCustomPanel::Paint() {
  auto colours = [](TPanelBevel b, TColor& top, TColor& bottom) {
    top = b == bvLowered ? clBtnShadow : b == bvRaised ? clBtnHighlight : clBtnFace;
    bottom = b == bvLowered ? clBtnHighlight : b == bvRaised ? clBtnShadow : clBtnFace;
  };
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  TColor top, bottom;
  if (bevelOuter_ != bvNone) {
    colours(bevelOuter_, top, bottom);
    Frame3D(c, r, top, bottom, bevelWidth_);
  }
  Frame3D(c, r, Color(), Color(), BorderWidth());
  if (bevelInner_ != bvNone) {
    colours(bevelInner_, top, bottom);
    Frame3D(c, r, top, bottom, bevelWidth_);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);
  std::string caption = Caption();
  if (caption.empty()) return;
  c->Brush()->SetStyle(bsClear);
  c->SetFont(Font());
  int h = c->TextHeight("W");
  r.Top = (r.Bottom + r.Top - h) / 2;
  r.Bottom = r.Top + h;
  unsigned align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
  DrawText(c, caption, -1, &r, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | align);
}

// ---------------------------------------------------------------- bevel

FW_PUBLISH(TBevel) {
  c.Property("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
  c.Property("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v) {
  shape_ = v;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
  style_ = v;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  TColor c1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor c2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width(), h = Height();
  auto box = [c](TColor first, TColor second, TRect r) {
    c->Pen()->SetColor(first);
    c->Polyline({{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}});
    c->Pen()->SetColor(second);
    c->Polyline({{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}});
  };
  auto line = [c](TColor colour, int x1, int y1, int x2, int y2) {
    c->Pen()->SetColor(colour);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  switch (shape_) {
    case bsBox: box(c1, c2, Rect(0, 0, w - 1, h - 1)); break;
    case bsFrame:
      box(c2, c2, Rect(1, 1, w - 1, h - 1));
      box(c1, c1, Rect(0, 0, w - 2, h - 2));
      break;
    case bsTopLine:
      line(c1, 0, 0, w, 0);
      line(c2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(c1, 0, h - 2, w, h - 2);
      line(c2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(c1, 0, 0, 0, h);
      line(c2, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(c1, w - 2, 0, w - 2, h);
      line(c2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer: break;
  }
}

// ---------------------------------------------------------------- image

FW_PUBLISH(TImage) {
  c.Property("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
  c.Property("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  c.Property("Picture", &TImage::Picture, &TImage::SetPicture);
  c.Property("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  c.Property("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

void TImage::PictureChanged() {
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  if (TGraphic* g = picture_->Graphic()) g->SetTransparent(transparent_);
  Invalidate();
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}

void TImage::SetCenter(bool v) {
  center_ = v;
  Invalidate();
}

void TImage::SetTransparent(bool v) {
  transparent_ = v;
  if (TGraphic* g = picture_->Graphic()) g->SetTransparent(v);
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  PictureChanged();
}

void TImage::Paint() {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  TCanvas* c = Canvas();
  if (stretch_) {
    c->StretchDraw(ClientRect(), g);
  } else if (center_) {
    c->Draw((Width() - g->Width()) / 2, (Height() - g->Height()) / 2, g);
  } else {
    c->Draw(0, 0, g);
  }
}

// ---------------------------------------------------------------- splitter

FW_PUBLISH(TSplitter) {
  c.Property("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize).Default(30);
}

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(alLeft);
  SetCursor(crHSplit);
}

void TSplitter::BoundsChanged() {
  TGraphicControl::BoundsChanged();
  SetCursor(Horizontal() ? crHSplit : crVSplit);
}

TControl* TSplitter::Neighbour() const {
  if (!Parent() || Align() == alNone || Align() == alClient) return nullptr;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    bool next = false;
    switch (Align()) {
      case alLeft: next = c->Left() + c->Width() == Left(); break;
      case alRight: next = c->Left() == Left() + Width(); break;
      case alTop: next = c->Top() + c->Height() == Top(); break;
      case alBottom: next = c->Top() == Top() + Height(); break;
      default: break;
    }
    if (next) return c;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  dragged_ = Neighbour();
  if (!dragged_) return;
  start_ = ClientToScreen({X, Y});
  startSize_ = SizeOf(dragged_);
  // What the other controls on this axis leave, less MinSize for the rest.
  TRect client = Parent()->ClientRect();
  maxSize_ = (Horizontal() ? client.Width() : client.Height()) - minSize_;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (!c->Visible()) continue;
    bool onAxis = Horizontal() ? c->Align() == alLeft || c->Align() == alRight
                               : c->Align() == alTop || c->Align() == alBottom;
    if (onAxis) maxSize_ -= SizeOf(c);
  }
  maxSize_ += startSize_;
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragged_ || !Shift.Contains(ssLeft)) return;
  TPoint p = ClientToScreen({X, Y});
  int delta = Horizontal() ? p.X - start_.X : p.Y - start_.Y;
  if (Align() == alRight || Align() == alBottom) delta = -delta;
  int size = std::max(minSize_, std::min(startSize_ + delta, maxSize_));
  if (size == SizeOf(dragged_)) return;
  if (Horizontal()) dragged_->SetWidth(size);
  else dragged_->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  dragged_ = nullptr;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
}

// ---------------------------------------------------------------- timer

namespace {

class TQtTimerClock : public TTimerClock {
public:
  void Start(TTimer* timer, unsigned interval) override {
    EnsureQtApplication();
    auto& q = timers_[timer];
    q = std::make_unique<QTimer>();
    q->setInterval(static_cast<int>(interval));
    QObject::connect(q.get(), &QTimer::timeout, [timer] { timer->Fire(); });
    q->start();
  }
  void Stop(TTimer* timer) override {
    auto it = timers_.find(timer);
    if (it == timers_.end()) return;
    // The timer may be stopped from its own tick.
    QTimer* q = it->second.release();
    timers_.erase(it);
    q->stop();
    QObject::disconnect(q, nullptr, nullptr, nullptr);
    q->deleteLater();
  }

private:
  std::map<TTimer*, std::unique_ptr<QTimer>> timers_;
};

struct TimerState {
  std::unique_ptr<TTimerClock> Clock = std::make_unique<TQtTimerClock>();
  std::vector<TTimer*> Running;
};

TimerState& Timers() {
  static auto* s = new TimerState;  // timers may stop at the end of the process
  return *s;
}

}  // namespace

void TManualTimerClock::Start(TTimer* timer, unsigned interval) {
  Stop(timer);
  entries_.push_back(Entry{timer, interval, now_ + interval});
}

void TManualTimerClock::Stop(TTimer* timer) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [timer](const Entry& e) { return e.Timer == timer; }),
                 entries_.end());
}

bool TManualTimerClock::Running(const TTimer* timer) const {
  return std::any_of(entries_.begin(), entries_.end(), [timer](const Entry& e) { return e.Timer == timer; });
}

void TManualTimerClock::Advance(unsigned ms) {
  std::uint64_t target = now_ + ms;
  for (;;) {
    auto next = std::min_element(entries_.begin(), entries_.end(),
                                 [](const Entry& a, const Entry& b) { return a.Due < b.Due; });
    if (next == entries_.end() || next->Due > target) break;
    now_ = next->Due;
    next->Due += std::max(1u, next->Interval);
    TTimer* t = next->Timer;
    t->Fire();  // may start or stop timers
  }
  now_ = target;
}

std::unique_ptr<TTimerClock> SetTimerClock(std::unique_ptr<TTimerClock> clock) {
  TimerState& s = Timers();
  if (!clock) clock = std::make_unique<TQtTimerClock>();
  for (TTimer* t : s.Running) s.Clock->Stop(t);
  std::swap(clock, s.Clock);
  for (TTimer* t : s.Running) s.Clock->Start(t, t->Interval());
  return clock;
}

FW_PUBLISH(TTimer) {
  c.Property("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  c.Property("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  c.Event("OnTimer", &TTimer::OnTimer);
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { UpdateTimer(); }

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned v) {
  if (v == interval_) return;
  interval_ = v;
  UpdateTimer();
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  TimerState& s = Timers();
  if (running_) {
    s.Clock->Stop(this);
    s.Running.erase(std::remove(s.Running.begin(), s.Running.end(), this), s.Running.end());
    running_ = false;
  }
  if (enabled_ && interval_ > 0 && !ComponentState().Contains(csDestroying)) {
    s.Clock->Start(this, interval_);
    s.Running.push_back(this);
    running_ = true;
  }
}

void TTimer::Fire() {
  if (!OnTimer) return;
  try {
    OnTimer(this);
  } catch (...) {
    if (Application) Application->HandleException(this);
  }
}

}  // namespace fw
