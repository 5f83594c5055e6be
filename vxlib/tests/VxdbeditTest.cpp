// The library's edit on Qt's offscreen platform: typing against pictures,
// leaving, pasting and cutting, dates and times from a fixed clock, the
// field link, the keys it hands to a grid, and its own painting.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "DateTime.h"
#include "FormatSettings.h"
#include "MemDataSet.h"
#include "StdCtrls.h"
#include "TempDir.h"
#include "UiTest.h"
#include "VxTables.h"
#include "Vxdbedit.h"
#include "Vxsystem.h"
#include "Vxtable.h"

namespace vx {
namespace {

using namespace fw;

class EditTest : public fw::test::UiTest {
protected:
  EditTest() : form(std::make_unique<TForm>(nullptr)) {
    savedSettings_ = FormatSettings;
    FormatSettings = UsFormatSettings();
    form->SetBounds(100, 100, 320, 200);
    edit = new TvxDBEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 150, 24);
    edit->Loaded();  // as a form file leaves it: editable while unbound
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 50, 150, 24);
    edit->OnCheckValue = [this](TObject*, bool valid) { checks.push_back(valid); };
  }
  ~EditTest() override {
    FormatSettings = savedSettings_;
    SetClock({});
  }
  void Focus(TWinControl* c) {
    c->SetFocus();
    ASSERT_TRUE(PumpUntil([c] { return c->Focused(); }));
  }
  // Types each character as the keyboard would.
  void Type(TWinControl* c, const std::string& keys) {
    for (TChar ch : Utf8ToChars(keys)) {
      int code = ch >= U'a' && ch <= U'z' ? static_cast<int>(ch - U'a' + U'A') : static_cast<int>(ch);
      Key(WidgetOf(c), code, Qt::NoModifier, QString::fromStdString(CharToUtf8(ch)));
    }
  }
  void Show() {
    ShowActive(form.get());
    Focus(edit);
  }
  std::size_t BeepCount() const { return messages->Beeps.size(); }

  std::unique_ptr<TForm> form;
  TvxDBEdit* edit;
  TEdit* other;
  std::vector<bool> checks;

private:
  TFormatSettings savedSettings_;
};

TEST_F(EditTest, TypingAgainstAPicture) {
  struct Case {
    const char* picture;
    const char* start;  // the text before typing
    int caret;          // -1: at its end
    int selection;
    const char* keys;
    const char* text;   // afterwards
    int caretAfter;
    int beeps;
    int lastValid;      // what OnCheckValue heard last; -1: nothing (a beep is all)
  } cases[] = {
      {"###-####", "", -1, 0, "555", "555-", 4, 0, false},  // the literal filled in, the caret after it
      {"###-####", "", -1, 0, "5551234", "555-1234", 8, 0, true},
      {"###-####", "555-1234", -1, 0, "9", "555-1234", 8, 1, -1},  // full: refused with a beep
      {"###-####", "", -1, 0, "5x", "5", 1, 1, false},               // a letter where a digit goes
      {"##-#", "12-3", -1, 0, "4", "12-3", 4, 1, -1},
      {"##-#", "12-3", 0, 0, "4", "412-3", 1, 0, false},    // inside the text the window takes it
      {"###-####", "555-1234", 0, 8, "7", "7", 1, 0, false},  // all selected: replaced
      {"###-####", "555-1234", 4, 4, "9", "555-9", 5, 0, false},  // the selection at the end replaced
      {"&&&", "", -1, 0, "abc", "ABC", 3, 0, true},          // letters upper-cased as typed
      {"(###)###-####", "", -1, 0, "(937", "(937)", 5, 0, false},  // the literal after the area code
  };
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " " + c.start + " + " + c.keys);
    edit->Picture()->SetPictureMask(c.picture);
    edit->SetText(c.start);
    const int length = static_cast<int>(CharLength(c.start));
    edit->SetSelStart(c.caret < 0 ? length : c.caret);
    edit->SetSelLength(c.selection);
    checks.clear();
    const std::size_t beeps = BeepCount();
    Type(edit, c.keys);
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(edit->SelStart(), c.caretAfter);
    EXPECT_EQ(static_cast<int>(BeepCount() - beeps), c.beeps);
    if (c.lastValid < 0) {
      EXPECT_TRUE(checks.empty());
    } else {
      ASSERT_FALSE(checks.empty());
      EXPECT_EQ(checks.back(), c.lastValid == 1);
      EXPECT_TRUE(edit->Modified());
    }
  }
}

TEST_F(EditTest, LeavingWithAnIncompleteTextIsRefusedUnlessAllowed) {
  edit->Picture()->SetPictureMask("###-####");
  Show();
  Type(edit, "55");
  const std::size_t beeps = BeepCount();
  other->SetFocus();
  Pump();
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(form->ActiveControl(), edit);
  EXPECT_EQ(edit->SelLength(), 2);  // all selected for the correction
  EXPECT_EQ(BeepCount(), beeps + 1);
  EXPECT_TRUE(messages->Requests.empty());  // no message, only the beep

  Type(edit, "5551234");  // replaces the selection
  EXPECT_EQ(edit->Text(), "555-1234");
  Focus(other);
  EXPECT_EQ(form->ActiveControl(), other);

  edit->Picture()->SetAllowInvalidExit(true);
  Focus(edit);
  edit->SetSelStart(8);
  for (int i = 0; i < 4; ++i) Key(WidgetOf(edit), Qt::Key_Backspace, Qt::NoModifier, "\b");
  EXPECT_EQ(edit->Text(), "555-");
  Focus(other);
  EXPECT_EQ(form->ActiveControl(), other);
}

TEST_F(EditTest, PasteAppliesThePictureAndCutChecksWhatIsLeft) {
  edit->Picture()->SetPictureMask("###-####");
  Show();
  struct Case {
    const char* start;
    int caret;
    const char* clipboard;
    const char* text;  // afterwards
    int caretAfter;
    bool valid;
  } cases[] = {
      {"555-", 4, "1234", "555-1234", 8, true},
      {"5", 1, "55", "555-", 4, false},     // the literal after it filled in, the caret after that
      {"555-", 4, "12ab", "555-12ab", 8, false},  // taken as it is: the picture only finds it wrong
      {"", 0, "5551234", "5551234", 7, false},
      {"-1234", 0, "555", "555-1234", 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.start) + " + " + c.clipboard);
    edit->SetText(c.start);
    edit->SetModified(false);
    edit->SetSelStart(c.caret);
    QApplication::clipboard()->setText(c.clipboard);
    checks.clear();
    const std::size_t beeps = BeepCount();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), c.text);
    EXPECT_EQ(edit->SelStart(), c.caretAfter);
    EXPECT_EQ(checks, std::vector<bool>{c.valid});
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(BeepCount(), beeps);
  }

  // Cutting the literal out of the middle leaves a text the picture refuses.
  edit->SetText("555-1234");
  edit->SetModified(false);
  edit->SetSelStart(3);
  edit->SetSelLength(1);
  checks.clear();
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "5551234");
  EXPECT_EQ(QApplication::clipboard()->text(), "-");
  EXPECT_EQ(checks, std::vector<bool>{false});
  EXPECT_TRUE(edit->Modified());
  edit->SetText("555-1234");
  edit->SetSelStart(4);
  edit->SetSelLength(4);
  checks.clear();
  edit->CutToClipboard();
  EXPECT_EQ(edit->Text(), "555-");
  EXPECT_EQ(QApplication::clipboard()->text(), "1234");
  EXPECT_EQ(checks, std::vector<bool>{false});

  // An unbound edit that is read-only takes no paste.
  edit->SetReadOnly(true);
  edit->SetText("1");
  QApplication::clipboard()->setText("23");
  edit->PasteFromClipboard();
  EXPECT_EQ(edit->Text(), "1");
}

// 9 June 2024, 14:07:05.
TDateTime FixedNow() { return EncodeDate(2024, 6, 9) + EncodeTime(14, 7, 5, 0); }

TEST_F(EditTest, SpaceFillsDatesAndTimesFromTheClock) {
  SetClock(FixedNow);
  struct Case {
    TvxEditDataType kind;
    const char* format;  // the short date format
    std::vector<std::string> steps;  // the text after each Space, from an empty edit
  } cases[] = {
      {vxEdtDate, "M/d/yy", {"6/", "6/9/", "6/9/24"}},
      {vxEdtDate, "dd/MM/yyyy", {"09/", "09/06/", "09/06/2024"}},
      {vxEdtDate, "yyyy/MM/dd", {"2024/", "2024/06/", "2024/06/09"}},
      {vxEdtTime, "M/d/yy", {"2:", "2:07:", "2:07:05", "2:07:05 PM"}},
      {vxEdtDateTime, "M/d/yy", {"6/", "6/9/", "6/9/24", "6/9/24 ", "6/9/24 2:", "6/9/24 2:07:",
                                 "6/9/24 2:07:05", "6/9/24 2:07:05 PM"}},
  };
  Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    ShortDateFormat = c.format;
    edit->SetUnboundDataType(c.kind);
    edit->SetText("");
    for (const std::string& want : c.steps) {
      Type(edit, " ");
      EXPECT_EQ(edit->Text(), want);
      EXPECT_EQ(edit->SelStart(), static_cast<int>(want.size()));
    }
  }
  // What the clock filled in is a time the library's own scan takes.
  EXPECT_TRUE(vxStrToDateTime(edit->Text()));
  EXPECT_TRUE(vxStrToTime("2:07:05 PM"));

  // Typing over a whole selected date starts it again; a date typed in part gets its separator.
  ShortDateFormat = "M/d/yy";
  edit->SetUnboundDataType(vxEdtDate);
  edit->SetText("1/1/20");
  edit->SelectAll();
  Type(edit, " ");
  EXPECT_EQ(edit->Text(), "6/");
  edit->SetText("12");
  edit->SetSelStart(2);
  Type(edit, " ");
  EXPECT_EQ(edit->Text(), "12/");
  // Off a date field, or with the clock fill switched off, Space is a blank.
  edit->SetAutoFillDate(false);
  edit->SetText("12");
  edit->SetSelStart(2);
  Type(edit, " ");
  EXPECT_EQ(edit->Text(), "12 ");
}

TEST_F(EditTest, TwentyFourHourClockStopsAfterTheSeconds) {
  SetClock(FixedNow);
  TimeAMString = "";
  TimePMString = "";
  edit->SetUnboundDataType(vxEdtTime);
  Show();
  for (const char* want : {"14:", "14:07:", "14:07:05"}) {
    Type(edit, " ");
    EXPECT_EQ(edit->Text(), want);
  }
  Type(edit, " ");
  EXPECT_EQ(edit->Text(), "14:07:05 ");  // nothing more to fill: a plain blank
}

// ---------------------------------------------------------------- bound to a field

class BoundEditTest : public EditTest {
protected:
  BoundEditTest() {
    data = new fwtest::TMemDataSet(form.get());
    data->Define({{"Name", ftString, 20}, {"Code", ftString, 8}, {"Count", ftInteger}});
    data->AddRow({fwtest::TMemDataSet::Str("Lee"), fwtest::TMemDataSet::Str("12-3"), fwtest::TMemDataSet::Int(42)});
    source = new TvxDataSource(form.get());
    source->SetDataSet(data);
    data->Open();
    edit->SetDataSource(source);
    edit->SetDataField("Name");
  }
  fwtest::TMemDataSet* data;
  TvxDataSource* source;
};

TEST_F(BoundEditTest, TheFieldIsShownEditedAndWrittenBack) {
  EXPECT_EQ(edit->Text(), "Lee");
  EXPECT_EQ(edit->MaxLength(), 20);  // the string field's size
  edit->SetDataField("Code");
  EXPECT_EQ(edit->MaxLength(), 8);   // cleared first, then the new field's
  edit->SetDataField("Name");
  Show();
  EXPECT_EQ(data->State(), dsBrowse);
  edit->SelectAll();
  Type(edit, "Ng");
  EXPECT_EQ(data->State(), dsEdit);  // the first key put the record into edit
  EXPECT_EQ(edit->Text(), "Ng");
  Focus(other);  // leaving writes the field
  EXPECT_EQ(data->FieldByName("Name")->AsString(), "Ng");
  data->Post();
  EXPECT_EQ(data->FieldByName("Name")->AsString(), "Ng");

  // A key the field refuses beeps: the integer field takes no letters.
  edit->SetDataField("Count");
  Focus(edit);
  edit->SetSelStart(2);
  const std::size_t beeps = BeepCount();
  Type(edit, "x");
  EXPECT_EQ(edit->Text(), "42");
  EXPECT_EQ(BeepCount(), beeps + 1);
  // Escape drops the change.
  Type(edit, "7");
  EXPECT_EQ(edit->Text(), "427");
  edit->Perform(WM_CHAR, 27, 0);
  EXPECT_EQ(edit->Text(), "42");
}

TEST_F(BoundEditTest, ADataSourceThatIsNotTheLibrarysReadsAsNone) {
  TDataSource* plain = new TDataSource(form.get());
  plain->SetDataSet(data);
  edit->SetDataSource(plain);
  EXPECT_EQ(edit->DataSource(), nullptr);
  EXPECT_EQ(edit->Field(), nullptr);
}

TEST_F(BoundEditTest, ARightAlignedFieldPaintsItselfWhileUnfocused) {
  edit->SetDataField("Count");
  Show();
  Focus(other);
  QImage image = WidgetOf(edit)->grab().toImage();
  int leftmostInk = image.width();
  for (int y = 3; y < image.height() - 3; ++y)
    for (int x = 3; x < image.width() - 3; ++x)
      if (qGray(image.pixel(x, y)) < 100) leftmostInk = std::min(leftmostInk, x);
  EXPECT_GT(leftmostInk, image.width() / 2);  // "42" stands at the right
  EXPECT_LT(leftmostInk, image.width());
}

// ---------------------------------------------------------------- bound to a library table

// A native table with a picture of its own on Phone.
class TableEditTest : public EditTest {
protected:
  TableEditTest() {
    vxtest::MakeTable(dir.Path(), "guests.db",
                      {{"Name", ORVEX_FT_STRING, 20}, {"Phone", ORVEX_FT_STRING, 12, "###-####"}, {"Zip", ORVEX_FT_STRING, 10}});
    table = new TvxTable(form.get());
    table->SetDatabaseName(dir.Path());
    table->SetTableName("guests.db");
    table->Open();
    table->Append();
    table->FieldByName("Name")->SetAsString("Ann");
    table->Post();
    source = new TvxDataSource(form.get());
    source->SetDataSet(table);
    edit->SetDataSource(source);
  }
  std::vector<std::string> Masks() const {
    std::vector<std::string> v;
    for (int i = 0; i < table->PictureMasks()->Count(); ++i) v.push_back(table->PictureMasks()->Strings(i));
    return v;
  }
  fw::test::TempDir dir;
  TvxTable* table;
  TvxDataSource* source;
};

TEST_F(TableEditTest, ABoundEditsPictureLivesInTheDataSet) {
  TvxDBPicture* p = edit->Picture();
  table->PictureMasks()->Add("Zip\t#####\tF\tT");
  edit->SetDataField("Zip");
  ASSERT_TRUE(p->DataSetBacked());
  EXPECT_EQ(p->PictureMask(), "#####");
  EXPECT_FALSE(p->AutoFill());
  p->SetAutoFill(true);  // written through
  EXPECT_EQ(Masks(), std::vector<std::string>{"Zip\t#####\tT\tT"});
  p->SetPictureMask("#####-####");
  EXPECT_EQ(Masks(), std::vector<std::string>{"Zip\t#####-####\tT\tT"});
  EXPECT_EQ(p->PictureMask(), "#####-####");
  p->SetAllowInvalidExit(true);  // ignored while bound
  EXPECT_FALSE(p->AllowInvalidExit());

  // A field without a line: the object's own AutoFill until the dataset has a mask for it.
  edit->SetDataField("Name");
  p->SetOwnValues("", false, false);
  EXPECT_EQ(p->PictureMask(), "");
  EXPECT_FALSE(p->AutoFill());
  p->SetPictureMask("&*?");
  EXPECT_EQ(Masks().back(), "Name\t&*?\tF\tT");

  // The table's own picture is read through the dataset and cannot be replaced.
  edit->SetDataField("Phone");
  EXPECT_EQ(p->PictureMask(), "###-####");
  const auto before = Masks();
  p->SetPictureMask("###");
  ASSERT_EQ(messages->Requests.size(), 1u);
  EXPECT_EQ(messages->Requests[0].Text, "Picture mask already defined in Kalmure table. ");
  EXPECT_EQ(messages->Requests[0].Icon, TMessageIcon::Warning);
  EXPECT_EQ(messages->Requests[0].Buttons, std::vector<int>{mrOk});
  EXPECT_EQ(p->PictureMask(), "###-####");
  EXPECT_EQ(Masks(), before);

  // Unbound, the object keeps its own values.
  edit->SetDataSource(nullptr);
  EXPECT_FALSE(p->DataSetBacked());
  p->SetAllowInvalidExit(true);
  EXPECT_TRUE(p->AllowInvalidExit());
}

TEST_F(TableEditTest, WritingBackChecksThePictureAsTheDataSetSays) {
  edit->SetDataField("Phone");
  std::vector<std::string> invalid;
  auto write = [&](const std::string& text) {
    table->Edit();
    edit->SetText(text);
    edit->SetModified(true);
    edit->DataLink()->UpdateRecord();
  };
  struct Case {
    bool validate;
    bool handler;
    const char* text;
    bool raises;
    const char* stored;  // the field afterwards
    std::size_t calls;   // of the handler
  } cases[] = {
      {true, false, "555", true, "", 0},
      {true, true, "555", false, "555", 1},  // the handler is told; the post will refuse it
      {false, false, "555", false, "555", 0},
      {true, false, "555-1234", false, "555-1234", 0},
      {true, true, "", false, "", 0},  // an empty text always passes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.validate ? " validated" : "") + (c.handler ? " handled" : ""));
    table->SetValidateWithMask(c.validate);
    invalid.clear();
    if (c.handler)
      table->OnInvalidValue = [&](TDataSet* ds, TField* f) {
        EXPECT_EQ(ds, table);
        invalid.push_back(f->FieldName());
      };
    else
      table->OnInvalidValue = nullptr;
    try {
      write(c.text);
      EXPECT_FALSE(c.raises);
    } catch (const EDBEditError& e) {
      EXPECT_TRUE(c.raises);
      EXPECT_EQ(std::string(e.what()), "Invalid input value for Phone. Press Esc to abandon the change.");
    }
    EXPECT_EQ(table->FieldByName("Phone")->AsString(), c.stored);
    EXPECT_EQ(invalid.size(), c.calls);
    table->Cancel();
  }
  // A read-only edit writes nothing back.
  table->SetValidateWithMask(true);
  table->OnInvalidValue = nullptr;
  edit->SetReadOnly(true);
  table->Edit();
  edit->SetText("1");
  edit->DataLink()->UpdateRecord();
  EXPECT_EQ(table->FieldByName("Phone")->AsString(), "");
  table->Cancel();
}

// A button edit's geometry: the text ends before the icon.
class TIconEdit : public TvxDBEdit {
  FW_CLASS(TIconEdit, TvxDBEdit)
public:
  using TvxDBEdit::TvxDBEdit;
  bool GetShowButton() override { return true; }
  int GetIconLeft() override { return ClientWidth() - 60; }
};

FW_IMPLEMENT_CLASS(TIconEdit)

// The leftmost and rightmost dark pixels of an edit as it paints itself.
std::pair<int, int> InkColumns(TWinControl* c) {
  QImage image = WidgetOf(c)->grab().toImage();
  int left = image.width(), right = -1;
  for (int y = 3; y < image.height() - 3; ++y)
    for (int x = 3; x < image.width() - 3; ++x)
      if (qGray(image.pixel(x, y)) < 100) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  return {left, right};
}

TEST_F(BoundEditTest, ARightAlignedTextEndsAtTheMarginOrBeforeTheIcon) {
  edit->SetDataField("Count");
  auto* icon = new TIconEdit(form.get());
  icon->SetParent(form.get());
  icon->SetBounds(10, 90, 150, 24);
  icon->SetDataSource(source);
  icon->SetDataField("Count");
  Show();
  Focus(other);
  const int plainRight = InkColumns(edit).second;
  EXPECT_GT(plainRight, edit->ClientWidth() - 12);  // "42" up to the margin
  EXPECT_LT(plainRight, edit->ClientWidth());
  const auto [iconLeft, iconRight] = InkColumns(icon);
  EXPECT_LT(iconRight, icon->ClientWidth() - 60);  // the override is the one asked
  EXPECT_GT(iconRight, icon->ClientWidth() - 75);
  EXPECT_LT(iconLeft, iconRight);
}

TEST_F(EditTest, ModifyingAsksTheLinkThenForACalculatedFieldTheFieldAndItsDataSet) {
  auto* data = new fwtest::TMemDataSet(form.get());
  data->Define({{"Name", ftString, 20}});
  data->AddRow({fwtest::TMemDataSet::Str("Lee")});
  data->FieldDefs()->Update();
  data->FieldDefs()->Items(0)->CreateField(form.get());
  auto* calc = new TStringField(form.get());
  calc->SetFieldName("Calc");
  calc->SetSize(20);
  calc->SetCalculated(true);
  calc->SetDataSet(data);
  auto* source = new TvxDataSource(form.get());
  source->SetDataSet(data);
  data->Open();
  edit->SetDataSource(source);

  edit->SetDataField("Name");
  EXPECT_TRUE(edit->EditCanModify());
  EXPECT_EQ(data->State(), dsEdit);  // the link's edit request
  data->Cancel();

  edit->SetDataField("Calc");
  struct Case {
    bool editReadOnly, fieldReadOnly, dataSetReadOnly, can;
  } cases[] = {
      {false, false, false, true},
      {true, false, false, true},  // the field is asked, not the edit
      {false, true, false, false},
      {false, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.editReadOnly) + std::to_string(c.fieldReadOnly) + std::to_string(c.dataSetReadOnly));
    edit->SetReadOnly(c.editReadOnly);
    calc->SetReadOnly(c.fieldReadOnly);
    data->ReadOnlySet = c.dataSetReadOnly;
    EXPECT_EQ(edit->EditCanModify(), c.can);
    EXPECT_EQ(data->State(), dsBrowse);
  }
}

// ---------------------------------------------------------------- inside a grid

// Stands in for the library grid: records what reaches it.
class TGridStandIn : public TCustomControl, public IvxEditGrid {
  FW_CLASS(TGridStandIn, TCustomControl)
public:
  explicit TGridStandIn(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  TWinControl* GridControl() override { return this; }
  bool IsDataGrid() const override { return true; }
  bool AlwaysShowEditor() const override { return alwaysShowEditor; }
  bool TabsMove() const override { return tabs; }
  bool GridFocused() const override { return Focused(); }
  TColor GridFontColor() const override { return clBlack; }
  void GridKeyDown(Word& Key, TShiftState) override { keys.push_back(Key); }
  void GridOnKeyDown(Word& Key, TShiftState) override {
    handler.push_back(Key);
    if (Key == swallowInHandler) Key = 0;
  }
  bool alwaysShowEditor = true;
  bool tabs = true;
  Word swallowInHandler = 0;
  std::vector<Word> keys, handler;
};

FW_IMPLEMENT_CLASS(TGridStandIn)

TEST_F(EditTest, NavigationKeysGoToTheGridAroundTheEdit) {
  auto* grid = new TGridStandIn(form.get());
  grid->SetParent(form.get());
  grid->SetBounds(10, 90, 200, 80);
  edit->SetParent(grid);
  edit->SetBounds(2, 2, 150, 24);
  struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    int caret;  // in "abcd"
    bool alwaysShowEditor;
    bool toGrid;
  } cases[] = {
      {"Down", Qt::Key_Down, Qt::NoModifier, 2, true, true},
      {"Alt+Down", Qt::Key_Down, Qt::AltModifier, 2, true, false},
      {"PgUp", Qt::Key_PageUp, Qt::NoModifier, 2, false, true},
      {"Right at the end", Qt::Key_Right, Qt::NoModifier, 4, true, true},
      {"Right inside", Qt::Key_Right, Qt::NoModifier, 2, true, false},
      {"Right at the end, editor on demand", Qt::Key_Right, Qt::NoModifier, 4, false, false},
      {"Ctrl+Left inside", Qt::Key_Left, Qt::ControlModifier, 2, true, true},
      {"Home at the start", Qt::Key_Home, Qt::NoModifier, 0, true, true},
      {"Insert", Qt::Key_Insert, Qt::NoModifier, 2, true, true},
      {"Shift+Insert", Qt::Key_Insert, Qt::ShiftModifier, 2, true, false},
      {"Ctrl+Delete", Qt::Key_Delete, Qt::ControlModifier, 2, true, true},
      {"Escape unmodified", Qt::Key_Escape, Qt::NoModifier, 2, true, true},
      {"Enter", Qt::Key_Return, Qt::NoModifier, 2, true, true},
      {"Tab", Qt::Key_Tab, Qt::NoModifier, 2, true, true},
  };
  ShowActive(form.get());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->alwaysShowEditor = c.alwaysShowEditor;
    grid->keys.clear();
    Focus(edit);
    edit->SetText("abcd");
    edit->SetModified(false);
    edit->SetSelStart(c.caret);
    Key(WidgetOf(edit), c.key, c.mods);
    EXPECT_EQ(!grid->keys.empty(), c.toGrid);
    EXPECT_EQ(grid->Focused(), c.toGrid);
  }
  // F2 goes to the grid's handler; left there, it only drops the selection.
  Focus(edit);
  edit->SelectAll();
  grid->handler.clear();
  grid->keys.clear();
  Key(WidgetOf(edit), Qt::Key_F2);
  EXPECT_EQ(grid->handler, (std::vector<Word>{VK_F2}));
  EXPECT_TRUE(grid->keys.empty());
  EXPECT_EQ(edit->SelLength(), 0);
  EXPECT_TRUE(edit->Focused());
}

}  // namespace
}  // namespace vx
