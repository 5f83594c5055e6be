#include "Printer.h"

#include <QPainter>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>

#include "QtGraphics.h"

namespace fw {

namespace {

// The printer's canvas measures on the printer; it draws while a document is open.
class TPrinterDevice : public TCanvasDevice {
public:
  explicit TPrinterDevice(TPrinter& printer) : printer_(printer) {}
  QPaintDevice* MetricsDevice() override { return printer_.QtPrinter(); }

private:
  TPrinter& printer_;
};

}  // namespace

class TPrinter::TPrinterCanvas : public TCanvas {
public:
  explicit TPrinterCanvas(TPrinter& owner) : TCanvas(std::make_unique<TPrinterDevice>(owner)) {}
};

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
  if (printing_) {
    if (canvas_) canvas_->Device().SetPainter(nullptr);
    if (painter_) painter_->end();
  }
}

TQtPrinter* TPrinter::QtPrinter() {
  if (!qprinter_) {
    EnsureQtApplication();
    qprinter_ = std::make_unique<TQtPrinter>(QPrinter::HighResolution);
    ApplySettings();
  }
  return qprinter_.get();
}

std::string TPrinter::EffectiveOutputFileName() const {
  if (const char* env = std::getenv("FW_PRINT_TO_PDF"); env && *env) return env;
  return outputFileName_;
}

void TPrinter::ApplySettings() {
  QPrinter* q = qprinter_.get();
  if (!q || printing_) return;
  std::string file = EffectiveOutputFileName();
  if (!file.empty()) {
    q->setOutputFormat(QPrinter::PdfFormat);
    q->setOutputFileName(ToQString(file));
    q->setPageSize(QPageSize(QPageSize::A4));
  } else {
    q->setOutputFileName(QString());
    q->setOutputFormat(QPrinter::NativeFormat);
    QStringList names = QPrinterInfo::availablePrinterNames();
    if (printerIndex_ >= 0 && printerIndex_ < names.size())
      q->setPrinterName(names[printerIndex_]);
    else
      q->setPrinterName(QPrinterInfo::defaultPrinterName());
  }
  q->setDocName(ToQString(title_));
  q->setCopyCount(copies_);
  SyncCanvasResolution();
}

void TPrinter::SyncCanvasResolution() {
  if (!canvas_ || !qprinter_) return;
  TFont* f = canvas_->Font();
  int res = qprinter_->resolution();
  if (res <= 0 || res == f->PixelsPerInch()) return;
  int size = f->Size();
  f->SetPixelsPerInch(res);
  f->SetSize(size);
}

TCanvas* TPrinter::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TPrinterCanvas>(*this);
    QtPrinter();
    int size = canvas_->Font()->Size();
    canvas_->Font()->SetPixelsPerInch(qprinter_->resolution());
    canvas_->Font()->SetSize(size);
  }
  return canvas_.get();
}

void TPrinter::SetTitle(const std::string& v) {
  title_ = v;
  if (qprinter_ && !printing_) qprinter_->setDocName(ToQString(v));
}

void TPrinter::SetCopies(int v) {
  copies_ = std::max(1, v);
  if (qprinter_ && !printing_) qprinter_->setCopyCount(copies_);
}

int TPrinter::Copies() { return copies_; }

void TPrinter::SetOutputFileName(const std::string& v) {
  outputFileName_ = v;
  ApplySettings();
}

void TPrinter::SetPrinterIndex(int v) {
  printerIndex_ = v < 0 ? -1 : v;
  ApplySettings();
}

std::vector<std::string> TPrinter::Printers() const {
  EnsureQtApplication();
  std::vector<std::string> out;
  for (const QString& n : QPrinterInfo::availablePrinterNames()) out.push_back(FromQString(n));
  return out;
}

int TPrinter::PageWidth() { return QtPrinter()->width(); }
int TPrinter::PageHeight() { return QtPrinter()->height(); }

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter("Printing in progress");
  QtPrinter();
  Canvas();
  ApplySettings();
  auto painter = std::make_unique<TQtPainter>();
  if (!painter->begin(qprinter_.get())) {
    std::string file = EffectiveOutputFileName();
    throw EPrinter(file.empty() ? "Printer selected is not valid" : "Cannot create file \"" + file + "\"");
  }
  painter_ = std::move(painter);
  aborted_ = false;
  pageNumber_ = 1;
  printing_ = true;
  canvas_->Device().SetPainter(painter_.get());
  canvas_->SetPenPos({0, 0});
}

void TPrinter::EndPainting() {
  canvas_->Device().SetPainter(nullptr);
  printing_ = false;
  bool ok = painter_->end();
  painter_.reset();
  if (!ok && !aborted_) throw EPrinter("Printing failed");
}

void TPrinter::EndDoc() {
  if (!printing_) throw EPrinter("Printer is not currently printing");
  EndPainting();
}

void TPrinter::NewPage() {
  if (!printing_) throw EPrinter("Printer is not currently printing");
  if (!qprinter_->newPage()) {
    // The document cannot go on: close it before saying so.
    aborted_ = true;
    canvas_->Device().SetPainter(nullptr);
    printing_ = false;
    painter_->end();
    painter_.reset();
    throw EPrinter("Printing failed");
  }
  ++pageNumber_;
  canvas_->SetPenPos({0, 0});
}

void TPrinter::Abort() {
  if (!printing_) throw EPrinter("Printer is not currently printing");
  qprinter_->abort();
  aborted_ = true;
  EndPainting();
}

FW_IMPLEMENT_CLASS(TPrinter)
FW_IMPLEMENT_CLASS(EPrinter)

TPrinter* Printer() {
  static const std::unique_ptr<TPrinter> printer = std::make_unique<TPrinter>();
  return printer.get();
}

}  // namespace fw
