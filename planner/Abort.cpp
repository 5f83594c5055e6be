#include "Abort.h"

namespace ostrel {

TAbortPrinting* AbortPrinting = nullptr;

FW_IMPLEMENT_CLASS(TAbortPrinting)

TAbortPrinting::TAbortPrinting(fw::TComponent* AOwner) : fw::TForm(AOwner) {}

TAbortPrinting::~TAbortPrinting() = default;

}  // namespace ostrel
