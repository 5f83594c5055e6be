// The printer: one object for the program (Printer()), printing documents of
// pages through its canvas to one of the system's printers or to a PDF file.
//
// It starts on the system's default printer or, on a machine without one, on
// a PDF file whose name is not chosen yet (OutputFileName empty): the program
// asks for one before it begins a document. The environment variable
// FW_PRINT_TO_PDF, when it names a file, wins over every choice (tests use
// it). The canvas's coordinates are the printer's pixels (PageWidth x
// PageHeight of the printable area), and its font's PixelsPerInch is the
// printer's.
//
// A document is open from BeginDoc to EndDoc or Abort. A failure while
// opening raises EPrinter and leaves no document open; destroying the
// printer ends an open document.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Exceptions.h"

namespace fw {

class TQtPrinter;
class TQtPainter;

FW_EXCEPTION(EPrinter, Exception)

FW_ENUM(TPrinterOrientation, poPortrait, poLandscape)

// The printers a system offers, as its print support lists them.
struct TPrinterList {
  std::vector<std::string> Names;
  std::string Default;  // "" when there is none
};

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

  // The printer documents go to; "" for a PDF file.
  std::string PrinterName() const;
  void SetPrinterName(const std::string& v);  // EPrinter for a name not among Printers()
  // The system's printers; PrinterIndex is the current one's place among
  // them, -1 for a PDF file. Setting -1 chooses the default printer.
  std::vector<std::string> Printers() const;
  int PrinterIndex() const;
  void SetPrinterIndex(int v);
  // The PDF file that documents go to while no printer is chosen; "" until
  // the program has asked for one.
  const std::string& OutputFileName() const { return outputFileName_; }
  void SetOutputFileName(const std::string& v);
  // Documents go to a PDF file: no printer is chosen, or FW_PRINT_TO_PDF names one.
  bool PrintsToFile() const;
  // The file the next document goes to, "" for a printer or a file not yet named.
  std::string EffectiveOutputFileName() const;

  // Paper by name ("A4", "Letter" ...; "" for the printer's own, A4 for a PDF file).
  static std::vector<std::string> PaperSizes();
  const std::string& PaperSize() const { return paperSize_; }
  void SetPaperSize(const std::string& v);  // EPrinter for a name not among PaperSizes()
  TPrinterOrientation Orientation() const { return orientation_; }
  void SetOrientation(TPrinterOrientation v);

  // Stands in for the system's printers (tests inject their own; nullopt
  // goes back to the real ones). The printer starts over on the default.
  void SetSystemPrinters(std::optional<TPrinterList> v);

  // ---- for the print dialogs of the ui layer, which knows what it is
  TQtPrinter* QtPrinter();

private:
  class TPrinterCanvas;
  void EndPainting();
  void ApplySettings();
  void SyncCanvasResolution();
  TPrinterList SystemPrinters() const;
  void ChooseDefault() const;

  std::unique_ptr<TQtPrinter> qprinter_;
  std::unique_ptr<TQtPainter> painter_;
  std::unique_ptr<TPrinterCanvas> canvas_;
  std::string title_;
  std::string outputFileName_;
  // Chosen on first need, so that a printer made before the application
  // does not ask the print support too early.
  mutable std::optional<std::string> printerName_;
  std::optional<TPrinterList> injected_;
  std::string paperSize_;
  TPrinterOrientation orientation_ = poPortrait;
  int copies_ = 1;
  int pageNumber_ = 0;
  bool printing_ = false;
  bool aborted_ = false;
};

// The program's printer.
TPrinter* Printer();

}  // namespace fw
