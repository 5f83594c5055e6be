// TAbortPrinting, the stay-on-top box that stops a printout.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace ostrel {

class TAbortPrinting : public fw::TForm {
  FW_CLASS(TAbortPrinting, fw::TForm)
public:
  explicit TAbortPrinting(fw::TComponent* AOwner);
  ~TAbortPrinting() override;

  fw::TBevel* Bevel1 = nullptr;
  fw::TLabel* Label1 = nullptr;
  fw::TButton* AbortBtn = nullptr;

  // The printout stops after the line it is printing.
  void AbortBtnClick(fw::TObject* Sender);
};

extern TAbortPrinting* AbortPrinting;

}  // namespace ostrel
