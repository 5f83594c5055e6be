// The data-aware check box over a dataset in memory; the memo, the image
// and the navigator over a table made in the test's folder.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Clipbrd.h"
#include "DBCtrls.h"
#include "Database.h"
#include "Dialogs.h"
#include "MemDataSet.h"
#include "Table.h"
#include "TempDir.h"
#include "UiTest.h"

namespace fwtest {
FW_IMPLEMENT_CLASS(TMemDataSet)
}

namespace fw::test {
namespace {

class DBCheckBoxTest : public UiTest {
protected:
  DBCheckBoxTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    data = new fwtest::TMemDataSet(form.get());
    data->Define({{"Invited", ftBoolean}, {"Answer", ftString, 10}});
    data->AddRow({{1, 0}, fwtest::TMemDataSet::Str("yes")});
    data->AddRow({{0, 0}, fwtest::TMemDataSet::Str("N")});
    data->AddRow({{}, fwtest::TMemDataSet::Str("maybe")});
    source = new TDataSource(form.get());
    source->SetDataSet(data);
    box = new TDBCheckBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 120, 20);
    box->SetDataSource(source);
    other = new TCheckBox(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 40, 120, 20);
    data->Open();
  }
  std::unique_ptr<TForm> form;
  fwtest::TMemDataSet* data;
  TDataSource* source;
  TDBCheckBox* box;
  TCheckBox* other;
};

TEST_F(DBCheckBoxTest, ShowsTheFieldOfEachRecord) {
  struct Case {
    const char* field;
    const char* checked;
    const char* unchecked;
    TCheckBoxState states[3];  // for the three records
  } cases[] = {
      {"Invited", "True", "False", {cbChecked, cbUnchecked, cbGrayed}},  // a blank field is grayed
      {"Answer", "Yes;Y", "No;N", {cbChecked, cbUnchecked, cbGrayed}},   // any spelling, any case
  };
  for (const Case& c : cases) {
    box->SetDataField(c.field);
    box->SetValueChecked(c.checked);
    box->SetValueUnchecked(c.unchecked);
    data->First();
    for (TCheckBoxState want : c.states) {
      EXPECT_EQ(box->State(), want) << c.field << " record " << data->RecNo();
      data->Next();
    }
  }
}

TEST_F(DBCheckBoxTest, AClickEditsTheRecordAndLeavingWritesIt) {
  box->SetDataField("Answer");
  box->SetValueChecked("Yes;Y");
  box->SetValueUnchecked("No;N");
  data->Next();  // "N"
  ShowActive(form.get());
  box->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return box->Focused(); }));
  Key(WidgetOf(box), Qt::Key_Space, Qt::NoModifier, " ");
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(data->State(), dsEdit);
  other->SetFocus();
  Pump();
  EXPECT_EQ(data->FieldByName("Answer")->AsString(), "Yes");  // the first spelling is written
  data->Post();

  // A dataset that cannot be modified keeps the box as the field says.
  data->First();
  data->ReadOnlySet = true;
  box->SetDataField("Invited");
  ASSERT_TRUE(box->Checked());
  box->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return box->Focused(); }));
  Key(WidgetOf(box), Qt::Key_Space, Qt::NoModifier, " ");
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(data->State(), dsBrowse);
}

// A table of guests with notes (a memo) and a photo (a graphic field).
class DBBlobTest : public UiTest {
protected:
  DBBlobTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(40, 40, 360, 260);
    table = new TTable(form.get());
    table->SetDatabaseName(temp.Path());
    table->SetTableName("Guests.db");
    table->FieldDefs()->Add("ID", ftInteger, 0, true);
    table->FieldDefs()->Add("Notes", ftMemo);
    table->FieldDefs()->Add("Photo", ftGraphic);
    table->IndexDefs()->Add("", "ID", {ixPrimary});
    table->CreateTable();
    table->Open();
    for (int i = 1; i <= 3; ++i) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(i);
      table->FieldByName("Notes")->SetAsString("note " + std::to_string(i));
      table->Post();
    }
    table->First();
    source = new TDataSource(form.get());
    source->SetDataSet(table);
  }
  ~DBBlobTest() override {
    form.reset();
    Session().DropConnections();
  }
  // A field of record id as a second cursor reads it from the file.
  std::string Stored(int id, const std::string& field) {
    auto probe = std::make_unique<TTable>(nullptr);
    probe->SetDatabaseName(temp.Path());
    probe->SetTableName("Guests.db");
    probe->Open();
    return probe->Locate("ID", id, {}) ? probe->FieldByName(field)->AsString() : "(none)";
  }

  TempDir temp;
  std::unique_ptr<TForm> form;
  TTable* table;
  TDataSource* source;
};

TEST_F(DBBlobTest, NavigatorButtonsFollowTheDatasetsState) {
  auto* nav = new TDBNavigator(form.get());
  nav->SetParent(form.get());
  nav->SetBounds(10, 10, 250, 25);
  nav->SetDataSource(source);
  auto enabled = [nav] {
    TButtonSet s;
    for (int i = nbFirst; i <= nbRefresh; ++i)
      if (nav->Buttons(static_cast<TNavigateBtn>(i))->Enabled()) s.Include(static_cast<TNavigateBtn>(i));
    return s;
  };
  const TButtonSet edits{nbInsert, nbDelete, nbEdit, nbRefresh};
  struct Step {
    const char* name;
    TNavigateBtn click;
    TButtonSet want;
    TDataSetState state;
  } steps[] = {
      {"next", nbNext, TButtonSet{nbFirst, nbPrior, nbNext, nbLast} + edits, dsBrowse},
      {"last", nbLast, TButtonSet{nbFirst, nbPrior} + edits, dsBrowse},
      {"first", nbFirst, TButtonSet{nbNext, nbLast} + edits, dsBrowse},
      {"insert", nbInsert, {nbNext, nbLast, nbInsert, nbDelete, nbPost, nbCancel}, dsInsert},
      // The window is read again: the dataset no longer says it stands at the start.
      {"cancel", nbCancel, TButtonSet{nbFirst, nbPrior, nbNext, nbLast} + edits, dsBrowse},
      {"edit", nbEdit, {nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbPost, nbCancel}, dsEdit},
      {"post", nbPost, TButtonSet{nbFirst, nbPrior, nbNext, nbLast} + edits, dsBrowse},
  };
  EXPECT_EQ(enabled().ToBits(), (TButtonSet{nbNext, nbLast} + edits).ToBits());  // on the first record
  for (const Step& s : steps) {
    nav->Buttons(s.click)->Click();
    EXPECT_EQ(table->State(), s.state) << s.name;
    EXPECT_EQ(enabled().ToBits(), s.want.ToBits()) << s.name;
  }
  // Delete asks first; Cancel keeps the record.
  messages->Answers = {mrCancel, mrOk};
  nav->Buttons(nbDelete)->Click();
  EXPECT_EQ(table->RecordCount(), 3);
  nav->Buttons(nbDelete)->Click();
  EXPECT_EQ(table->RecordCount(), 2);
  ASSERT_EQ(messages->Requests.size(), 2u);
  EXPECT_EQ(messages->Requests[0].Text, "Delete record?");
  // Without a dataset nothing can be pressed.
  nav->SetDataSource(nullptr);
  EXPECT_TRUE(enabled().Empty());
}

// Every button shows a picture of its own.
TEST_F(DBBlobTest, NavigatorButtonsHaveTheirOwnPictures) {
  auto* nav = new TDBNavigator(form.get());
  std::vector<QImage> seen;
  for (int i = nbFirst; i <= nbRefresh; ++i) {
    const QImage& glyph = nav->Buttons(static_cast<TNavigateBtn>(i))->Glyph()->Image();
    EXPECT_FALSE(glyph.isNull()) << i;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), glyph), 0) << i;
    seen.push_back(glyph);
  }
}

TEST_F(DBBlobTest, ANavigatorFreedWithItsFormLeavesAnOpenSource) {
  // Its buttons go with the form's controls before the navigator's link is cut.
  auto* nav = new TDBNavigator(form.get());
  nav->SetParent(form.get());
  nav->SetDataSource(source);
  ShowActive(form.get());
  form.reset();
}

TEST_F(DBBlobTest, MemoAndImageWriteTheRecordBufferWithoutAPost) {
  auto* memo = new TDBMemo(form.get());
  memo->SetParent(form.get());
  memo->SetBounds(10, 10, 150, 80);
  memo->SetDataSource(source);
  memo->SetDataField("Notes");
  auto* image = new TDBImage(form.get());
  image->SetParent(form.get());
  image->SetBounds(170, 10, 120, 100);
  image->SetDataSource(source);
  image->SetDataField("Photo");
  ShowActive(form.get());
  EXPECT_EQ(memo->Text(), "note 1");
  EXPECT_EQ(image->Picture()->Graphic(), nullptr);

  // Typing edits the record; UpdateRecord writes the text, no post.
  memo->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return memo->Focused(); }));
  memo->SetSelStart(0);
  Key(WidgetOf(memo), Qt::Key_X, Qt::NoModifier, "X");
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_TRUE(memo->Modified());
  table->UpdateRecord();
  EXPECT_EQ(table->FieldByName("Notes")->AsString(), "Xnote 1");
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(Stored(1, "Notes"), "note 1");

  // A pasted picture edits the record and is written behind the graphic header.
  auto red = std::make_unique<TBitmap>();
  red->SetSize(10, 8);
  red->Canvas()->Brush()->SetColor(clRed);
  red->Canvas()->FillRect(Rect(0, 0, 10, 8));
  Clipboard()->Assign(red.get());
  EXPECT_FALSE(image->Modified());
  image->PasteFromClipboard();
  EXPECT_TRUE(image->Modified());
  EXPECT_EQ(image->Picture()->Width(), 10);
  table->UpdateRecord();
  std::string bytes = table->FieldByName("Photo")->AsString();
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x01\x00\x00\x01", 4));
  std::uint32_t size = 0;
  for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(bytes[4 + static_cast<std::size_t>(i)]);
  EXPECT_EQ(size, bytes.size() - 8);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(Stored(1, "Photo"), "");

  // Posted, both are read back from the record.
  table->Post();
  EXPECT_FALSE(image->Modified());
  EXPECT_EQ(Stored(1, "Notes"), "Xnote 1");
  table->Next();
  EXPECT_EQ(image->Picture()->Graphic(), nullptr);
  table->Prior();
  ASSERT_NE(image->Picture()->Graphic(), nullptr);
  EXPECT_EQ(image->Picture()->Width(), 10);
  EXPECT_EQ(image->Picture()->Bitmap()->Canvas()->Pixels(5, 4), clRed);

  // Cut empties the picture; Esc and Cancel bring the field back.
  image->CutToClipboard();
  EXPECT_EQ(image->Picture()->Graphic(), nullptr);
  table->Cancel();
  ASSERT_NE(image->Picture()->Graphic(), nullptr);
  EXPECT_FALSE(image->Modified());

  // What is not a picture shows nothing and keeps the dataset moving.
  table->Last();
  table->Edit();
  table->FieldByName("Photo")->SetAsString("not a picture");
  table->Post();
  EXPECT_EQ(image->Picture()->Graphic(), nullptr);
  table->First();
  EXPECT_NE(image->Picture()->Graphic(), nullptr);
}

}  // namespace
}  // namespace fw::test
