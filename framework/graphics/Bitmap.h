// Pictures: TGraphic (what a canvas can draw), TBitmap (a raster image with
// its own canvas, read from BMP or PNG files or from resources compiled into
// the program) and TPicture (the holder that controls publish).
//
// In a form file a bitmap or picture is given by its resource name:
//   Glyph.Data = 'bitmaps/create.bmp'
//   Picture.Data = 'bitmaps/logo.png'
// Binary data in a form file is read as the bytes of a BMP or PNG file.
#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "Canvas.h"
#include "Exceptions.h"

namespace fw {

class TStream;
class TQtImage;

class TGraphic : public TPersistent {
  FW_CLASS(TGraphic, TPersistent)
public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int v) = 0;
  virtual void SetHeight(int v) = 0;
  // Drawn through its mask: the transparent colour shows what lies below.
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool v);
  virtual void LoadFromFile(const std::string& fileName) = 0;
  virtual void SaveToFile(const std::string& fileName) const = 0;

  TNotifyEvent OnChange;

protected:
  friend class TCanvas;
  virtual void Changed();
  // Draws the picture into r of canvas, combined by the canvas's CopyMode.
  virtual void Draw(TCanvas* canvas, const TRect& r) const = 0;

private:
  bool transparent_ = false;
};

class TBitmap : public TGraphic {
  FW_CLASS(TBitmap, TGraphic)
public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  void Assign(const TPersistent* Source) override;
  bool ReadProperty(const std::string& name, const TFormValue& value) override;

  bool Empty() const override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int v) override;
  void SetHeight(int v) override;
  // Keeps the part of the picture that still fits; new pixels are white.
  void SetSize(int width, int height);

  // The canvas that draws on the bitmap.
  TCanvas* Canvas();

  // clDefault (the default): the colour of the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor v);

  // BMP or PNG; a file that is missing or not a picture raises EFOpenError
  // or EInvalidGraphic and leaves the bitmap as it was.
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) const override;  // BMP, or PNG by extension
  // The bytes of a BMP file at the stream's position; an empty bitmap writes nothing.
  void SaveToStream(TStream& stream) const;
  // From a resource compiled into the program; a missing one raises EResNotFound.
  void LoadFromResourceName(const std::string& name);
  // From the bytes of a BMP or PNG file.
  void LoadFromMemory(const void* data, std::size_t size);
  // From the rest of the stream: the bytes of a BMP or PNG file.
  void LoadFromStream(TStream& stream);
  void Clear();  // empty: 0 x 0

  // ---- for the ui and graphics layers, which know what a TQtImage is
  // The picture, with any drawing on the canvas finished.
  const TQtImage& Image() const;
  void SetImage(const TQtImage& image);

protected:
  void Draw(TCanvas* canvas, const TRect& r) const override;

private:
  class TBitmapCanvas;
  void FinishPainting() const;

  std::unique_ptr<TQtImage> image_;
  std::unique_ptr<TBitmapCanvas> canvas_;
  TColor transparentColor_ = clDefault;
};

// Holds a picture that a control shows; empty until one is loaded or assigned.
class TPicture : public TPersistent {
  FW_CLASS(TPicture, TPersistent)
public:
  TPicture();
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  void Assign(const TPersistent* Source) override;  // a TPicture, a TBitmap or nullptr
  bool ReadProperty(const std::string& name, const TFormValue& value) override;

  TGraphic* Graphic() const;  // nullptr when empty
  void SetGraphic(const TGraphic* v);
  TBitmap* Bitmap();  // made when missing
  void SetBitmap(const TBitmap* v) { SetGraphic(v); }
  int Width() const;
  int Height() const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  TNotifyEvent OnChange;

private:
  void Changed();
  std::unique_ptr<TBitmap> bitmap_;
};

FW_EXCEPTION(EInvalidGraphic, Exception)

// The window system's own small pictures.
constexpr int OBM_COMBO = 32738;  // the down arrow of a combo box's button
// Draws picture Id into Bitmap in the system colours of now (the button
// text on the button face, which is its transparent colour); raises
// EResNotFound for a picture the system does not have.
void LoadSystemBitmap(TBitmap* Bitmap, int Id);

}  // namespace fw
