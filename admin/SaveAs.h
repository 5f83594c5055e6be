// The name of an object's copy. OK keeps the dialog open while the name is
// not valid for the object.
#pragma once
#include <string>

#include "Forms.h"
#include "StdCtrls.h"

namespace dbx {

class TExploreObject;

class TSaveAsForm : public fw::TForm {
  FW_CLASS(TSaveAsForm, fw::TForm)
public:
  explicit TSaveAsForm(fw::TComponent* AOwner);
  ~TSaveAsForm() override;

  fw::TGroupBox* NameGroup = nullptr;
  fw::TEdit* SaveName = nullptr;
  fw::TButton* OKBtn = nullptr;
  fw::TButton* CancelBtn = nullptr;
  fw::TButton* HelpBtn = nullptr;

  // The object to copy; set before showing.
  TExploreObject* Object = nullptr;

  void FormCreate(fw::TObject* Sender);
  void FormShow(fw::TObject* Sender);
  void OKBtnClick(fw::TObject* Sender);
  void HelpBtnClick(fw::TObject* Sender);

private:
  std::string captionFormat_;
};

}  // namespace dbx
