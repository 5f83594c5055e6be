// A form with the framework's grids, to look at under Xvfb: a string grid of
// five columns under a fixed title row (the libraries of a version list), and
// a data grid over a sample table, with a navigator, a memo and an image of
// the same record, the record in edit and its name being typed into (with
// --browse: the grid browsing instead). The table is made in a new folder
// under /tmp. It runs until it is killed.
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/grid-gallery/grid-gallery &
//   DISPLAY=:57 import -window root shot.png
#include <QTimer>
#include <stdlib.h>

#include <string>

#include "DBCtrls.h"
#include "DBGrids.h"
#include "Database.h"
#include "Forms.h"
#include "Grids.h"
#include "QtControls.h"
#include "StdCtrls.h"
#include "Table.h"

using namespace fw;

namespace {

TTable* MakeGuests(TComponent* owner, const std::string& dir) {
  auto* t = new TTable(owner);
  t->SetDatabaseName(dir);
  t->SetTableName("Guests.db");
  t->FieldDefs()->Add("ID", ftInteger, 0, true);
  t->FieldDefs()->Add("Name", ftString, 24);
  t->FieldDefs()->Add("City", ftString, 16);
  t->FieldDefs()->Add("Seats", ftSmallint);
  t->FieldDefs()->Add("Notes", ftMemo);
  t->FieldDefs()->Add("Photo", ftGraphic);
  t->IndexDefs()->Add("", "ID", {ixPrimary});
  t->CreateTable();
  t->Open();
  const char* names[][3] = {{"Ada Brennan", "Lorvik", "2"},   {"Bruno Castel", "Amsel", "1"},
                            {"Cleo Dunmore", "Lorvik", "4"},  {"Dario Ekholm", "Varne", "2"},
                            {"Edda Falk", "Amsel", "1"},      {"Fenna Gorski", "Tullen", "3"},
                            {"Gideon Haas", "Varne", "2"},    {"Hedy Iversen", "Lorvik", "1"},
                            {"Ivo Janssen", "Tullen", "2"},   {"Juna Kestrel", "Amsel", "5"},
                            {"Kasimir Lund", "Varne", "1"},   {"Lotte Marek", "Lorvik", "2"}};
  int id = 1;
  for (auto& n : names) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(id++);
    t->FieldByName("Name")->SetAsString(n[0]);
    t->FieldByName("City")->SetAsString(n[1]);
    t->FieldByName("Seats")->SetAsString(n[2]);
    t->FieldByName("Notes")->SetAsString(std::string("Table guest from ") + n[1] + ".\r\nArrives on Friday.");
    t->Post();
  }
  t->First();
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  SetQtApplicationArguments(argc, argv);
  Application->Initialize();
  char folder[] = "/tmp/grid-gallery-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetCaption("Grid gallery");
  form->SetBounds(40, 30, 900, 650);

  auto* versions = new TStringGrid(form);
  versions->SetParent(form);
  versions->SetBounds(10, 10, 420, 170);
  versions->SetColCount(5);
  versions->SetFixedCols(0);
  versions->SetRowCount(6);
  versions->SetDefaultRowHeight(18);
  versions->SetOptions(versions->Options() + TGridOptions{goColSizing});
  int widths[] = {84, 84, 51, 64, 87};
  for (int i = 0; i < 5; ++i) versions->SetColWidths(i, widths[i]);
  const char* rows[][5] = {{"DLL Name", "Version Number", "Date", "Time", "Size (bytes)"},
                           {"liborvex32.so", "3.5.0.12 (A)", "12/03/26", "09:41", "1482736"},
                           {"liborvexres.so", "N/A", "12/03/26", "09:41", "204800"},
                           {"liborvexkal.so", "3.5.0.12 (A)", "12/03/26", "09:42", "356112"},
                           {"liborvexzen.so", "3.5.0.9 (N/A)", "11/28/26", "16:05", "298304"},
                           {"liborvexodbc.so", "N/A", "", "", ""}};
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 5; ++c) versions->SetCells(c, r, rows[r][c]);

  TTable* table = MakeGuests(form, folder);
  auto* source = new TDataSource(form);
  source->SetDataSet(table);

  auto* nav = new TDBNavigator(form);
  nav->SetParent(form);
  nav->SetBounds(10, 195, 260, 25);
  nav->SetDataSource(source);

  auto* grid = new TDBGrid(form);
  grid->SetParent(form);
  grid->SetBounds(10, 225, 560, 300);
  grid->SetDataSource(source);

  auto* memo = new TDBMemo(form);
  memo->SetParent(form);
  memo->SetBounds(590, 225, 280, 120);
  memo->SetDataSource(source);
  memo->SetDataField("Notes");

  auto* image = new TDBImage(form);
  image->SetParent(form);
  image->SetBounds(590, 360, 160, 120);
  image->SetDataSource(source);
  image->SetDataField("Photo");

  form->Show();
  // The third record in edit: its name is being typed over.
  table->MoveBy(2);
  grid->SetFocus();
  bool browse = argc > 1 && std::string(argv[1]) == "--browse";
  QTimer::singleShot(300, [&] {
    grid->SetSelectedIndex(1);
    if (browse) return;
    // The first key opens the editor; the others go where the keyboard's would, into it.
    std::string typed = "Cleo Dunmore-Ray";
    grid->Perform(WM_CHAR, static_cast<WPARAM>(typed[0]), 0);
    for (char ch : typed.substr(1))
      if (TInplaceEdit* ed = grid->InplaceEditor()) ed->Perform(WM_CHAR, static_cast<WPARAM>(ch), 0);
  });
  Application->Run();
  return 0;
}
