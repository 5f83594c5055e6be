#include "Buttons.h"

#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include "Forms.h"
#include "QtControls.h"

namespace fw {

namespace {

// Picture number State of the glyph, its transparent pixels cleared; a
// disabled button without a picture of its own shows the first one greyed.
QImage GlyphImage(const TBitmap* glyph, TNumGlyphs num, TButtonState state) {
  if (!glyph || glyph->Empty()) return QImage();
  const QImage& all = glyph->Image();
  int n = num < 1 || num > 4 ? 1 : num;
  int w = all.width() / n;
  int index = static_cast<int>(state);
  bool grey = false;
  if (index >= n) {
    grey = state == bsDisabled;
    index = 0;
  }
  QImage img = all.copy(index * w, 0, w, all.height()).convertToFormat(QImage::Format_ARGB32);
  QRgb transparent = all.pixel(0, all.height() - 1);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      QRgb p = img.pixel(x, y);
      if ((p & 0xFFFFFF) == (transparent & 0xFFFFFF) && qAlpha(transparent) == 255) {
        img.setPixel(x, y, 0);
      } else if (grey && qAlpha(p) > 0) {
        int g = (qGray(p) + 2 * 255) / 3;
        img.setPixel(x, y, qRgba(g, g, g, qAlpha(p)));
      }
    }
  return img;
}

// Pictures for the kinds: a tick, a cross, a question mark, a door.
QImage KindGlyph(TBitBtnKind kind) {
  QImage img(32, 16, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (int i = 0; i < 2; ++i) {
    bool disabled = i == 1;
    p.save();
    p.translate(i * 16, 0);
    QColor green = disabled ? QColor(160, 160, 160) : QColor(0, 128, 0);
    QColor red = disabled ? QColor(160, 160, 160) : QColor(192, 0, 0);
    QColor blue = disabled ? QColor(160, 160, 160) : QColor(0, 0, 160);
    switch (kind) {
      case bkOK:
      case bkYes:
        p.setPen(QPen(green, 2.5));
        p.drawLine(QPointF(3, 8), QPointF(6.5, 12));
        p.drawLine(QPointF(6.5, 12), QPointF(13, 3.5));
        break;
      case bkCancel:
      case bkNo:
      case bkAbort:
        p.setPen(QPen(red, 2.5));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
      case bkHelp: {
        QFont f;
        f.setPixelSize(14);
        f.setBold(true);
        p.setFont(f);
        p.setPen(blue);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, "?");
        break;
      }
      case bkClose:
        p.setPen(QPen(blue, 1.5));
        p.drawRect(QRectF(4, 2, 8, 12));
        p.drawPoint(QPointF(10, 8));
        break;
      case bkRetry:
      case bkIgnore:
      case bkAll:
      case bkCustom: break;
    }
    p.restore();
  }
  return img;
}

const char* KindCaption(TBitBtnKind kind) {
  switch (kind) {
    case bkOK: return "OK";
    case bkCancel: return "Cancel";
    case bkHelp: return "&Help";
    case bkYes: return "&Yes";
    case bkNo: return "&No";
    case bkClose: return "&Close";
    case bkAbort: return "Abort";
    case bkRetry: return "&Retry";
    case bkIgnore: return "&Ignore";
    case bkAll: return "&All";
    case bkCustom: return "";
  }
  return "";
}

int KindResult(TBitBtnKind kind) {
  switch (kind) {
    case bkOK: return mrOk;
    case bkCancel: return mrCancel;
    case bkYes: return mrYes;
    case bkNo: return mrNo;
    case bkAbort: return mrAbort;
    case bkRetry: return mrRetry;
    case bkIgnore: return mrIgnore;
    case bkAll: return mrAll;
    default: return mrNone;
  }
}

// NumGlyphs from a glyph's shape: a strip of square pictures.
int GlyphCount(const TBitmap* glyph, int current) {
  if (!glyph || glyph->Empty() || glyph->Height() <= 0) return current;
  if (glyph->Width() % glyph->Height() != 0) return current;
  int n = glyph->Width() / glyph->Height();
  return n >= 1 && n <= 4 ? n : current;
}

}  // namespace

void DrawButtonContents(TCanvas* Canvas, const TRect& Client, TPoint Offset, const std::string& Caption,
                        const TBitmap* Glyph, TNumGlyphs NumGlyphs, TButtonState State, TButtonLayout Layout,
                        int Margin, int Spacing) {
  QPainter* p = Canvas->Device().Painter();
  if (!p) return;
  QImage img = GlyphImage(Glyph, NumGlyphs, State);
  int gw = img.isNull() ? 0 : img.width(), gh = img.isNull() ? 0 : img.height();
  TRect text = Rect(0, 0, Client.Width(), 0);
  if (!Caption.empty()) DrawText(Canvas, Caption, -1, &text, DT_CALCRECT | DT_SINGLELINE);
  int tw = Caption.empty() ? 0 : text.Width(), th = Caption.empty() ? 0 : text.Height();
  int cw = Client.Width(), ch = Client.Height();
  bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
  int room = horizontal ? cw : ch;
  int glyphSize = horizontal ? gw : gh;
  int textSize = horizontal ? tw : th;
  int spacing = (gw == 0 || tw == 0) ? 0 : Spacing;
  int margin = Margin;
  if (margin < 0) {
    if (spacing < 0) {
      margin = spacing = (room - glyphSize - textSize) / 3;
    } else {
      margin = (room - (glyphSize + spacing + textSize) + 1) / 2;
    }
  } else if (spacing < 0) {
    spacing = (room - margin - glyphSize - textSize) / 2;
  }
  int gx = (cw - gw + 1) / 2, gy = (ch - gh + 1) / 2;
  int tx = (cw - tw + 1) / 2, ty = (ch - th + 1) / 2;
  switch (Layout) {
    case blGlyphLeft:
      gx = margin;
      tx = gx + gw + spacing;
      break;
    case blGlyphRight:
      gx = cw - margin - gw;
      tx = gx - spacing - tw;
      break;
    case blGlyphTop:
      gy = margin;
      ty = gy + gh + spacing;
      break;
    case blGlyphBottom:
      gy = ch - margin - gh;
      ty = gy - spacing - th;
      break;
  }
  int ox = Client.Left + Offset.X, oy = Client.Top + Offset.Y;
  if (!img.isNull()) p->drawImage(gx + ox, gy + oy, img);
  if (!Caption.empty()) {
    TRect r = Bounds(tx + ox, ty + oy, tw, th);
    Canvas->Brush()->SetStyle(bsClear);
    if (State == bsDisabled) {
      OffsetRect(r, 1, 1);
      Canvas->Font()->SetColor(clBtnHighlight);
      DrawText(Canvas, Caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      OffsetRect(r, -1, -1);
      Canvas->Font()->SetColor(clBtnShadow);
    }
    DrawText(Canvas, Caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

// ---------------------------------------------------------------- TBitBtn

FW_PUBLISH(TBitBtn) {
  c.Property("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
  c.Property("Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom);
  c.Property("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout).Default(blGlyphLeft);
  c.Property("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin).Default(-1);
  c.Property("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs).Default(1);
  c.Property("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing).Default(4);
  c.Property("Style", &TBitBtn::Style, &TBitBtn::SetStyle).Default(bsAutoDetect);
}

TBitBtn::TBitBtn(TComponent* AOwner)
    : TButton(AOwner), glyph_(std::make_unique<TBitmap>()), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  glyph_->OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() = default;

TControlBridge* TBitBtn::CreateWidget(const TCreateParams& Params) {
  TControlBridge* b = TButton::CreateWidget(Params);
  QWidget* w = b->Self();
  // The framework draws the caption, with the glyph.
  static_cast<QPushButton*>(w)->setText(QString());
  w->setAccessibleName(ToQString(StripHotkey(Params.Caption)));
  return b;
}

void TBitBtn::TextChanged() {
  if (bridge_) WidgetOf(this)->setAccessibleName(ToQString(StripHotkey(Caption())));
  Invalidate();
}

void TBitBtn::GlyphChanged() {
  if (!settingKind_) {
    numGlyphs_ = GlyphCount(glyph_.get(), numGlyphs_);
  }
  Invalidate();
}

void TBitBtn::SetGlyph(const TBitmap* v) {
  if (v) glyph_->Assign(v);
  else glyph_->Clear();
}

void TBitBtn::SetNumGlyphs(TNumGlyphs v) {
  numGlyphs_ = v < 1 ? 1 : v > 4 ? 4 : v;
  Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind v) {
  if (v == kind_) return;
  if (v != bkCustom) {
    SetDefault(v == bkOK || v == bkYes);
    SetCancel(v == bkCancel || v == bkNo);
    if (!ComponentState().Contains(csLoading) || Caption().empty()) SetCaption(KindCaption(v));
    SetModalResult(KindResult(v));
    settingKind_ = true;
    glyph_->SetImage(KindGlyph(v));
    settingKind_ = false;
    numGlyphs_ = 2;
  }
  kind_ = v;
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TBitBtn::SetMargin(int v) {
  margin_ = v;
  Invalidate();
}

void TBitBtn::SetSpacing(int v) {
  spacing_ = v;
  Invalidate();
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  } else if (kind_ == bkHelp) {
    TControl* c = this;
    while (c && c->HelpContext() == 0) c = c->Parent();
    if (c && Application) {
      Application->HelpContext(c->HelpContext());
      return;
    }
  }
  TButton::Click();
}

void TBitBtn::WMPaint(TMessage& Message) {
  DefaultHandler(Message);
  if (!bridge_ || !BridgePainting(WidgetOf(this))) return;
  auto* b = static_cast<QPushButton*>(WidgetOf(this));
  QPainter p(WidgetOf(this));
  TCanvasPainting painting(canvas_.get(), &p);
  canvas_->SetFont(Font());
  TButtonState state = !Enabled() ? bsDisabled : b->isDown() ? bsDown : bsUp;
  TPoint offset = state == bsDown ? TPoint{1, 1} : TPoint{0, 0};
  TRect client = Rect(2, 2, Width() - 2, Height() - 2);
  DrawButtonContents(canvas_.get(), client, offset, Caption(), glyph_.get(), numGlyphs_, state, layout_, margin_,
                     spacing_);
}

// ---------------------------------------------------------------- TSpeedButton

FW_PUBLISH(TSpeedButton) {
  c.Property("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  c.Property("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
  c.Property("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
  c.Property("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
  c.Property("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  c.Property("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
  c.Property("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin).Default(-1);
  c.Property("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1);
  c.Property("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing).Default(4);
}

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), glyph_(std::make_unique<TBitmap>()) {
  SetControlStyle({csCaptureMouse, csDoubleClicks});
  glyph_->OnChange = [this](TObject*) {
    numGlyphs_ = GlyphCount(glyph_.get(), numGlyphs_);
    Invalidate();
  };
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(const TBitmap* v) {
  if (v) glyph_->Assign(v);
  else glyph_->Clear();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs v) {
  numGlyphs_ = v < 1 ? 1 : v > 4 ? 4 : v;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int v) {
  groupIndex_ = v;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = v;
  state_ = v ? bsExclusive : bsUp;
  Invalidate();
  if (v) UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool v) {
  allowAllUp_ = v;
  UpdateExclusive();
}

void TSpeedButton::SetFlat(bool v) {
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TSpeedButton::SetMargin(int v) {
  margin_ = v;
  Invalidate();
}

void TSpeedButton::SetSpacing(int v) {
  spacing_ = v;
  Invalidate();
}

void TSpeedButton::UpdateExclusive() {
  if (groupIndex_ == 0 || !Parent()) return;
  TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
  Parent()->Broadcast(m);
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft && Enabled()) {
    if (!down_) {
      state_ = bsDown;
      Invalidate();
    }
    dragging_ = true;
  }
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragging_) return;
  bool inside = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
  TButtonState s = down_ ? bsExclusive : bsUp;
  if (inside) s = down_ ? bsExclusive : bsDown;
  if (s != state_) {
    state_ = s;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!dragging_) return;
  dragging_ = false;
  bool doClick = X >= 0 && X < ClientWidth() && Y >= 0 && Y <= ClientHeight();
  if (groupIndex_ == 0) {
    state_ = bsUp;
    mouseInControl_ = false;
    Invalidate();
  } else if (doClick) {
    SetDown(!down_);
    if (!down_) state_ = bsUp;
    Invalidate();
  } else {
    state_ = down_ ? bsExclusive : bsUp;
    Invalidate();
  }
  if (doClick) Click();
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
      if (static_cast<int>(Message.WParam) == groupIndex_ && sender != this && groupIndex_ != 0) {
        if (sender->Down() && down_) {
          down_ = false;
          state_ = bsUp;
          Invalidate();
        }
        allowAllUp_ = sender->AllowAllUp();
      }
      return;
    }
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<TChar>(Message.WParam), Caption()) && Enabled() && Visible() && Parent() &&
          Parent()->Showing()) {
        Click();
        Message.Result = 1;
      }
      return;
    case CM_MOUSEENTER:
      mouseInControl_ = true;
      if (flat_) Invalidate();
      return;
    case CM_MOUSELEAVE:
      mouseInControl_ = false;
      if (flat_) Invalidate();
      return;
    case CM_ENABLEDCHANGED:
      state_ = Enabled() ? (down_ ? bsExclusive : bsUp) : bsDisabled;
      TGraphicControl::Dispatch(Message);
      return;
    default: TGraphicControl::Dispatch(Message);
  }
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  QPainter* p = c->Device().Painter();
  if (!p || !bridge_) return;
  TButtonState state = Enabled() ? state_ : bsDisabled;
  bool sunken = state == bsDown || state == bsExclusive;
  if (!flat_ || mouseInControl_ || sunken) {
    QStyleOptionButton opt;
    opt.initFrom(WidgetOf(this));
    opt.rect = QRect(0, 0, Width(), Height());
    opt.state = QStyle::State_Raised;
    if (Enabled()) opt.state |= QStyle::State_Enabled;
    if (sunken) opt.state = (opt.state & ~QStyle::State_Raised) | QStyle::State_Sunken | QStyle::State_On;
    if (mouseInControl_) opt.state |= QStyle::State_MouseOver;
    WidgetOf(this)->style()->drawPrimitive(flat_ ? QStyle::PE_PanelButtonTool : QStyle::PE_PanelButtonBevel, &opt, p,
                                    WidgetOf(this));
  }
  c->SetFont(Font());
  TPoint offset = sunken ? TPoint{1, 1} : TPoint{0, 0};
  DrawButtonContents(c, Rect(1, 1, Width() - 1, Height() - 1), offset, Caption(), glyph_.get(), numGlyphs_, state,
                     layout_, margin_, spacing_);
}

}  // namespace fw
