// The library's memo dialog over the memo field of a small table of notes,
// to look at and to walk with the keyboard under Xvfb. It makes Notes.db in
// the folder given (a few guests, one with a long note), shows the dialog on
// the guest given by number, editable with two buttons of the user's or,
// with "view", read-only, and prints what the field holds afterwards.
//
//   Xvfb :58 -screen 0 1024x768x24 &
//   DISPLAY=:58 build/normal/tools/memo-dialog/memo-dialog /tmp/notes 2 &
//   DISPLAY=:58 xdotool key F2; DISPLAY=:58 import -window root shot.png
#include <cstdio>
#include <memory>
#include <string>

#include "Database.h"
#include "Exceptions.h"
#include "Fields.h"
#include "Files.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Vxdbgrid.h"
#include "Vxmemo.h"
#include "Vxtable.h"

using namespace fw;
using namespace vx;

namespace {

std::string LongNote() {
  std::string s;
  for (int i = 1; i <= 60; ++i)
    s += "Zeile " + std::to_string(i) +
         ": Ærø, Łódź, Ñandú, Αθήνα and Київ guests share a table near the dance floor.\r\n";
  return s;
}

void MakeNotes(const std::string& dir) {
  auto t = std::make_unique<TTable>(nullptr);
  t->SetDatabaseName(dir);
  t->SetTableName("Notes.db");
  t->FieldDefs()->Add("ID", ftInteger, 0, true);
  t->FieldDefs()->Add("Guest", ftString, 30);
  t->FieldDefs()->Add("Notes", ftMemo);
  t->IndexDefs()->Add("", "ID", {ixPrimary});
  t->CreateTable();
  t->Open();
  const std::string notes[] = {"Arrives late; seat near the door.", LongNote(), "Allergic to nuts.\r\nNo speeches."};
  const char* guests[] = {"Anna Weiß", "Jørgen Ødegård", "Zoë Brontë"};
  for (int i = 0; i < 3; ++i) {
    t->Append();
    t->FieldByName("ID")->SetAsInteger(i + 1);
    t->FieldByName("Guest")->SetAsString(guests[i]);
    t->FieldByName("Notes")->SetAsString(notes[i]);
    t->Post();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: memo-dialog DIR GUEST [view]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool view = argc > 3 && std::string(argv[3]) == "view";
  Application->Initialize();
  try {
    ForceDirectories(dir);
    if (!FileExists(IncludeTrailingPathDelimiter(dir) + "Notes.db")) MakeNotes(dir);
    auto table = std::make_unique<TvxTable>(nullptr);
    table->SetDatabaseName(dir);
    table->SetTableName("Notes.db");
    table->Open();
    table->MoveBy(std::stoi(argv[2]) - 1);
    auto source = std::make_unique<TvxDataSource>(nullptr);
    source->SetDataSet(table.get());
    auto memo = std::make_unique<TvxMemoDialog>(nullptr);
    memo->SetDataSource(source.get());
    memo->SetDataField("Notes");
    memo->SetCaption("Notes on " + table->FieldByName("Guest")->AsString());
    memo->Font()->SetName("DejaVu Sans");
    memo->Font()->SetSize(10);
    if (view) {
      memo->SetMemoAttributes({mSizeable, mWordWrap, mViewOnly});
    } else {
      memo->SetUserButton1Caption("&Stamp");
      memo->SetUserButton2Caption("C&lear");
      memo->OnUserButton1Click = [](TvxMemoDlg*, TMemo* m) { m->SetSelText("[seen] "); };
      memo->OnUserButton2Click = [](TvxMemoDlg*, TMemo* m) { m->Clear(); };
    }
    const bool ok = memo->Execute();
    if (table->State() == dsEdit) table->Post();
    std::printf("%s\n%s\n", ok ? "OK" : "cancelled", table->FieldByName("Notes")->AsString().c_str());
    table->Close();
    Session().DropConnections();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "memo-dialog: %s\n", e.what());
    return 1;
  }
  return 0;
}
