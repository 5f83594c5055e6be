#include "Canvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Bitmap.h"
#include "Chars.h"
#include "QtGraphics.h"

namespace fw {

namespace {

QPainter::CompositionMode PenComposition(TPenMode m) {
  switch (m) {
    case pmBlack: return QPainter::RasterOp_ClearDestination;
    case pmWhite: return QPainter::RasterOp_SetDestination;
    case pmNop: return QPainter::CompositionMode_Destination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmCopy: return QPainter::CompositionMode_SourceOver;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
  }
  return QPainter::CompositionMode_SourceOver;
}

bool CopyComposition(TCopyMode m, QPainter::CompositionMode& out) {
  switch (m) {
    case SRCCOPY: out = QPainter::CompositionMode_SourceOver; return true;
    case SRCPAINT: out = QPainter::RasterOp_SourceOrDestination; return true;
    case SRCAND: out = QPainter::RasterOp_SourceAndDestination; return true;
    case SRCINVERT: out = QPainter::RasterOp_SourceXorDestination; return true;
    case SRCERASE: out = QPainter::RasterOp_SourceAndNotDestination; return true;
    case NOTSRCCOPY: out = QPainter::RasterOp_NotSource; return true;
    case NOTSRCERASE: out = QPainter::RasterOp_NotSourceAndNotDestination; return true;
    case MERGEPAINT: out = QPainter::RasterOp_NotSourceOrDestination; return true;
    default: return false;
  }
}

bool HasRasterOps(QPainter* p) {
  return p->paintEngine() && p->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

// A raster mode where the device has none falls back to plain drawing.
void SetComposition(QPainter* p, QPainter::CompositionMode mode) {
  if (mode >= QPainter::RasterOp_SourceOrDestination && !HasRasterOps(p)) mode = QPainter::CompositionMode_SourceOver;
  p->setCompositionMode(mode);
}

Qt::PenStyle QtPenStyle(TPenStyle s) {
  switch (s) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
  }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle s) {
  switch (s) {
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
  }
}

QBrush QtBrush(const TBrush& b) { return QBrush(ToQColor(b.Color()), QtBrushStyle(b.Style())); }

QFontMetrics Metrics(TCanvas& c) {
  const QFont& f = c.Font()->QtFont();
  if (QPaintDevice* d = c.Device().MetricsDevice()) return QFontMetrics(f, d);
  return QFontMetrics(f);
}

// The painter set up for drawing with the pen, the brush or the font;
// nullptr when there is none.
QPainter* PrepareForPen(TCanvas& c) {
  QPainter* p = c.Device().Painter();
  if (!p) return nullptr;
  const TPen& tpen = *c.Pen();
  QPen pen(ToQColor(tpen.Color()));
  pen.setStyle(QtPenStyle(tpen.Style()));
  pen.setWidth(tpen.Width() <= 1 ? 0 : tpen.Width());
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p->setPen(pen);
  p->setBrush(Qt::NoBrush);
  p->setRenderHint(QPainter::Antialiasing, false);
  SetComposition(p, PenComposition(tpen.Mode()));
  return p;
}

QPainter* PrepareForBrush(TCanvas& c) {
  QPainter* p = c.Device().Painter();
  if (!p) return nullptr;
  p->setPen(Qt::NoPen);
  p->setBrush(QtBrush(*c.Brush()));
  p->setRenderHint(QPainter::Antialiasing, false);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  return p;
}

QPainter* PrepareForText(TCanvas& c) {
  QPainter* p = c.Device().Painter();
  if (!p) return nullptr;
  p->setFont(c.Font()->QtFont());
  p->setPen(ToQColor(c.Font()->Color()));
  p->setBrush(Qt::NoBrush);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  return p;
}

}  // namespace

// ---------------------------------------------------------------- TCanvasDevice

TCanvasDevice::~TCanvasDevice() = default;

std::unique_ptr<QPainter> TCanvasDevice::CreatePainter() { return nullptr; }

void TCanvasDevice::SetPainter(QPainter* painter) {
  ReleasePainter();
  painter_ = painter;
}

QPainter* TCanvasDevice::Painter() {
  if (!painter_) {
    ownPainter_ = CreatePainter();
    painter_ = ownPainter_.get();
  }
  return painter_;
}

void TCanvasDevice::ReleasePainter() {
  if (ownPainter_) {
    if (ownPainter_->isActive()) ownPainter_->end();
    ownPainter_.reset();
  }
  painter_ = nullptr;
}

QPaintDevice* TCanvasDevice::MetricsDevice() { return painter_ ? painter_->device() : nullptr; }

QImage* TCanvasDevice::SourceImage() {
  if (painter_ && painter_->device() && painter_->device()->devType() == QInternal::Image)
    return static_cast<QImage*>(painter_->device());
  return nullptr;
}

void TCanvasDevice::DrawImage(const TRect& dest, const QImage& image, const TRect& sourceRect, TCopyMode mode) {
  if (IsRectEmpty(dest) || IsRectEmpty(sourceRect) || image.isNull()) return;
  QPainter* p = Painter();
  if (!p) return;
  QPainter::CompositionMode comp;
  if (!CopyComposition(mode, comp)) comp = QPainter::CompositionMode_SourceOver;
  const QImage* src = &image;
  QImage opaque;
  if (comp != QPainter::CompositionMode_SourceOver && image.hasAlphaChannel()) {
    // Raster operations work on colours; alpha would take part in them.
    opaque = image.convertToFormat(QImage::Format_RGB32);
    src = &opaque;
  }
  p->save();
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  SetComposition(p, comp);
  p->drawImage(ToQRect(dest), *src, ToQRect(sourceRect));
  p->restore();
}

// ---------------------------------------------------------------- TCanvas

TCanvas::TCanvas() : TCanvas(std::make_unique<TCanvasDevice>()) {}

TCanvas::TCanvas(std::unique_ptr<TCanvasDevice> device)
    : font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      device_(std::move(device)) {}

TCanvas::~TCanvas() { ReleasePainter(); }

TCanvasDevice& TCanvas::Device() const { return *device_; }

void TCanvas::ReleasePainter() { device_->ReleasePainter(); }

bool TCanvas::HandleAllocated() { return device_->Painter() != nullptr; }

TRect TCanvas::ClipRect() {
  QPainter* p = device_->Painter();
  if (!p || !p->device()) return TRect{};
  QRect all(0, 0, p->device()->width(), p->device()->height());
  if (p->hasClipping()) all = all.intersected(p->clipBoundingRect().toAlignedRect());
  return FromQRect(all);
}

void TCanvas::MoveTo(int x, int y) { penPos_ = {x, y}; }

void TCanvas::LineTo(int x, int y) {
  TPoint from = penPos_;
  penPos_ = {x, y};
  QPainter* p = PrepareForPen(*this);
  if (!p) return;
  // A flat-capped cosmetic line leaves out its end point, as the framework's lines do.
  if (from.X != x || from.Y != y) p->drawLine(from.X, from.Y, x, y);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  TPoint keep = penPos_;
  MoveTo(points[0].X, points[0].Y);
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
  penPos_ = keep;
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.size() < 2) return;
  QPolygon poly;
  for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
  if (QPainter* p = PrepareForBrush(*this)) p->drawPolygon(poly);
  if (QPainter* p = PrepareForPen(*this)) p->drawPolygon(poly);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  // The outline covers the outermost pixels, x1 to x2 - 1.
  QRect outline(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  if (brush_->Style() != bsClear) {
    if (QPainter* p = PrepareForBrush(*this)) {
      bool pen = pen_->Style() != psClear;
      p->drawRect(pen ? QRect(x1, y1, x2 - x1, y2 - y1) : QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    }
  }
  if (pen_->Style() != psClear) {
    if (QPainter* p = PrepareForPen(*this)) p->drawRect(outline);
  }
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  QRect r(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  if (brush_->Style() != bsClear) {
    if (QPainter* p = PrepareForBrush(*this)) p->drawEllipse(r);
  }
  if (pen_->Style() != psClear) {
    if (QPainter* p = PrepareForPen(*this)) p->drawEllipse(r);
  }
}

void TCanvas::FillRect(const TRect& r) {
  if (brush_->Style() == bsClear || IsRectEmpty(r)) return;
  if (QPainter* p = PrepareForBrush(*this)) p->fillRect(ToQRect(r), QtBrush(*brush_));
}

void TCanvas::FrameRect(const TRect& r) {
  if (IsRectEmpty(r)) return;
  QPainter* p = PrepareForBrush(*this);
  if (!p) return;
  QBrush b(ToQColor(brush_->Color()));
  p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), b);
  p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), b);
  p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), b);
  p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), b);
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (IsRectEmpty(r)) return;
  QPainter* p = device_->Painter();
  if (!p) return;
  p->setPen(Qt::NoPen);
  bool xorMode = HasRasterOps(p);
  p->setCompositionMode(xorMode ? QPainter::RasterOp_SourceXorDestination : QPainter::CompositionMode_SourceOver);
  QColor c = xorMode ? QColor(255, 255, 255) : QColor(128, 128, 128);
  // Every other pixel of the frame, so that a second call restores it; the
  // dots go in one call (a grid of selected rows draws hundreds of frames).
  std::vector<QPoint> dots;
  dots.reserve(static_cast<std::size_t>(r.Right - r.Left + r.Bottom - r.Top) + 4);
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0) dots.emplace_back(x, y);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    dot(x, r.Top);
    if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    dot(r.Left, y);
    if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
  }
  const bool smooth = p->testRenderHint(QPainter::Antialiasing);
  p->setRenderHint(QPainter::Antialiasing, false);
  p->setPen(QPen(c, 0));
  p->drawPoints(dots.data(), static_cast<int>(dots.size()));
  p->setPen(Qt::NoPen);
  p->setRenderHint(QPainter::Antialiasing, smooth);
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  QFontMetrics m = Metrics(*this);
  QString s = ToQString(text);
  int w = m.horizontalAdvance(s);
  if (QPainter* p = device_->Painter()) {
    if (brush_->Style() != bsClear) {
      PrepareForBrush(*this);
      p->fillRect(QRect(x, y, w, m.height()), ToQColor(brush_->Color()));
    }
    PrepareForText(*this);
    p->drawText(QPoint(x, y + m.ascent()), s);
  }
  penPos_ = {x + w, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  QPainter* p = device_->Painter();
  if (!p) return;
  p->save();
  p->setClipRect(ToQRect(r), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  if (brush_->Style() != bsClear) {
    PrepareForBrush(*this);
    p->fillRect(ToQRect(r), ToQColor(brush_->Color()));
  }
  QFontMetrics m = Metrics(*this);
  PrepareForText(*this);
  p->drawText(QPoint(x, y + m.ascent()), ToQString(text));
  p->restore();
}

int TCanvas::TextWidth(std::string_view text) {
  return Metrics(*this).horizontalAdvance(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

int TCanvas::TextHeight(std::string_view) { return Metrics(*this).height(); }

TSize TCanvas::TextExtent(std::string_view text) { return {TextWidth(text), TextHeight(text)}; }

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  if (!source) return;
  QImage* img = source->Device().SourceImage();
  if (!img) return;
  // A copy, so that a canvas can copy within itself.
  QImage part = img->copy(ToQRect(sourceRect));
  device_->DrawImage(dest, part, Bounds(0, 0, part.width(), part.height()), copyMode_);
}

TColor TCanvas::Pixels(int x, int y) {
  QImage* img = device_->SourceImage();
  if (!img || !img->valid(x, y)) return clNone;
  return FromQColor(img->pixelColor(x, y));
}

void TCanvas::SetPixels(int x, int y, TColor c) {
  if (QImage* img = device_->SourceImage(); img && !device_->HasPainter()) {
    if (img->valid(x, y)) img->setPixelColor(x, y, ToQColor(c));
    return;
  }
  if (QPainter* p = device_->Painter()) {
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->fillRect(QRect(x, y, 1, 1), ToQColor(c));
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
}

// ---------------------------------------------------------------- DrawText

namespace {

struct TTextLine {
  QString Text;
  int Width = 0;
};

// Removes the "&" prefix marks; "&&" stands for one "&".
QString StripPrefix(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (int i = 0; i < s.size(); ++i) {
    if (s[i] == u'&') {
      if (i + 1 < s.size() && s[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += s[i];
  }
  return out;
}

QString ExpandTabs(const QString& s, bool expand) {
  if (!expand) return s;
  QString out;
  for (QChar c : s) {
    if (c == u'\t') {
      qsizetype n = 8 - out.size() % 8;
      out += QString(n, u' ');
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<TTextLine> BreakLines(const QString& text, const QFontMetrics& m, int width, unsigned format) {
  std::vector<TTextLine> lines;
  auto add = [&](const QString& s) {
    QString t = ExpandTabs(s, format & DT_EXPANDTABS);
    lines.push_back({t, m.horizontalAdvance(t)});
  };
  if (format & DT_SINGLELINE) {
    QString s = text;
    s.remove(u'\r');
    s.remove(u'\n');
    add(s);
    return lines;
  }
  std::vector<QString> paragraphs;
  QString cur;
  for (int i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == u'\r' || c == u'\n') {
      paragraphs.push_back(cur);
      cur.clear();
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      cur += c;
    }
  }
  paragraphs.push_back(cur);
  for (const QString& para : paragraphs) {
    if (!(format & DT_WORDBREAK)) {
      add(para);
      continue;
    }
    // Greedy filling: words separated by blanks; blanks at a break vanish.
    QString line;
    int i = 0, n = static_cast<int>(para.size());
    bool any = false;
    while (i < n) {
      int j = i;
      while (j < n && para[j] == u' ') ++j;
      int k = j;
      while (k < n && para[k] != u' ') ++k;
      QString candidate = line + para.mid(i, k - i);
      if (any && m.horizontalAdvance(ExpandTabs(candidate, format & DT_EXPANDTABS)) > width) {
        add(line);
        line = para.mid(j, k - j);
      } else {
        line = candidate;
      }
      any = true;
      i = k;
    }
    while (line.endsWith(u' ')) line.chop(1);
    add(line);
  }
  return lines;
}

}  // namespace

int DrawText(HDC dc, std::string_view text, int count, TRect* rect, unsigned format) {
  if (!dc || !rect) return 0;
  std::string_view part = text;
  if (count >= 0) part = text.substr(0, CharOffset(text, static_cast<std::size_t>(count)));
  QString s = QString::fromUtf8(part.data(), static_cast<int>(part.size()));
  if (!(format & DT_NOPREFIX)) s = StripPrefix(s);
  QFontMetrics m = Metrics(*dc);
  std::vector<TTextLine> lines = BreakLines(s, m, rect->Width(), format);
  int lineHeight = m.height();
  int height = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const TTextLine& l : lines) widest = std::max(widest, l.Width);
    if (!(format & DT_WORDBREAK) || widest > rect->Width()) rect->Right = rect->Left + widest;
    rect->Bottom = rect->Top + height;
    return height;
  }
  QPainter* p = dc->Device().Painter();
  if (!p) return height;
  int y = rect->Top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      y = rect->Top + (rect->Height() - lineHeight) / 2;
    else if (format & DT_BOTTOM)
      y = rect->Bottom - lineHeight;
  }
  p->save();
  if (!(format & DT_NOCLIP))
    p->setClipRect(ToQRect(*rect), p->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  TPoint keep = dc->PenPos();
  for (const TTextLine& l : lines) {
    int x = rect->Left;
    if (format & DT_CENTER)
      x = rect->Left + (rect->Width() - l.Width) / 2;
    else if (format & DT_RIGHT)
      x = rect->Right - l.Width;
    dc->TextOut(x, y, FromQString(l.Text));
    y += lineHeight;
  }
  dc->SetPenPos(keep);
  p->restore();
  return height;
}

FW_IMPLEMENT_CLASS(TCanvas)

// ---------------------------------------------------------------- DrawEdge

bool DrawEdge(HDC dc, TRect& rect, unsigned edge, unsigned flags) {
  if (!dc) return false;
  TColor oldColor = dc->Brush()->Color();
  TBrushStyle oldStyle = dc->Brush()->Style();
  dc->Brush()->SetStyle(bsSolid);
  TRect r = rect;
  // One line of the border on the chosen sides, then the next one inside it.
  auto line = [&](TColor topLeft, TColor bottomRight) {
    if (IsRectEmpty(r)) return;
    dc->Brush()->SetColor(topLeft);
    if (flags & BF_TOP) dc->FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
    if (flags & BF_LEFT) dc->FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
    dc->Brush()->SetColor(bottomRight);
    if (flags & BF_BOTTOM) dc->FillRect(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
    if (flags & BF_RIGHT) dc->FillRect(Rect(r.Right - 1, r.Top, r.Right, r.Bottom));
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_BOTTOM) --r.Bottom;
    if (flags & BF_RIGHT) --r.Right;
  };
  bool outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER), inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
  if (flags & BF_MONO) {
    if (outer) line(clWindowFrame, clWindowFrame);
    if (inner) line(clWindow, clWindow);
  } else if (flags & BF_FLAT) {
    if (outer) line(clBtnShadow, clBtnShadow);
    if (inner) line(clBtnFace, clBtnFace);
  } else {
    if (edge & BDR_RAISEDOUTER) line(flags & BF_SOFT ? clBtnHighlight : cl3DLight, cl3DDkShadow);
    else if (edge & BDR_SUNKENOUTER) line(flags & BF_SOFT ? cl3DDkShadow : clBtnShadow, clBtnHighlight);
    if (edge & BDR_RAISEDINNER) line(flags & BF_SOFT ? cl3DLight : clBtnHighlight, clBtnShadow);
    else if (edge & BDR_SUNKENINNER) line(flags & BF_SOFT ? clBtnShadow : cl3DDkShadow, cl3DLight);
  }
  if ((flags & BF_MIDDLE) && !IsRectEmpty(r)) {
    dc->Brush()->SetColor(flags & BF_MONO ? clWindow : clBtnFace);
    dc->FillRect(r);
  }
  dc->Brush()->SetColor(oldColor);
  dc->Brush()->SetStyle(oldStyle);
  if (flags & BF_ADJUST) rect = r;
  return true;
}

}  // namespace fw
