// TAbortPrinting, the stay-on-top box that stops a printout.
#pragma once
#include "Forms.h"

namespace ostrel {

class TAbortPrinting : public fw::TForm {
  FW_CLASS(TAbortPrinting, fw::TForm)
public:
  explicit TAbortPrinting(fw::TComponent* AOwner);
  ~TAbortPrinting() override;
};

extern TAbortPrinting* AbortPrinting;

}  // namespace ostrel
