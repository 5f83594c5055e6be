#include "Unit3.h"

#include "Abort.h"
#include "Bitmap.h"
#include "DateTime.h"
#include "Files.h"
#include "Printer.h"
#include "Scope.h"
#include "Seating.h"
#include "Text.h"

using namespace fw;

namespace ostrel {

TForm3* Form3 = nullptr;
bool AbortPrintFlag = false;
std::int32_t PageNumber = 0;

FW_PUBLISH(TForm3) {
  c.Field("PrintIconsCheckBox", &TForm3::PrintIconsCheckBox);
  c.Field("PrintOnePageCheckBox", &TForm3::PrintOnePageCheckBox);
  c.Field("Button3", &TForm3::Button3);
  c.Field("Button1", &TForm3::Button1);
  c.Field("Button2", &TForm3::Button2);
  c.Field("PrinterSetupDialog1", &TForm3::PrinterSetupDialog1);
  c.Method("Button1Click", &TForm3::Button1Click);
  c.Method("Button2Click", &TForm3::Button2Click);
  c.Method("Button3Click", &TForm3::Button3Click);
}

TForm3::TForm3(TComponent* AOwner) : TForm(AOwner) {}

TForm3::~TForm3() = default;

// While a printout runs, the print commands do nothing: a second printout
// inside the first would end the first one's document.
void TForm3::Button1Click(TObject*) {
  if (Form1->TreeBusy()) return;
  Hide();
  PrintTree();
}

void TForm3::Button2Click(TObject*) { Hide(); }

void TForm3::Button3Click(TObject*) {
  if (Form1->TreeBusy()) return;
  PrinterSetupDialog1->Execute();
}

namespace {

constexpr const char* Title = "Velloria - Seating-Tree";

// Shows the stop box for the printout; however the printout ends, the
// document is ended and the box hidden. A failure that ends it early is
// reported as it stands, not the one of ending the document after it.
class TPrintout {
public:
  TPrintout() {
    if (AbortPrinting) AbortPrinting->Show();
    Application->ProcessMessages();
  }
  ~TPrintout() {
    if (Printer()->Printing()) {
      try {
        Printer()->EndDoc();
      } catch (const std::exception&) {
      }
    }
    if (AbortPrinting) AbortPrinting->Hide();
  }
  TPrintout(const TPrintout&) = delete;
  TPrintout& operator=(const TPrintout&) = delete;
};

// Image Index of List stretched into the square of side Size at (X, Y).
void DrawIcon(TCanvas* Canvas, const TImageList* List, int Index, int X, int Y, int Size) {
  if (Index < 0 || Index >= List->Count()) return;
  TBitmap picture;
  List->GetBitmap(Index, &picture);
  Canvas->StretchDraw(Rect(X, Y, X + Size, Y + Size), &picture);
}

// The PDF file of a printout: "Seating.pdf" in the current directory unless the user names another.
bool AskPdfFile(std::string& File) {
  auto dialog = std::make_unique<TSaveDialog>(nullptr);
  dialog->SetTitle("Print To PDF File");
  dialog->SetInitialDir(GetCurrentDir());
  dialog->SetFileName("Seating.pdf");
  dialog->SetFilter("PDF files|*.pdf|All files|*.*");
  dialog->SetDefaultExt("pdf");
  dialog->SetOptions({ofOverwritePrompt, ofPathMustExist, ofHideReadOnly});
  if (!dialog->Execute()) return false;
  File = dialog->FileName();
  return true;
}

}  // namespace

int NextPrintLine(int Y, int Margin, int Step, int PageHeight, int HeaderX) {
  if (Y + Step < PageHeight - Margin) return Y + Step;
  TPrinter* printer = Printer();
  printer->NewPage();
  ++PageNumber;
  printer->Canvas()->TextOut(HeaderX, Margin,
                             std::string(Title) + " " + DateToStr(Date()) + "  page " + IntToStr(PageNumber));
  return Margin + 2 * Step;
}

void PrintTree() {
  if (Form1->TreeBusy()) return;
  TTreeNodes* items = Form1->TreeView1->Items();
  if (items->Count() == 0) {
    ShowMessage("Nothing To Print !");
    return;
  }
  TPrinter* printer = Printer();
  // With no printer chosen the printout is a PDF file: one the user names for this printout.
  std::string file;
  if (printer->PrintsToFile() && printer->EffectiveOutputFileName().empty() && !AskPdfFile(file)) return;
  TScopeExit forget([&] {
    if (!file.empty()) printer->SetOutputFileName("");
  });
  if (!file.empty()) printer->SetOutputFileName(file);

  // The stop box lets the message loop run: the tree must keep its nodes meanwhile.
  TForm1::TTreeHold hold(*Form1);
  TPrintout printout;
  Form1->PrintDialog1->SetCopies(1);
  PageNumber = 1;
  printer->SetTitle(Title);
  printer->BeginDoc();
  AbortPrintFlag = false;

  TCanvas* canvas = printer->Canvas();
  canvas->Font()->SetName("MS Sans Serif");
  canvas->Font()->SetSize(10);
  const int w = 2 * canvas->TextWidth("A");
  const int step = -canvas->Font()->Height() + w / 4;
  const int m = canvas->Font()->PixelsPerInch() / 2;
  const int pageHeight = printer->PageHeight();
  const bool icons = Form3->PrintIconsCheckBox->Checked();
  const bool pagePerTable = Form3->PrintOnePageCheckBox->Checked();

  canvas->TextOut(m, m, std::string(Title) + "  " + DateToStr(Date()));
  int y = m + step;
  int i = 0;
  for (TTreeNode* node = items->GetFirstNode(); node; node = node->GetNext(), ++i) {
    Application->ProcessMessages();
    if (AbortPrintFlag) break;
    int x = 3 * m;
    if (node->Level() == 0) {
      x = 2 * m;
      y = NextPrintLine(y, m, step, pageHeight, m);  // a blank line before every table
      if (pagePerTable && i > 0) y = NextPrintLine(pageHeight, m, step, pageHeight, m);
    }
    if (icons) {
      // The two happy icons print as the one picture of ImageList2.
      const int state = node->StateIndex();
      if (state > 0)
        DrawIcon(canvas, state == 7 ? Form1->ImageList2 : Form1->ImageList1, state == 7 ? 1 : state, x - m, y, w);
      const int image = node->ImageIndex();
      if (image > 0) DrawIcon(canvas, Form1->ImageList2, image == 12 ? 1 : image, x - m / 2, y, w);
    }
    canvas->TextOut(x, y, node->Text());
    y = NextPrintLine(y, m, step, pageHeight, m);
  }
  printer->EndDoc();
}

}  // namespace ostrel
