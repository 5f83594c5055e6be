#include "About.h"

#include "Format.h"

using namespace fw;

namespace dbx {

namespace {

// The designed caption used as a format with the owner window's caption.
std::string WithOwnerCaption(const std::string& format, TComponent* owner) {
  auto* window = dynamic_cast<TCustomForm*>(owner);
  return Format(format, {window ? window->Caption() : std::string()});
}

void ShowProgramIcon(TImage* image) {
  TBitmap icon;
  icon.LoadFromResourceName("dbx-program.png");
  image->Picture()->Assign(&icon);
}

}  // namespace

// ---------------------------------------------------------------- About

FW_PUBLISH(TAboutDbExplorer) {
  c.Field("Panel", &TAboutDbExplorer::Panel);
  c.Field("ProgramIcon", &TAboutDbExplorer::ProgramIcon);
  c.Field("ProductName", &TAboutDbExplorer::ProductName);
  c.Field("Version", &TAboutDbExplorer::Version);
  c.Field("Purpose", &TAboutDbExplorer::Purpose);
  c.Field("OKBtn", &TAboutDbExplorer::OKBtn);
  c.Method("FormCreate", &TAboutDbExplorer::FormCreate);
  c.Method("FormClose", &TAboutDbExplorer::FormClose);
  c.Method("FormDblClick", &TAboutDbExplorer::FormDblClick);
}

TAboutDbExplorer::TAboutDbExplorer(TComponent* AOwner) : TForm(AOwner) {}

TAboutDbExplorer::~TAboutDbExplorer() = default;

void TAboutDbExplorer::FormCreate(TObject*) {
  SetCaption(WithOwnerCaption(Caption(), Owner()));
  // The label keeps its designed width, whatever the text.
  int width = ProductName->Width();
  ProductName->SetCaption(WithOwnerCaption(ProductName->Caption(), Owner()));
  ProductName->SetWidth(width);
  ShowProgramIcon(ProgramIcon);
}

void TAboutDbExplorer::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }

void TAboutDbExplorer::FormDblClick(TObject*) { NewForm<TCreditsForm>(this)->ShowModal(); }

// ---------------------------------------------------------------- Credits

FW_PUBLISH(TCreditsForm) {
  c.Field("Panel", &TCreditsForm::Panel);
  c.Field("ProgramIcon", &TCreditsForm::ProgramIcon);
  c.Field("ListNames", &TCreditsForm::ListNames);
  c.Field("OKBtn", &TCreditsForm::OKBtn);
  c.Method("FormCreate", &TCreditsForm::FormCreate);
  c.Method("FormClose", &TCreditsForm::FormClose);
}

TCreditsForm::TCreditsForm(TComponent* AOwner) : TForm(AOwner) {}

TCreditsForm::~TCreditsForm() = default;

void TCreditsForm::FormCreate(TObject*) {
  SetCaption(WithOwnerCaption(Caption(), Owner()));
  for (const char* name : {"Ilse Varnhold", "Tomasz Brevik", "Anouk Delacroix-Mbeki", "Ruairí Ó Colmáin",
                           "Saanvi Raghunathan", "Jörg Ellerbrock", "Mei-Lin Aubuchon"})
    ListNames->Items()->Add(name);
  ShowProgramIcon(ProgramIcon);
}

void TCreditsForm::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }

}  // namespace dbx
