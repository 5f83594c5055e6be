// Font, pen and brush: the drawing settings that a canvas and a control hold.
// Each tells OnChange when it changes, so that its holder can repaint.
#pragma once
#include <memory>
#include <string>

#include "Classes.h"
#include "Graphics.h"

namespace fw {

class TQtFont;

class TGraphicsObject : public TPersistent {
  FW_CLASS(TGraphicsObject, TPersistent)
public:
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

// Height and Size are two views of one value: Height < 0 is the character
// height in pixels, Height > 0 the cell height (character plus internal
// leading), Size the character height in points at PixelsPerInch:
// Height = -Size * PixelsPerInch / 72 (rounded). Changing PixelsPerInch keeps
// Height; assigning a font of another resolution keeps its Size.
// The largest font height or size in points a form file may give.
inline constexpr int MaxFontHeight = 32767;

class TFont : public TGraphicsObject {
  FW_CLASS(TFont, TGraphicsObject)
public:
  TFont();
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  void Assign(const TPersistent* Source) override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v);
  int Size() const;
  void SetSize(int points);
  int Height() const { return height_; }
  void SetHeight(int v);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset v);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v);
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v);

  // The Qt font of these settings, with its size in pixels (for the ui and
  // graphics layers, which know what it is).
  const TQtFont& QtFont() const;

protected:
  void Changed() override;

private:
  std::string name_ = "MS Sans Serif";
  int height_ = 0;
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int pixelsPerInch_ = 96;
  mutable std::unique_ptr<TQtFont> qfont_;
};

class TPen : public TGraphicsObject {
  FW_CLASS(TPen, TGraphicsObject)
public:
  TPen() = default;
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;
  void Assign(const TPersistent* Source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  int Width() const { return width_; }
  void SetWidth(int v);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v);

private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

class TBrush : public TGraphicsObject {
  FW_CLASS(TBrush, TGraphicsObject)
public:
  TBrush() = default;
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;
  void Assign(const TPersistent* Source) override;

  TColor Color() const { return color_; }
  // Setting a colour makes a clear brush solid, as the framework does.
  void SetColor(TColor v);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v);

private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

}  // namespace fw
