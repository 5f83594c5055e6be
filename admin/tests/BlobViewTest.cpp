#include <cstdlib>
#include <memory>
#include <string>

#include "BlobView.h"
#include "Clipbrd.h"
#include "Database.h"
#include "DbXSettings.h"
#include "Table.h"
#include "TempDir.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;
using fw::test::TempDir;

// A grid over guests with an ID, notes (a memo), a photo (a graphic) and a
// raw blob, and a viewer following nothing yet.
class BlobViewTest : public fw::test::UiTest {
protected:
  BlobViewTest() : form(std::make_unique<TForm>(nullptr)) {
    setenv("FW_REGISTRY", temp.File("registry").c_str(), 1);
    ToolRegistryKey = "Software\\Tarvos\\Varkon\\1.0";
    form->SetBounds(40, 40, 420, 260);
    table = new TTable(form.get());
    table->SetDatabaseName(temp.Path());
    table->SetTableName("Guests.db");
    table->FieldDefs()->Add("ID", ftInteger, 0, true);
    table->FieldDefs()->Add("Notes", ftMemo);
    table->FieldDefs()->Add("Photo", ftGraphic);
    table->FieldDefs()->Add("Raw", ftBlob);
    table->IndexDefs()->Add("", "ID", {ixPrimary});
    table->CreateTable();
    table->Open();
    for (int i = 1; i <= 2; ++i) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(i);
      table->FieldByName("Notes")->SetAsString("Grüße " + std::to_string(i));
      table->Post();
    }
    table->First();
    source = new TDataSource(form.get());
    source->SetDataSet(table);
    grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetAlign(alClient);
    grid->SetDataSource(source);
    grid->OnColEnter = [this](TObject*) { ++ownColEnters; };
    ShowActive(form.get());
  }
  ~BlobViewTest() override {
    viewer.reset();
    form.reset();
    Session().DropConnections();
    ToolRegistryKey.clear();
    unsetenv("FW_REGISTRY");
  }
  void OpenViewer() { viewer.reset(NewForm<TBlobForm>(nullptr)); }
  std::string Stored(const char* key) {
    TRegIniFile ini(ToolRegistryKey);
    return ini.ReadString(kSettingsSection, key, "(none)");
  }

  TempDir temp;
  std::unique_ptr<TForm> form;
  TTable* table;
  TDataSource* source;
  TDBGrid* grid;
  int ownColEnters = 0;
  std::unique_ptr<TBlobForm> viewer;
};

TEST_F(BlobViewTest, FollowsTheGridsColumnInEachDisplayMode) {
  OpenViewer();
  EXPECT_EQ(viewer->Caption(), "Column: <none>");
  EXPECT_EQ(viewer->Shown(), viewer->BlankPanel);
  viewer->SetGrid(grid);
  EXPECT_EQ(grid->Columns()->State(), csCustomized);

  auto control = [this](char c) -> TControl* {
    if (c == 'm') return viewer->BlobMemo;
    if (c == 'g') return viewer->BlobGraphic;
    return viewer->BlankPanel;
  };
  struct Case {
    int mode;
    const char* column;
    char shown;  // m memo, g graphic, b blank panel
  } cases[] = {
      {bstMemory, "ID", 'b'},   {bstMemory, "Notes", 'm'}, {bstDefault, "Photo", 'g'}, {bstDefault, "Raw", 'b'},
      {bstText, "ID", 'm'},     {bstText, "Photo", 'm'},   {bstGraphic, "Notes", 'g'}, {bstGraphic, "ID", 'g'},
  };
  for (const Case& c : cases) {
    viewer->SetShowType(c.mode);
    int before = ownColEnters;
    grid->SetSelectedField(table->FieldByName(c.column));
    std::string what = std::to_string(c.mode) + " " + c.column;
    EXPECT_EQ(viewer->Caption(), std::string("Column: ") + c.column) << what;
    EXPECT_EQ(viewer->Shown(), control(c.shown)) << what;
    EXPECT_TRUE(control(c.shown)->Visible()) << what;
    EXPECT_GE(ownColEnters, before) << what;
  }
  // The grid's own event still runs after the viewer's step.
  int entered = ownColEnters;
  grid->SetSelectedField(table->FieldByName("Raw"));
  EXPECT_EQ(ownColEnters, entered + 1);
  viewer->SetShowType(bstText);
  grid->SetSelectedField(table->FieldByName("Notes"));
  EXPECT_EQ(viewer->BlobMemo->Text(), "Grüße 1");
  EXPECT_EQ(viewer->BlobMemo->DataField(), "Notes");
  EXPECT_EQ(viewer->BlobGraphic->DataField(), "");

  // Let go, the grid has its own event back.
  viewer->SetGrid(nullptr);
  int before = ownColEnters;
  grid->SetSelectedField(table->FieldByName("ID"));
  EXPECT_EQ(ownColEnters, before + 1);
  EXPECT_EQ(viewer->Caption(), "Column: <none>");
}

TEST_F(BlobViewTest, ShowItemsAreCheckedOneAtATime) {
  OpenViewer();
  EXPECT_TRUE(viewer->MShowMemory->Checked());
  viewer->MShowGraphic->Click();
  EXPECT_EQ(viewer->ShowType(), bstGraphic);
  viewer->MShowDefault->Click();
  EXPECT_EQ(viewer->ShowType(), bstDefault);
  for (TMenuItem* item : {viewer->MShowGraphic, viewer->MShowText, viewer->MShowMemory})
    EXPECT_FALSE(item->Checked()) << item->Caption();
  EXPECT_TRUE(viewer->MShowDefault->Checked());

  viewer->MOnTop->Click();
  EXPECT_TRUE(viewer->MOnTop->Checked());
  EXPECT_EQ(viewer->FormStyle(), fsStayOnTop);
  viewer->MOnTop->Click();
  EXPECT_EQ(viewer->FormStyle(), fsNormal);
}

TEST_F(BlobViewTest, AnEditedMemoIsWrittenBackWithoutAPost) {
  OpenViewer();
  viewer->SetGrid(grid);
  grid->SetSelectedField(table->FieldByName("Notes"));
  viewer->Show();
  viewer->BlobMemo->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return viewer->BlobMemo->Focused(); }));
  viewer->BlobMemo->SetSelStart(0);
  Key(WidgetOf(viewer->BlobMemo), Qt::Key_X, Qt::NoModifier, "X");
  ASSERT_EQ(table->State(), dsEdit);
  // Moving to another column writes the memo into the record; nothing is posted.
  grid->SetSelectedField(table->FieldByName("ID"));
  EXPECT_EQ(table->FieldByName("Notes")->AsString(), "XGrüße 1");
  EXPECT_EQ(table->State(), dsEdit);
  table->Cancel();
  EXPECT_EQ(table->FieldByName("Notes")->AsString(), "Grüße 1");
}

TEST_F(BlobViewTest, SettingsAreReadAtCreationAndWrittenAtDestruction) {
  OpenViewer();
  EXPECT_EQ(viewer->ShowType(), bstMemory);
  EXPECT_FALSE(viewer->OnTop());
  EXPECT_EQ(viewer->Left(), 347);
  viewer->SetBounds(120, 90, 330, 210);
  viewer->SetOnTop(true);
  viewer->SetShowType(bstGraphic);
  viewer.reset();
  EXPECT_EQ(Stored("BlobX.Left"), "120");
  EXPECT_EQ(Stored("BlobX.Width"), "330");
  EXPECT_EQ(Stored("BlobX.OnTop"), "1");
  EXPECT_EQ(Stored("BlobX.ShowType"), "17");
  EXPECT_EQ(Stored("BlobX.WindowState"), "0");

  OpenViewer();
  EXPECT_EQ(viewer->Left(), 120);
  EXPECT_EQ(viewer->Top(), 90);
  EXPECT_EQ(viewer->Width(), 330);
  EXPECT_EQ(viewer->Height(), 210);
  EXPECT_TRUE(viewer->OnTop());
  EXPECT_TRUE(viewer->MOnTop->Checked());
  EXPECT_EQ(viewer->ShowType(), bstGraphic);
  EXPECT_TRUE(viewer->MShowGraphic->Checked());
}

TEST_F(BlobViewTest, AGridFreedFirstIsForgotten) {
  OpenViewer();
  viewer->SetGrid(grid);
  delete grid;
  EXPECT_EQ(viewer->Grid(), nullptr);
  viewer.reset();
}

}  // namespace
}  // namespace dbx::testing
