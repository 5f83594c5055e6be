#include "SaveAs.h"

#include "DbExplif.h"
#include "Format.h"
#include "Scope.h"

using namespace fw;

namespace dbx {

FW_PUBLISH(TSaveAsForm) {
  c.Field("NameGroup", &TSaveAsForm::NameGroup);
  c.Field("SaveName", &TSaveAsForm::SaveName);
  c.Field("OKBtn", &TSaveAsForm::OKBtn);
  c.Field("CancelBtn", &TSaveAsForm::CancelBtn);
  c.Field("HelpBtn", &TSaveAsForm::HelpBtn);
  c.Method("FormCreate", &TSaveAsForm::FormCreate);
  c.Method("FormShow", &TSaveAsForm::FormShow);
  c.Method("OKBtnClick", &TSaveAsForm::OKBtnClick);
  c.Method("HelpBtnClick", &TSaveAsForm::HelpBtnClick);
}

TSaveAsForm::TSaveAsForm(TComponent* AOwner) : TForm(AOwner) {}

TSaveAsForm::~TSaveAsForm() = default;

void TSaveAsForm::FormCreate(TObject*) { captionFormat_ = Caption(); }

void TSaveAsForm::FormShow(TObject*) {
  std::string name = Object ? Object->Name() : std::string();
  SetCaption(Format(captionFormat_, {name}));
  SaveName->SetText(name);
}

void TSaveAsForm::OKBtnClick(TObject*) {
  if (!Object) return;
  // The error goes on to the application's handler; the dialog stays.
  TScopeFail stay([this] { SetModalResult(mrNone); });
  std::string name = SaveName->Text();
  TScopeExit show([this, &name] { SaveName->SetText(name); });
  name = Object->ValidateNameOrRaise(name);
}

void TSaveAsForm::HelpBtnClick(TObject*) { Application->HelpContext(HelpContext()); }

}  // namespace dbx
