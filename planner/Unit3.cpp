#include "Unit3.h"

namespace ostrel {

TForm3* Form3 = nullptr;

FW_IMPLEMENT_CLASS(TForm3)

TForm3::TForm3(fw::TComponent* AOwner) : fw::TForm(AOwner) {}

TForm3::~TForm3() = default;

}  // namespace ostrel
