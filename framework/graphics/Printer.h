// The printer: one object for the program (Printer()), printing documents of
// pages through its canvas to the system's printer or to a PDF file.
//
// The output goes to a PDF file when the environment variable
// FW_PRINT_TO_PDF names one (tests use it) or when SetOutputFileName names
// one (the print dialog does); otherwise to the system's default printer.
// The canvas's coordinates are the printer's pixels (PageWidth x PageHeight
// of the printable area), and its font's PixelsPerInch is the printer's.
//
// A document is open from BeginDoc to EndDoc or Abort. A failure while
// opening raises EPrinter and leaves no document open; destroying the
// printer ends an open document.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Exceptions.h"

namespace fw {

class TQtPrinter;
class TQtPainter;

FW_EXCEPTION(EPrinter, Exception)

class TPrinter : public TObject {
  FW_CLASS(TPrinter, TObject)
public:
  TPrinter();
  ~TPrinter() override;
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  void BeginDoc();  // EPrinter "Printing in progress" when a document is open
  void EndDoc();    // EPrinter "Printer is not currently printing" when none is
  void NewPage();
  void Abort();     // ends the document; what was printed so far is dropped
  bool Aborted() const { return aborted_; }
  bool Printing() const { return printing_; }
  int PageNumber() const { return pageNumber_; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v);
  int PageWidth();
  int PageHeight();
  int Copies();
  void SetCopies(int v);
  TCanvas* Canvas();

  // "" (the default): the system's printer. FW_PRINT_TO_PDF wins over it.
  const std::string& OutputFileName() const { return outputFileName_; }
  void SetOutputFileName(const std::string& v);
  // The file the next document goes to, "" for the system's printer.
  std::string EffectiveOutputFileName() const;
  // Names of the system's printers; PrinterIndex -1 is the default printer.
  std::vector<std::string> Printers() const;
  int PrinterIndex() const { return printerIndex_; }
  void SetPrinterIndex(int v);

  // ---- for the print dialogs of the ui layer, which knows what it is
  TQtPrinter* QtPrinter();

private:
  class TPrinterCanvas;
  void EndPainting();
  void ApplySettings();
  void SyncCanvasResolution();

  std::unique_ptr<TQtPrinter> qprinter_;
  std::unique_ptr<TQtPainter> painter_;
  std::unique_ptr<TPrinterCanvas> canvas_;
  std::string title_;
  std::string outputFileName_;
  int printerIndex_ = -1;
  int copies_ = 1;
  int pageNumber_ = 0;
  bool printing_ = false;
  bool aborted_ = false;
};

// The program's printer.
TPrinter* Printer();

}  // namespace fw
