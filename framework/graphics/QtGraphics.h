// The Qt side of the graphics layer, for framework/ui and framework/graphics
// only: the one Qt application of the program, the conversions between the
// framework's values and Qt's, and what the public headers hold of Qt.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRect>
#include <QString>
#include <memory>
#include <string>

#include "Canvas.h"
#include "Graphics.h"

class QApplication;

namespace fw {

// The program's Qt application, made on first use (with the program's
// arguments when the ui layer gave them). Every use of Qt goes through it, so
// that fonts and printers work before the ui layer has started.
QApplication* EnsureQtApplication();
void SetQtApplicationArguments(int argc, char** argv);
// Destroys the application made by EnsureQtApplication; the ui layer calls it
// when the program's application object goes, before the program's statics.
void ShutdownQtApplication();

QColor ToQColor(TColor c);  // system colours by their classic value
TColor FromQColor(const QColor& c);
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }
inline QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
inline std::string FromQString(const QString& s) { return s.toUtf8().toStdString(); }

// Qt's classes under names of the framework: the public headers hold and hand
// out these, declared only, so that nothing above this layer sees Qt.
class TQtFont : public QFont {
public:
  using QFont::QFont;
  TQtFont() = default;
  TQtFont(const QFont& f) : QFont(f) {}
};

class TQtImage : public QImage {
public:
  using QImage::QImage;
  TQtImage() = default;
  TQtImage(const QImage& image) : QImage(image) {}
};

class TQtPainter : public QPainter {
public:
  using QPainter::QPainter;
};

class TQtPrinter : public QPrinter {
public:
  using QPrinter::QPrinter;
};

// What a canvas draws on: the painter it draws with, attached by a paint
// event or opened on demand, and the device behind it. Each kind of canvas (a
// control's, a bitmap's, the printer's) has a device of its own kind.
class TCanvasDevice {
public:
  TCanvasDevice() = default;
  virtual ~TCanvasDevice();
  TCanvasDevice(const TCanvasDevice&) = delete;
  TCanvasDevice& operator=(const TCanvasDevice&) = delete;

  // Attaches the painter of the device (not owned); nullptr detaches it.
  void SetPainter(QPainter* painter);
  // The painter to draw with, opened on demand; nullptr when there is none.
  QPainter* Painter();
  // True while a painter is attached or open.
  bool HasPainter() const { return painter_ != nullptr; }
  // Ends and drops the painter that CreatePainter opened.
  void ReleasePainter();
  // The device whose font metrics TextWidth uses; nullptr: the screen's.
  virtual QPaintDevice* MetricsDevice();
  // The image behind the canvas, when it is a raster image; for reading
  // pixels and as the source of CopyRect. Ends any painting on it first.
  virtual QImage* SourceImage();
  // Draws sourceRect of image into dest (stretched), combined by mode; an
  // image with alpha is blended in by SRCCOPY.
  void DrawImage(const TRect& dest, const QImage& image, const TRect& sourceRect, TCopyMode mode);

protected:
  // Opens a painter when there is none; nullptr: the device cannot be drawn on now.
  virtual std::unique_ptr<QPainter> CreatePainter();

private:
  QPainter* painter_ = nullptr;
  std::unique_ptr<QPainter> ownPainter_;
};

// Attaches a paint event's painter to a canvas for the scope, and detaches it
// also when the painting raises, so that no canvas keeps a painter that is gone.
class TCanvasPainting {
public:
  TCanvasPainting(TCanvas* canvas, QPainter* painter) : canvas_(canvas) { canvas_->Device().SetPainter(painter); }
  ~TCanvasPainting() { canvas_->Device().SetPainter(nullptr); }
  TCanvasPainting(const TCanvasPainting&) = delete;
  TCanvasPainting& operator=(const TCanvasPainting&) = delete;

private:
  TCanvas* canvas_;
};

}  // namespace fw
