#include "GraphicsObjects.h"

#include <QFont>
#include <QFontMetrics>
#include <cmath>

#include "QtGraphics.h"

namespace fw {

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TFont

TFont::TFont() : pixelsPerInch_(ScreenPixelsPerInch()) { height_ = -MulDiv(8, pixelsPerInch_, 72); }
TFont::~TFont() = default;

void TFont::Changed() {
  qfont_.reset();
  TGraphicsObject::Changed();
}

void TFont::Assign(const TPersistent* Source) {
  if (auto* f = dynamic_cast<const TFont*>(Source)) {
    if (f == this) return;
    name_ = f->name_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    // A font of another resolution keeps its size in points, not in pixels.
    height_ = f->pixelsPerInch_ == pixelsPerInch_ ? f->height_ : -MulDiv(f->Size(), pixelsPerInch_, 72);
    if (f->height_ > 0 && f->pixelsPerInch_ != pixelsPerInch_)
      height_ = MulDiv(f->height_, pixelsPerInch_, f->pixelsPerInch_);
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TFont::SetName(const std::string& v) {
  if (v == name_ || v.empty()) return;
  name_ = v;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, pixelsPerInch_, 72)); }

void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TFont::SetCharset(TFontCharset v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetPixelsPerInch(int v) {
  if (v <= 0 || v == pixelsPerInch_) return;
  pixelsPerInch_ = v;
  qfont_.reset();
}

const TQtFont& TFont::QtFont() const {
  if (qfont_) return *qfont_;
  EnsureQtApplication();
  auto f = std::make_unique<TQtFont>(ToQString(name_));
  if (pitch_ == fpFixed) {
    f->setStyleHint(QFont::TypeWriter);
    f->setFixedPitch(true);
  }
  f->setBold(style_.Contains(fsBold));
  f->setItalic(style_.Contains(fsItalic));
  f->setUnderline(style_.Contains(fsUnderline));
  f->setStrikeOut(style_.Contains(fsStrikeOut));
  // Qt's pixel size is the character height; a positive Height is the cell
  // height, which the font's ascent and descent make up.
  int pixels = height_ < 0 ? -height_ : height_;
  if (pixels == 0) pixels = MulDiv(8, pixelsPerInch_, 72);
  f->setPixelSize(pixels);
  if (height_ > 0) {
    QFontMetrics m(*f);
    if (m.height() > 0) f->setPixelSize(std::max(1, MulDiv(pixels, pixels, m.height())));
  }
  qfont_ = std::move(f);
  return *qfont_;
}

FW_PUBLISH(TGraphicsObject) {}

FW_PUBLISH(TFont) {
  c.Property("Charset", &TFont::Charset, &TFont::SetCharset).SetTypeName("TFontCharset");
  c.Property("Color", &TFont::Color, &TFont::SetColor).SetTypeName("TColor");
  // Sizes a form file may give: beyond them the arithmetic on heights overflows.
  c.Property("Height", &TFont::Height, &TFont::SetHeight).Range(-MaxFontHeight, MaxFontHeight);
  c.Property("Name", &TFont::Name, &TFont::SetName);
  c.Property("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  c.Property("Size", &TFont::Size, &TFont::SetSize).Stored(false).Range(-MaxFontHeight, MaxFontHeight);
  c.Property("Style", &TFont::Style, &TFont::SetStyle).Default(0);
}

// ---------------------------------------------------------------- TPen

void TPen::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TPen*>(Source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}
void TPen::SetWidth(int v) {
  if (v < 0 || v == width_) return;
  width_ = v;
  Changed();
}
void TPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}
void TPen::SetMode(TPenMode v) {
  if (v == mode_) return;
  mode_ = v;
  Changed();
}

FW_PUBLISH(TPen) {
  c.Property("Color", &TPen::Color, &TPen::SetColor).SetTypeName("TColor").Default(clBlack);
  c.Property("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  c.Property("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  c.Property("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

// ---------------------------------------------------------------- TBrush

void TBrush::Assign(const TPersistent* Source) {
  if (auto* b = dynamic_cast<const TBrush*>(Source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

void TBrush::SetColor(TColor v) {
  if (v == color_ && style_ != bsClear) return;
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

FW_PUBLISH(TBrush) {
  c.Property("Color", &TBrush::Color, &TBrush::SetColor).SetTypeName("TColor").Default(clWhite);
  c.Property("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

}  // namespace fw
