// TForm3, the print setup form.
#pragma once
#include "Forms.h"

namespace ostrel {

class TForm3 : public fw::TForm {
  FW_CLASS(TForm3, fw::TForm)
public:
  explicit TForm3(fw::TComponent* AOwner);
  ~TForm3() override;
};

extern TForm3* Form3;

}  // namespace ostrel
