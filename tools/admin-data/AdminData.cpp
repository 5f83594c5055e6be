// The administrator's main window on an alias whose tree lists the tables of
// its folder, to look at the Data and SQL pages and the blob viewer under
// Xvfb. Modes: "sql" runs a SELECT on the SQL page, "bad" runs a statement
// the engine refuses, "memo" shows a table's rows with the viewer on a memo,
// "picture" the same on a picture. It runs for the seconds given (default 30).
//
//   Xvfb :57 -screen 0 1024x768x24 & DISPLAY=:57 build/normal/tools/admin-data/admin-data sql 20 &
//   DISPLAY=:57 import -window root shot.png
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "BlobView.h"
#include "Bitmap.h"
#include "Canvas.h"
#include "Database.h"
#include "DbSchema.h"
#include "DbXUnits.h"
#include "Dbexplfm.h"
#include "Expldb.h"
#include "ExtCtrls.h"
#include "Files.h"
#include "Streams.h"
#include "Table.h"
#include "TablesAlias.h"

using namespace fw;
using namespace dbx;
using dbx::testing::MakeCatalog;
using dbx::testing::TTablesAlias;

namespace {


void MakeTables(const std::string& folder) {
  auto guests = std::make_unique<TTable>(nullptr);
  guests->SetDatabaseName(folder);
  guests->SetTableName("Guests");
  guests->FieldDefs()->Add("ID", fw::ftInteger, 0, true);
  guests->FieldDefs()->Add("Name", fw::ftString, 30);
  guests->FieldDefs()->Add("Notes", fw::ftMemo);
  guests->FieldDefs()->Add("Photo", fw::ftGraphic);
  guests->IndexDefs()->Add("", "ID", {ixPrimary});
  guests->CreateTable();
  guests->Open();
  const char* names[] = {"Zoë Ångström", "Jiří Dvořák", "Łucja Wróbel", "Søren Ødegård", "Guest 5"};
  for (int i = 1; i <= 5; ++i) {
    guests->Append();
    guests->FieldByName("ID")->SetAsInteger(i);
    guests->FieldByName("Name")->SetAsString(names[i - 1]);
    std::string notes = "Grüße aus Zürich, Gast " + std::to_string(i) + "\r\n";
    if (i == 2)  // a large memo
      for (int line = 1; line <= 20000; ++line) notes += "Line " + std::to_string(line) + ": naïve café crème brûlée\r\n";
    guests->FieldByName("Notes")->SetAsString(notes);
    if (i == 1) {
      TBitmap picture;
      picture.SetSize(120, 90);
      TCanvas* canvas = picture.Canvas();
      canvas->Brush()->SetColor(clNavy);
      canvas->FillRect(Rect(0, 0, 120, 90));
      canvas->Brush()->SetColor(clYellow);
      canvas->Ellipse(30, 15, 90, 75);
      canvas->Brush()->SetColor(clRed);
      canvas->FillRect(Rect(0, 70, 120, 90));
      TMemoryStream stream;
      picture.SaveToStream(stream);
      stream.SetPosition(0);
      static_cast<TBlobField*>(guests->FieldByName("Photo"))->LoadFromStream(stream);
    }
    guests->Post();
  }
  MakeCatalog(folder, {"Guests"});
}

}  // namespace

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  std::string mode = argc > 1 ? argv[1] : "sql";
  int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
  std::string folder =
      (std::filesystem::temp_directory_path() / ("admin-data." + std::to_string(::getpid()))).string();
  std::filesystem::create_directories(folder);
  setenv("FW_REGISTRY", (folder + "/registry").c_str(), 1);
  TSession::SetConfigFileHook([file = folder + "/nubo.cfg"] { return file; });
  Application->Initialize();
  StartAdministratorUnits();
  RegisterDbClass(ExploreClassOf<TTablesAlias>(), "STANDARD");
  {
    TConfigModeScope scope(Session(), TConfigModes{cfmPersistent});
    Session().AddStandardAlias("Wedding", folder, "KALMURE");
  }
  MakeTables(folder);

  TDbXForm* root = TExploreObject::Create<TDbXForm>(nullptr);
  TDbExplorerForm* form = nullptr;
  Application->CreateForm(form);
  root->SetForm(form);
  form->SetBounds(20, 20, 700, 440);
  form->Show();
  TDatabases* databases = FindDatabasesNode();
  databases->Children().Load();
  TExploreObject* alias = databases->FindAliasNode("Wedding");
  alias->Open();
  alias->Children().Load();
  TExploreObject* tables = alias->Children().FindByName("Tables");
  tables->Children().Load();
  alias->TreeNode->Expand(false);
  tables->TreeNode->Expand(false);

  auto* later = new TTimer(form);
  later->SetInterval(300);
  later->OnTimer = [&](TObject*) {
    later->SetEnabled(false);
    if (mode == "sql" || mode == "bad") {
      form->CurrentTree()->SetSelected(tables->TreeNode);
      form->ShowPage(form->TabSQL);
      form->QueryMemo->SetText(mode == "sql" ? "SELECT ID, Name, Notes\nFROM Guests\nORDER BY Name"
                                             : "CREATE TABLE Extra (ID INTEGER)");
      form->QueryMemo->SetModified(true);
      form->SBTransactionClick(nullptr);
      form->SBQExecQueryClick(nullptr);
    } else {
      TExploreObject* guests = tables->Children().FindByName("Guests");
      form->CurrentTree()->SetSelected(guests->TreeNode);
      form->ShowPage(form->TabData);
      if (mode == "memo") form->DbTable->Next();
      form->TableGrid->SetSelectedField(form->DbTable->FieldByName(mode == "memo" ? "Notes" : "Photo"));
      form->SetBlobViewing(true);
      form->BlobViewer()->SetBounds(420, 300, 380, 300);
    }
  };
  auto* stop = new TTimer(form);
  stop->SetInterval(static_cast<unsigned>(seconds * 1000));
  stop->OnTimer = [](TObject*) { Application->Terminate(); };
  auto alive = form->LifeToken();
  Application->Run();
  if (*alive) delete form;
  root->Release(lsReleased);
  StopAdministratorUnits();
  Session().DropConnections();
  std::filesystem::remove_all(folder);
  return 0;
}
