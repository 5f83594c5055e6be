// TCanvas: drawing with a font, a pen and a brush on a device (a control
// while it paints, a bitmap, the printer), with the framework's coordinates:
// rectangles exclude their right and bottom edges, lines exclude their end
// point, text is placed by its top-left corner.
//
// The canvas draws through the painter of its device (TCanvasDevice, known to
// the ui and graphics layers only): the ui layer attaches the painter of a
// paint event, a bitmap's canvas opens one on the bitmap's image when it is
// first drawn on, the printer's while a document is open. Without a painter,
// drawing does nothing, but TextWidth, TextHeight and TextExtent still answer
// from the font's metrics.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "GraphicsObjects.h"

namespace fw {

class TGraphic;
class TCanvas;
class TCanvasDevice;

// The framework's device context is the canvas itself.
using HDC = TCanvas*;

class TCanvas : public TPersistent {
  FW_CLASS(TCanvas, TPersistent)
public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* v) { font_->Assign(v); }
  TPen* Pen() const { return pen_.get(); }
  void SetPen(const TPen* v) { pen_->Assign(v); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(const TBrush* v) { brush_->Assign(v); }
  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode v) { copyMode_ = v; }
  TPoint PenPos() const { return penPos_; }
  void SetPenPos(TPoint p) { penPos_ = p; }

  HDC Handle() { return this; }
  // True while the canvas has a device to draw on.
  bool HandleAllocated();
  // The area that drawing reaches, in the canvas's coordinates.
  TRect ClipRect();

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);  // outlined with the pen, filled with the brush
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);   // one pixel wide, in the brush colour
  void DrawFocusRect(const TRect& r);  // dotted, inverting: drawn twice it is gone

  // Text in the font, on the brush colour unless the brush is clear; the pen
  // position moves to the end of the text.
  void TextOut(int x, int y, const std::string& text);
  // Text clipped to r and, unless the brush is clear, r filled first.
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  int TextWidth(std::string_view text);
  int TextHeight(std::string_view text);
  TSize TextExtent(std::string_view text);

  // Pictures, combined with the destination by CopyMode (a transparent
  // bitmap is drawn through its mask instead).
  void Draw(int x, int y, const TGraphic* graphic);
  void StretchDraw(const TRect& r, const TGraphic* graphic);
  // Copies source's area sourceRect into dest, stretching when the sizes
  // differ, combined by CopyMode.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);

  // Reading works on bitmaps; elsewhere it gives clNone.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor c);

  // ---- for the ui and graphics layers: the painter and the device behind
  // the canvas.
  TCanvasDevice& Device() const;

protected:
  // A canvas on a device of its own kind: a control's window, a bitmap, the
  // printer.
  explicit TCanvas(std::unique_ptr<TCanvasDevice> device);
  // Ends and drops the painter that the device opened.
  void ReleasePainter();

private:
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TCopyMode copyMode_ = SRCCOPY;
  TPoint penPos_;
  std::unique_ptr<TCanvasDevice> device_;
};

// Writes text into rect with the canvas's font: DT_LEFT/DT_CENTER/DT_RIGHT,
// DT_TOP/DT_VCENTER/DT_BOTTOM with DT_SINGLELINE, DT_WORDBREAK (lines broken
// at blanks, a word wider than the rectangle stands alone), line breaks at CR
// and LF, "&" marking a prefix unless DT_NOPREFIX ("&&" is one "&"), clipped
// to rect unless DT_NOCLIP. With DT_CALCRECT nothing is drawn and rect's
// right and bottom are set to fit the text. count < 0: the whole text.
// Returns the height of the text.
int DrawText(HDC dc, std::string_view text, int count, TRect* rect, unsigned format);

// The 3-D borders of DrawEdge: an outer and an inner line, raised or sunken.
constexpr unsigned BDR_RAISEDOUTER = 0x0001;
constexpr unsigned BDR_SUNKENOUTER = 0x0002;
constexpr unsigned BDR_RAISEDINNER = 0x0004;
constexpr unsigned BDR_SUNKENINNER = 0x0008;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
// The sides to draw, and how.
constexpr unsigned BF_LEFT = 0x0001;
constexpr unsigned BF_TOP = 0x0002;
constexpr unsigned BF_RIGHT = 0x0004;
constexpr unsigned BF_BOTTOM = 0x0008;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x0800;  // fill the inside (button face)
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;  // rect becomes the inside
constexpr unsigned BF_FLAT = 0x4000;    // one shadow-coloured line, no 3-D look
constexpr unsigned BF_MONO = 0x8000;    // one window-frame line
// Draws a border of rect in the classic system colours; false without a canvas.
bool DrawEdge(HDC dc, TRect& rect, unsigned edge, unsigned flags);

}  // namespace fw
