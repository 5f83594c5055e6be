#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

#include "ModelTesting.h"
#include "PropExpl.h"
#include "UiTest.h"

namespace dbx::testing {

FW_IMPLEMENT_CLASS(TNode)
FW_IMPLEMENT_CLASS(TOtherNode)

namespace {

using namespace fw;
using fw::test::SendMouse;
using fw::test::Viewport;

std::uint16_t Word(TEPropertyAttributes attributes) { return static_cast<std::uint16_t>(attributes.ToBits()); }

// A property that tells of every text written into it.
class TRecordingProperty : public TEProperty {
  FW_CLASS(TRecordingProperty, TEProperty)
public:
  using TEProperty::TEProperty;
  std::vector<std::string>* log = nullptr;
  void SetTextVia(int kind, const std::string& text) override {
    if (log) log->push_back(Name() + "=" + text);
    TEProperty::SetTextVia(kind, text);
  }
};

class TBrokenProperty : public TEProperty {
  FW_CLASS(TBrokenProperty, TEProperty)
public:
  using TEProperty::TEProperty;
  std::string GetText(int) override { RaiseDbXError("no text today"); }
};

// An editor dialog that writes what it was told to.
class TFixedEditor : public TEPropertyEditor {
  FW_CLASS(TFixedEditor, TEPropertyEditor)
public:
  TFixedEditor(TEPropertyAttributes bits, std::string result) : TEPropertyEditor(bits), result_(std::move(result)) {}
  int runs = 0;
  void Edit(TEProperty& property) override {
    ++runs;
    property.SetValue(fw::Variant(result_));
  }

private:
  std::string result_;
};

FW_IMPLEMENT_CLASS(TRecordingProperty)
FW_IMPLEMENT_CLASS(TBrokenProperty)
FW_IMPLEMENT_CLASS(TFixedEditor)

// Row order of the test object's properties.
enum { rAlias, rBuffer, rBulk, rMode, rEmpty, rPath, rAuto, rPort, rSub, rBroken, kRows };

class InspectorTest : public fw::test::UiTest {
protected:
  void SetUp() override {
    InitDbExplif();
    for (const char* v : {"READ ONLY", "READ/WRITE", "SHARED"}) values.Strings().Add(v);
    object = TExploreObject::Create<TNode>(nullptr);
    object->SetName("object");
    object->loadProperties = [this](TNode& n) { MakeProperties(n); };
    object->Properties().Load();
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(100, 100, 420, 320);
    box = new TPropExplBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 300, 200);
    box->OnSelect = [this](TEProperty* p) { selected.push_back(p->Name()); };
    other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 260, 100, 21);
    Application->OnException = [this](TObject*, const Exception& e) { errors.push_back(e.Message()); };
  }
  void TearDown() override {
    Application->OnException = nullptr;
    form.reset();
    object->Release(lsReleased);
    DoneDbExplif();
  }

  void MakeProperties(TNode& n) {
    TEProperties& p = n.Properties();
    auto editable = Word({paEditable});
    auto add = [&](const char* name, const char* caption, std::uint16_t attributes, const char* value) {
      auto* property = p.Add<TRecordingProperty>(name, caption, 2, ftString);
      property->SetAttributeWord(attributes);
      property->log = &writes;
      if (value) property->StoreValue(fw::Variant(std::string(value)));
      return property;
    };
    add("ALIAS", "Alias", editable, "first");
    add("BUFFER", "Buffer", editable, "32");
    add("BULK", "Bulk size", 0, "8");
    add("MODE", "Mode", editable, "READ ONLY")->SetEditor(&values);
    add("EMPTY", "Empty list", editable, "")->SetEditor(&emptyList);
    add("PATH", "Path", editable, "/home/guest")->SetEditor(&pathDialog);
    add("AUTO", "Auto", Word({paEditable, paAutoUpdate}), "");
    p.Add<TEProperty>("PORT", "Port", 2, ftInteger)->SetAttributeWord(editable);
    add("SUB", "Sub", Word({paEditable, paSubProperties}), "");
    p.Add<TBrokenProperty>("BROKEN", "Broken", 2, ftString);
    add("ALPHA", "Alpha", editable, "a");
    add("BETA", "Beta", editable, "b");
  }
  TEProperty* Property(const char* name) { return object->Properties().PropertyByName(name); }
  void Fill(bool raw = false) {
    box->Clear();
    for (int i = 0; i < kRows; ++i) box->AddItem(object->Properties().Property(i), raw);
  }
  void Show() {
    ShowActive(form.get());
    box->SetFocus();
    ASSERT_EQ(GetFocus(), box->Editor()->Handle());
  }
  QWidget* EditorWidget() const { return WidgetOf(box->Editor()); }
  QWidget* StripWidget() const { return WidgetOf(box->Selection()); }
  void Type(QWidget* w, const std::string& text) {
    for (char c : text) {
      Qt::Key key = c >= 'a' && c <= 'z' ? Qt::Key(Qt::Key_A + (c - 'a'))
                    : c >= 'A' && c <= 'Z' ? Qt::Key(Qt::Key_A + (c - 'A'))
                    : c >= '0' && c <= '9' ? Qt::Key(Qt::Key_0 + (c - '0'))
                                            : Qt::Key_unknown;
      Key(w, key, c >= 'A' && c <= 'Z' ? Qt::ShiftModifier : Qt::NoModifier, QString(QChar(c)));
    }
  }

  TEStringValues values;
  TFixedEditor emptyList{TEPropertyAttributes(paValues), "stepped"};
  TFixedEditor pathDialog{TEPropertyAttributes(paEditor), "/home/guest/nubo.cfg"};
  TNode* object = nullptr;
  std::unique_ptr<TForm> form;
  TPropExplBox* box = nullptr;
  TEdit* other = nullptr;
  std::vector<std::string> writes;
  std::vector<std::string> errors;
  std::vector<std::string> selected;
};

TEST_F(InspectorTest, RowsShowTheirPropertiesAndEnteringChoosesTheFirst) {
  Fill();
  EXPECT_EQ(box->CurrentIndex(), -1);
  Show();
  EXPECT_EQ(box->CurrentIndex(), 0);
  EXPECT_EQ(selected, std::vector<std::string>{"ALIAS"});
  EXPECT_EQ(box->Editor()->Text(), "first");
  EXPECT_EQ(box->Item(rBulk)->Value(), "8");
  EXPECT_EQ(box->Item(rBroken)->Value(), "Internal error: no text today");
  struct Row {
    int row;
    TPropEditor editor;
    bool readOnly;
    bool button;
  } rows[] = {
      {rAlias, peNone, false, false}, {rBulk, peNone, true, false},  {rMode, peValues, false, true},
      {rPath, peEditor, false, true}, {rEmpty, peValues, false, true},
  };
  for (const Row& r : rows) {
    box->SetCurrentIndex(r.row);
    EXPECT_EQ(box->Item(r.row)->EditorType(), r.editor) << r.row;
    EXPECT_EQ(box->Editor()->ReadOnly(), r.readOnly) << r.row;
    EXPECT_EQ(box->ListButton()->Visible(), r.button) << r.row;
    // The strip lies over the current row, the editor right of the column line.
    EXPECT_EQ(box->Selection()->BoundsRect(), box->ItemRect(r.row)) << r.row;
    EXPECT_EQ(box->Editor()->Left(), box->Middle() + 3);
  }
  // Leaving the box commits what was typed.
  box->SetCurrentIndex(rBuffer);
  Type(EditorWidget(), "64");
  other->SetFocus();
  EXPECT_EQ(Property("BUFFER")->GetText(1), "64");
}

TEST_F(InspectorTest, NameSearchInTheStrip) {
  Fill();
  Show();
  Key(EditorWidget(), Qt::Key_Tab);
  ASSERT_EQ(GetFocus(), box->Selection()->Handle());
  struct Step {
    const char* keys;  // letters, or "<" Backspace, "!" Esc
    int row;
    const char* search;
  } steps[] = {
      {"bu", rBuffer, "Bu"},  {"x", rBuffer, "Bu"},   {"l", rBulk, "Bul"},   {"<", rBuffer, "Bu"},
      {"<", rBuffer, "B"},    {"!", rBuffer, ""},     {"PO", rPort, "Po"},   {"<<", rAlias, ""},
      {"<", rAlias, ""},      {"mO", rMode, "Mo"},    {"<<<", rAlias, ""},
  };
  for (const Step& s : steps) {
    for (const char* k = s.keys; *k; ++k) {
      if (*k == '<') Key(StripWidget(), Qt::Key_Backspace);
      else if (*k == '!') Key(StripWidget(), Qt::Key_Escape);
      else Type(StripWidget(), std::string(1, *k));
    }
    EXPECT_EQ(box->CurrentIndex(), s.row) << s.keys;
    EXPECT_EQ(box->SearchText(), s.search) << s.keys;
  }
  // Esc with nothing typed at the top goes back to the editor.
  Key(StripWidget(), Qt::Key_Escape);
  EXPECT_EQ(GetFocus(), box->Editor()->Handle());

  // In a group of sub-rows, the search stays in the group, and with nothing
  // typed Backspace and Esc go to the parent row and fold it up.
  for (const char* key : {"backspace", "escape"}) {
    SCOPED_TRACE(key);
    box->Expand(rSub);
    box->AddItem(Property("ALPHA"), false);
    box->AddItem(Property("BETA"), false);
    EXPECT_EQ(box->Item(rSub + 1)->ItemLevel, 1);
    box->SetCurrentIndex(rSub + 1);
    box->Selection()->SetFocus();
    Type(StripWidget(), "b");
    EXPECT_EQ(box->CurrentIndex(), rSub + 2);
    Type(StripWidget(), "r");  // Broken is no row of the group
    EXPECT_EQ(box->CurrentIndex(), rSub + 2);
    Key(StripWidget(), Qt::Key_Escape);
    Key(StripWidget(), std::string(key) == "escape" ? Qt::Key_Escape : Qt::Key_Backspace);
    EXPECT_EQ(box->CurrentIndex(), rSub);
    EXPECT_FALSE(box->Item(rSub)->IsExpanded);
    EXPECT_EQ(box->Count(), kRows);
  }
}

TEST_F(InspectorTest, PagesStopAtTheEnds) {
  Fill();
  for (int i = 0; i < kRows; ++i) box->AddItem(object->Properties().Property(i), false);
  int last = box->Count() - 1;
  Show();
  int page = box->ClientHeight() / box->RowHeight() - 1;
  ASSERT_GT(page, 2);
  ASSERT_LT(page + 1, last);
  int row = 0;
  for (auto [key, delta] : {std::pair{Qt::Key_PageDown, page}, {Qt::Key_PageDown, page}, {Qt::Key_PageDown, page},
                            {Qt::Key_Up, -1}, {Qt::Key_PageUp, -page}, {Qt::Key_PageUp, -page},
                            {Qt::Key_PageUp, -page}, {Qt::Key_Down, 1}}) {
    row = std::clamp(row + delta, 0, last);
    Key(EditorWidget(), key);
    EXPECT_EQ(box->CurrentIndex(), row);
    // The strip follows the row as the list scrolls.
    EXPECT_EQ(box->Selection()->Top(), box->ItemRect(row).Top);
  }
  EXPECT_EQ(row, 1) << "both ends were reached";
}

TEST_F(InspectorTest, CommitsFailEscRestoresEnterWrites) {
  Fill();
  Show();
  // A value the property refuses: the row stays, the error is shown and the
  // editor shows the property's own value again.
  box->SetCurrentIndex(rPort);
  Type(EditorWidget(), "abc");
  Key(EditorWidget(), Qt::Key_Down);
  EXPECT_EQ(box->CurrentIndex(), rPort);
  EXPECT_EQ(errors, std::vector<std::string>{"Port cannot have a value of abc"});
  EXPECT_EQ(box->Editor()->Text(), "");
  EXPECT_FALSE(box->Editor()->Modified());

  // Esc puts the loaded text back and writes it.
  box->SetCurrentIndex(rAlias);
  writes.clear();
  Type(EditorWidget(), "xyz");
  EXPECT_EQ(box->Editor()->Text(), "xyz");
  Key(EditorWidget(), Qt::Key_Escape);
  EXPECT_EQ(box->Editor()->Text(), "first");
  EXPECT_EQ(writes, std::vector<std::string>{"ALIAS=first"});
  EXPECT_EQ(Property("ALIAS")->GetText(1), "first");

  // Enter writes and reloads; an auto-update row writes as it is typed.
  Type(EditorWidget(), "second");
  Key(EditorWidget(), Qt::Key_Return);
  EXPECT_EQ(Property("ALIAS")->GetText(1), "second");
  box->SetCurrentIndex(rAuto);
  Type(EditorWidget(), "on");
  EXPECT_EQ(Property("AUTO")->GetText(1), "on");
  EXPECT_EQ(box->CurrentIndex(), rAuto);
}

TEST_F(InspectorTest, ValueListsAndEditors) {
  Fill();
  Show();
  // Alt+Down drops the list of values at the editor's one; Enter takes the choice.
  box->SetCurrentIndex(rMode);
  TListButton* button = box->ListButton();
  // The button shows the value list's arrow, dark on its face.
  QImage face = WidgetOf(button)->grab().toImage();
  EXPECT_EQ(qGray(face.pixel(face.width() / 2, face.height() / 2 - 1)), 0);
  Key(EditorWidget(), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(button->ListVisible());
  EXPECT_EQ(button->Items()->CommaText(), "\"READ ONLY\",READ/WRITE,SHARED");
  EXPECT_EQ(button->ItemIndex(), 0);
  EXPECT_EQ(button->MinListWidth(), box->ClientWidth() - box->Middle());
  Key(WidgetOf(button), Qt::Key_Down);
  Key(WidgetOf(button), Qt::Key_Return);
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(Property("MODE")->GetText(1), "READ/WRITE");
  EXPECT_EQ(box->Editor()->Text(), "READ/WRITE");
  EXPECT_EQ(GetFocus(), box->Editor()->Handle());

  // An empty value list drops nothing: its button runs the editor.
  box->SetCurrentIndex(rEmpty);
  ASSERT_TRUE(button->Visible());
  QPoint centre = WidgetOf(button)->mapToGlobal(QPoint(button->Width() / 2, button->Height() / 2));
  SendMouse(WidgetOf(button), QEvent::MouseButtonPress, centre, Qt::LeftButton);
  SendMouse(WidgetOf(button), QEvent::MouseButtonRelease, centre, Qt::NoButton);
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(emptyList.runs, 1);
  EXPECT_EQ(box->Editor()->Text(), "stepped");

  // Ctrl+Enter runs a row's editor dialog.
  box->SetCurrentIndex(rPath);
  Key(EditorWidget(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(pathDialog.runs, 1);
  EXPECT_EQ(box->Editor()->Text(), "/home/guest/nubo.cfg");

  // So does a click on the row and a second one, on its editor now.
  box->SetCurrentIndex(rAlias);
  TRect row = box->ItemRect(rPath);
  QPoint name = Viewport(box)->mapToGlobal(QPoint(10, row.Top + 3));
  SendMouse(Viewport(box), QEvent::MouseButtonPress, name, Qt::LeftButton);
  SendMouse(Viewport(box), QEvent::MouseButtonRelease, name, Qt::NoButton);
  ASSERT_EQ(box->CurrentIndex(), rPath);
  QPoint value = EditorWidget()->mapToGlobal(QPoint(5, 3));
  SendMouse(EditorWidget(), QEvent::MouseButtonPress, value, Qt::LeftButton);
  SendMouse(EditorWidget(), QEvent::MouseButtonRelease, value, Qt::NoButton);
  EXPECT_EQ(pathDialog.runs, 2);
  // A press on the strip's name part reaches the rows below it.
  SendMouse(StripWidget(), QEvent::MouseButtonPress, name, Qt::LeftButton);
  SendMouse(StripWidget(), QEvent::MouseButtonRelease, name, Qt::NoButton);
  EXPECT_EQ(box->CurrentIndex(), rPath);
  EXPECT_EQ(box->MouseMode(), 0);
  EXPECT_EQ(GetFocus(), box->Editor()->Handle());
}

TEST_F(InspectorTest, RawRowsAreReadOnly) {
  Fill(true);
  Show();
  EXPECT_EQ(box->Item(rAlias)->Name(), "ALIAS->\"Alias\"");
  EXPECT_EQ(box->Item(rAlias)->Value(), "first->\"first\"");
  EXPECT_EQ(box->IndexOfName("alias->\"ALIAS\""), rAlias);
  EXPECT_TRUE(box->Editor()->ReadOnly());
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) Key(EditorWidget(), key);
  box->SetCurrentIndex(rMode);
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(Property("ALIAS")->GetText(1), "first");
}

TEST_F(InspectorTest, MiddleKeepsToItsLimits) {
  Fill();
  Show();
  int rh = box->RowHeight();
  struct Case {
    int width;
    int middle;  // set before the resize
    int expected;  // -1: the upper limit, -2: half the client width
  } cases[] = {{320, 5, 2 * rh}, {300, 150, 150}, {310, 400, -1}, {4 * rh, 40, -2}, {6, 40, -2}};
  for (const Case& c : cases) {
    box->SetMiddle(c.middle);
    box->SetWidth(c.width);
    int cw = box->ClientWidth();
    int expected = c.expected == -1 ? cw - 3 * rh : c.expected == -2 ? cw / 2 : c.expected;
    EXPECT_EQ(box->Middle(), expected) << c.width;
    EXPECT_GE(box->Editor()->Width(), 0) << c.width;
    EXPECT_GE(box->Editor()->Height(), 0) << c.width;
  }
}

TEST_F(InspectorTest, TheColumnLineMovesWithinItsLimits) {
  Fill();
  Show();
  QWidget* rows = Viewport(box);
  int rh = box->RowHeight();
  int cw = box->ClientWidth();
  int y = box->ItemRect(rMode).Top + 3;
  auto at = [&](int x) { return rows->mapToGlobal(QPoint(x, y)); };
  int middle = box->Middle();
  SendMouse(rows, QEvent::MouseButtonPress, at(middle + 1), Qt::LeftButton);
  EXPECT_EQ(box->MouseMode(), 2);
  SendMouse(rows, QEvent::MouseMove, at(cw + 80), Qt::LeftButton);
  SendMouse(rows, QEvent::MouseButtonRelease, at(cw + 80), Qt::NoButton);
  EXPECT_EQ(box->MouseMode(), 0);
  EXPECT_EQ(box->Middle(), cw - 3 * rh);
  EXPECT_EQ(box->CurrentIndex(), 0) << "the line is no row";
  // A press away from the line picks the row under it.
  SendMouse(rows, QEvent::MouseButtonPress, at(10), Qt::LeftButton);
  SendMouse(rows, QEvent::MouseButtonRelease, at(10), Qt::NoButton);
  EXPECT_EQ(box->CurrentIndex(), rMode);
  EXPECT_EQ(GetFocus(), box->Editor()->Handle());
  // A drag cancelled halfway leaves the line where it was.
  middle = box->Middle();
  SendMouse(rows, QEvent::MouseButtonPress, at(middle), Qt::LeftButton);
  SendMouse(rows, QEvent::MouseMove, at(middle - 30), Qt::LeftButton);
  box->Perform(CM_CANCELMODE, 0, 0);
  EXPECT_EQ(box->MouseMode(), 0);
  EXPECT_EQ(box->Middle(), middle);
  SendMouse(rows, QEvent::MouseButtonRelease, at(middle - 30), Qt::NoButton);
  EXPECT_EQ(box->Middle(), middle);
}

}  // namespace
}  // namespace dbx::testing
