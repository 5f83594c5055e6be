#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "Bitmap.h"
#include "Printer.h"
#include "QtGraphics.h"
#include "TempDir.h"

namespace fw {

namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 512> buf;
  while (std::fgets(buf.data(), buf.size(), pipe.get())) out += buf.data();
  return out;
}

int PageCount(const std::string& pdf) {
  std::string info = Shell("pdfinfo '" + pdf + "' 2>&1");
  std::size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

}  // namespace

class PrinterTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureQtApplication();
    pdf_ = (dir_ / "out.pdf").string();
    setenv("FW_PRINT_TO_PDF", pdf_.c_str(), 1);
  }
  void TearDown() override { unsetenv("FW_PRINT_TO_PDF"); }
  test::TempDir temp_;
  fs::path dir_ = temp_.Path();
  std::string pdf_;
};

TEST_F(PrinterTest, TwoPagesWithTextAndAStretchedImageReachThePdf) {
  TPrinter* p = Printer();
  TBitmap icon;
  icon.LoadFromResourceName("bitmaps/colours.bmp");

  p->SetTitle("Velloria - Seating-Tree");
  p->BeginDoc();
  ASSERT_TRUE(p->Printing());
  EXPECT_EQ(p->PageNumber(), 1);
  TCanvas* c = p->Canvas();
  c->Font()->SetName("MS Sans Serif");
  c->Font()->SetSize(10);
  int ppi = c->Font()->PixelsPerInch();
  EXPECT_GE(ppi, 300);  // the printer's resolution, not the screen's
  EXPECT_EQ(c->Font()->Height(), -static_cast<int>(std::lround(10.0 * ppi / 72)));
  int m = ppi / 2;
  int w = 2 * c->TextWidth("A");
  int step = -c->Font()->Height() + w / 4;
  EXPECT_GT(p->PageHeight(), 10 * step);
  c->TextOut(m, m, "Velloria - Seating-Tree  first");
  c->StretchDraw(Bounds(2 * m - m, m + step, w, w), &icon);
  c->TextOut(2 * m, m + step, "Table One");
  p->NewPage();
  EXPECT_EQ(p->PageNumber(), 2);
  c->TextOut(m, m, "Velloria - Seating-Tree  page 2");
  p->EndDoc();
  EXPECT_FALSE(p->Printing());

  EXPECT_EQ(PageCount(pdf_), 2);
  std::string info = Shell("pdfinfo '" + pdf_ + "' 2>&1");
  EXPECT_NE(info.find("Velloria - Seating-Tree"), std::string::npos) << info;  // the title
  std::string page1 = Shell("pdftotext -f 1 -l 1 '" + pdf_ + "' - 2>&1");
  std::string page2 = Shell("pdftotext -f 2 -l 2 '" + pdf_ + "' - 2>&1");
  EXPECT_NE(page1.find("Table One"), std::string::npos) << page1;
  EXPECT_EQ(page1.find("page 2"), std::string::npos) << page1;
  EXPECT_NE(page2.find("page 2"), std::string::npos) << page2;
  std::string images = Shell("pdfimages -list '" + pdf_ + "' 2>&1");
  EXPECT_NE(images.find("\n   1 "), std::string::npos) << images;  // the icon, on page 1
}

TEST_F(PrinterTest, AFailedStartLeavesNoDocumentOpen) {
  TPrinter* p = Printer();
  std::string bad = (dir_ / "missing folder" / "out.pdf").string();
  setenv("FW_PRINT_TO_PDF", bad.c_str(), 1);
  EXPECT_THROW(p->BeginDoc(), EPrinter);
  EXPECT_FALSE(p->Printing());
  EXPECT_THROW(p->EndDoc(), EPrinter);
  EXPECT_THROW(p->NewPage(), EPrinter);

  setenv("FW_PRINT_TO_PDF", pdf_.c_str(), 1);
  p->BeginDoc();  // the printer is usable again
  EXPECT_THROW(p->BeginDoc(), EPrinter);
  EXPECT_TRUE(p->Printing());
  p->Canvas()->TextOut(100, 100, "stopped");
  p->Abort();
  EXPECT_TRUE(p->Aborted());
  EXPECT_FALSE(p->Printing());
  p->BeginDoc();
  EXPECT_FALSE(p->Aborted());
  p->EndDoc();
  EXPECT_EQ(PageCount(pdf_), 1);
}

TEST_F(PrinterTest, OutputFileAndCopiesAreSettings) {
  TPrinter* p = Printer();
  p->SetSystemPrinters(TPrinterList{});  // a machine without a printer
  unsetenv("FW_PRINT_TO_PDF");
  EXPECT_TRUE(p->PrintsToFile());
  EXPECT_EQ(p->EffectiveOutputFileName(), "");
  EXPECT_THROW(p->BeginDoc(), EPrinter);  // a PDF file without a name
  std::string chosen = (dir_ / "chosen.pdf").string();
  p->SetOutputFileName(chosen);
  p->SetCopies(1);
  EXPECT_EQ(p->EffectiveOutputFileName(), chosen);
  setenv("FW_PRINT_TO_PDF", pdf_.c_str(), 1);
  EXPECT_EQ(p->EffectiveOutputFileName(), pdf_);  // the environment wins
  unsetenv("FW_PRINT_TO_PDF");
  p->BeginDoc();
  p->EndDoc();
  EXPECT_TRUE(fs::exists(chosen));
  p->SetOutputFileName("");
  p->SetSystemPrinters(std::nullopt);
}

TEST_F(PrinterTest, ThePrinterStartsOnTheSystemsDefault) {
  TPrinter* p = Printer();
  unsetenv("FW_PRINT_TO_PDF");
  p->SetSystemPrinters(TPrinterList{{"Office", "Hall"}, "Hall"});
  EXPECT_EQ(p->PrinterName(), "Hall");
  EXPECT_EQ(p->PrinterIndex(), 1);
  EXPECT_FALSE(p->PrintsToFile());
  p->SetOutputFileName((dir_ / "kept.pdf").string());
  EXPECT_EQ(p->EffectiveOutputFileName(), "");  // the file is for when no printer is chosen
  p->SetPrinterIndex(0);
  EXPECT_EQ(p->PrinterName(), "Office");
  p->SetPrinterIndex(-1);
  EXPECT_EQ(p->PrinterName(), "Hall");
  EXPECT_THROW(p->SetPrinterName("Attic"), EPrinter);
  EXPECT_THROW(p->SetPrinterIndex(2), EPrinter);
  EXPECT_THROW(p->SetPaperSize("Napkin"), EPrinter);
  EXPECT_EQ(p->PrinterName(), "Hall");
  p->SetPrinterName("");
  EXPECT_TRUE(p->PrintsToFile());
  EXPECT_EQ(p->EffectiveOutputFileName(), (dir_ / "kept.pdf").string());
  setenv("FW_PRINT_TO_PDF", pdf_.c_str(), 1);
  EXPECT_EQ(p->EffectiveOutputFileName(), pdf_);

  // A default the system names but does not list is no printer.
  unsetenv("FW_PRINT_TO_PDF");
  p->SetSystemPrinters(TPrinterList{{"Office"}, "Gone"});
  EXPECT_TRUE(p->PrintsToFile());
  p->SetOutputFileName("");
  p->SetSystemPrinters(std::nullopt);
}

}  // namespace fw
