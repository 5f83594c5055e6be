// The library's drop-down edits over a guest table it makes in a new folder
// under /tmp: the guest's city picked in a lookup combo over a city table
// (titles, column lines, names in several scripts), the reply in a combo box
// that stores a code for each shown text, and a note edited in a dialog that
// the ellipsis button raises. It runs until it is killed, to be driven by
// hand or with xdotool; each stored change is printed.
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/vx-combo-walk/vx-combo-walk &
//   DISPLAY=:57 xdotool mousemove 330 70 click 1; DISPLAY=:57 import -window root shot.png
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Vxdbcomb.h"
#include "Vxdblook.h"
#include "Vxdotdot.h"
#include "Vxtable.h"

using namespace fw;
using namespace vx;

namespace {

TvxTable* MakeCities(TComponent* owner, const std::string& dir) {
  auto* t = new TvxTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Städte.db");
  t->FieldDefs()->Add("Code", ftString, 4, true);
  t->FieldDefs()->Add("Name", ftString, 20);
  t->FieldDefs()->Add("Country", ftString, 16);
  t->IndexDefs()->Add("", "Code", {ixPrimary});
  t->IndexDefs()->Add("ByName", "Name", {});
  t->CreateTable();
  t->Open();
  const char* cities[][3] = {{"AMS", "Amsel", "Norland"},         {"BRN", "Brünnau", "Ostmark"},
                             {"CEL", "Čelno", "Vardesh"},          {"DOR", "Dorrik", "Norland"},
                             {"ELV", "Elvåsen", "Sølvland"},       {"FJO", "Fjordhavn", "Sølvland"},
                             {"GRA", "Gravenau", "Ostmark"},       {"HAL", "Hallström", "Sølvland"},
                             {"KAS", "Καστέλλι", "Thalassia"},     {"LOR", "Lorvik", "Norland"},
                             {"MIR", "Мирогород", "Vostria"},      {"TUL", "Tullen", "Ostmark"},
                             {"VAR", "Varne", "Vardesh"},          {"ZEL", "Zell am Moor", "Ostmark"}};
  for (auto& c : cities) {
    t->Append();
    t->FieldByName("Code")->SetAsString(c[0]);
    t->FieldByName("Name")->SetAsString(c[1]);
    t->FieldByName("Country")->SetAsString(c[2]);
    t->Post();
  }
  t->First();
  return t;
}

TvxTable* MakeGuests(TComponent* owner, const std::string& dir) {
  auto* t = new TvxTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Gäste.db");
  t->FieldDefs()->Add("Name", ftString, 24, true);
  t->FieldDefs()->Add("City", ftString, 4);
  t->FieldDefs()->Add("Reply", ftString, 1);
  t->FieldDefs()->Add("Note", ftString, 40);
  t->IndexDefs()->Add("", "Name", {ixPrimary});
  t->CreateTable();
  t->Open();
  t->Append();
  t->FieldByName("Name")->SetAsString("Zoë Ångström");
  t->FieldByName("City")->SetAsString("LOR");
  t->FieldByName("Reply")->SetAsString("Y");
  t->FieldByName("Note")->SetAsString("Window seat, please");
  t->Post();
  t->First();
  return t;
}

TLabel* Caption(TForm* form, int top, const char* text) {
  auto* l = new TLabel(form);
  l->SetParent(form);
  l->SetBounds(20, top + 4, 90, 18);
  l->SetCaption(text);
  return l;
}

}  // namespace

int main() {
  Application->Initialize();
  char folder[] = "/tmp/vx-combo-walk-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption("Gäste – Zoë Ångström");
  form->SetBounds(40, 30, 520, 360);
  TvxTable* cities = MakeCities(form, folder);
  TvxTable* guests = MakeGuests(form, folder);
  auto* source = new TvxDataSource(form);
  source->SetDataSet(guests);
  guests->AfterPost = [](TDataSet* ds) {
    std::printf("stored: City=%s Reply=%s Note=%s\n", ds->FieldByName("City")->AsString().c_str(),
                ds->FieldByName("Reply")->AsString().c_str(), ds->FieldByName("Note")->AsString().c_str());
    std::fflush(stdout);
  };

  Caption(form, 20, "City");
  auto* city = new TvxDBLookupCombo(form);
  city->SetParent(form);
  city->SetBounds(120, 20, 220, 24);
  city->Loaded();
  city->SetOptions({loTitles, loColLines});
  city->SetUseTFields(false);
  city->Selected()->Add("Name\t16\tCity");
  city->Selected()->Add("Country\t12\tCountry");
  city->Selected()->Add("Code\t5\tCode");
  city->SetLookupTable(cities);
  city->SetLookupField("Code");
  city->SetDataSource(source);
  city->SetDataField("City");

  Caption(form, 60, "Reply");
  auto* reply = new TvxDBComboBox(form);
  reply->SetParent(form);
  reply->SetBounds(120, 60, 160, 24);
  reply->Loaded();
  reply->SetMapList(true);
  reply->SetStyle(fw::csDropDownList);
  for (const char* line : {"Yes, gladly\tY", "No, sadly\tN", "Maybe\tM", "Später – vielleicht\tL"})
    reply->Items()->Add(line);
  reply->SetDataSource(source);
  reply->SetDataField("Reply");

  Caption(form, 100, "Note");
  auto* note = new TvxDBComboDlg(form);
  note->SetParent(form);
  note->SetBounds(120, 100, 300, 24);
  note->Loaded();
  note->SetDataSource(source);
  note->SetDataField("Note");
  note->OnCustomDlg = [note](TObject*) {
    std::string text = note->Text();
    if (InputQuery("Note", "Note for the guest", text)) {
      note->SetText(text);
      note->SetModified(true);
    }
  };

  auto* save = new TButton(form);
  save->SetParent(form);
  save->SetBounds(120, 280, 90, 28);
  save->SetCaption("Save");
  save->OnClick = [guests](TObject*) {
    if (guests->State() != dsBrowse) guests->Post();
  };

  form->Show();
  city->SetFocus();
  Application->Run();
  return 0;
}
