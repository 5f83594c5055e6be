#include "Printer.h"

#include <QPainter>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
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

TPrinterList TPrinter::SystemPrinters() const {
  TPrinterList list;
  if (injected_) {
    list = *injected_;
  } else {
    EnsureQtApplication();
    for (const QString& n : QPrinterInfo::availablePrinterNames()) list.Names.push_back(FromQString(n));
    list.Default = FromQString(QPrinterInfo::defaultPrinterName());
  }
  // A default that is not among the printers is no printer at all.
  if (std::find(list.Names.begin(), list.Names.end(), list.Default) == list.Names.end()) list.Default.clear();
  return list;
}

void TPrinter::ChooseDefault() const {
  if (!printerName_) printerName_ = SystemPrinters().Default;
}

std::string TPrinter::PrinterName() const {
  ChooseDefault();
  return *printerName_;
}

void TPrinter::SetPrinterName(const std::string& v) {
  if (!v.empty()) {
    std::vector<std::string> names = Printers();
    if (std::find(names.begin(), names.end(), v) == names.end()) throw EPrinter("Printer \"" + v + "\" not found");
  }
  printerName_ = v;
  ApplySettings();
}

std::vector<std::string> TPrinter::Printers() const { return SystemPrinters().Names; }

int TPrinter::PrinterIndex() const {
  const std::string name = PrinterName();
  if (name.empty()) return -1;
  std::vector<std::string> names = Printers();
  auto at = std::find(names.begin(), names.end(), name);
  return at == names.end() ? -1 : static_cast<int>(at - names.begin());
}

void TPrinter::SetPrinterIndex(int v) {
  if (v < 0) {
    printerName_.reset();
    ChooseDefault();
    ApplySettings();
    return;
  }
  std::vector<std::string> names = Printers();
  if (v >= static_cast<int>(names.size())) throw EPrinter("Printer index out of range");
  SetPrinterName(names[static_cast<std::size_t>(v)]);
}

void TPrinter::SetSystemPrinters(std::optional<TPrinterList> v) {
  injected_ = std::move(v);
  printerName_.reset();
  ApplySettings();
}

bool TPrinter::PrintsToFile() const {
  if (const char* env = std::getenv("FW_PRINT_TO_PDF"); env && *env) return true;
  return PrinterName().empty();
}

std::string TPrinter::EffectiveOutputFileName() const {
  if (const char* env = std::getenv("FW_PRINT_TO_PDF"); env && *env) return env;
  return PrinterName().empty() ? outputFileName_ : std::string();
}

namespace {

struct TPaper {
  const char* Name;
  QPageSize::PageSizeId Id;
};

constexpr TPaper kPapers[] = {
    {"A3", QPageSize::A3},         {"A4", QPageSize::A4},       {"A5", QPageSize::A5},
    {"B5", QPageSize::B5},         {"Letter", QPageSize::Letter}, {"Legal", QPageSize::Legal},
    {"Executive", QPageSize::Executive},
};

const TPaper* FindPaper(const std::string& name) {
  for (const TPaper& p : kPapers)
    if (name == p.Name) return &p;
  return nullptr;
}

}  // namespace

std::vector<std::string> TPrinter::PaperSizes() {
  std::vector<std::string> names;
  for (const TPaper& p : kPapers) names.emplace_back(p.Name);
  return names;
}

void TPrinter::SetPaperSize(const std::string& v) {
  if (!v.empty() && !FindPaper(v)) throw EPrinter("Unknown paper size \"" + v + "\"");
  paperSize_ = v;
  ApplySettings();
}

void TPrinter::SetOrientation(TPrinterOrientation v) {
  orientation_ = v;
  ApplySettings();
}

void TPrinter::ApplySettings() {
  QPrinter* q = qprinter_.get();
  if (!q || printing_) return;
  if (PrintsToFile()) {
    q->setOutputFormat(QPrinter::PdfFormat);
    q->setOutputFileName(ToQString(EffectiveOutputFileName()));
  } else {
    q->setOutputFileName(QString());
    q->setOutputFormat(QPrinter::NativeFormat);
    q->setPrinterName(ToQString(PrinterName()));
  }
  // A new printer brings its own paper: the choice goes on top of it.
  if (const TPaper* paper = FindPaper(paperSize_))
    q->setPageSize(QPageSize(paper->Id));
  else if (PrintsToFile())
    q->setPageSize(QPageSize(QPageSize::A4));
  q->setPageOrientation(orientation_ == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
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

int TPrinter::PageWidth() { return QtPrinter()->width(); }
int TPrinter::PageHeight() { return QtPrinter()->height(); }

void TPrinter::BeginDoc() {
  if (printing_) throw EPrinter("Printing in progress");
  QtPrinter();
  Canvas();
  ApplySettings();
  const std::string file = EffectiveOutputFileName();
  if (PrintsToFile() && file.empty()) throw EPrinter("No file is chosen for the PDF document");
  // Qt falls back to a PDF file for a printer it does not know.
  if (!PrintsToFile() &&
      (qprinter_->outputFormat() != QPrinter::NativeFormat || qprinter_->printerName() != ToQString(PrinterName())))
    throw EPrinter("Printer \"" + PrinterName() + "\" is not available");
  auto painter = std::make_unique<TQtPainter>();
  if (!painter->begin(qprinter_.get()))
    throw EPrinter(file.empty() ? "Printer \"" + PrinterName() + "\" is not available"
                                : "Cannot create file \"" + file + "\"");
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
