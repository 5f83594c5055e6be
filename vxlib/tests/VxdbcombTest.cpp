// The combo box on Qt's offscreen platform, bound to a native table: mapped
// values, the drop-down's size and place, first-letter search, completion,
// and the pop-up list that leaves the focus in the edit.
#include <memory>
#include <string>
#include <vector>

#include "Forms.h"
#include "Scope.h"
#include "Services.h"
#include "StdCtrls.h"
#include "TempDir.h"
#include "UiTest.h"
#include "VxTables.h"
#include "Vxdbcomb.h"
#include "Vxtable.h"

namespace vx {
namespace {

using namespace fw;
using namespace fw::test;

class ComboBoxTest : public fw::test::UiTest {
protected:
  ComboBoxTest() : form(std::make_unique<TForm>(nullptr)) {
    SetKeyboardState(TKeyboardState{});  // no Alt left held by an earlier test
    vxtest::MakeTable(dir.Path(), "gäste.db", {{"Name", ORVEX_FT_STRING, 20}, {"Answer", ORVEX_FT_STRING, 1}});
    table = new TvxTable(form.get());
    table->SetDatabaseName(dir.Path());
    table->SetTableName("gäste.db");
    table->Open();
    for (const char* answer : {"Y", "N", "Q"}) {
      table->Append();
      table->FieldByName("Name")->SetAsString("Zoë");
      table->FieldByName("Answer")->SetAsString(answer);
      table->Post();
    }
    table->First();
    source = new TvxDataSource(form.get());
    source->SetDataSet(table);
    form->SetBounds(100, 100, 320, 200);
    combo = new TvxDBComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetBounds(10, 10, 150, 24);
    combo->Loaded();
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 120, 150, 24);
  }
  ~ComboBoxTest() override { Screen->SetSize(0, 0); }
  void Show() {
    ShowActive(form.get());
    combo->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return combo->Focused(); }));
  }
  void SetLines(std::initializer_list<const char*> lines) {
    combo->Items()->Clear();
    for (const char* l : lines) combo->Items()->Add(l);
  }
  void TypeChar(char c) {
    const int code = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
    Key(WidgetOf(combo), code, Qt::NoModifier, QString(QChar(c)));
  }

  fw::test::TempDir dir;
  std::unique_ptr<TForm> form;
  TvxTable* table;
  TvxDataSource* source;
  TvxDBComboBox* combo;
  TEdit* other;
};

TEST_F(ComboBoxTest, MapListShowsTheDisplayPartAndStoresTheValuePart) {
  SetLines({"Yes\tY", "No\tN"});
  combo->SetMapList(true);
  combo->SetStyle(fw::csDropDownList);
  combo->SetDataSource(source);
  combo->SetDataField("Answer");
  struct Case {
    const char* stored;
    const char* shown;
  } cases[] = {{"Y", "Yes"}, {"N", "No"}, {"Q", ""}};  // no line for Q: nothing shows
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ASSERT_TRUE(table->Locate("Answer", c.stored, {}));
    EXPECT_EQ(combo->Text(), c.shown);
    EXPECT_EQ(combo->GetComboDisplay(c.stored), c.shown);
  }
  EXPECT_EQ(combo->GetComboValue("Yes"), "Y");
  EXPECT_EQ(combo->GetComboValue("Maybe"), "");

  // Choosing Yes in the list stores Y.
  Show();
  ASSERT_TRUE(table->Locate("Answer", "N", {}));
  combo->DropDown();
  combo->List()->SetItemIndex(0);
  Key(WidgetOf(combo), Qt::Key_Return);
  EXPECT_FALSE(combo->IsDroppedDown());
  EXPECT_EQ(combo->Text(), "Yes");
  table->Post();
  EXPECT_EQ(table->FieldByName("Answer")->AsString(), "Y");
}

TEST_F(ComboBoxTest, TheListIsAsHighAsItsLinesAndOpensWhereThereIsRoom) {
  SetLines({"one", "two", "three"});
  Screen->SetSize(800, 600);
  struct Case {
    int left, top;  // the form's place on the screen
    bool above, leftward;
  } cases[] = {{100, 100, false, false}, {100, 560, true, false}, {690, 100, false, true}, {690, 560, true, true}};
  ShowActive(form.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
    form->SetBounds(c.left, c.top, 320, 200);
    Pump();
    combo->DropDown();
    TvxPopupListbox* list = combo->List();
    const int rows = list->ItemHeight();
    EXPECT_EQ(list->Height(), 3 * rows + 4);
    EXPECT_EQ(list->Width(), combo->Width());
    const TPoint origin = form->ClientToScreen({combo->Left(), combo->Top()});
    EXPECT_EQ(list->Top(), c.above ? origin.Y - list->Height() : origin.Y + combo->Height() - 1);
    EXPECT_EQ(list->Left(), c.leftward ? origin.X + combo->Width() - list->Width() - 1 : origin.X);
    combo->CloseUp(false);
  }
  // Many lines: DropDownCount rows; a width of its own.
  combo->Items()->Clear();
  for (int i = 0; i < 20; ++i) combo->Items()->Add("line " + std::to_string(i));
  combo->SetDropDownWidth(300);
  combo->DropDown();
  EXPECT_EQ(combo->List()->Height(), 8 * combo->List()->ItemHeight() + 4);
  EXPECT_EQ(combo->List()->Width(), 300);
}

TEST_F(ComboBoxTest, FirstLetterSearchWrapsAndTakesKeypadDigits) {
  combo->SetStyle(fw::csDropDownList);
  Show();
  SetLines({"Ant", "Bee", "Bat", "5 stars"});
  combo->SetItemIndex(1);
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* text;
  } steps[] = {{Qt::Key_B, Qt::NoModifier, "Bat"},
               {Qt::Key_B, Qt::NoModifier, "Bee"},  // wraps past the end
               {Qt::Key_5, Qt::KeypadModifier, "5 stars"},
               {Qt::Key_Up, Qt::NoModifier, "Bat"},
               {Qt::Key_Down, Qt::NoModifier, "5 stars"},
               {Qt::Key_Down, Qt::NoModifier, "5 stars"}};  // no line after the last
  for (const Step& s : steps) {
    Key(WidgetOf(combo), s.key, s.mods, s.key == Qt::Key_B ? "b" : s.key == Qt::Key_5 ? "5" : "");
    EXPECT_EQ(combo->Text(), s.text);
  }
  EXPECT_FALSE(combo->IsDroppedDown());

  combo->Items()->Clear();  // without lines a letter finds nothing, and nothing fails
  Key(WidgetOf(combo), Qt::Key_B, Qt::NoModifier, "b");
  EXPECT_EQ(combo->GetItemIndex(), 3);
}

TEST_F(ComboBoxTest, CompletionOnlyAtTheEndOfTheText) {
  combo->SetShowMatchText(true);
  Show();
  SetLines({"Alpha", "beta"});
  TypeChar('b');
  EXPECT_EQ(combo->Text(), "beta");
  EXPECT_EQ(combo->SelStart(), 1);
  EXPECT_EQ(combo->SelLength(), 3);

  combo->SetText("xa");
  combo->SetSelStart(1);
  combo->SetSelLength(0);
  TypeChar('l');  // in the middle: typed as it is
  EXPECT_EQ(combo->Text(), "xla");
}

TEST_F(ComboBoxTest, ThePopupListKeepsTheFocusInTheEditAndClosesAsAUserExpects) {
  SetLines({"Anna", "Björn", "Çelik"});
  Show();
  struct Case {
    const char* how;
    std::function<void()> close;
    bool accepted;
  } cases[] = {
      {"Enter", [&] { Key(WidgetOf(combo), Qt::Key_Return); }, true},
      {"Esc", [&] { Key(WidgetOf(combo), Qt::Key_Escape); }, false},
      {"Alt+Up", [&] { Key(WidgetOf(combo), Qt::Key_Up, Qt::AltModifier); }, true},
      {"click inside",
       [&] {
         QWidget* w = Viewport(combo->List());
         QRect r = w->rect();
         QPoint p(r.width() / 2, combo->List()->ItemRect(2).Top + 3);
         Mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton);
         Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton);
       },
       true},
      {"click outside",
       [&] {
         QWidget* w = WidgetOf(other);
         SendMouse(w, QEvent::MouseButtonPress, w->mapToGlobal(QPoint(5, 5)), Qt::LeftButton);
         SendMouse(w, QEvent::MouseButtonRelease, w->mapToGlobal(QPoint(5, 5)), Qt::NoButton);
       },
       true},
      {"Tab", [&] { Key(WidgetOf(combo), Qt::Key_Tab); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    combo->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return combo->Focused(); }));
    combo->SetText("");
    std::vector<bool> closes;
    combo->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept); };
    Key(WidgetOf(combo), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->IsDroppedDown());
    EXPECT_TRUE(combo->Focused());  // the list took no focus
    EXPECT_TRUE(WidgetOf(combo->List())->isVisible());
    Key(WidgetOf(combo), Qt::Key_Down);  // moves in the list, not in the edit
    Key(WidgetOf(combo), Qt::Key_Down);
    EXPECT_EQ(combo->List()->ItemIndex(), 1);
    c.close();
    Pump();
    EXPECT_FALSE(combo->IsDroppedDown());
    EXPECT_FALSE(WidgetOf(combo->List())->isVisible());
    ASSERT_FALSE(closes.empty());
    EXPECT_EQ(closes.front(), c.accepted);
    if (c.accepted) EXPECT_NE(combo->Text(), "");
    else EXPECT_EQ(combo->Text(), "");
    combo->OnCloseUp = nullptr;
  }
}

TEST_F(ComboBoxTest, TypingInTheOpenListSearchesItsLines) {
  SetLines({"Anna", "Björn", "Bruno"});
  Show();
  combo->DropDown();
  TypeChar('b');
  TypeChar('r');
  EXPECT_EQ(combo->List()->ItemIndex(), 2);
  EXPECT_EQ(combo->Text(), "br");
  TypeChar('x');  // no line: no selection
  EXPECT_EQ(combo->List()->ItemIndex(), -1);
  TypeChar('&');  // shares the code of Up; typed all the same
  EXPECT_EQ(combo->Text(), "brx&");
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

TEST_F(ComboBoxTest, AnOwnerDrawnListSearchesWhatIsTypedUntilAPause) {
  std::uint32_t now = 10000;
  SetTickCountClock([&] { return now; });
  TScopeExit realClock([] { SetTickCountClock({}); });
  SetLines({"Anna", "Bruno", "Brigitte", "Ödön"});
  combo->SetStyle(fw::csOwnerDrawFixed);
  combo->OnDrawItem = [this](TWinControl*, int, TRect Rect, TOwnerDrawState) { combo->Canvas()->FillRect(Rect); };
  Show();
  combo->DropDown();
  struct Step {
    const char* ch;
    std::uint32_t wait;  // ms since the key before
    int line;
  } steps[] = {{"b", 0, 1}, {"r", 200, 1}, {"i", 300, 2}, {"ö", 1600, 3}, {"a", 1501, 0}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.ch);
    now += s.wait;
    Key(WidgetOf(combo), Qt::Key_A, Qt::NoModifier, QString::fromUtf8(s.ch));
    EXPECT_EQ(combo->List()->ItemIndex(), s.line);
  }
  Key(WidgetOf(combo), Qt::Key_Return);
  EXPECT_EQ(combo->GetItemIndex(), 0);
}

TEST_F(ComboBoxTest, AllowClearKeyEmptiesAListOnlyCombo) {
  SetLines({"Anna", "Bruno"});
  combo->SetStyle(fw::csDropDownList);
  combo->SetAllowClearKey(true);
  Show();
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "Bruno");
  Key(WidgetOf(combo), Qt::Key_Delete);
  EXPECT_EQ(combo->Text(), "");
  EXPECT_EQ(combo->GetItemIndex(), -1);
  EXPECT_TRUE(combo->Modified());
}

}  // namespace
}  // namespace vx
