// The driver of a new database alias, chosen from the session's drivers.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace dbx {

class TNewAliasForm : public fw::TForm {
  FW_CLASS(TNewAliasForm, fw::TForm)
public:
  explicit TNewAliasForm(fw::TComponent* AOwner);
  ~TNewAliasForm() override;

  fw::TGroupBox* DriverGroup = nullptr;
  fw::TComboBox* DriverList = nullptr;
  fw::TButton* OKBtn = nullptr;
  fw::TButton* CancelBtn = nullptr;
  fw::TButton* HelpBtn = nullptr;

  // The chosen driver's name; empty without one.
  std::string DriverName() const;

  void FormShow(fw::TObject* Sender);
  void HelpBtnClick(fw::TObject* Sender);
};

}  // namespace dbx
