// TForm3, the print setup form, and the printout of the seating tree: one
// line per node, tables indented less than people, optionally with the
// nodes' icons and a new page for every table, under a header with the date
// and, from the second page on, the page number.
#pragma once
#include <cstdint>

#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace ostrel {

class TForm3 : public fw::TForm {
  FW_CLASS(TForm3, fw::TForm)
public:
  explicit TForm3(fw::TComponent* AOwner);
  ~TForm3() override;

  fw::TCheckBox* PrintIconsCheckBox = nullptr;
  fw::TCheckBox* PrintOnePageCheckBox = nullptr;
  fw::TButton* Button3 = nullptr;
  fw::TButton* Button1 = nullptr;
  fw::TButton* Button2 = nullptr;
  fw::TPrinterSetupDialog* PrinterSetupDialog1 = nullptr;

  // Print, Cancel, Printer Setup.
  void Button1Click(fw::TObject* Sender);
  void Button2Click(fw::TObject* Sender);
  void Button3Click(fw::TObject* Sender);
};

extern TForm3* Form3;

// Set by the stop button; cleared when a printout begins.
extern bool AbortPrintFlag;
// The page being printed; 1 at the start of a printout.
extern std::int32_t PageNumber;

// Prints the tree of Form1 with the options of Form3.
void PrintTree();
// The y of the line after y: on this page while it ends above the bottom
// margin, else at the top of a new page under its header.
int NextPrintLine(int Y, int Margin, int Step, int PageHeight, int HeaderX);

}  // namespace ostrel
