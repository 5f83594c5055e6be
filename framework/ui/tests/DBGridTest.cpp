// The data grid over a native table made in the test's folder, offscreen.
#include <QAbstractScrollArea>
#include <QScrollBar>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DBGrids.h"
#include "Database.h"
#include "Dialogs.h"
#include "Table.h"
#include "TempDir.h"
#include "UiTest.h"

namespace fw::test {
namespace {

QScrollBar* VBar(TControl* c) { return static_cast<QAbstractScrollArea*>(WidgetOf(c))->verticalScrollBar(); }

// Guests with an ID, a name and notes (a memo), in a grid of a few rows.
class DBGridTest : public UiTest {
protected:
  DBGridTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(20, 20, 420, 300);
    table = new TTable(form.get());
    table->SetDatabaseName(temp.Path());
    table->SetTableName("Guests.db");
    table->FieldDefs()->Add("ID", ftInteger, 0, true);
    table->FieldDefs()->Add("Name", ftString, 20);
    table->FieldDefs()->Add("Notes", ftMemo);
    table->IndexDefs()->Add("", "ID", {ixPrimary});
    table->CreateTable();
    source = new TDataSource(form.get());
    source->SetDataSet(table);
    grid = new TDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(10, 10, 380, 200);
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 220, 100, 24);
  }
  ~DBGridTest() override {
    form.reset();
    Session().DropConnections();
  }
  void Fill(int n) {
    table->Open();
    for (int i = 1; i <= n; ++i) {
      table->Append();
      table->FieldByName("ID")->SetAsInteger(i);
      table->FieldByName("Name")->SetAsString("Guest " + std::to_string(i));
      table->Post();
    }
    table->First();
  }
  void Show() {
    grid->SetDataSource(source);
    ShowActive(form.get());
    grid->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return grid->Focused(); }));
  }
  // Keys for letters, digits and blanks, to wherever the keys go now.
  void Type(const std::string& text) {
    for (char ch : text) {
      int key = std::isalpha(static_cast<unsigned char>(ch)) ? Qt::Key_A + (std::toupper(ch) - 'A')
                : std::isdigit(static_cast<unsigned char>(ch)) ? Qt::Key_0 + (ch - '0')
                                                               : Qt::Key_Space;
      Key(Keys(), key, Qt::NoModifier, QString(QChar(ch)));
    }
  }
  // Where the grid's keys go now: the editor while it shows.
  QWidget* Keys() {
    TInplaceEdit* ed = grid->InplaceEditor();
    return ed && ed->Visible() ? WidgetOf(ed) : WidgetOf(grid);
  }
  std::string NameOf(int id) {
    auto probe = std::make_unique<TTable>(nullptr);
    probe->SetDatabaseName(temp.Path());
    probe->SetTableName("Guests.db");
    probe->Open();
    return probe->Locate("ID", id, {}) ? probe->FieldByName("Name")->AsString() : "(none)";
  }

  TempDir temp;
  std::unique_ptr<TForm> form;
  TTable* table;
  TDataSource* source;
  TDBGrid* grid;
  TEdit* other;
};

TEST_F(DBGridTest, ColumnsAndRowsFollowTheDataset) {
  Fill(30);
  Show();
  ASSERT_EQ(grid->Columns()->Count(), 3);
  EXPECT_EQ(grid->Columns()->State(), csDefault);
  EXPECT_EQ(grid->Columns()->Items(1)->Title()->Caption(), "Name");
  EXPECT_EQ(grid->ColCount(), 4);  // the indicator and three fields
  EXPECT_EQ(grid->FixedRows(), 1);
  // The link buffers the rows shown, not the table.
  int rows = grid->VisibleRowCount();
  EXPECT_GT(rows, 3);
  EXPECT_LT(rows, 30);
  EXPECT_EQ(table->BufferCount(), rows);
  EXPECT_EQ(grid->RowCount(), rows + 1);
  // A hidden field has no column; the columns follow while they are default.
  table->FieldByName("Notes")->SetVisible(false);
  EXPECT_EQ(grid->Columns()->Count(), 2);
  table->FieldByName("Notes")->SetVisible(true);
  EXPECT_EQ(grid->Columns()->Count(), 3);
}

TEST_F(DBGridTest, AnEditIsPostedWhenTheRowChanges) {
  Fill(5);
  Show();
  grid->SetSelectedIndex(1);
  Type("Zed");  // the first letter opens the editor and takes the place of the text
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(NameOf(1), "Guest 1");
  Key(Keys(), Qt::Key_Down);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(NameOf(1), "Zed");
  EXPECT_FALSE(grid->EditorMode());

  // Esc drops the cell's change, a second Esc the record's edit.
  Type("Ann");
  EXPECT_EQ(grid->InplaceEditor()->Text(), "Ann");
  Key(Keys(), Qt::Key_Escape);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Guest 2");
  Key(Keys(), Qt::Key_Escape);
  EXPECT_EQ(table->State(), dsBrowse);
  Key(Keys(), Qt::Key_Up);
  EXPECT_EQ(NameOf(2), "Guest 2");

  // Leaving the grid writes the cell into the record without posting it.
  grid->SetSelectedIndex(1);
  Key(WidgetOf(grid), Qt::Key_F2);
  Type("x");
  other->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return other->Focused(); }));
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(table->FieldByName("Name")->AsString(), "Zedx");
  table->Post();
  EXPECT_EQ(NameOf(1), "Zedx");
}

TEST_F(DBGridTest, DownPastTheLastRecordAppendsAndAnUntouchedAppendIsCancelled) {
  Fill(5);
  Show();
  table->Last();
  Key(Keys(), Qt::Key_Down);
  EXPECT_EQ(table->State(), dsInsert);
  Key(Keys(), Qt::Key_Down);  // nothing typed: it stays
  EXPECT_EQ(table->State(), dsInsert);
  Key(Keys(), Qt::Key_Up);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 5);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 5);

  // A typed one is posted when left, and the next one appended.
  Key(Keys(), Qt::Key_Down);
  grid->SetSelectedIndex(0);
  Type("6");
  Key(Keys(), Qt::Key_Tab, Qt::NoModifier, "\t");
  Type("Felix");
  Key(Keys(), Qt::Key_Down);
  EXPECT_EQ(table->RecordCount(), 6);
  EXPECT_EQ(NameOf(6), "Felix");
  EXPECT_EQ(table->State(), dsInsert);
  // The focus leaving an untouched appended record cancels it.
  other->SetFocus();
  ASSERT_TRUE(PumpUntil([this] { return other->Focused(); }));
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 6);
}

TEST_F(DBGridTest, TypingIntoAnEmptyTableInsertsTheFirstRecord) {
  table->Open();
  Show();
  EXPECT_EQ(grid->RowCount(), 2);  // the titles and one empty row
  Type("7");
  EXPECT_EQ(table->State(), dsInsert);
  Key(Keys(), Qt::Key_Tab, Qt::NoModifier, "\t");
  Type("Vera");
  Key(Keys(), Qt::Key_Up);  // leaving it posts it: something was typed
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->RecordCount(), 1);
  EXPECT_EQ(NameOf(7), "Vera");
}

TEST_F(DBGridTest, CtrlDelDeletesAfterTheConfirmation) {
  Fill(5);
  Show();
  table->MoveBy(2);
  messages->Answers = {mrCancel, mrOk};
  Key(WidgetOf(grid), Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Delete record?");
  EXPECT_EQ(table->RecordCount(), 5);
  Key(WidgetOf(grid), Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(NameOf(3), "(none)");
  // Without dgConfirmDelete nothing is asked; a read-only grid deletes nothing.
  grid->SetOptions(grid->Options() - TDBGridOptions{dgConfirmDelete});
  Key(WidgetOf(grid), Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(table->RecordCount(), 3);
  EXPECT_EQ(messages->Requests.size(), 2u);
  grid->SetReadOnly(true);
  Key(WidgetOf(grid), Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST_F(DBGridTest, CustomisedColumnsStayAndComeBackToTheirDefaults) {
  Fill(3);
  Show();
  TDBGridColumns* cols = grid->Columns();
  int nameWidth = cols->Items(1)->Width();
  cols->SetState(csCustomized);
  cols->Items(1)->Title()->SetCaption("Guest");
  cols->Items(1)->SetWidth(nameWidth + 40);
  cols->Delete(2);
  EXPECT_EQ(grid->ColCount(), 3);
  EXPECT_EQ(grid->ColWidths(2), nameWidth + 40);
  table->Close();  // the fields come again: customised columns stay
  table->Open();
  ASSERT_EQ(cols->Count(), 2);
  EXPECT_EQ(cols->Items(1)->Title()->Caption(), "Guest");
  EXPECT_EQ(cols->Items(1)->Field(), table->FieldByName("Name"));

  cols->RestoreDefaults();
  EXPECT_EQ(cols->Count(), 2);
  EXPECT_EQ(cols->Items(1)->Title()->Caption(), "Name");
  EXPECT_EQ(cols->Items(1)->Width(), nameWidth);
  cols->SetState(csDefault);
  EXPECT_EQ(cols->Count(), 3);
  EXPECT_EQ(grid->ColCount(), 4);
}

TEST_F(DBGridTest, SelectedFieldAndColumnEvents) {
  Fill(3);
  std::vector<std::string> events;
  grid->OnColEnter = [&](TObject*) { events.push_back("enter " + grid->SelectedField()->FieldName()); };
  grid->OnColExit = [&](TObject*) { events.push_back("exit " + grid->SelectedField()->FieldName()); };
  Show();
  EXPECT_EQ(grid->SelectedField(), table->FieldByName("ID"));
  grid->SetSelectedIndex(1);
  EXPECT_EQ(grid->SelectedField(), table->FieldByName("Name"));
  grid->SetSelectedField(table->FieldByName("Notes"));
  EXPECT_EQ(grid->SelectedIndex(), 2);
  Key(WidgetOf(grid), Qt::Key_Home);
  EXPECT_EQ(grid->SelectedIndex(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"exit ID", "enter Name", "exit Name", "enter Notes", "exit Notes",
                                              "enter ID"}));
  // A memo cell shows its kind and is not edited in place.
  EXPECT_EQ(table->FieldByName("Notes")->DisplayText(), "(Memo)");
  grid->SetSelectedIndex(2);
  Key(WidgetOf(grid), Qt::Key_F2);
  EXPECT_TRUE(!grid->InplaceEditor() || !grid->InplaceEditor()->Visible());
  EXPECT_EQ(table->State(), dsBrowse);
}

TEST_F(DBGridTest, TheScrollBarFollowsTheRecordNumber) {
  Fill(200);
  Show();
  ASSERT_TRUE(table->IsSequenced());
  int min = -1, max = -1;
  GetScrollRange(grid->Handle(), SB_VERT, &min, &max);
  EXPECT_EQ(max, 199);
  // A walk: one record a key.
  for (int i = 0; i < 25; ++i) Key(WidgetOf(grid), Qt::Key_Down);
  EXPECT_EQ(table->RecNo(), 26);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 26);
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 25);
  // A jump: the thumb let go at 150.
  QScrollBar* bar = VBar(grid);
  DragThumb(bar, 150);
  EXPECT_EQ(table->RecNo(), 151);
  EXPECT_EQ(table->FieldByName("ID")->AsInteger(), 151);
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 150);
  Key(WidgetOf(grid), Qt::Key_PageDown);
  EXPECT_EQ(table->RecNo(), 151 + grid->VisibleRowCount());
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(table->RecNo(), 200);
  EXPECT_EQ(GetScrollPos(grid->Handle(), SB_VERT), 199);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(table->RecNo(), 199);
}

// The current record's indicator is its state's picture, black on the cell.
TEST_F(DBGridTest, TheIndicatorShowsTheRecordsState) {
  Fill(3);
  Show();
  table->Next();
  auto inked = [](const QImage& img) {
    std::vector<QPoint> dark;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (qGray(img.pixel(x, y)) < 40) dark.push_back({x, y});
    return dark;
  };
  struct Case {
    const char* picture;
    std::function<void()> enter;
  } cases[] = {
      {"DBGRID_ARROW", [] {}},
      {"DBGRID_EDIT", [this] { table->Edit(); }},
      {"DBGRID_INSERT", [this] { table->Insert(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    c.enter();
    grid->Invalidate();
    Pump();
    const TRect r = grid->CellRect(0, grid->Row());
    const QImage cell = Viewport(grid)->grab().toImage().copy(r.Left, r.Top, r.Width(), r.Height());
    TBitmap picture;
    picture.LoadFromResourceName(c.picture);
    std::vector<QPoint> want = inked(picture.Image());
    ASSERT_FALSE(want.empty());
    const QPoint at((cell.width() - picture.Width()) / 2, (cell.height() - picture.Height()) / 2);
    for (QPoint& p : want) p += at;
    EXPECT_EQ(inked(cell), want);
    table->Cancel();
  }
}

}  // namespace
}  // namespace fw::test
