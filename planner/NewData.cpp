#include "NewData.h"

namespace ostrel {

TNewDataForm* NewDataForm = nullptr;

FW_IMPLEMENT_CLASS(TNewDataForm)

TNewDataForm::TNewDataForm(fw::TComponent* AOwner) : fw::TForm(AOwner) {}

TNewDataForm::~TNewDataForm() = default;

}  // namespace ostrel
