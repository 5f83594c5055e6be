// TNewDataForm, the entry form for one new guest.
#pragma once
#include "Forms.h"

namespace ostrel {

class TNewDataForm : public fw::TForm {
  FW_CLASS(TNewDataForm, fw::TForm)
public:
  explicit TNewDataForm(fw::TComponent* AOwner);
  ~TNewDataForm() override;
};

extern TNewDataForm* NewDataForm;

}  // namespace ostrel
