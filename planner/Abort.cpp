#include "Abort.h"

#include "Unit3.h"

namespace ostrel {

TAbortPrinting* AbortPrinting = nullptr;

FW_PUBLISH(TAbortPrinting) {
  c.Field("Bevel1", &TAbortPrinting::Bevel1);
  c.Field("Label1", &TAbortPrinting::Label1);
  c.Field("AbortBtn", &TAbortPrinting::AbortBtn);
  c.Method("AbortBtnClick", &TAbortPrinting::AbortBtnClick);
}

TAbortPrinting::TAbortPrinting(fw::TComponent* AOwner) : fw::TForm(AOwner) {}

TAbortPrinting::~TAbortPrinting() = default;

void TAbortPrinting::AbortBtnClick(fw::TObject*) { AbortPrintFlag = true; }

}  // namespace ostrel
