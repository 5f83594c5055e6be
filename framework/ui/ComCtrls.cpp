#include "ComCtrls.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QTimer>
#include <algorithm>

#include "QtControls.h"

namespace fw {

// ---------------------------------------------------------------- progress bar

FW_PUBLISH(TProgressBar) {
  c.Property("Max", &TProgressBar::Max, &TProgressBar::SetMax).Default(100);
  c.Property("Min", &TProgressBar::Min, &TProgressBar::SetMin).Default(0);
  c.Property("Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation).Default(pbHorizontal);
  c.Property("Position", &TProgressBar::Position, &TProgressBar::SetPosition).Default(0);
  c.Property("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth).Default(false);
  c.Property("Step", &TProgressBar::Step, &TProgressBar::SetStep).Default(10);
}

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 150, 16); }

namespace {

// The bar's widget. QProgressBar::setValue paints at once, through the style,
// whenever the bar grows, and a bar stepped once a record in long work would
// paint that often. Here a new value is painted only when the filled part
// changes, through update() (the next pass of the message loop paints it), and
// at most once a frame: what is shown lags the value by a frame at most.
class TProgressWidget : public TBridged<QProgressBar> {
public:
  TProgressWidget(TControl* c, QWidget* parent) : TBridged<QProgressBar>(c, parent) {
    setTextVisible(false);
    wanted_ = value();
    later_.setSingleShot(true);
    QObject::connect(&later_, &QTimer::timeout, this, [this] { Set(wanted_); });
  }

  void Show(Qt::Orientation o, int min, int max, int v) {
    setOrientation(o);
    if (minimum() != min || maximum() != max) {
      wanted_ = v;
      later_.stop();
      Quietly([&] {
        setRange(min, max);
        setValue(v);
      });
      return;
    }
    if (v == wanted_) return;
    wanted_ = v;
    if (v == value()) return later_.stop();
    if (!Differs(v) || later_.isActive()) return;
    const qint64 since = painted_.isValid() ? painted_.elapsed() : FrameMs;
    if (since < FrameMs) return later_.start(static_cast<int>(FrameMs - since));
    Set(v);
  }

protected:
  void paintEvent(QPaintEvent* e) override {
    painted_.start();
    QProgressBar::paintEvent(e);
  }

private:
  static constexpr qint64 FrameMs = 16;

  // Changes the bar without its own repaint; re-enabling updates asks for one.
  template <class F>
  void Quietly(F&& change) {
    if (!updatesEnabled()) return change();
    setUpdatesEnabled(false);
    change();
    setUpdatesEnabled(true);
  }
  void Set(int v) {
    later_.stop();
    if (v != value()) Quietly([&] { setValue(v); });
  }
  // Whether v fills another width than the value shown. Compared in half
  // pixels, so that a style that rounds and one that cuts are both served.
  bool Differs(int v) const {
    if (v == minimum() || v == maximum()) return true;
    QStyleOptionProgressBar o;
    initStyleOption(&o);
    const QRect r = style()->subElementRect(QStyle::SE_ProgressBarContents, &o, this);
    const qint64 size = 2 * (orientation() == Qt::Horizontal ? r.width() : r.height());
    const qint64 range = qint64(maximum()) - minimum();
    auto filled = [&](int x) { return (qint64(x) - minimum()) * size / range; };
    return filled(v) != filled(value());
  }

  int wanted_ = 0;
  QTimer later_;
  QElapsedTimer painted_;
};

}  // namespace

TControlBridge* TProgressBar::CreateWidget(const TCreateParams&) {
  return new TProgressWidget(this, ParentWidgetOf(this));
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  Apply();
}

void TProgressBar::Apply() {
  auto* p = dynamic_cast<TProgressWidget*>(WidgetOf(this));
  if (!p) return;
  const int max = max_ > min_ ? max_ : min_ + 1;
  p->Show(orientation_ == pbHorizontal ? Qt::Horizontal : Qt::Vertical, min_, max, position_);
}

void TProgressBar::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  position_ = std::clamp(position_, min_, max_);
  Apply();
}

void TProgressBar::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  position_ = std::clamp(position_, min_, max_);
  Apply();
}

void TProgressBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  // A bar stepped past its end is stepped once a record all the same.
  if (v == position_) return;
  position_ = v;
  Apply();
}

void TProgressBar::SetOrientation(TProgressBarOrientation v) {
  orientation_ = v;
  Apply();
}

void TProgressBar::StepIt() {
  int range = max_ - min_;
  int p = position_ + step_;
  // Past the end the bar starts over from the beginning.
  if (range > 0) {
    while (p > max_) p -= range;
    while (p < min_) p += range;
  } else {
    p = min_;
  }
  position_ = p;
  Apply();
}

void TProgressBar::StepBy(int Delta) { SetPosition(position_ + Delta); }

// ---------------------------------------------------------------- status bar

FW_PUBLISH(TStatusBar) {
  c.Property("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
  c.Property("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
}

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clBtnFace);
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

void TStatusBar::SetSimplePanel(bool v) {
  simplePanel_ = v;
  Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& v) {
  if (v == simpleText_) return;
  simpleText_ = v;
  if (simplePanel_) Invalidate();
}

void TStatusBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(ClientRect());
  if (!simplePanel_) return;
  TRect r = Rect(0, 2, ClientWidth(), ClientHeight());
  DrawEdge(c, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  InflateRect(r, -2, 0);
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  DrawText(c, simpleText_, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

}  // namespace fw
