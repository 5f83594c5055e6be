#include "NewAlias.h"

#include "Database.h"

using namespace fw;

namespace dbx {

FW_PUBLISH(TNewAliasForm) {
  c.Field("DriverGroup", &TNewAliasForm::DriverGroup);
  c.Field("DriverList", &TNewAliasForm::DriverList);
  c.Field("OKBtn", &TNewAliasForm::OKBtn);
  c.Field("CancelBtn", &TNewAliasForm::CancelBtn);
  c.Field("HelpBtn", &TNewAliasForm::HelpBtn);
  c.Method("FormShow", &TNewAliasForm::FormShow);
  c.Method("HelpBtnClick", &TNewAliasForm::HelpBtnClick);
}

TNewAliasForm::TNewAliasForm(TComponent* AOwner) : TForm(AOwner) {}

TNewAliasForm::~TNewAliasForm() = default;

std::string TNewAliasForm::DriverName() const {
  int index = DriverList->ItemIndex();
  return index < 0 ? std::string() : DriverList->Items()->Strings(index);
}

void TNewAliasForm::FormShow(TObject*) {
  Session().GetDriverNames(DriverList->Items());
  DriverList->SetItemIndex(DriverList->Items()->Count() > 0 ? 0 : -1);
}

void TNewAliasForm::HelpBtnClick(TObject*) { Application->HelpContext(HelpContext()); }

}  // namespace dbx
