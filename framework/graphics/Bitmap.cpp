#include "Bitmap.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <fstream>
#include <iterator>

#include "QtGraphics.h"
#include "Resources.h"
#include "Streams.h"
#include "Text.h"

namespace fw {

// ---------------------------------------------------------------- TGraphic

void TGraphic::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

FW_IMPLEMENT_CLASS(TGraphic)

// ---------------------------------------------------------------- TBitmap

namespace {

// A bitmap's canvas draws on the bitmap's image.
class TImageDevice : public TCanvasDevice {
public:
  explicit TImageDevice(QImage& image) : image_(image) {}
  QPaintDevice* MetricsDevice() override { return image_.isNull() ? nullptr : &image_; }
  QImage* SourceImage() override {
    ReleasePainter();
    return &image_;
  }

protected:
  std::unique_ptr<QPainter> CreatePainter() override {
    if (image_.isNull()) return nullptr;
    auto p = std::make_unique<QPainter>(&image_);
    return p->isActive() ? std::move(p) : nullptr;
  }

private:
  QImage& image_;
};

// Opaque pictures are kept as RGB32, so that raster operations see colours only.
QImage Normalized(const QImage& img) {
  if (img.isNull()) return img;
  return img.hasAlphaChannel() ? img.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               : img.convertToFormat(QImage::Format_RGB32);
}

std::string ReadFileBytes(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw EFOpenError("Cannot open file \"" + fileName + "\"");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The picture as it is drawn: transparent pixels cleared when Transparent.
QImage DrawnImage(const TBitmap& bitmap) {
  const QImage& img = bitmap.Image();
  if (!bitmap.Transparent() || img.isNull()) return img;
  QRgb key = ToQColor(bitmap.TransparentColor()).rgb() & 0xFFFFFF;
  QImage out = img.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  return out;
}

}  // namespace

class TBitmap::TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& owner) : TCanvas(std::make_unique<TImageDevice>(*owner.image_)) {}
  void Finish() { ReleasePainter(); }
};

TBitmap::TBitmap() : image_(std::make_unique<TQtImage>()) {}

TBitmap::~TBitmap() { FinishPainting(); }

void TBitmap::FinishPainting() const {
  if (canvas_) canvas_->Finish();
}

const TQtImage& TBitmap::Image() const {
  FinishPainting();
  return *image_;
}

void TBitmap::SetImage(const TQtImage& image) {
  FinishPainting();
  *image_ = Normalized(image);
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  return canvas_.get();
}

bool TBitmap::Empty() const { return image_->isNull() || image_->width() == 0 || image_->height() == 0; }
int TBitmap::Width() const { return image_->isNull() ? 0 : image_->width(); }
int TBitmap::Height() const { return image_->isNull() ? 0 : image_->height(); }
void TBitmap::SetWidth(int v) { SetSize(v, Height()); }
void TBitmap::SetHeight(int v) { SetSize(Width(), v); }

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == Width() && height == Height()) return;
  FinishPainting();
  if (width == 0 || height == 0) {
    *image_ = QImage();
  } else {
    EnsureQtApplication();
    QImage next(width, height,
                image_->hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!image_->isNull()) {
      QPainter p(&next);
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(0, 0, *image_);
    }
    *image_ = std::move(next);
  }
  Changed();
}

void TBitmap::Clear() { SetSize(0, 0); }

TColor TBitmap::TransparentColor() const {
  if (transparentColor_ != clDefault) return transparentColor_;
  const QImage& img = Image();
  if (img.isNull()) return clDefault;
  return FromQColor(img.pixelColor(0, img.height() - 1));
}

void TBitmap::SetTransparentColor(TColor v) {
  if (v == transparentColor_) return;
  transparentColor_ = v;
  Changed();
}

void TBitmap::LoadFromMemory(const void* data, std::size_t size) {
  EnsureQtApplication();
  QImage img;
  if (!img.loadFromData(static_cast<const uchar*>(data), static_cast<int>(size)) || img.isNull())
    throw EInvalidGraphic("Bitmap image is not valid");
  FinishPainting();
  *image_ = Normalized(img);
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  std::string bytes = ReadToEnd(stream);
  LoadFromMemory(bytes.data(), bytes.size());
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  std::string bytes = ReadFileBytes(fileName);
  LoadFromMemory(bytes.data(), bytes.size());
}

void TBitmap::LoadFromResourceName(const std::string& name) {
  TResourceData d = FindResourceData(name);
  if (!d.Data) throw EResNotFound("Resource " + name + " not found");
  LoadFromMemory(d.Data, d.Size);
}

void TBitmap::SaveToFile(const std::string& fileName) const {
  std::string ext = LowerCase(fileName.size() >= 4 ? fileName.substr(fileName.size() - 4) : "");
  const QImage& img = Image();
  if (img.isNull() || !img.save(ToQString(fileName), ext == ".png" ? "PNG" : "BMP"))
    throw EFCreateError("Cannot create file \"" + fileName + "\"");
}

void TBitmap::SaveToStream(TStream& stream) const {
  const QImage& img = Image();
  if (img.isNull()) return;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!img.save(&buffer, "BMP")) throw EWriteError("Stream write error");
  stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TBitmap::Assign(const TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* b = dynamic_cast<const TBitmap*>(Source)) {
    if (b == this) return;
    QImage copy = b->Image();
    FinishPainting();
    *image_ = copy;
    transparentColor_ = b->transparentColor_;
    SetTransparent(b->Transparent());
    Changed();
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(Source)) {
    Assign(p->Graphic());
    return;
  }
  TGraphic::Assign(Source);
}

bool TBitmap::ReadProperty(const std::string& name, const TFormValue& value) {
  if (!SameText(name, "Data")) return TGraphic::ReadProperty(name, value);
  if (value.Kind == TFormValue::vaBinary)
    LoadFromMemory(value.Str.data(), value.Str.size());
  else if (value.Kind == TFormValue::vaString || value.Kind == TFormValue::vaIdent)
    LoadFromResourceName(value.Str);
  else
    throw EReadError("Invalid property value");
  return true;
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) const {
  if (Empty()) return;
  // By value: the canvas may be this bitmap's own.
  QImage img = DrawnImage(*this);
  canvas->Device().DrawImage(r, img, Bounds(0, 0, img.width(), img.height()), Transparent() ? SRCCOPY : canvas->CopyMode());
}

FW_PUBLISH(TBitmap) {
  c.Property("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent).Default(false);
  c.Property("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor)
      .SetTypeName("TColor")
      .Stored(false);
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

TGraphic* TPicture::Graphic() const { return bitmap_.get(); }

TBitmap* TPicture::Bitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->OnChange = [this](TObject*) { Changed(); };
  }
  return bitmap_.get();
}

void TPicture::SetGraphic(const TGraphic* v) {
  if (!v) {
    if (!bitmap_) return;
    bitmap_.reset();
    Changed();
    return;
  }
  if (v == bitmap_.get()) return;
  Bitmap()->Assign(v);
}

void TPicture::Assign(const TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(Source)) {
    if (p != this) SetGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(Source);
}

int TPicture::Width() const { return bitmap_ ? bitmap_->Width() : 0; }
int TPicture::Height() const { return bitmap_ ? bitmap_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName) {
  TBitmap loaded;
  loaded.LoadFromFile(fileName);  // a failure leaves the picture as it was
  SetGraphic(&loaded);
}

void TPicture::SaveToFile(const std::string& fileName) const {
  if (!bitmap_) throw EInvalidGraphic("Picture is empty");
  bitmap_->SaveToFile(fileName);
}

bool TPicture::ReadProperty(const std::string& name, const TFormValue& value) {
  if (!SameText(name, "Data")) return TPersistent::ReadProperty(name, value);
  TBitmap loaded;
  loaded.ReadProperty(name, value);
  SetGraphic(&loaded);
  return true;
}

FW_IMPLEMENT_CLASS(TPicture)
FW_IMPLEMENT_CLASS(EInvalidGraphic)

void LoadSystemBitmap(TBitmap* Bitmap, int Id) {
  if (Id != OBM_COMBO) throw EResNotFound("System bitmap " + std::to_string(Id) + " not found");
  // A triangle pointing down, 7 pixels wide at the top.
  Bitmap->SetSize(7, 4);
  TCanvas* c = Bitmap->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(ColorToRGB(clBtnFace));
  c->FillRect(Rect(0, 0, 7, 4));
  c->Brush()->SetColor(ColorToRGB(clBtnText));
  for (int row = 0; row < 4; ++row) c->FillRect(Rect(row, row, 7 - row, row + 1));
  Bitmap->SetTransparentColor(ColorToRGB(clBtnFace));
  Bitmap->SetTransparent(true);
}

}  // namespace fw
