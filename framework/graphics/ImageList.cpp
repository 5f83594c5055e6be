#include "ImageList.h"

#include <QImage>
#include <QPainter>

#include "QtGraphics.h"
#include "Resources.h"
#include "Text.h"

namespace fw {

namespace {

QImage WithAlpha(const QImage& img) { return img.convertToFormat(QImage::Format_ARGB32); }

// Pixels of colour key become transparent.
void ClearColor(QImage& img, QRgb key) {
  key &= 0xFFFFFF;
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
}

// The greyed picture of a disabled image.
QImage Disabled(const QImage& img) {
  QImage out = img.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      int a = qAlpha(line[x]);
      int g = 128 + qGray(line[x]) / 2;
      line[x] = qRgba(g, g, g, a);
    }
  }
  return out;
}

}  // namespace

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}
TImageList::~TImageList() = default;

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetWidth(int v) {
  if (v < 1 || v == width_) return;
  width_ = v;
  Clear();
}

void TImageList::SetHeight(int v) {
  if (v < 1 || v == height_) return;
  height_ = v;
  Clear();
}

void TImageList::SetBkColor(TColor v) {
  if (v == bkColor_) return;
  bkColor_ = v;
  Changed();
}

void TImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image list index " + std::to_string(index));
}

void TImageList::AddCut(const TQtImage& picture) {
  int n = picture.width() <= width_ ? 1 : picture.width() / width_;
  for (int i = 0; i < n; ++i) {
    auto cell = std::make_unique<TQtImage>(width_, height_, QImage::Format_ARGB32_Premultiplied);
    cell->fill(Qt::transparent);
    QPainter p(cell.get());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), picture, QRect(i * width_, 0, width_, height_));
    p.end();
    images_.push_back(std::move(cell));
  }
}

int TImageList::Add(const TBitmap* image, const TBitmap* mask) {
  if (!image || image->Empty()) throw EInvalidOperation("Invalid image");
  EnsureQtApplication();
  QImage pic = WithAlpha(image->Image());
  if (mask && !mask->Empty()) {
    const QImage& m = mask->Image();
    for (int y = 0; y < pic.height() && y < m.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(pic.scanLine(y));
      for (int x = 0; x < pic.width() && x < m.width(); ++x)
        if (qGray(m.pixel(x, y)) >= 128) line[x] = 0;
    }
  }
  int first = Count();
  AddCut(pic);
  Changed();
  return first;
}

int TImageList::AddMasked(const TBitmap* image, TColor maskColor) {
  if (!image || image->Empty()) throw EInvalidOperation("Invalid image");
  EnsureQtApplication();
  QImage pic = WithAlpha(image->Image());
  QRgb key = maskColor == clDefault ? pic.pixel(0, pic.height() - 1) : ToQColor(maskColor).rgb();
  if (maskColor != clNone) ClearColor(pic, key);
  int first = Count();
  AddCut(pic);
  Changed();
  return first;
}

bool TImageList::ResourceLoad(const std::string& resourceName, TColor maskColor) {
  if (!FindResourceData(resourceName).Data) return false;
  TBitmap b;
  b.LoadFromResourceName(resourceName);
  AddMasked(&b, maskColor);
  return true;
}

void TImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  for (int& o : overlays_) {
    if (o == index) o = -1;
    else if (o > index) --o;
  }
  Changed();
}

void TImageList::Clear() {
  images_.clear();
  for (int& o : overlays_) o = -1;
  Changed();
}

bool TImageList::Overlay(int imageIndex, int overlayIndex) {
  if (overlayIndex < 0 || overlayIndex > 3 || imageIndex < 0 || imageIndex >= Count()) return false;
  overlays_[overlayIndex] = imageIndex;
  return true;
}

const TQtImage& TImageList::Image(int index) const {
  CheckIndex(index);
  return *images_[static_cast<std::size_t>(index)];
}

void TImageList::GetBitmap(int index, TBitmap* bitmap) const {
  if (!bitmap) return;
  const QImage& img = Image(index);
  if (bkColor_ == clNone) {
    bitmap->SetImage(img);
    return;
  }
  QImage out(width_, height_, QImage::Format_RGB32);
  out.fill(ToQColor(bkColor_));
  QPainter p(&out);
  p.drawImage(0, 0, img);
  p.end();
  bitmap->SetImage(out);
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  if (!canvas || index < 0 || index >= Count()) return;
  const QImage& img = Image(index);
  TRect r = Bounds(x, y, width_, height_);
  TRect all = Bounds(0, 0, width_, height_);
  if (bkColor_ != clNone) {
    QImage bk(width_, height_, QImage::Format_RGB32);
    bk.fill(ToQColor(bkColor_));
    canvas->Device().DrawImage(r, bk, all, SRCCOPY);
  }
  canvas->Device().DrawImage(r, enabled ? img : Disabled(img), all, SRCCOPY);
}

void TImageList::DrawOverlay(TCanvas* canvas, int x, int y, int index, int overlayIndex, bool enabled) const {
  Draw(canvas, x, y, index, enabled);
  if (overlayIndex >= 0 && overlayIndex <= 3 && overlays_[overlayIndex] >= 0) {
    const QImage& img = Image(overlays_[overlayIndex]);
    TRect all = Bounds(0, 0, width_, height_);
    canvas->Device().DrawImage(Bounds(x, y, width_, height_), enabled ? img : Disabled(img), all, SRCCOPY);
  }
}

void TImageList::Assign(const TPersistent* Source) {
  if (auto* l = dynamic_cast<const TImageList*>(Source)) {
    if (l == this) return;
    width_ = l->width_;
    height_ = l->height_;
    masked_ = l->masked_;
    bkColor_ = l->bkColor_;
    images_.clear();
    for (const auto& img : l->images_) images_.push_back(std::make_unique<TQtImage>(*img));
    std::copy(std::begin(l->overlays_), std::end(l->overlays_), std::begin(overlays_));
    Changed();
    return;
  }
  TComponent::Assign(Source);
}

bool TImageList::ReadProperty(const std::string& name, const TFormValue& value) {
  if (!SameText(name, "Bitmaps")) return TComponent::ReadProperty(name, value);
  if (value.Kind != TFormValue::vaList) throw EReadError("Invalid property value");
  for (const TFormValue& item : value.List) {
    if (item.Kind != TFormValue::vaString) throw EReadError("Invalid property value");
    TBitmap b;
    b.LoadFromResourceName(item.Str);
    if (masked_ && !b.Image().hasAlphaChannel())
      AddMasked(&b, clDefault);
    else
      Add(&b, nullptr);
  }
  return true;
}

FW_PUBLISH(TImageList) {
  c.Property("BkColor", &TImageList::BkColor, &TImageList::SetBkColor).SetTypeName("TColor").Default(clNone);
  c.Property("Height", &TImageList::Height, &TImageList::SetHeight).Default(16);
  c.Property("Masked", &TImageList::Masked, &TImageList::SetMasked).Default(true);
  c.Property("Width", &TImageList::Width, &TImageList::SetWidth).Default(16);
  c.Event("OnChange", &TImageList::OnChange);
}

}  // namespace fw
