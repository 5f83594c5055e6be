#include <string>
#include <vector>

#include "LstBtns.h"
#include "UiTest.h"

namespace dbx::testing {
namespace {

using namespace fw;
using fw::test::SendMouse;

class ListButtonTest : public fw::test::UiTest {
protected:
  ListButtonTest() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(100, 100, 300, 200);
    edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 120, 100, 21);
    button = new TListButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(150, 10, 17, 17);
    button->OnAccept = [this](TObject*) { events.push_back("accept " + std::to_string(button->ItemIndex())); };
    button->OnCancel = [this](TObject*) { events.push_back("cancel"); };
    button->OnClick = [this](TObject*) { events.push_back("click"); };
  }
  ~ListButtonTest() override { Screen->SetSize(0, 0); }

  void Fill(int n, const std::string& prefix = "entry ") {
    button->Items()->Clear();
    for (int i = 0; i < n; ++i) button->Items()->Add(prefix + char('a' + i));
  }
  QPoint ButtonCentre() const {
    TPoint p = button->ClientToScreen({8, 8});
    return QPoint(p.X, p.Y);
  }
  QPoint Row(int row) const {
    int h = button->List()->ItemHeight();
    TPoint p = button->List()->ClientToScreen({10, row * h + h / 2});
    return QPoint(p.X, p.Y);
  }
  int TextWidth(const std::string& s) const { return button->List()->Canvas()->TextWidth(s); }
  int RowHeight() const { return button->List()->Canvas()->TextHeight("A"); }

  std::unique_ptr<TForm> form;
  TEdit* edit;
  TListButton* button;
  std::vector<std::string> events;
};

TEST_F(ListButtonTest, DropGeometry) {
  ShowActive(form.get());
  TPoint topLeft = button->ClientToScreen({0, 0});
  int right = topLeft.X + button->Width(), below = topLeft.Y + button->Height() - 1;
  int bar = GetSystemMetrics(SM_CXVSCROLL);
  struct Case {
    const char* what;
    int entries;
    bool autoWidth;
    int minWidth, maxWidth;
    TDropAlign align;
    int rows;
    int width;  // -1: the widest entry + 5, -2: that and the scroll bar
  } cases[] = {
      {"no entries: one row", 0, false, 0, 0, daLeft, 1, 100},
      {"one entry", 1, false, 0, 0, daLeft, 1, 100},
      {"eight fit", 8, true, 0, 500, daLeft, 8, -1},
      {"twelve scroll", 12, true, 0, 500, daLeft, 8, -2},
      {"cap", 3, true, 0, 30, daLeft, 3, 30},
      {"at least the minimum", 3, true, 200, 500, daRight, 3, 200},
      {"right aligned", 8, true, 0, 500, daRight, 8, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fill(c.entries);
    if (c.autoWidth) {
      button->SetAutoWidth(true);
      button->SetMinListWidth(c.minWidth);
      button->SetMaxListWidth(c.maxWidth);
    } else {
      button->SetListWidth(100);
    }
    button->SetDropAlign(c.align);
    button->DropDown();
    ASSERT_TRUE(button->ListVisible());
    int widest = c.entries > 0 ? TextWidth("entry " + std::string(1, char('a' + c.entries - 1))) : 0;
    for (int i = 0; i < c.entries; ++i)
      widest = std::max(widest, TextWidth("entry " + std::string(1, char('a' + i))));
    int width = c.width == -1 ? widest + 5 : c.width == -2 ? widest + 5 + bar : c.width;
    TRect r = button->List()->BoundsRect();
    EXPECT_EQ(r.Height(), RowHeight() * c.rows + 2);
    EXPECT_EQ(r.Width(), width);
    EXPECT_EQ(r.Top, below);
    if (c.align == daRight) EXPECT_EQ(r.Right, right);
    else EXPECT_EQ(r.Left, topLeft.X);
    button->CloseUp(false);
    EXPECT_FALSE(button->ListVisible());
  }

  // Near the bottom of the screen the list opens upward.
  Fill(8);
  Screen->SetSize(1024, below + 4 * RowHeight());
  button->DropDown();
  TRect r = button->List()->BoundsRect();
  EXPECT_EQ(r.Top, topLeft.Y - r.Height() + 1);
  EXPECT_EQ(r.Bottom, topLeft.Y + 1);
}

TEST_F(ListButtonTest, RefusedDropMakesAClick) {
  Fill(3);
  int drops = 0;
  button->OnDrop = [&](TObject*, bool& canDrop) {
    ++drops;
    canDrop = false;
  };
  ShowActive(form.get());
  QWidget* w = WidgetOf(button);
  SendMouse(w, QEvent::MouseButtonPress, ButtonCentre(), Qt::LeftButton);
  EXPECT_TRUE(button->Pressed());
  SendMouse(w, QEvent::MouseButtonRelease, ButtonCentre(), Qt::NoButton);
  EXPECT_FALSE(button->Pressed());
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(events, std::vector<std::string>{"click"});
  EXPECT_EQ(drops, 2);  // the press, then the click
  // With the list allowed, a click drops it and runs no OnClick.
  button->OnDrop = nullptr;
  events.clear();
  SendMouse(w, QEvent::MouseButtonPress, ButtonCentre(), Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, ButtonCentre(), Qt::NoButton);
  EXPECT_TRUE(button->ListVisible());
  EXPECT_TRUE(events.empty());
  // A second press on the button closes it.
  SendMouse(w, QEvent::MouseButtonPress, ButtonCentre(), Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, ButtonCentre(), Qt::NoButton);
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(events, std::vector<std::string>{"cancel"});
}

TEST_F(ListButtonTest, KeysGoToTheListEnterAcceptsEscCancels) {
  Fill(4);
  ShowActive(form.get());
  button->DropDown();
  ASSERT_TRUE(button->ListVisible());
  EXPECT_EQ(GetFocus(), button->Handle());
  QWidget* w = WidgetOf(button);
  Key(w, Qt::Key_Down);
  Key(w, Qt::Key_Down);
  EXPECT_EQ(button->ItemIndex(), 1);
  Key(w, Qt::Key_Return);
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(events, std::vector<std::string>{"accept 1"});

  events.clear();
  button->DropDown();
  Key(w, Qt::Key_Down);
  Key(w, Qt::Key_Escape);
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(events, std::vector<std::string>{"cancel"});
  EXPECT_TRUE(form->Active()) << "Esc is the list's, not the form's";
}

TEST_F(ListButtonTest, APressReleasedOnTheThirdEntryAcceptsIt) {
  Fill(5);
  ShowActive(form.get());
  QWidget* w = WidgetOf(button);
  SendMouse(w, QEvent::MouseButtonPress, ButtonCentre(), Qt::LeftButton);
  ASSERT_TRUE(button->ListVisible());
  EXPECT_TRUE(button->MouseCapture());
  // Qt keeps sending the moves and the release to the button's widget.
  SendMouse(w, QEvent::MouseMove, Row(0), Qt::LeftButton);
  EXPECT_TRUE(button->List()->MouseCapture());
  EXPECT_FALSE(button->Pressed());
  SendMouse(w, QEvent::MouseMove, Row(2), Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, Row(2), Qt::NoButton);
  EXPECT_FALSE(button->ListVisible());
  EXPECT_EQ(events, std::vector<std::string>{"accept 2"});
}

TEST_F(ListButtonTest, LosingTheFocusHidesTheListSilently) {
  Fill(3);
  ShowActive(form.get());
  button->DropDown();
  ASSERT_TRUE(button->ListVisible());
  edit->SetFocus();
  EXPECT_FALSE(button->ListVisible());
  EXPECT_TRUE(events.empty());
  // Getting the focus back without a list tells of a cancel.
  button->SetFocus();
  EXPECT_EQ(events, std::vector<std::string>{"cancel"});
}

}  // namespace
}  // namespace dbx::testing
